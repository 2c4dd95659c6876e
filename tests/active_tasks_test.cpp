#include "model/ActiveTasks.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quarlo {
namespace {

using test::readWholeFile;
using test::TempDir;
using test::writeWholeFile;

class ActiveTasksTest : public ::testing::Test {
protected:
    TempDir m_dir;
    std::string m_listFile = m_dir.path() + "Tasks/ActiveTasks.lst";
    ActiveTasks m_list{m_listFile};
};

TEST_F(ActiveTasksTest, MissingFileIsAnEmptyListAndRemovingFromItWritesNothing) {
    EXPECT_TRUE(m_list.paths().empty());
    EXPECT_FALSE(m_list.contains("/t/General/a.qlt"));
    EXPECT_TRUE(m_list.remove("/t/General/a.qlt").ok());
    struct stat info {};
    EXPECT_NE(::stat(m_listFile.c_str(), &info), 0);
    EXPECT_EQ(m_list.stamp(), 0);
}

TEST_F(ActiveTasksTest, AddsOnceIgnoringCaseEndsEveryLineWithCrLfAndKeepsItPrivate) {
    ASSERT_TRUE(m_list.add("/t/General/Alpha.qlt").ok());
    ASSERT_TRUE(m_list.add("/t/General/Beta.qlt").ok());
    ASSERT_TRUE(m_list.add("/t/general/ALPHA.qlt").ok());
    ASSERT_TRUE(m_list.add("/t/General/Alpha.qlt").ok());

    EXPECT_EQ(readWholeFile(m_listFile), "/t/General/Alpha.qlt\r\n/t/General/Beta.qlt\r\n");
    EXPECT_TRUE(m_list.contains("/T/GENERAL/beta.QLT"));
    struct stat info {};
    ASSERT_EQ(::stat(m_listFile.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(ActiveTasksTest, RemoveDropsEveryMatchAndKeepsTheOrderOfTheRest) {
    // A list written by hand (or by an older version) may hold a path twice.
    writeWholeFile(m_listFile, "/t/a.qlt\r\n/t/b.qlt\r\n/t/A.QLT\r\n/t/c.qlt\r\n");
    ASSERT_TRUE(m_list.remove("/t/a.qlt").ok());
    EXPECT_EQ(m_list.paths(), (std::vector<std::string>{"/t/b.qlt", "/t/c.qlt"}));
    EXPECT_EQ(readWholeFile(m_listFile), "/t/b.qlt\r\n/t/c.qlt\r\n");
}

TEST_F(ActiveTasksTest, ReadsBareLineFeedsAndSkipsBlankLines) {
    writeWholeFile(m_listFile, "/t/a.qlt\n\r\n/t/b.qlt");
    EXPECT_EQ(m_list.paths(), (std::vector<std::string>{"/t/a.qlt", "/t/b.qlt"}));
}

TEST_F(ActiveTasksTest, StampChangesWithEveryChange) {
    ASSERT_TRUE(m_list.add("/t/a.qlt").ok());
    const long long first = m_list.stamp();
    ASSERT_TRUE(m_list.add("/t/b.qlt").ok());
    const long long second = m_list.stamp();
    ASSERT_TRUE(m_list.remove("/t/b.qlt").ok());
    EXPECT_NE(first, second);
    EXPECT_NE(second, m_list.stamp());
}

TEST_F(ActiveTasksTest, FailsWithTheListPathWhenTheFileCannotBeCreated) {
    // A plain file where the Tasks folder should be: nothing can be created below it.
    TempDir dir;
    writeWholeFile(dir.path() + "Tasks", "not a folder");
    ActiveTasks list(dir.path() + "Tasks/ActiveTasks.lst");
    const Status added = list.add("/t/a.qlt");
    ASSERT_FALSE(added.ok());
    EXPECT_EQ(added.message(), "Cannot create file " + dir.path() + "Tasks/ActiveTasks.lst");
}

TEST_F(ActiveTasksTest, TwoProcessesAddingAtOnceLoseNothing) {
    constexpr int kPerProcess = 60;
    std::vector<pid_t> children;
    for (int process = 0; process < 2; ++process) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ActiveTasks list(m_listFile);
            bool ok = true;
            for (int i = 0; i < kPerProcess; ++i)
                ok = list.add("/t/p" + std::to_string(process) + "_" + std::to_string(i) + ".qlt")
                         .ok() &&
                     ok;
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const auto paths = m_list.paths();
    EXPECT_EQ(paths.size(), 2u * kPerProcess);
    for (int process = 0; process < 2; ++process)
        for (int i = 0; i < kPerProcess; ++i)
            EXPECT_TRUE(m_list.contains("/t/p" + std::to_string(process) + "_" + std::to_string(i) +
                                        ".qlt"));
}

} // namespace
} // namespace quarlo
