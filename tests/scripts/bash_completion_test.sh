#!/usr/bin/env bash
# Sources the bash completion of quarlo-cli and checks what it offers for typed command lines,
# against a data folder with real tasks, categories and profiles made by the program.
#   bash_completion_test.sh COMPLETION_FILE QUARLO_CLI
set -uo pipefail
completion=$1
cli=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME=$scratch/home QUARLO_HOME=$scratch/data
unset XDG_DATA_HOME XDG_CONFIG_HOME
mkdir -p "$HOME"
cd "$scratch" || exit 1

# Tasks in General (the category of a bare name until another is chosen) and "Work Items",
# one in a sub-category.
"$cli" task new http://www.alpha.test/ >/dev/null &&
    "$cli" task new http://beta.test/ --category "Work Items" >/dev/null &&
    "$cli" category new "Work Items" >/dev/null &&
    cp "$QUARLO_HOME/Tasks/General/alpha.qlt" "$QUARLO_HOME/Tasks/Work Items/New Folder/" &&
    "$cli" profile save Deep --depth 3 >/dev/null &&
    "$cli" profile save "Site Copy" >/dev/null || {
    echo "cannot make the tasks and profiles" >&2
    exit 1
}
mkdir -p folder-a folder-b && touch archive.zip

# shellcheck source=/dev/null
source "$completion"

failures=0
# expect LINE WANTED...: the candidates offered at the end of LINE, sorted, one per line.
expect() {
    local line=$1
    shift
    read -r -a COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _quarlo_cli
    local got wanted
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort)
    wanted=$(printf '%s\n' "$@" | sort)
    if [[ $got != "$wanted" ]]; then
        echo "FAIL: '$line'"
        echo "  wanted: $(echo $wanted)"
        echo "  got:    $(echo $got)"
        failures=$((failures + 1))
    fi
}

# Commands, and the global options before them (a global's value is skipped).
expect "quarlo-cli ta" task tasks
expect "quarlo-cli --connections 4 sch" schedule scheduler
expect "quarlo-cli --ver" --version
# Verbs, then options of the command.
expect "quarlo-cli task " delete new show
expect "quarlo-cli run alpha --re" --recover --restart --resume
expect "quarlo-cli tasks --" --csv --help --json
# Tasks by CATEGORY/NAME (a blank quoted), and by name alone in the last category used.
tasks=("General/alpha" "Work\\ Items/beta_test" "Work\\ Items/New\\ Folder/alpha" alpha)
expect "quarlo-cli run " "${tasks[@]}"
expect "quarlo-cli queue " mark "${tasks[@]}"
"$cli" settings set "Last Category" "Work Items"
expect "quarlo-cli browse b" beta_test
expect "quarlo-cli queue mark W" "Work\\ Items/beta_test" "Work\\ Items/New\\ Folder/alpha"
# Profiles, categories and choices as option values.
expect "quarlo-cli profile show " Deep "Site\\ Copy"
expect "quarlo-cli get http://x/ --profile S" "Site\\ Copy"
expect "quarlo-cli task new http://x/ --category W" "Work\\ Items" "Work\\ Items/New\\ Folder"
expect "quarlo-cli get http://x/ --pages " anywhere dir site
# Files and folders.
expect "quarlo-cli zip extract archive.zip folder-" folder-a folder-b
expect "quarlo-cli zip list arch" archive.zip
# Nothing is offered where the user types free text.
expect "quarlo-cli settings set Connections "

# The data folder is found as the program finds it: $XDG_DATA_HOME when QUARLO_HOME is unset.
unset QUARLO_HOME
export XDG_DATA_HOME=$scratch/xdg
mkdir -p "$XDG_DATA_HOME/quarlo/Tasks/News"
touch "$XDG_DATA_HOME/quarlo/Tasks/News/daily.qlt"
expect "quarlo-cli unschedule " News/daily

if ((failures > 0)); then
    echo "$failures case(s) failed"
    exit 1
fi
echo "bash completion: passed"
