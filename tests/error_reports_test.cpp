// Failures the program carries on after: their kinds, and how often the user hears of them.

#include "engine/TickCore.h"
#include "engine/WinInetErrors.h"
#include "model/TQLApp.h"
#include "platform/FailureReporter.h"
#include "platform/FileUtil.h"
#include "platform/Result.h"
#include "platform/SettingsStore.h"
#include "platform/UiHooks.h"
#include "platform/WriteFault.h"
#include "support/AppFixture.h"
#include "support/CliRunner.h"
#include "support/FaultHarness.h"
#include "support/RecordingUiHooks.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlo {
namespace {

using test::writeWholeFile;

TEST(ErrorKinds, ErrnoCurlAndClientCodesMapOntoKinds) {
    const std::pair<int, ErrorCode> errnos[] = {
        {0, ErrorCode::None},
        {ENOSPC, ErrorCode::NoSpace},
        {EDQUOT, ErrorCode::NoSpace},
        {EROFS, ErrorCode::ReadOnly},
        {ENOENT, ErrorCode::NotFound},
        {EACCES, ErrorCode::Permission},
        {EPERM, ErrorCode::Permission},
        {EBADMSG, ErrorCode::Corrupt},
        {ECONNREFUSED, ErrorCode::Network},
        {ETIMEDOUT, ErrorCode::Network},
        {ECANCELED, ErrorCode::Cancelled},
        {EIO, ErrorCode::Other},
        {ENOTDIR, ErrorCode::NotFound},
    };
    for (const auto& [error, kind] : errnos)
        EXPECT_EQ(errorCodeOfErrno(error), kind) << error;

    const Status full = Status::fromErrno(ENOSPC, "Unable to write to /x");
    EXPECT_EQ(full.code(), ErrorCode::NoSpace);
    EXPECT_EQ(full.message(), "Unable to write to /x: No space left on device");
    // A failure is never of kind None, and the kind survives a Result.
    EXPECT_EQ(Status::failure("x", ErrorCode::None).code(), ErrorCode::Other);
    const Result<int> missing = Status::fromErrno(ENOENT, "Unable to read /y");
    EXPECT_EQ(missing.code(), ErrorCode::NotFound);
    EXPECT_EQ(missing.status().code(), ErrorCode::NotFound);
    EXPECT_EQ(Result<int>(3).code(), ErrorCode::None);

    EXPECT_EQ(errorCodeOfCurl(CURLE_ABORTED_BY_CALLBACK), ErrorCode::Cancelled);
    EXPECT_EQ(errorCodeOfCurl(CURLE_COULDNT_CONNECT), ErrorCode::Network);
    EXPECT_EQ(errorCodeOfCurl(CURLE_OPERATION_TIMEDOUT), ErrorCode::Network);
    EXPECT_EQ(errorCodeOfCurl(CURLE_URL_MALFORMAT), ErrorCode::Other);
    EXPECT_EQ(TickResult::failure(kInetOperationCancelled).status().code(), ErrorCode::Cancelled);
    EXPECT_EQ(TickResult::failure(kInetCannotConnect).status().code(), ErrorCode::Network);
    EXPECT_EQ(TickResult::failure(kTickDiskFault).withKind(ErrorCode::ReadOnly).status().code(),
              ErrorCode::ReadOnly);
    EXPECT_TRUE(TickResult::success().withKind(ErrorCode::Network).status().ok());
}

TEST(FailureReporterTest, ReportsEachCauseAndKindOnce) {
    RecordingUiHooks hooks;
    FailureReporter reporter;
    const Status full = Status::failure("disk full", ErrorCode::NoSpace);
    EXPECT_TRUE(reporter.report(hooks, "/a", full));
    EXPECT_FALSE(reporter.report(hooks, "/a", full));
    EXPECT_FALSE(reporter.report(hooks, "/a", Status()));
    // Another cause, or the same cause failing another way, is news.
    EXPECT_TRUE(reporter.report(hooks, "/b", full));
    EXPECT_TRUE(reporter.report(hooks, "/a", Status::failure("read-only", ErrorCode::ReadOnly),
                                UiHooks::MessageKind::Error));
    EXPECT_EQ(hooks.texts("message"),
              (std::vector<std::string>{"disk full", "disk full", "read-only"}));
    EXPECT_EQ(hooks.calls().back().number, static_cast<int>(UiHooks::MessageKind::Error));
}

TEST(ForceDirectoriesFailure, AFileInTheWayFailsWithItsPath) {
    test::TempDir dir;
    writeWholeFile(dir.path() + "file", "x");
    errno = 0;
    const Status refused = forceDirectories(dir.path() + "file/sub/deeper/");
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(errno, ENOTDIR);
    EXPECT_EQ(refused.message(),
              "Unable to create directory " + dir.path() + "file: Not a directory");
    EXPECT_EQ(test::readWholeFile(dir.path() + "file"), "x");
}

// A folder the program may not write in: a read-only tmpfs as root (chmod stops nobody
// there), a folder without write permission otherwise, and the write-fault switch set to
// EROFS where no file system can be mounted.
class UnwritableFolder {
public:
    explicit UnwritableFolder(const std::string& folder) : m_folder(folder) {
        if (::geteuid() != 0) {
            ::mkdir(folder.c_str(), 0755);
            m_chmodded = ::chmod(folder.c_str(), 0555) == 0;
            m_expected = ErrorCode::Permission;
            return;
        }
        m_mount = std::make_unique<test::TmpfsMount>(folder, "1M");
        if (!m_mount->makeReadOnly()) {
            armWriteFault(1, EROFS);
            m_faulted = true;
        }
    }
    ~UnwritableFolder() {
        if (m_faulted)
            disarmWriteFault();
        if (m_chmodded)
            ::chmod(m_folder.c_str(), 0755);
    }
    bool ready() const { return m_chmodded || m_faulted || m_mount; }
    ErrorCode expected() const { return m_expected; }

private:
    std::string m_folder;
    std::unique_ptr<test::TmpfsMount> m_mount;
    bool m_chmodded = false;
    bool m_faulted = false;
    ErrorCode m_expected = ErrorCode::ReadOnly;
};

class ErrorReportTest : public test::AppFixture {
protected:
    std::vector<RecordingUiHooks::Call> messages() const {
        std::vector<RecordingUiHooks::Call> found;
        for (const auto& call : hooks.calls())
            if (call.what == "message")
                found.push_back(call);
        return found;
    }
    RecordingUiHooks hooks;
};

TEST_F(ErrorReportTest, SettingsThatCannotBeSavedAreReportedOnceAndKeptForTheSession) {
    const std::string config = m_home.path() + "config/";
    UnwritableFolder unwritable(config);
    if (!unwritable.ready())
        GTEST_SKIP() << "no way to make " << config << " unwritable here";
    Folders where = folders();
    where.configFolder = config;
    auto app = makeApp(where);
    ASSERT_TRUE(app);
    app->setHooks(&hooks);

    // Every setter writes through; all of them fail alike.
    app->setConnections(9);
    app->setPriority(2);
    app->setDispatchPause(100);
    app->setShowSummaryOnCompletion(false);
    app->setBeepOnCompletion(false);
    app->setZipPropertiesFirst(true);
    app->setUseProxy(true);
    app->setProxyAddress("proxy.test");
    app->setProxyPort("8080");
    app->setProxyAuthorization("ann");
    app->setLanguage("English");
    app->setSkin("Blue");
    app->setNoAds(true);
    app->setMaxUrlHistory(5);
    app->setMaxFileHistory(6);
    app->setLastCategory("Sites");
    app->setLastTask("Sites/a.qlt");
    app->setSaveMode(1);
    const Status agent = app->setUserAgent("Anonymous");
    const Status temp = app->setTempFolder(m_home.path() + "quarlo-temp");
    const Status downloads = app->setDownloadsFolder(m_home.path() + "Sites");
    const Status intranet = app->setIntranetFolder(m_home.path() + "Web");
    EXPECT_EQ(app->settings().writeInt(kSettingsKey, "Connections", 3).code(),
              unwritable.expected());

    for (const Status* failed : {&agent, &temp, &downloads, &intranet})
        EXPECT_EQ(failed->code(), unwritable.expected()) << failed->message();
    const auto shown = messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].number, static_cast<int>(UiHooks::MessageKind::Warning));
    EXPECT_NE(shown[0].text.find(app->settings().filePath()), std::string::npos) << shown[0].text;
    // The session goes on with the values asked for.
    EXPECT_EQ(app->connections(), 9);
    EXPECT_EQ(app->proxyAddress(), "proxy.test");
    EXPECT_EQ(app->userAgent(), "");
    EXPECT_FALSE(fileExists(app->settings().filePath()));
    app->setHooks(nullptr);
}

