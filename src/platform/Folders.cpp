#include "platform/Folders.h"

#include "platform/FileUtil.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlo {

namespace {

// An environment variable; unset and empty are the same.
std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

// An absolute folder path ending with "/": relative values are taken from the working
// folder.
std::string folderPath(const std::string& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error)
        absolute = path;
    return withTrailingSlash(absolute.lexically_normal().string());
}

std::string homeFolder() {
    std::string home = environment("HOME");
    if (home.empty())
        if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir)
            home = entry->pw_dir;
    return folderPath(home.empty() ? "/" : home);
}

// $XDG_<kind>_HOME when it is an absolute path, else the fallback below the home folder.
std::string xdgFolder(const char* variable, const std::string& home, const char* fallback) {
    const std::string value = environment(variable);
    if (!value.empty() && value.front() == '/')
        return folderPath(value);
    return home + fallback;
}

std::string executableFolder() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return folderPath(".");
    return folderPath(exe.parent_path().string());
}

void setProblem(std::string* problem, std::string text) {
    if (problem != nullptr)
        *problem = std::move(text);
}

// The folder must be a real folder of this user; it is made private.
bool checkOwnFolder(const std::string& folder, const struct stat& st, std::string* problem) {
    if (S_ISLNK(st.st_mode)) {
        setProblem(problem, folder + " is a symbolic link");
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        setProblem(problem, folder + " is not a folder");
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        setProblem(problem, folder + " belongs to another user");
        return false;
    }
    if ((st.st_mode & 07777) != 0700 && ::chmod(folder.c_str(), 0700) != 0) {
        setProblem(problem, folder + " cannot be made private");
        return false;
    }
    return true;
}

} // namespace

Folders locateFolders() {
    Folders folders;
    folders.homeFolder = homeFolder();
    const std::string resources = environment("QUARLO_RESOURCES");
    folders.resourceFolder = resources.empty() ? folderPath(executableFolder() + "../share/quarlo")
                                               : folderPath(resources);
    const std::string home = environment("QUARLO_HOME");
    if (!home.empty()) {
        const std::string data = folderPath(home);
        folders.dataFolder = data;
        folders.configFolder = data;
        folders.defaultIntranetFolder = data + "My Intranet/";
        folders.defaultTempFolder = data + "scratch/Quarlo/";
        folders.trashFolder = data + "Trash/";
        return folders;
    }
    folders.dataFolder =
        xdgFolder("XDG_DATA_HOME", folders.homeFolder, ".local/share/") + "quarlo/";
    folders.configFolder = xdgFolder("XDG_CONFIG_HOME", folders.homeFolder, ".config/") + "quarlo/";
    folders.defaultIntranetFolder = folders.homeFolder + "My Intranet/";
    const std::string temp = environment("TMPDIR");
    folders.defaultTempFolder =
        folderPath(temp.empty() ? "/tmp" : temp) + "Quarlo-" + std::to_string(::geteuid()) + "/";
    return folders;
}

bool prepareDefaultTempFolder(const std::string& folder, std::string* problem) {
    const std::string path = withoutTrailingSlash(folder);
    if (path.empty()) {
        setProblem(problem, "no folder given");
        return false;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0)
        return checkOwnFolder(path, st, problem);
    if (Status made = forceDirectories(folderOf(path)); !made) {
        setProblem(problem, made.message());
        return false;
    }
    // mkdir never follows a link planted in the meantime: it fails, and the check below
    // sees what is there.
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        setProblem(problem, path + " cannot be created");
        return false;
    }
    if (::lstat(path.c_str(), &st) != 0) {
        setProblem(problem, path + " cannot be created");
        return false;
    }
    return checkOwnFolder(path, st, problem);
}

std::string openProgram() {
    const char* named = std::getenv("QUARLO_OPEN_COMMAND");
    return named != nullptr && *named != '\0' ? named : "xdg-open";
}

} // namespace quarlo
