#include "cli/ManPages.h"

#include "cli/CommandSyntax.h"
#include "cli/JsonDocuments.h"
#include "cli/Roff.h"
#include "model/LaunchHelp.h"
#include "platform/BuildVersion.h"

#include <cctype>

namespace quarlo::cli {

namespace {

// roffText for a piece of a line.
std::string inlineText(std::string_view text) {
    std::string out = roffText(text);
    if (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

std::string titleLine(std::string_view name) {
    std::string upper(name);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // Left-aligned and not hyphenated: option names must read as typed.
    return ".TH " + inlineText(upper) + " 1 \"\" \"Quarlo " + inlineText(buildVersion()) +
           "\" \"User Commands\"\n.nh\n.ad l\n";
}

std::string section(std::string_view name) {
    return ".SH " + std::string(name) + "\n";
}

// A tagged paragraph; the tag in bold (a name to type) or italics (a path).
std::string item(std::string_view tag, std::string_view text, char font = 'B') {
    return ".TP\n\\f" + std::string(1, font) + inlineText(tag) + "\\fR\n" + roffText(text);
}

std::string pathItem(std::string_view path, std::string_view text) {
    return item(path, text, 'I');
}

std::string paragraph(std::string_view text) {
    return ".PP\n" + roffText(text);
}

std::string commandsSection() {
    std::string out = section("COMMANDS") +
                      paragraph("'quarlo-cli help COMMAND' prints the same description of a "
                                "command.");
    for (const CommandInfo& command : commands()) {
        out += ".SS " + inlineText(command.name) + "\n";
        std::vector<std::string> lines;
        for (const std::string& line : usageLines(command))
            lines.push_back("quarlo-cli " + line);
        out += roffSynopsis(lines);
        std::string summary(command.summary);
        if (!summary.empty())
            summary[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(summary[0])));
        out += paragraph(summary + ".") + ".PP\n" + roffHelpText(command.details);
    }
    return out;
}

std::string globalOptionsSection() {
    std::string out = section("GLOBAL OPTIONS") +
                      paragraph("Given before the command, these are stored as settings first "
                                "and hold for this and later runs.");
    for (const OptionSyntax& option : globalOptions())
        out += roffOptionItem(option.name, option.value, option.description);
    out += roffOptionItem("--version", "", "Print the version and exit.");
    out += roffOptionItem("--help", "", "Print the commands and global options and exit.");
    return out;
}

std::string jsonSection() {
    std::string out =
        section("JSON OUTPUT") +
        paragraph("With --json, queue, tasks, task show, profile show and settings list print "
                  "one JSON document (UTF-8) instead of text. Counts, sizes, codes and depths "
                  "are numbers; dates are local times written \"YYYY-MM-DDThh:mm:ss\", or null "
                  "when there is none; the password of a task and every credential setting "
                  "appear only as \"(set)\" or \"(none)\". The keys below keep their names "
                  "and meanings; later versions may add keys.");
    for (const JsonObjectHelp& object : jsonObjectHelp()) {
        std::string keys;
        for (std::string_view key : object.keys)
            keys += (keys.empty() ? "" : ", ") + std::string(key);
        std::string where(object.where);
        where[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(where[0])));
        out += item(object.name, where + ": " + keys + ".");
    }
    return out;
}

// FILES and ENVIRONMENT, shared by both pages.
std::string filesSection() {
    return section("FILES") +
           pathItem("$QUARLO_HOME/", "When QUARLO_HOME is set, everything the programs write lies "
                                     "below it: the data folder's contents, settings.reg, the "
                                     "Temp folder (scratch/Quarlo/), the trash (Trash/) and My "
                                     "Intranet/.") +
           pathItem("~/.local/share/quarlo/",
                    "The data folder ($XDG_DATA_HOME/quarlo/): Tasks/ with a folder per category "
                    "holding each task (NAME.qlt) and its queue (NAME.dwn), Profiles/ (NAME.qlp), "
                    "Downloads/ where Zip archives of copies go, temp/ with the task-list exports, "
                    "and quarlo.lock, held by the program working on the folder.") +
           pathItem("~/.config/quarlo/settings.reg",
                    "The settings ($XDG_CONFIG_HOME/quarlo/), in the text format of a registry "
                    "export; 'quarlo-cli settings' reads and changes them.") +
           pathItem("~/My Intranet/",
                    "The Personal Intranet: copies saved as folders of pages go below it unless a "
                    "task names another folder.") +
           pathItem("$TMPDIR/Quarlo-UID/",
                    "The Temp folder (/tmp when TMPDIR is unset): a Zip archive is unpacked there "
                    "to be browsed or reported. It is deleted when the program ends.") +
           pathItem("../share/quarlo/",
                    "Beside the folder of the program (/usr/share/quarlo/ when it is installed in "
                    "/usr/bin): the read-only files, that is the skins, the default file-type "
                    "table FTypes.reg and the sample site of the demo command.");
}

std::string environmentSection(bool cli) {
    std::string out =
        section("ENVIRONMENT") +
        item("QUARLO_HOME", "The one folder for everything the programs write (see FILES). "
                            "Nothing outside it is written while it is set.") +
        item("XDG_DATA_HOME, XDG_CONFIG_HOME",
             "Where the data folder and the settings lie when QUARLO_HOME is unset (an "
             "absolute path; else ~/.local/share and ~/.config).") +
        item("TMPDIR", "Where the Temp folder lies when QUARLO_HOME is unset.") +
        item("QUARLO_RESOURCES", "A folder to read the read-only files from instead of "
                                 "../share/quarlo/ beside the program.") +
        item("http_proxy, https_proxy, no_proxy",
             "The proxy for downloads, read as libcurl reads them.") +
        item("QUARLO_OPEN_COMMAND",
             std::string("The program that ") +
                 (cli ? "'browse --open'" : "Browse Offline and the other Open commands") +
                 " start with the file or address to open, instead of xdg-open. A program name "
                 "or path, without arguments.");
    return out;
}

std::string exitStatusSection() {
    std::string out = section("EXIT STATUS");
    for (const ExitStatusHelp& status : exitStatusHelp())
        out += item(std::to_string(status.code), std::string(status.meaning) + ".");
    return out;
}

std::string example(std::string_view what, std::initializer_list<std::string_view> commands) {
    std::string out = paragraph(what) + ".RS 4\n.nf\n";
    for (std::string_view command : commands)
        out += "\\fB" + inlineText(command) + "\\fR\n";
    return out + ".fi\n.RE\n";
}

std::string examplesSection() {
    return section("EXAMPLES") +
           example("Copy a site into a folder of pages, then open the copy:",
                   {"quarlo-cli get https://www.example.org/ --intranet ~/Sites/example",
                    "quarlo-cli browse example --open"}) +
           example("Fetch again only what changed since, later:",
                   {"quarlo-cli run example --update"}) +
           example("Update it every night at three while a scheduler runs:",
                   {"quarlo-cli schedule example --daily 03:00:00", "quarlo-cli scheduler"}) +
           example("Go easy on a server: one connection, a second between requests:",
                   {"quarlo-cli --connections 1 --pause 1000 run example"}) +
           example("Count the entries of a queue from a script:",
                   {"quarlo-cli queue example --json |",
                    "    python3 -c 'import json, sys; "
                    "print(len(json.load(sys.stdin)[\"entries\"]))'"});
}

} // namespace

const std::vector<ExitStatusHelp>& exitStatusHelp() {
    static const std::vector<ExitStatusHelp> table = {
        {0, "Success"},
        {1, "The run finished, but some files failed"},
        {2, "A usage or input error: a bad option or argument, a missing task, or another "
            "program working on the data folder"},
        {3, "The copy could not be written: a full or read-only disk, or an archive error"},
        {130, "Stopped by Ctrl-C or SIGTERM; 'run --resume' goes on from there"},
    };
    return table;
}

std::string cliManPage() {
    return titleLine("quarlo-cli") + section("NAME") +
           "quarlo\\-cli \\- copy web sites for offline use, from the command line\n" +
           section("SYNOPSIS") +
           roffSynopsis({"quarlo-cli [GLOBAL OPTIONS] COMMAND [ARGUMENTS]",
                         "quarlo-cli help [COMMAND]", "quarlo-cli --version"}) +
           section("DESCRIPTION") +
           paragraph("quarlo-cli is Quarlo without windows. It copies web sites for offline use "
                     "into a folder of pages or a Zip archive, keeps each copy as a task that "
                     "can be resumed, updated and scheduled, and works on the tasks, profiles, "
                     "queues and Zip archives it shares with the desktop program, quarlo(1).") +
           paragraph("A TASK is named by NAME (a task of the last category used), by "
                     "CATEGORY/NAME, or by the path of its .qlt file. Only one program works on "
                     "a data folder at a time; a command that needs it while another program "
                     "holds it says so and exits with status 2. Errors go to standard error in "
                     "one line that names what was wrong.") +
           globalOptionsSection() + commandsSection() + jsonSection() + filesSection() +
           environmentSection(true) + exitStatusSection() + examplesSection() +
           section("SEE ALSO") + "quarlo(1)\n";
}

std::string desktopManPage() {
    std::string out = titleLine("quarlo") + section("NAME") +
                      "quarlo \\- copy web sites for offline use, with windows\n" +
                      section("SYNOPSIS") +
                      roffSynopsis({"quarlo [URL | TASK.qlt | ARCHIVE.zip]", "quarlo --version",
                                    "quarlo --help"}) +
                      section("DESCRIPTION") +
                      paragraph("quarlo is the desktop program of Quarlo: type an address, "
                                "pick a profile and press GO to copy a site; manage the "
                                "copies as tasks in the Tasks view, browse them in the "
                                "embedded browser, and open Zip archives in the Zip browser. "
                                "quarlo-cli(1) does the same without windows, on the same "
                                "data folder.") +
                      paragraph("The program takes one parameter:");
    for (const LaunchParameterHelp& entry : launchParameterHelp())
        out += item(entry.parameter, entry.description, 'I');
    out += ".PP\n" + roffText(secondStartHelp()) + section("OPTIONS") +
           roffOptionItem("--version", "", "Print the version and exit.") +
           roffOptionItem("--help", "", "Print the parameters the program takes and exit.") +
           filesSection() + environmentSection(false) + section("EXIT STATUS") +
           item("0", "The window was closed, or the parameter was handed to the running "
                     "program.") +
           item("1", "Another program holds the data folder and the parameter could not be "
                     "handed to it.") +
           item("2", "The data folder could not be opened.") + section("SEE ALSO") +
           "quarlo\\-cli(1)\n";
    return out;
}

} // namespace quarlo::cli
