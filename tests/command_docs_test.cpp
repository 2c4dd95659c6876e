#include "cli/CommandSyntax.h"
#include "cli/ManPages.h"
#include "cli/Roff.h"
#include "model/LaunchHelp.h"
#include "platform/BuildVersion.h"
#include "platform/FileUtil.h"
#include "platform/TextUtil.h"
#include "support/CliRunner.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

using namespace quarlo::cli;
using quarlo::test::TempDir;
using quarlo::test::writeWholeFile;

namespace {

struct Output {
    int code;
    std::string text;
};

Output shell(const std::string& command) {
    Output result{-1, {}};
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            result.text.append(buffer, n);
        const int status = ::pclose(pipe);
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return result;
}

// Each page renders with every groff warning on and not one given, as man shows it; the text
// holds every section and, for quarlo-cli, every command with every option of the table.
TEST(ManPages, RenderWithoutWarningsAndCoverTheCommandTable) {
    TempDir dir;
    const std::pair<std::string, std::string> pages[] = {{"quarlo-cli.1", cliManPage()},
                                                         {"quarlo.1", desktopManPage()}};
    for (const auto& [name, page] : pages) {
        const std::string file = dir.path() + name;
        writeWholeFile(file, page);
        const Output groff = shell("groff -ww -man -Tutf8 '" + file + "' 2>&1 >/dev/null");
        EXPECT_EQ(groff.code, 0) << name;
        EXPECT_EQ(groff.text, "") << name;
        const Output man =
            shell("MANWIDTH=80 MANROFFOPT=-ww man -l '" + file + "' 2>&1 >/dev/null");
        EXPECT_EQ(man.code, 0) << name;
        EXPECT_EQ(man.text, "") << name;
        const Output text = shell("MANWIDTH=80 man -l '" + file + "' 2>/dev/null | col -b");
        for (const char* heading :
             {"NAME", "SYNOPSIS", "DESCRIPTION", "FILES", "ENVIRONMENT", "EXIT STATUS"})
            EXPECT_NE(text.text.find("\n" + std::string(heading) + "\n"), std::string::npos)
                << name << ": " << heading;
        if (name != "quarlo-cli.1") {
            EXPECT_NE(text.text.find("ARCHIVE.zip"), std::string::npos);
            continue;
        }
        for (const char* heading : {"COMMANDS", "GLOBAL OPTIONS", "JSON OUTPUT", "EXAMPLES"})
            EXPECT_NE(text.text.find("\n" + std::string(heading) + "\n"), std::string::npos)
                << heading;
        for (const char* words : {"QUARLO_HOME", "XDG_DATA_HOME", "QUARLO_OPEN_COMMAND", "130"})
            EXPECT_NE(text.text.find(words), std::string::npos) << words;
        for (const CommandInfo& command : commands()) {
            EXPECT_NE(text.text.find("quarlo-cli " + std::string(command.name)), std::string::npos)
                << command.name;
            for (const OptionSyntax& option : commandSyntax(command).options)
                EXPECT_NE(text.text.find(option.name), std::string::npos) << option.name;
        }
    }
}

TEST(Roff, TextCannotBecomeARequestOrAnEscape) {
    EXPECT_EQ(roffText(".SH not a heading\n'also not\nback\\slash -x"),
              "\\&.SH not a heading\n\\&'also not\nback\\eslash \\-x\n");
    EXPECT_EQ(roffText("caf\xC3\xA9 \xF0\x9F\x98\x80 \xFF\xC3"), "caf\\[u00E9] \\[u1F600] ??\n");
    EXPECT_EQ(roffUsage("zip add ARCHIVE FILE... [--level N]"),
              "\\fBzip\\fR \\fBadd\\fR \\fIARCHIVE\\fR \\fIFILE\\fR... "
              "[\\fB\\-\\-level\\fR\\ \\fIN\\fR]");
}

// The words of a command, as the completion and the manual read them from its help.
TEST(CommandSyntax, VerbsPositionalsAndOptionsWithTheirValues) {
    const CommandInfo info{"thing",
                           "thing new (URL | --list FILE) [--mode a|b|c]\n"
                           "          [--force]\n"
                           "thing show ITEM... [--json] --at \"MM/d hh:mm\"",
                           "a thing",
                           "Options:\n"
                           "  --depth N        levels\n"
                           "  --pages dir|site|anywhere where\n"
                           "  --quiet          say less\n"
                           "With --loud more is said; --depth again changes nothing.\n",
                           nullptr};
    const CommandSyntax syntax = commandSyntax(info);
    ASSERT_EQ(syntax.forms.size(), 2u);
    EXPECT_EQ(syntax.forms[0].verb, "new");
    EXPECT_EQ(syntax.forms[0].positionals, std::vector<std::string>{"URL"});
    EXPECT_EQ(syntax.forms[1].verb, "show");
    EXPECT_EQ(syntax.forms[1].positionals, std::vector<std::string>{"ITEM..."});
    const struct {
        const char* name;
        const char* value;
        const char* description;
    } expected[] = {
        {"--list", "FILE", ""},
        {"--mode", "a|b|c", ""},
        {"--force", "", ""},
        {"--json", "", ""},
        {"--at", "MM/d hh:mm", ""},
        {"--depth", "N", "levels"},
        {"--pages", "dir|site|anywhere", "where"},
        {"--quiet", "", "say less"},
        {"--loud", "", ""},
    };
    ASSERT_EQ(syntax.options.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(syntax.options[i].name, expected[i].name);
        EXPECT_EQ(syntax.options[i].value, expected[i].value) << expected[i].name;
        EXPECT_EQ(syntax.options[i].description, expected[i].description) << expected[i].name;
    }
    // The global options come from `quarlo-cli --help`.
    const auto globals = globalOptions();
    ASSERT_FALSE(globals.empty());
    EXPECT_EQ(globals.front().name, "--connections");
    EXPECT_EQ(globals.front().value, "N");
}

// One version everywhere: the project's, with what git says of the commit in a checkout.
TEST(Version, TheProgramsAndTheManualSayTheBuildsVersion) {
    const std::string version = quarlo::buildVersion();
    EXPECT_TRUE(version.starts_with("3.0")) << version;
    if (quarlo::fileExists(QUARLO_SOURCE_DATA "/../.git")) {
        EXPECT_NE(version.find(" (git "), std::string::npos) << version;
    }
    const auto printed = quarlo::test::runCli({"--version"});
    EXPECT_EQ(printed.code, 0);
    EXPECT_EQ(printed.out, "quarlo-cli " + version + "\n");
    EXPECT_EQ(quarlo::test::runCli({"--pause", "0", "--version"}).out, printed.out);
    std::string title = roffText(version);
    title.pop_back(); // its line end
    EXPECT_NE(cliManPage().find(".TH QUARLO\\-CLI 1 \"\" \"Quarlo " + title + "\""),
              std::string::npos);
}

TEST(LaunchHelp, NamesEveryParameterInLinesThatFitATerminal) {
    const std::string text = quarlo::launchUsageText();
    for (const auto& entry : quarlo::launchParameterHelp())
        EXPECT_NE(text.find("\n  " + std::string(entry.parameter) + " "), std::string::npos)
            << entry.parameter;
    for (std::string_view line : quarlo::splitLines(text))
        EXPECT_LE(line.size(), 79u) << line;
    EXPECT_TRUE(text.ends_with("says so and exits.\n"));
}

} // namespace
