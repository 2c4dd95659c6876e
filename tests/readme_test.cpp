#include "cli/Commands.h"
#include "cli/ManPages.h"
#include "cli/SampleSiteServer.h"
#include "platform/FileUtil.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

using quarlo::test::readWholeFile;
using quarlo::test::TempHome;
using quarlo::test::writeWholeFile;

namespace {

const std::string kReadme = QUARLO_SOURCE_DATA "/../README.md";
constexpr std::string_view kMarker = "<!-- tested -->\n```sh\n";

// The command blocks the README marks for testing, in order.
std::vector<std::string> testedBlocks(const std::string& readme) {
    std::vector<std::string> blocks;
    for (std::size_t at = readme.find(kMarker); at != std::string::npos;
         at = readme.find(kMarker, at + 1)) {
        const std::size_t start = at + kMarker.size();
        const std::size_t end = readme.find("```", start);
        if (end == std::string::npos)
            break;
        blocks.push_back(readme.substr(start, end - start));
    }
    return blocks;
}

// The README's example site is the sample site served here, and its task is named after it.
std::string forSampleSite(const std::string& block, const std::string& rootUrl) {
    std::string text =
        std::regex_replace(block, std::regex(R"(https://www\.example\.org/)"), rootUrl);
    // "$01" keeps the blank before the name.
    return std::regex_replace(text, std::regex(R"((\s)example(?=\s|$))"), "$01127_0");
}

// Every marked block runs in bash without an error, in order, in one data folder and home, as
// a user would type them. Each starts at full speed: a block that changes the pace does not
// slow the next one down.
TEST(Readme, MarkedCommandsRunAgainstTheSampleSite) {
    TempHome home;
    quarlo::cli::SampleSiteServer site(QUARLO_SOURCE_DATA "/sample-site");
    ASSERT_TRUE(site.start());
    const std::string cli = QUARLO_CLI_PATH;
    const std::string bin = cli.substr(0, cli.rfind('/'));
    const std::vector<std::string> blocks = testedBlocks(readWholeFile(kReadme));
    ASSERT_GE(blocks.size(), 3u);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const std::string script = home.path() + "block" + std::to_string(i) + ".sh";
        writeWholeFile(script, "set -euo pipefail\nquarlo-cli settings set \"Dispatch Pause\" 0\n" +
                                   forSampleSite(blocks[i], site.rootUrl()));
        const std::string log = script + ".log";
        // browse --open starts `true` instead of a real program.
        const std::string command = "cd '" + home.path() + "' && env HOME='" + home.path() +
                                    "home' PATH='" + bin + ":" + std::getenv("PATH") +
                                    "' QUARLO_OPEN_COMMAND=true timeout 300 bash '" + script +
                                    "' >'" + log + "' 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << "README block " << i + 1 << ":\n"
                                                   << blocks[i] << "\nprinted:\n"
                                                   << readWholeFile(log);
    }
    EXPECT_NE(readWholeFile(home.path() + "home/Sites/example/127.0.0.1/index.html"), "");
}

// The README's tables keep up with the program: every command and every exit status.
TEST(Readme, ListsEveryCommandAndExitStatus) {
    const std::string readme = readWholeFile(kReadme);
    for (const auto& command : quarlo::cli::commands())
        EXPECT_NE(readme.find("| `" + std::string(command.name)), std::string::npos)
            << command.name;
    for (const auto& status : quarlo::cli::exitStatusHelp())
        EXPECT_NE(readme.find("| " + std::to_string(status.code) + " | "), std::string::npos)
            << status.code;
    EXPECT_NE(readme.find("](docs/quarlo-main-window.png)"), std::string::npos);
    EXPECT_TRUE(quarlo::fileExists(QUARLO_SOURCE_DATA "/../docs/quarlo-main-window.png"));
}

} // namespace
