#include "support/HeadlessChromium.h"

#include "support/TempHome.h"

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quarlo::test {
namespace {

const char* const kChromium = "/usr/bin/chromium";
constexpr int kTimeoutSeconds = 90;

// Runs the browser with output and errors in files; kills it when it hangs.
int runBrowser(std::vector<std::string> args, const std::string& outPath,
               const std::string& errPath) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(kChromium));
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0)
            ::_exit(127);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        ::setpgid(0, 0);
        ::execv(kChromium, argv.data());
        ::_exit(127);
    }
    int status = 0;
    for (int waited = 0; waited < kTimeoutSeconds * 10; ++waited) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::kill(-pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

std::vector<std::string> baseArgs(const TempDir& profile) {
    return {"--headless",
            "--no-sandbox",
            "--disable-gpu",
            "--disable-background-networking",
            "--disable-component-update",
            "--no-first-run",
            "--user-data-dir=" + profile.path() + "profile"};
}

// Console lines look like `[pid:tid:time:INFO:CONSOLE:1] "text", source: url (1)`.
std::vector<std::string> consoleLines(const std::string& log) {
    std::vector<std::string> lines;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        if (line.find(":CONSOLE") != std::string::npos)
            lines.push_back(line);
    }
    return lines;
}

} // namespace

bool chromiumAvailable() {
    return ::access(kChromium, X_OK) == 0;
}

ChromiumPage dumpDom(const std::string& url) {
    TempDir scratch;
    auto args = baseArgs(scratch);
    args.insert(args.end(), {"--enable-logging=stderr", "--v=0", "--virtual-time-budget=5000",
                             "--dump-dom", url});
    ChromiumPage page;
    page.exitCode = runBrowser(args, scratch.path() + "out", scratch.path() + "err");
    page.dom = readWholeFile(scratch.path() + "out");
    page.console = consoleLines(readWholeFile(scratch.path() + "err"));
    return page;
}

bool screenshot(const std::string& url, const std::string& pngPath, int width, int height) {
    TempDir scratch;
    std::filesystem::create_directories(std::filesystem::path(pngPath).parent_path());
    std::filesystem::remove(pngPath);
    auto args = baseArgs(scratch);
    args.insert(args.end(),
                {"--hide-scrollbars", "--virtual-time-budget=5000",
                 "--window-size=" + std::to_string(width) + "," + std::to_string(height),
                 "--screenshot=" + pngPath, url});
    const int code = runBrowser(args, scratch.path() + "out", scratch.path() + "err");
    std::error_code error;
    return code == 0 && std::filesystem::file_size(pngPath, error) > 0 && !error;
}

std::string fileUrl(const std::string& path) {
    static const char* const hex = "0123456789ABCDEF";
    std::string url = "file://";
    for (const unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-._~!$&'()*+,;=:@", c)) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

std::string screenshotFolder() {
    const std::string folder = std::string(QUARLO_TEST_HOME_ROOT) + "/../screenshots/";
    std::filesystem::create_directories(folder);
    return std::filesystem::weakly_canonical(folder).string() + "/";
}

} // namespace quarlo::test
