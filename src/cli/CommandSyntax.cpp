#include "cli/CommandSyntax.h"

#include "cli/Cli.h"
#include "platform/TextUtil.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace quarlo::cli {

namespace {

bool isLower(std::string_view word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return std::islower(static_cast<unsigned char>(c)) != 0;
    });
}

// "TASK", "FILE...", "NEWNAME": what the user fills in.
bool isPlaceholder(std::string_view word) {
    if (word.empty() || std::isupper(static_cast<unsigned char>(word[0])) == 0)
        return false;
    return std::all_of(word.begin(), word.end(), [](char c) {
        return std::isupper(static_cast<unsigned char>(c)) != 0 ||
               std::isdigit(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.';
    });
}

// The words of a usage line; a double-quoted text is one word.
std::vector<std::string> splitWords(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    for (char c : line) {
        if (c == '"')
            quoted = !quoted;
        if (!quoted && (c == ' ' || c == '\t')) {
            if (!word.empty())
                words.push_back(std::move(word));
            word.clear();
            continue;
        }
        word += c;
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

// A word without the brackets and parentheses around it; closed says whether one followed
// it, which ends an option group (so "[--force]" takes no value).
std::string stripBrackets(std::string_view word, bool* closed = nullptr) {
    while (!word.empty() && (word.front() == '[' || word.front() == '('))
        word.remove_prefix(1);
    bool any = false;
    while (!word.empty() && (word.back() == ']' || word.back() == ')')) {
        word.remove_suffix(1);
        any = true;
    }
    if (closed != nullptr)
        *closed = any;
    if (word.size() >= 2 && word.front() == '"' && word.back() == '"')
        word = word.substr(1, word.size() - 2);
    return std::string(word);
}

std::vector<std::string> splitAlternatives(const std::string& word) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t bar; (bar = word.find('|', start)) != std::string::npos; start = bar + 1)
        parts.push_back(word.substr(start, bar - start));
    parts.push_back(word.substr(start));
    return parts;
}

// Adds an option, or completes one already there with a value or description it lacked.
void addOption(std::vector<OptionSyntax>& options, const OptionSyntax& option) {
    for (OptionSyntax& known : options) {
        if (known.name != option.name)
            continue;
        if (known.value.empty())
            known.value = option.value;
        if (known.description.empty())
            known.description = option.description;
        return;
    }
    options.push_back(option);
}

std::string_view detailsOf(std::string_view name) {
    for (const CommandInfo& command : commands())
        if (command.name == name)
            return command.details;
    return {};
}

// An option word such as "--all|--errors|--url"; the last may take the next word as its value.
void readOptionWord(const std::string& word, bool closed, const std::vector<std::string>& words,
                    std::size_t& next, std::vector<OptionSyntax>& options) {
    const std::vector<std::string> alternatives = splitAlternatives(word);
    for (std::size_t j = 0; j < alternatives.size(); ++j) {
        OptionSyntax option{alternatives[j], {}, {}};
        const bool last = j + 1 == alternatives.size();
        if (last && !closed && next < words.size() &&
            std::string_view("-[|(").find(words[next][0]) == std::string_view::npos)
            option.value = stripBrackets(words[next++]);
        addOption(options, option);
    }
}

void readUsage(const std::string& line, CommandSyntax& syntax) {
    const std::vector<std::string> words = splitWords(line);
    UsageForm form;
    for (std::size_t i = 1; i < words.size();) {
        bool closed = false;
        const std::string word = stripBrackets(words[i++], &closed);
        if (word.empty() || word == "|")
            continue;
        if (i == 2 && isLower(word)) {
            form.verb = word;
        } else if (word.starts_with("--")) {
            readOptionWord(word, closed, words, i, syntax.options);
        } else if (isPlaceholder(word) && i < words.size() &&
                   stripBrackets(words[i]) == "OPTIONS") {
            // "[PROFILE OPTIONS]": the option table of that command.
            ++i;
            for (const OptionSyntax& option : optionTable(detailsOf(asciiLower(word))))
                addOption(syntax.options, option);
        } else if (isPlaceholder(splitAlternatives(word).front())) {
            form.positionals.push_back(word);
        }
    }
    syntax.forms.push_back(std::move(form));
}

// Options the help text names in passing ("--csv prints ...") are flags unless known.
void readMentions(std::string_view text, std::vector<OptionSyntax>& options) {
    for (std::size_t at = text.find("--"); at != std::string_view::npos;
         at = text.find("--", at + 2)) {
        if (at > 0 &&
            (std::isalnum(static_cast<unsigned char>(text[at - 1])) != 0 || text[at - 1] == '-'))
            continue;
        std::size_t end = at + 2;
        while (end < text.size() &&
               (std::islower(static_cast<unsigned char>(text[end])) != 0 ||
                std::isdigit(static_cast<unsigned char>(text[end])) != 0 || text[end] == '-'))
            ++end;
        if (end > at + 2 && std::islower(static_cast<unsigned char>(text[at + 2])) != 0)
            addOption(options, {std::string(text.substr(at, end - at)), {}, {}});
    }
}

} // namespace

std::vector<OptionSyntax> optionTable(std::string_view text) {
    std::vector<OptionSyntax> options;
    for (std::string_view line : splitLines(text)) {
        if (!line.starts_with("  --"))
            continue;
        line.remove_prefix(2);
        OptionSyntax option;
        const std::size_t end = std::min(line.find(' '), line.size());
        option.name = std::string(line.substr(0, end));
        line.remove_prefix(end);
        // One blank before a value; a wider gap before the description.
        if (line.size() > 1 && line[0] == ' ' && line[1] != ' ') {
            const std::size_t valueEnd = std::min(line.find(' ', 1), line.size());
            option.value = std::string(line.substr(1, valueEnd - 1));
            line.remove_prefix(valueEnd);
        }
        option.description = std::string(trimBlanks(line));
        options.push_back(std::move(option));
    }
    return options;
}

std::vector<std::string> usageLines(const CommandInfo& command) {
    std::vector<std::string> lines;
    for (std::string_view line : splitLines(command.usage)) {
        if (!lines.empty() && !line.empty() && line[0] == ' ')
            lines.back() += " " + std::string(trimBlanks(line));
        else
            lines.emplace_back(line);
    }
    return lines;
}

CommandSyntax commandSyntax(const CommandInfo& command) {
    CommandSyntax syntax;
    syntax.name = std::string(command.name);
    for (const std::string& line : usageLines(command))
        readUsage(line, syntax);
    for (const OptionSyntax& option : optionTable(command.details))
        addOption(syntax.options, option);
    readMentions(command.details, syntax.options);
    return syntax;
}

std::vector<OptionSyntax> globalOptions() {
    std::ostringstream out;
    std::ostringstream err;
    // The help always succeeds; only its text is wanted.
    ignoreFailure(run({"--help"}, out, err));
    return optionTable(out.str());
}

} // namespace quarlo::cli
