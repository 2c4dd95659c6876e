#include "platform/InstanceLock.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quarlo;
using quarlo::test::readWholeFile;
using quarlo::test::TempDir;

namespace {

// A child process that takes the lock, records a task, reports on a pipe and waits to be
// killed.
pid_t startHolder(const std::string& folder, const std::string& task) {
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        InstanceLock lock(folder);
        const char answer = lock.tryAcquire("cli") ? 'y' : 'n';
        lock.setCurrentTask(task);
        (void)!::write(ready[1], &answer, 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char answer = 'n';
    const bool told = ::read(ready[0], &answer, 1) == 1;
    ::close(ready[0]);
    if (pid > 0 && (!told || answer != 'y')) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}

} // namespace

TEST(InstanceLock, HolderIsRecordedAndOthersAreRefused) {
    TempDir dir;
    const std::string folder = dir.path() + "data/";
    EXPECT_FALSE(InstanceLock::currentHolder(folder).has_value()); // no file yet
    {
        InstanceLock lock(folder);
        ASSERT_TRUE(lock.tryAcquire("gui"));
        EXPECT_TRUE(lock.held());
        EXPECT_TRUE(lock.tryAcquire("gui")); // holding already
        struct stat st {};
        ASSERT_EQ(::stat(lock.lockFilePath().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);

        lock.setCurrentTask(folder + "Tasks/General/a\nb.qlt");
        auto holder = InstanceLock::currentHolder(folder);
        ASSERT_TRUE(holder.has_value());
        EXPECT_EQ(holder->pid, static_cast<long>(::getpid()));
        EXPECT_EQ(holder->frontEnd, "gui");
        EXPECT_EQ(holder->currentTask, folder + "Tasks/General/a b.qlt");

        lock.setCurrentTask("");
        holder = InstanceLock::currentHolder(folder);
        ASSERT_TRUE(holder.has_value());
        EXPECT_EQ(holder->currentTask, "");

        InstanceLock second(folder); // another instance, even in the same process
        EXPECT_FALSE(second.tryAcquire("cli"));
        EXPECT_FALSE(second.held());
        lock.release();
        EXPECT_FALSE(InstanceLock::currentHolder(folder).has_value());
        EXPECT_TRUE(second.tryAcquire("cli"));
    } // the destructor releases
    EXPECT_FALSE(InstanceLock::currentHolder(folder).has_value());
}

TEST(InstanceLock, LockOfAKilledChildIsReleased) {
    TempDir dir;
    const std::string folder = dir.path();
    const pid_t child = startHolder(folder, "/tasks/site.qlt");
    ASSERT_GT(child, 0);

    auto holder = InstanceLock::currentHolder(folder);
    ASSERT_TRUE(holder.has_value());
    EXPECT_EQ(holder->pid, static_cast<long>(child));
    EXPECT_EQ(holder->frontEnd, "cli");
    EXPECT_EQ(holder->currentTask, "/tasks/site.qlt");
    InstanceLock mine(folder);
    EXPECT_FALSE(mine.tryAcquire("gui"));

    ASSERT_EQ(::kill(child, SIGKILL), 0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    // The dead holder's record is still in the file, but nobody holds the lock.
    EXPECT_NE(readWholeFile(folder + "quarlo.lock").find("pid="), std::string::npos);
    EXPECT_FALSE(InstanceLock::currentHolder(folder).has_value());
    EXPECT_TRUE(mine.tryAcquire("gui"));
    holder = InstanceLock::currentHolder(folder);
    ASSERT_TRUE(holder.has_value());
    EXPECT_EQ(holder->pid, static_cast<long>(::getpid()));
    EXPECT_EQ(holder->currentTask, "");
}
