# The output of a git command run in the source tree; empty when it fails.
function(quarlo_git source_dir out)
    execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${source_dir}" ${ARGN}
        OUTPUT_VARIABLE text OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
    if(failed)
        set(text "")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# What git says of the commit a source tree is built from: `git describe` (a tag, the commits
# since it and the abbreviated hash, or only the hash when there is no tag; "-dirty" with
# uncommitted changes), the number of commits and the abbreviated hash. All are empty outside
# a git checkout, as in an unpacked source tarball.
function(quarlo_describe_checkout source_dir out_describe out_count out_commit)
    set(described "")
    set(count "")
    set(commit "")
    find_package(Git QUIET)
    if(GIT_FOUND AND EXISTS "${source_dir}/.git")
        quarlo_git("${source_dir}" described describe --tags --always --dirty)
        quarlo_git("${source_dir}" count rev-list --count HEAD)
        quarlo_git("${source_dir}" commit rev-parse --short HEAD)
    endif()
    set(${out_describe} "${described}" PARENT_SCOPE)
    set(${out_count} "${count}" PARENT_SCOPE)
    set(${out_commit} "${commit}" PARENT_SCOPE)
endfunction()

# The version the programs print: "3.0", or "3.0 (git 7a445cb)" in a checkout.
function(quarlo_version_text project_version source_dir out_text)
    quarlo_describe_checkout("${source_dir}" described count commit)
    if(described)
        set(${out_text} "${project_version} (git ${described})" PARENT_SCOPE)
    else()
        set(${out_text} "${project_version}" PARENT_SCOPE)
    endif()
endfunction()
