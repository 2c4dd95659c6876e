#include "model/LaunchHelp.h"

namespace quarlo {

namespace {

// The text broken into lines of at most 79 characters, each after the indent.
std::string wrapped(std::string_view text, std::size_t indent) {
    std::string out;
    std::size_t column = indent;
    while (!text.empty()) {
        const std::size_t blank = text.find(' ');
        const std::string_view word = text.substr(0, blank);
        if (column > indent && column + 1 + word.size() > 79) {
            out += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (column > indent) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        text = blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
    }
    return out + "\n";
}

} // namespace

const std::vector<LaunchParameterHelp>& launchParameterHelp() {
    static const std::vector<LaunchParameterHelp> table = {
        {"URL", "An address starting with http:// or https:// starts a new download task for "
                "it, as typed into the address box."},
        {"TASK.qlt", "A task file is added to the task manager and shown in the Tasks view."},
        {"ARCHIVE.zip", "A Zip archive is opened in the Zip browser."},
    };
    return table;
}

std::string_view secondStartHelp() {
    return "Only one program works on a data folder at a time. When the desktop program "
           "already runs on it, a second start hands its task file or Zip archive over to the "
           "running window and exits (an address given to a second start is ignored). When "
           "quarlo-cli holds the data folder, the second start says so and exits.";
}

std::string launchUsageText() {
    constexpr std::size_t kIndent = 16;
    std::string text = "usage: quarlo [URL | TASK.qlt | ARCHIVE.zip]\n"
                       "       quarlo --version | --help\n\n";
    for (const LaunchParameterHelp& entry : launchParameterHelp())
        text += "  " + std::string(entry.parameter) +
                std::string(kIndent - 2 - entry.parameter.size(), ' ') +
                wrapped(entry.description, kIndent);
    return text + "\n" + wrapped(secondStartHelp(), 0);
}

} // namespace quarlo
