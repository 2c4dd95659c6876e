#include "cli/Completion.h"

#include "cli/CommandSyntax.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>

namespace quarlo::cli {

namespace {

// What the shell offers for a placeholder: names from the data folder ("task", "category",
// "profile"), "file" or "dir" names, fixed choices ("=dir site anywhere"), or nothing
// ("value").
std::string kindOf(std::string_view command, std::string_view option, std::string placeholder) {
    if (placeholder.ends_with("..."))
        placeholder.resize(placeholder.size() - 3);
    if (placeholder.find('|') != std::string::npos) {
        const bool plain = std::all_of(placeholder.begin(), placeholder.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '|' || c == '_' ||
                   c == '.' || c == '-';
        });
        if (!plain)
            return "value";
        std::replace(placeholder.begin(), placeholder.end(), '|', ' ');
        return "=" + placeholder;
    }
    if (placeholder == "TASK")
        return "task";
    if (placeholder == "NAME" && (command == "profile" || option == "--profile"))
        return "profile";
    if (placeholder == "CATEGORY" || placeholder == "PARENT" || placeholder == "C")
        return "category";
    if (placeholder == "FILE" || placeholder == "ARCHIVE")
        return "file";
    if (placeholder == "DIR")
        return "dir";
    return "value";
}

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

// The generated part: the command table as bash arrays.
std::string tables() {
    std::vector<std::string> names;
    std::map<std::string, std::string> verbs;
    std::map<std::string, std::string> options;
    std::map<std::string, std::string> kinds;
    std::vector<std::string> globals;
    for (const OptionSyntax& option : globalOptions()) {
        globals.push_back(option.name);
        if (!option.value.empty())
            kinds[" " + option.name] = kindOf("", option.name, option.value);
    }
    globals.insert(globals.end(), {"--version", "--help"});
    for (const CommandInfo& command : commands()) {
        const CommandSyntax syntax = commandSyntax(command);
        names.push_back(syntax.name);
        std::vector<std::string> verbList;
        for (const UsageForm& form : syntax.forms) {
            const std::string verb = form.verb.empty() ? "-" : form.verb;
            if (!form.verb.empty() &&
                std::find(verbList.begin(), verbList.end(), form.verb) == verbList.end())
                verbList.push_back(form.verb);
            for (std::size_t i = 0; i < form.positionals.size(); ++i) {
                const std::string& word = form.positionals[i];
                const std::string kind = kindOf(syntax.name, "", word);
                kinds[syntax.name + " " + verb + " " + std::to_string(i + 1)] = kind;
                if (word.ends_with("..."))
                    kinds[syntax.name + " " + verb + " *"] = kind;
            }
        }
        if (!verbList.empty())
            verbs[syntax.name] = joined(verbList);
        std::vector<std::string> optionNames = {"--help"};
        for (const OptionSyntax& option : syntax.options) {
            optionNames.push_back(option.name);
            if (!option.value.empty())
                kinds[syntax.name + " " + option.name] =
                    kindOf(syntax.name, option.name, option.value);
        }
        options[syntax.name] = joined(optionNames);
    }
    std::ostringstream out;
    out << "_quarlo_cli_commands='" << joined(names) << "'\n"
        << "_quarlo_cli_globals='" << joined(globals) << "'\n";
    const std::pair<const char*, const std::map<std::string, std::string>*> arrays[] = {
        {"_quarlo_cli_verbs", &verbs},
        {"_quarlo_cli_options", &options},
        {"_quarlo_cli_kinds", &kinds}};
    for (const auto& [array, entries] : arrays) {
        out << "declare -gA " << array << "=(\n";
        for (const auto& [key, value] : *entries)
            out << "    ['" << key << "']='" << value << "'\n";
        out << ")\n";
    }
    return out.str();
}

// The part that does the completing, the same for every command table.
constexpr const char* kFunctions = R"bash(
# A folder of the program's, found as the program finds it: $QUARLO_HOME, else
# $XDG_<kind>_HOME/quarlo (given by the variable's name), else the fallback below ~.
_quarlo_cli_folder() {
    local xdg=${!1-}
    if [[ -n ${QUARLO_HOME-} ]]; then
        printf '%s' "${QUARLO_HOME%/}"
    elif [[ $xdg == /* ]]; then
        printf '%s' "${xdg%/}/quarlo"
    else
        printf '%s' "$HOME/$2/quarlo"
    fi
}

# Tasks (CATEGORY/NAME, and NAME alone for those of the last category), categories or
# profiles, one per line.
_quarlo_cli_names() {
    local data settings last
    data=$(_quarlo_cli_folder XDG_DATA_HOME .local/share)
    settings=$(_quarlo_cli_folder XDG_CONFIG_HOME .config)/settings.reg
    case $1 in
    task)
        find "$data/Tasks" -mindepth 2 -type f -name '*.qlt' -printf '%P\n' 2>/dev/null |
            sed 's/\.qlt$//'
        last=$(sed -n 's/^"Last Category"="\(.*\)"\r\{0,1\}$/\1/p' "$settings" 2>/dev/null)
        find "$data/Tasks/${last:-General}" -maxdepth 1 -type f -name '*.qlt' -printf '%f\n' \
            2>/dev/null | sed 's/\.qlt$//'
        ;;
    category)
        find "$data/Tasks" -mindepth 1 -type d -printf '%P\n' 2>/dev/null
        ;;
    profile)
        find "$data/Profiles" -maxdepth 1 -type f -name '*.qlp' -printf '%f\n' 2>/dev/null |
            sed 's/\.qlp$//'
        ;;
    esac
}

# Adds the lines read that start with the word being completed, quoted for the shell.
_quarlo_cli_add() {
    local typed=${cur//\\/} line
    while IFS= read -r line; do
        if [[ -n $line && $line == "$typed"* ]]; then
            COMPREPLY+=("$(printf '%q' "$line")")
        fi
    done
}

_quarlo_cli_complete_kind() {
    case $1 in
    task | category | profile)
        _quarlo_cli_add < <(_quarlo_cli_names "$1" | sort -u)
        ;;
    file | dir)
        compopt -o filenames 2>/dev/null
        mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen "-${1:0:1}" -- "$cur")
        ;;
    =*)
        _quarlo_cli_add < <(printf '%s\n' ${1#=})
        ;;
    esac
}

_quarlo_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local i=1 word command='' verb='' count=0
    COMPREPLY=()
    # Global options (and their values) come before the command; then the command's verb
    # and its positional words, with options and their values anywhere among them.
    while ((i < COMP_CWORD)); do
        word=${COMP_WORDS[i]}
        if [[ $word == --* ]]; then
            [[ -n ${_quarlo_cli_kinds["$command $word"]+set} ]] && ((i++))
        elif [[ -z $command ]]; then
            command=$word
        elif ((count == 0)) && [[ -z $verb && " ${_quarlo_cli_verbs[$command]-} " == *" $word "* ]]; then
            verb=$word
        else
            ((count++))
        fi
        ((i++))
    done
    if [[ $prev == --* && -n ${_quarlo_cli_kinds["$command $prev"]+set} ]]; then
        _quarlo_cli_complete_kind "${_quarlo_cli_kinds["$command $prev"]}"
        return 0
    fi
    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            _quarlo_cli_add < <(printf '%s\n' $_quarlo_cli_globals)
        else
            _quarlo_cli_add < <(printf '%s\n' $_quarlo_cli_commands)
        fi
        return 0
    fi
    if [[ $cur == -* ]]; then
        _quarlo_cli_add < <(printf '%s\n' ${_quarlo_cli_options[$command]-})
        return 0
    fi
    if [[ -z $verb ]] && ((count == 0)); then
        _quarlo_cli_add < <(printf '%s\n' ${_quarlo_cli_verbs[$command]-})
    fi
    local form=${verb:--}
    local kind=${_quarlo_cli_kinds["$command $form $((count + 1))"]-${_quarlo_cli_kinds["$command $form *"]-}}
    [[ -n $kind ]] && _quarlo_cli_complete_kind "$kind"
    return 0
}

complete -F _quarlo_cli quarlo-cli
)bash";

} // namespace

std::string bashCompletion() {
    return "# bash completion for quarlo-cli, written from the program's command table when it\n"
           "# is built.\n" +
           tables() + kFunctions;
}

} // namespace quarlo::cli
