# The manual pages and the bash completion are written at build time by a small program
# linked with the command table and help texts that `quarlo-cli help` prints, so they cannot
# drift from the program.
add_executable(quarlo-command-docs ${CMAKE_SOURCE_DIR}/src/cli/tools/WriteCommandDocs.cpp)
target_link_libraries(quarlo-command-docs PRIVATE quarlo_cli)
# A build tool: kept out of bin/, which holds the programs.
set_target_properties(quarlo-command-docs PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

set(QUARLO_DOCS_DIR ${CMAKE_BINARY_DIR}/docs)
set(QUARLO_BASH_COMPLETION ${QUARLO_DOCS_DIR}/quarlo-cli.bash)
add_custom_command(
    OUTPUT ${QUARLO_DOCS_DIR}/quarlo-cli.1 ${QUARLO_DOCS_DIR}/quarlo.1 ${QUARLO_BASH_COMPLETION}
    COMMAND quarlo-command-docs ${QUARLO_DOCS_DIR}
    DEPENDS quarlo-command-docs
    COMMENT "Writing the manual pages and the bash completion"
    VERBATIM)

# Installed compressed, as Debian wants manual pages.
set(QUARLO_MAN_PAGES "")
foreach(page quarlo-cli.1 quarlo.1)
    add_custom_command(OUTPUT ${QUARLO_DOCS_DIR}/${page}.gz
        COMMAND gzip -9 -n -c ${QUARLO_DOCS_DIR}/${page} > ${QUARLO_DOCS_DIR}/${page}.gz
        DEPENDS ${QUARLO_DOCS_DIR}/${page}
        VERBATIM)
    list(APPEND QUARLO_MAN_PAGES ${QUARLO_DOCS_DIR}/${page}.gz)
endforeach()
add_custom_target(quarlo_command_docs ALL DEPENDS ${QUARLO_MAN_PAGES} ${QUARLO_BASH_COMPLETION})

if(QUARLO_BUILD_TESTS)
    # The completion as bash runs it: sourced, then asked for the candidates of some inputs.
    add_test(NAME bash_completion
        COMMAND bash ${CMAKE_SOURCE_DIR}/tests/scripts/bash_completion_test.sh
            ${QUARLO_BASH_COMPLETION} $<TARGET_FILE:quarlo-cli>)
    set_tests_properties(bash_completion PROPERTIES TIMEOUT 120
        ENVIRONMENT "QUARLO_HOME=${CMAKE_BINARY_DIR}/testhome/bash_completion")
endif()
