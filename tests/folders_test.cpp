#include "platform/FileUtil.h"
#include "platform/Folders.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace quarlo;
using quarlo::test::TempDir;
using quarlo::test::writeWholeFile;

namespace {

// Sets environment variables for one test and puts the old values back afterwards.
class ScopedEnvironment {
public:
    void set(const char* name, const char* value) {
        if (m_saved.find(name) == m_saved.end()) {
            const char* old = std::getenv(name);
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value != nullptr)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : m_saved) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

unsigned modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

} // namespace

TEST(LocateFolders, EverythingLiesUnderQuarloHomeWhenSet) {
    ScopedEnvironment env;
    env.set("QUARLO_HOME", "/srv/q");
    env.set("XDG_DATA_HOME", "/elsewhere/data");
    env.set("TMPDIR", "/elsewhere/tmp");
    env.set("HOME", "/home/user");
    const Folders folders = locateFolders();
    EXPECT_EQ(folders.dataFolder, "/srv/q/");
    EXPECT_EQ(folders.configFolder, "/srv/q/");
    EXPECT_EQ(folders.settingsFile(), "/srv/q/settings.reg");
    EXPECT_EQ(folders.defaultIntranetFolder, "/srv/q/My Intranet/");
    EXPECT_EQ(folders.defaultTempFolder, "/srv/q/scratch/Quarlo/");
    EXPECT_EQ(folders.trashFolder, "/srv/q/Trash/");
    EXPECT_EQ(folders.homeFolder, "/home/user/");
}

TEST(LocateFolders, XdgFoldersHomeAndTmpdirOtherwise) {
    ScopedEnvironment env;
    env.set("QUARLO_HOME", "");
    env.set("HOME", "/home/user/");
    env.set("XDG_DATA_HOME", "/data");
    env.set("XDG_CONFIG_HOME", "/conf/");
    env.set("TMPDIR", "/scratch");
    Folders folders = locateFolders();
    EXPECT_EQ(folders.dataFolder, "/data/quarlo/");
    EXPECT_EQ(folders.configFolder, "/conf/quarlo/");
    EXPECT_EQ(folders.defaultIntranetFolder, "/home/user/My Intranet/");
    EXPECT_EQ(folders.defaultTempFolder, "/scratch/Quarlo-" + std::to_string(::geteuid()) + "/");
    EXPECT_EQ(folders.trashFolder, "");

    // Unset or relative XDG variables fall back to the home folder; no TMPDIR means /tmp.
    env.set("XDG_DATA_HOME", nullptr);
    env.set("XDG_CONFIG_HOME", "relative/conf");
    env.set("TMPDIR", nullptr);
    folders = locateFolders();
    EXPECT_EQ(folders.dataFolder, "/home/user/.local/share/quarlo/");
    EXPECT_EQ(folders.configFolder, "/home/user/.config/quarlo/");
    EXPECT_EQ(folders.defaultTempFolder, "/tmp/Quarlo-" + std::to_string(::geteuid()) + "/");
}

TEST(LocateFolders, ResourceFolderBesideTheExecutableOrFromTheEnvironment) {
    ScopedEnvironment env;
    env.set("QUARLO_RESOURCES", nullptr);
    const std::string shipped = locateFolders().resourceFolder;
    EXPECT_TRUE(shipped.ends_with("/share/quarlo/")) << shipped;
    EXPECT_EQ(shipped.find(".."), std::string::npos) << shipped;
    EXPECT_EQ(shipped.front(), '/');

    env.set("QUARLO_RESOURCES", "/opt/quarlo/data");
    EXPECT_EQ(locateFolders().resourceFolder, "/opt/quarlo/data/");
}

TEST(PrepareDefaultTempFolder, CreatesAPrivateFolderAndMakesAnOwnFolderPrivate) {
    TempDir dir;
    const std::string folder = dir.path() + "tmp/Quarlo-1/";
    std::string problem;
    ASSERT_TRUE(prepareDefaultTempFolder(folder, &problem)) << problem;
    EXPECT_TRUE(directoryExists(folder));
    EXPECT_EQ(modeOf(withoutTrailingSlash(folder)), 0700u);

    ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
    EXPECT_TRUE(prepareDefaultTempFolder(folder, nullptr));
    EXPECT_EQ(modeOf(withoutTrailingSlash(folder)), 0700u);
}

TEST(PrepareDefaultTempFolder, RefusesLinksFilesAndFoldersOfOthers) {
    TempDir dir;
    const std::string victim = dir.path() + "victim/";
    ASSERT_TRUE(forceDirectories(victim).ok());
    ::chmod(victim.c_str(), 0755);
    const std::string link = dir.path() + "Quarlo-link";
    ASSERT_EQ(::symlink(victim.c_str(), link.c_str()), 0);

    std::string problem;
    EXPECT_FALSE(prepareDefaultTempFolder(link + "/", &problem));
    EXPECT_NE(problem.find("symbolic link"), std::string::npos) << problem;
    EXPECT_EQ(modeOf(withoutTrailingSlash(victim)), 0755u); // the target is left alone

    writeWholeFile(dir.path() + "Quarlo-file", "x");
    EXPECT_FALSE(prepareDefaultTempFolder(dir.path() + "Quarlo-file/", &problem));

    if (::geteuid() != 0)
        GTEST_SKIP() << "handing a folder to another user needs root";
    const std::string foreign = dir.path() + "Quarlo-foreign/";
    ASSERT_TRUE(forceDirectories(foreign).ok());
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(prepareDefaultTempFolder(foreign, &problem));
    EXPECT_NE(problem.find("another user"), std::string::npos) << problem;
}
