#pragma once

#include "support/LoopbackServer.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace quarlo::test {

// A generated site for runs of quarlo-cli that are killed or made to fail: /index.html links
// to `pages` pages /p/<n>.html; each page links to the next page, back to the index, and to
// `filesPerPage` binary files /b/<n>-<k>.bin of its own (some as images, some as links).
// Every body follows from the seed, so a failure reproduces with the same seed. Pages have
// no title, so a Zip-mode archive keeps the name it was given.
class GeneratedSite {
public:
    GeneratedSite(int pages, int filesPerPage, std::uint32_t seed);
    ~GeneratedSite();
    GeneratedSite(const GeneratedSite&) = delete;
    GeneratedSite& operator=(const GeneratedSite&) = delete;

    bool start() { return m_server.start(); }
    std::string startUrl() const { return m_server.url("/index.html"); }
    // Every path the site serves (without the leading "/"), with its body.
    const std::map<std::string, std::string>& files() const { return m_files; }
    // Every answer waits this long first, so that runs last long enough to be killed.
    void setDelay(std::chrono::milliseconds delay) { m_delayMs = static_cast<int>(delay.count()); }
    int requests() const { return m_requests; }

private:
    LoopbackServer m_server;
    std::map<std::string, std::string> m_files;
    std::atomic<int> m_delayMs{0};
    std::atomic<int> m_requests{0};
};

// quarlo-cli run in a process of its own, with the environment of the test (QUARLO_HOME)
// plus the variables given; its output goes to files.
class CliProcess {
public:
    CliProcess(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
               const std::string& logFolder);
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // Waits until it ends: its exit code, or -1 when the time ran out (it is then killed).
    int wait(std::chrono::milliseconds timeout);
    // Kills it with SIGKILL after the delay unless it ended before: true when it was killed.
    bool killAfter(std::chrono::milliseconds delay);
    // Kills it with SIGKILL once the condition holds (or the time ran out) unless it ended
    // before: true when it was killed.
    bool killWhen(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
    std::string out() const;
    std::string err() const;

private:
    int m_pid = -1;
    int m_code = -1;
    std::string m_outPath;
    std::string m_errPath;
};

// The quarlo-cli under test: QUARLO_TEST_CLI when set (to try another build), else the one
// built with the tests.
std::string cliPath();
// Runs quarlo-cli to its end (at most two minutes).
struct CliResult {
    int code;
    std::string out;
    std::string err;
};
CliResult runCliProcess(const std::vector<std::string>& args,
                        const std::map<std::string, std::string>& env,
                        const std::string& logFolder);

// The seed of a fault series: QUARLO_FAULT_SEED when set, else a fixed one. Printed by the
// tests, so that a failing series can be run again.
std::uint32_t faultSeed();
// A count of a fault series scaled by QUARLO_FAULT_SCALE (a percentage, 100 by default; the
// sanitizer builds run shorter series), at least `minimum`.
int scaledCount(int count, int minimum);

// Every regular file below the folder, by its path relative to it, with its content.
std::map<std::string, std::string> filesBelow(const std::string& folder);
// Every entry of a Zip archive with its content, read by the system's unzip.
std::map<std::string, std::string> archiveEntries(const std::string& archive,
                                                  const std::string& scratchFolder);
// Names below the folder that a finished copy must not hold: temporary files of any kind and
// empty folders.
std::vector<std::string> litterBelow(const std::string& folder);
// The keys of `expected` whose content differs in (or is missing from) `actual`; then the
// keys of `actual` that `expected` lacks, marked "extra: ".
std::vector<std::string> differences(const std::map<std::string, std::string>& expected,
                                     const std::map<std::string, std::string>& actual);

// A tmpfs of the given size mounted on a folder, for as long as the object lives; only as
// root, and only where mounting is allowed (mounted() says whether it worked).
class TmpfsMount {
public:
    TmpfsMount(const std::string& folder, const std::string& size);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    bool mounted() const { return m_mounted; }
    // Gives the file system another size (more room: the user freed space).
    bool resize(const std::string& size);
    // Makes the file system read-only, as a disk remounted read-only after an error.
    bool makeReadOnly();
    // Fills it up, leaving about `leave` bytes free.
    void fill(std::uint64_t leave);

private:
    std::string m_folder;
    bool m_mounted = false;
};

} // namespace quarlo::test
