# Where `cmake --install` (and the Debian package) puts the programs and their files. The
# programs find their read-only files at ../share/quarlo beside bin/, so these two folders
# are fixed rather than taken from GNUInstallDirs.
install(TARGETS quarlo-cli RUNTIME DESTINATION bin)
# The desktop program's rule lives beside its target in src/shell.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION share/quarlo
    PATTERN quarlo.desktop EXCLUDE
    REGEX "/icons/quarlo-[0-9]+\\.png$" EXCLUDE)

# The desktop entry and the icon in every size of the hicolor theme, where desktop
# environments look for them.
install(FILES ${CMAKE_SOURCE_DIR}/data/quarlo.desktop DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/data/icons/quarlo.svg
    DESTINATION share/icons/hicolor/scalable/apps)
file(GLOB QUARLO_ICONS ${CMAKE_SOURCE_DIR}/data/icons/quarlo-*.png)
foreach(icon ${QUARLO_ICONS})
    string(REGEX REPLACE ".*/quarlo-([0-9]+)\\.png$" "\\1" size ${icon})
    install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME quarlo.png)
endforeach()

# The manual pages and the bash completion, written at build time (CommandDocs.cmake).
install(FILES ${QUARLO_MAN_PAGES} DESTINATION share/man/man1)
install(FILES ${QUARLO_BASH_COMPLETION} DESTINATION share/bash-completion/completions
    RENAME quarlo-cli)
