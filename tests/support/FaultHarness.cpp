#include "support/FaultHarness.h"

#include "support/TempHome.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace quarlo::test {

namespace {

std::atomic<int> g_logs{0};

std::string randomBytes(std::mt19937& random, std::size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

// Pages end their lines in CR LF, as many servers send them; a page without the banner is
// written back as the server's byte for byte.
std::string pageBody(int page, int pages, int filesPerPage) {
    std::string html = "<html><body>\r\n<p>Page " + std::to_string(page) + "</p>\r\n";
    html += "<a href=\"../index.html\">Index</a>\r\n";
    html += "<a href=\"" + std::to_string(page % pages + 1) + ".html\">Next</a>\r\n";
    for (int k = 0; k < filesPerPage; ++k) {
        const std::string file = "../b/" + std::to_string(page) + "-" + std::to_string(k) + ".bin";
        html += k % 2 == 0 ? "<img src=\"" + file + "\">\r\n"
                           : "<a href=\"" + file + "\">File " + std::to_string(k) + "</a>\r\n";
    }
    return html + "</body></html>\r\n";
}

bool exited(int pid, int& code, int options) {
    int status = 0;
    const int done = ::waitpid(pid, &status, options);
    if (done != pid)
        return false;
    code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return true;
}

} // namespace

GeneratedSite::GeneratedSite(int pages, int filesPerPage, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::string index = "<html><body>\r\n";
    for (int page = 1; page <= pages; ++page) {
        index += "<a href=\"p/" + std::to_string(page) + ".html\">Page " + std::to_string(page) +
                 "</a>\r\n";
        m_files["p/" + std::to_string(page) + ".html"] = pageBody(page, pages, filesPerPage);
        for (int k = 0; k < filesPerPage; ++k) {
            const std::size_t size = 200 + random() % 16000;
            m_files["b/" + std::to_string(page) + "-" + std::to_string(k) + ".bin"] =
                randomBytes(random, size);
        }
    }
    m_files["index.html"] = index + "</body></html>\r\n";
    // Headers and body go out in two writes: without this each answer would wait for the
    // client's delayed acknowledgement.
    m_server.server().set_tcp_nodelay(true);
    m_server.server().Get(R"(/(.+))", [this](const httplib::Request& req, httplib::Response& res) {
        ++m_requests;
        if (const int delay = m_delayMs;
            delay > 0 && !m_server.pause(std::chrono::milliseconds(delay)))
            return;
        const auto found = m_files.find(req.matches[1]);
        if (found == m_files.end()) {
            res.status = 404;
            return;
        }
        const bool page = found->first.ends_with(".html");
        res.set_content(found->second, page ? "text/html" : "application/octet-stream");
    });
}

GeneratedSite::~GeneratedSite() {
    m_server.stop();
}

std::string cliPath() {
    const char* other = std::getenv("QUARLO_TEST_CLI");
    return other != nullptr && *other != '\0' ? other : QUARLO_CLI_PATH;
}

CliProcess::CliProcess(const std::vector<std::string>& args,
                       const std::map<std::string, std::string>& env,
                       const std::string& logFolder) {
    const std::string log = logFolder + "cli" + std::to_string(g_logs++);
    m_outPath = log + ".out";
    m_errPath = log + ".err";
    std::vector<std::string> words{cliPath()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<std::string> variables;
    for (char** each = environ; *each != nullptr; ++each) {
        const std::string variable = *each;
        if (env.count(variable.substr(0, variable.find('='))) == 0)
            variables.push_back(variable);
    }
    for (const auto& [name, value] : env)
        variables.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, m_outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0)
        m_pid = pid;
    posix_spawn_file_actions_destroy(&actions);
}

CliProcess::~CliProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        exited(m_pid, m_code, 0);
    }
}

int CliProcess::wait(std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (m_pid > 0) {
        if (exited(m_pid, m_code, WNOHANG)) {
            m_pid = -1;
            break;
        }
        if (std::chrono::steady_clock::now() >= until) {
            ::kill(m_pid, SIGKILL);
            exited(m_pid, m_code, 0);
            m_pid = -1;
            return -1;
        }
        std::this_thread::sleep_for(5ms);
    }
    return m_code;
}

