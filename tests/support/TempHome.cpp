#include "support/TempHome.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace quarlo::test {

namespace {
std::atomic<int> g_counter{0};
}

TempDir::TempDir() {
    const fs::path root = QUARLO_TEST_HOME_ROOT;
    fs::create_directories(root);
    for (;;) {
        fs::path candidate =
            root / ("t" + std::to_string(::getpid()) + "_" + std::to_string(g_counter++));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            m_path = candidate.string() + "/";
            return;
        }
    }
}

TempDir::~TempDir() {
    if (std::getenv("QUARLO_KEEP_TEST_HOMES") == nullptr) {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
}

TempHome::TempHome() {
    if (const char* previous = std::getenv("QUARLO_HOME")) {
        m_previous = previous;
        m_hadPrevious = true;
    }
    ::setenv("QUARLO_HOME", path().c_str(), 1);
}

TempHome::~TempHome() {
    if (m_hadPrevious)
        ::setenv("QUARLO_HOME", m_previous.c_str(), 1);
    else
        ::unsetenv("QUARLO_HOME");
}

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeWholeFile(const std::string& path, const std::string& content) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

} // namespace quarlo::test
