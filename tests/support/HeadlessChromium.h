#pragma once

#include <cstdlib>
#include <string>
#include <vector>

namespace quarlo::test {

// What one headless Chromium run gave: the serialised DOM after the page's scripts ran
// (for dumpDom) and every message the page wrote to its console.
struct ChromiumPage {
    int exitCode = -1;
    std::string dom;
    std::vector<std::string> console;
};

// Whether Debian's chromium is on this machine. The test command installs it; a developer
// machine without it skips these tests, unless QUARLO_REQUIRE_CHROMIUM is set (CI sets it),
// in which case a missing browser fails them.
bool chromiumAvailable();

// Opens a URL (usually file://) headless with a fresh profile and returns the rendered DOM.
ChromiumPage dumpDom(const std::string& url);

// Renders a URL into a PNG of the given size; false when Chromium failed or wrote nothing.
bool screenshot(const std::string& url, const std::string& pngPath, int width = 1200,
                int height = 900);

// file:// URL of a local path, with the characters a URL cannot carry percent-encoded.
std::string fileUrl(const std::string& path);

// The folder under the build tree where tests leave screenshots for people to look at.
std::string screenshotFolder();

} // namespace quarlo::test

// Skips the current test when Chromium is missing and not required.
#define QUARLO_REQUIRE_CHROMIUM_OR_SKIP()                                                          \
    do {                                                                                           \
        if (!::quarlo::test::chromiumAvailable()) {                                                \
            if (std::getenv("QUARLO_REQUIRE_CHROMIUM"))                                            \
                FAIL() << "chromium is required (QUARLO_REQUIRE_CHROMIUM) but was not found";      \
            GTEST_SKIP() << "chromium is not installed";                                           \
        }                                                                                          \
    } while (false)