bool CliProcess::killAfter(std::chrono::milliseconds delay) {
    return killWhen([] { return false; }, delay);
}

bool CliProcess::killWhen(const std::function<bool()>& condition,
                          std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (m_pid > 0 && std::chrono::steady_clock::now() < until && !condition()) {
        if (exited(m_pid, m_code, WNOHANG)) {
            m_pid = -1;
            return false;
        }
        std::this_thread::sleep_for(2ms);
    }
    if (m_pid <= 0)
        return false;
    ::kill(m_pid, SIGKILL);
    exited(m_pid, m_code, 0);
    m_pid = -1;
    return true;
}

std::string CliProcess::out() const {
    return readWholeFile(m_outPath);
}

std::string CliProcess::err() const {
    return readWholeFile(m_errPath);
}

CliResult runCliProcess(const std::vector<std::string>& args,
                        const std::map<std::string, std::string>& env,
                        const std::string& logFolder) {
    CliProcess process(args, env, logFolder);
    const int code = process.wait(120s);
    return {code, process.out(), process.err()};
}

std::uint32_t faultSeed() {
    const char* given = std::getenv("QUARLO_FAULT_SEED");
    return given != nullptr ? static_cast<std::uint32_t>(std::strtoul(given, nullptr, 10))
                            : 20240615u;
}

int scaledCount(int count, int minimum) {
    const char* given = std::getenv("QUARLO_FAULT_SCALE");
    const int percent = given != nullptr ? std::atoi(given) : 100;
    return std::max(minimum, count * percent / 100);
}

std::map<std::string, std::string> filesBelow(const std::string& folder) {
    std::map<std::string, std::string> files;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] = readWholeFile(entry.path());
    return files;
}

std::map<std::string, std::string> archiveEntries(const std::string& archive,
                                                  const std::string& scratchFolder) {
    std::error_code error;
    fs::remove_all(scratchFolder, error);
    fs::create_directories(scratchFolder);
    if (!fs::exists(archive))
        return {};
    const std::string command =
        "unzip -qq -o '" + archive + "' -d '" + scratchFolder + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return {{"(unreadable archive)", archive}};
    return filesBelow(scratchFolder);
}

std::vector<std::string> litterBelow(const std::string& folder) {
    std::vector<std::string> litter;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        const bool temporary = name.ends_with(".quarlo-part") ||
                               (name.front() == '.' && (name.find(".tmp-") != std::string::npos ||
                                                        name.ends_with(".parsed")));
        if (temporary || (entry.is_directory() && fs::is_empty(entry.path())))
            litter.push_back(fs::relative(entry.path(), folder).string());
    }
    return litter;
}

std::vector<std::string> differences(const std::map<std::string, std::string>& expected,
                                     const std::map<std::string, std::string>& actual) {
    std::vector<std::string> wrong;
    for (const auto& [name, content] : expected) {
        const auto found = actual.find(name);
        if (found == actual.end() || found->second != content)
            wrong.push_back(name);
    }
    for (const auto& [name, content] : actual)
        if (expected.count(name) == 0)
            wrong.push_back("extra: " + name);
    return wrong;
}

TmpfsMount::TmpfsMount(const std::string& folder, const std::string& size) : m_folder(folder) {
    fs::create_directories(folder);
    if (::getuid() != 0)
        return;
    const std::string options = "size=" + size + ",mode=0755";
    m_mounted = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

TmpfsMount::~TmpfsMount() {
    if (m_mounted)
        ::umount2(m_folder.c_str(), MNT_DETACH);
}

bool TmpfsMount::resize(const std::string& size) {
    const std::string options = "size=" + size;
    return m_mounted &&
           ::mount("tmpfs", m_folder.c_str(), "tmpfs", MS_REMOUNT, options.c_str()) == 0;
}

bool TmpfsMount::makeReadOnly() {
    return m_mounted &&
           ::mount("tmpfs", m_folder.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

void TmpfsMount::fill(std::uint64_t leave) {
    struct statvfs info {};
    if (::statvfs(m_folder.c_str(), &info) != 0)
        return;
    const std::uint64_t free = static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
    if (free <= leave)
        return;
    const int fd = ::open((m_folder + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return;
    (void)::posix_fallocate(fd, 0, static_cast<off_t>(free - leave));
    ::close(fd);
}

} // namespace quarlo::test
