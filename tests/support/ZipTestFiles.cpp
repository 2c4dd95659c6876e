#include "support/ZipTestFiles.h"

#include "support/TempHome.h"

#include <array>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

namespace quarlo::test {

namespace {

// A Python string literal holding the text (any bytes as \x escapes).
std::string pythonBytes(const std::string& text) {
    std::string literal = "b'";
    char hex[8];
    for (unsigned char c : text) {
        std::snprintf(hex, sizeof hex, "\\x%02x", c);
        literal += hex;
    }
    return literal + "'";
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// What a Python zipfile statement writes about one entry; the archive is sys.argv[1], the
// entry sys.argv[2].
std::string askZipfile(const std::string& statement, const std::string& path,
                       const std::string& entry) {
    std::string output;
    runCommand("python3 -c 'import sys, zipfile; " + statement + "' " + shellQuoted(path) + " " +
                   shellQuoted(entry),
               &output);
    return output;
}

} // namespace

void makeFile(const std::string& path, const std::string& content, std::time_t modified) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    writeWholeFile(path, content);
    if (modified != 0) {
        const struct timespec times[2] = {{modified, 0}, {modified, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
}

int runCommand(const std::string& command, std::string* output) {
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return -1;
    std::array<char, 4096> buffer{};
    std::string text;
    while (std::size_t got = std::fread(buffer.data(), 1, buffer.size(), pipe))
        text.append(buffer.data(), got);
    const int status = ::pclose(pipe);
    if (output != nullptr)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool craftZip(const std::string& path,
              const std::vector<std::pair<std::string, std::string>>& entries) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ostringstream script;
    script << "import zipfile\n"
           << "z = zipfile.ZipFile(" << pythonBytes(path)
           << ".decode(), 'w', zipfile.ZIP_DEFLATED)\n";
    for (const auto& [name, content] : entries)
        script << "z.writestr(zipfile.ZipInfo(" << pythonBytes(name) << ".decode()), "
               << pythonBytes(content) << ")\n";
    script << "z.close()\n";
    return runCommand("python3 -c " + shellQuoted(script.str())) == 0;
}

bool archiveTestsSound(const std::string& path) {
    return runCommand("unzip -tq " + shellQuoted(path)) == 0 &&
           runCommand("python3 -m zipfile -t " + shellQuoted(path)) == 0;
}

std::vector<std::string> outsideEntryNames(const std::string& path) {
    std::string output;
    runCommand("python3 -c 'import sys, zipfile; print(\"\\n\".join(zipfile.ZipFile(sys.argv[1])"
               ".namelist()))' " +
                   shellQuoted(path),
               &output);
    std::vector<std::string> names;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            names.push_back(line);
    return names;
}

std::string outsideComment(const std::string& path, const std::string& entry) {
    return askZipfile(
        "sys.stdout.write(zipfile.ZipFile(sys.argv[1]).getinfo(sys.argv[2]).comment.decode())",
        path, entry);
}

std::string outsideEntryText(const std::string& path, const std::string& entry) {
    return askZipfile("sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))",
                      path, entry);
}

std::map<std::string, std::string> outsideComments(const std::string& path) {
    std::string output;
    runCommand("python3 -c 'import sys, zipfile\n"
               "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
               "    sys.stdout.write(i.filename + \"\\t\" + i.comment.decode() + \"\\n\")' " +
                   shellQuoted(path),
               &output);
    std::map<std::string, std::string> comments;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t tab = line.find('\t');
        if (tab != std::string::npos)
            comments[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return comments;
}

} // namespace quarlo::test
