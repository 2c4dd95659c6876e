# The Debian package, made by `cpack -G DEB` in the build folder (scripts/package.sh). The
# libraries it depends on are found by dpkg-shlibdeps; what the programs load at run time
# without linking it is named here.
set(CPACK_PACKAGE_NAME quarlo)
set(CPACK_PACKAGE_VENDOR "Quarlo developers")
set(CPACK_PACKAGE_CONTACT "Quarlo developers <quarlo@quarlo.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copy web sites for offline use")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Quarlo copies web sites for offline use, into a folder of pages or a Zip archive, and\n"
    "keeps each copy as a task that can be resumed, updated and scheduled. It comes as a\n"
    "desktop program (quarlo) and a command-line program (quarlo-cli) with manual pages and\n"
    "bash completion.")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

# In a git checkout the package version carries the number of commits and the commit, so that
# later builds sort later: 3.0+git412.7a445cb.
quarlo_describe_checkout(${CMAKE_SOURCE_DIR} QUARLO_DESCRIBED QUARLO_COMMITS QUARLO_COMMIT)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(QUARLO_COMMITS AND QUARLO_COMMIT)
    set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}+git${QUARLO_COMMITS}.${QUARLO_COMMIT}")
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
if(QUARLO_BUILD_GUI)
    # The xcb platform plugin and the SVG icon engine are loaded, not linked.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
endif()

set(CPACK_GENERATOR DEB)
include(CPack)