TEST_F(ErrorReportTest, AFolderThatCannotBeMadeIsReportedOncePerFolder) {
    auto app = makeApp();
    ASSERT_TRUE(app);
    app->setHooks(&hooks);
    writeWholeFile(m_home.path() + "one", "a file where a folder should be");
    writeWholeFile(m_home.path() + "two", "another one");
    ASSERT_TRUE(app->setDownloadsFolder(m_home.path() + "one/Downloads").ok());
    ASSERT_TRUE(app->setIntranetFolder(m_home.path() + "two/Web").ok());

    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(app->downloadsFolder(), m_home.path() + "one/Downloads/");
        EXPECT_EQ(app->intranetFolder(), m_home.path() + "two/Web/");
    }
    const auto shown = messages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text,
              "Unable to create directory " + m_home.path() + "one: Not a directory");
    EXPECT_EQ(shown[1].text,
              "Unable to create directory " + m_home.path() + "two: Not a directory");
    EXPECT_EQ(test::readWholeFile(m_home.path() + "one"), "a file where a folder should be");
    app->setHooks(nullptr);
}

TEST(CliSettingsFailure, AFolderSettingThatCannotBeWrittenFailsTheCommand) {
    test::TempHome home;
    ASSERT_EQ(test::runCli({"settings", "set", "Connections", "7"}).code, 0);
    armWriteFault(1, EROFS);
    const test::CliRun folder =
        test::runCli({"settings", "set", "Downloads Folder", home.path() + "Sites"});
    const test::CliRun plain = test::runCli({"settings", "set", "Connections", "8"});
    disarmWriteFault();
    EXPECT_NE(folder.code, 0);
    EXPECT_NE(folder.err.find("Read-only file system"), std::string::npos) << folder.err;
    EXPECT_NE(plain.code, 0);
    const test::CliRun read = test::runCli({"settings", "get", "Connections"});
    EXPECT_NE(read.out.find("7"), std::string::npos) << read.out;
}

} // namespace
} // namespace quarlo
