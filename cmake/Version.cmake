# One version for every program: the project version and, when built from a git checkout,
# what `git describe` says. It is worked out at every build rather than at configure time, so
# a new commit shows without configuring again.
include(${CMAKE_CURRENT_LIST_DIR}/GitVersion.cmake)

set(QUARLO_VERSION_SOURCE ${CMAKE_BINARY_DIR}/generated/BuildVersion.cpp)
add_custom_target(quarlo_version_text
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DPROJECT_VERSION=${PROJECT_VERSION}
        -DOUTPUT=${QUARLO_VERSION_SOURCE} -P ${CMAKE_CURRENT_LIST_DIR}/WriteVersion.cmake
    BYPRODUCTS ${QUARLO_VERSION_SOURCE}
    VERBATIM)
add_library(quarlo_version STATIC ${QUARLO_VERSION_SOURCE})
add_dependencies(quarlo_version quarlo_version_text)
target_include_directories(quarlo_version PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(quarlo_platform PUBLIC quarlo_version)
