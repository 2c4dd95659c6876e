#include "model/Names.h"
#include "model/TQLApp.h"
#include "platform/FileUtil.h"
#include "support/AppFixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace quarlo {
namespace {

using test::writeWholeFile;

mode_t modeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
}

using AppTest = test::AppFixture;

TEST_F(AppTest, WithoutASettingsFileEverySettingHasItsDefault) {
    auto app = makeApp();
    ASSERT_TRUE(app);
    EXPECT_TRUE(app->showSummaryOnCompletion());
    EXPECT_TRUE(app->beepOnCompletion());
    EXPECT_FALSE(app->zipPropertiesFirst());
    EXPECT_EQ(app->connections(), 5);
    EXPECT_EQ(app->priority(), 5);
    EXPECT_FALSE(app->useProxy());
    EXPECT_EQ(app->proxyAddress(), "");
    EXPECT_EQ(app->proxyPort(), "");
    EXPECT_EQ(app->proxyAuthorization(), "");
    EXPECT_EQ(app->language(), "Native");
    EXPECT_EQ(app->skin(), "Default");
    EXPECT_FALSE(app->noAds());
    EXPECT_EQ(app->maxUrlHistory(), 20);
    EXPECT_EQ(app->maxFileHistory(), 10);
    EXPECT_EQ(app->dispatchPause(), 100);
    EXPECT_EQ(app->connectionsPerHostSetting(), 0);
    EXPECT_EQ(app->connectionsPerHost(), 5);
    EXPECT_EQ(app->maxRate(), 0);
    EXPECT_EQ(app->proxyServer(), "");
    EXPECT_EQ(app->lastCategory(), "General");
    EXPECT_EQ(app->lastTask(), "General");
    EXPECT_EQ(app->saveMode(), 0);
    EXPECT_EQ(app->userAgent(), "Quarlo/3.0 (https://quarlo.invalid/)");
    EXPECT_EQ(app->tasksFolder(), m_home.path() + "Tasks/");
    EXPECT_EQ(app->profilesFolder(), m_home.path() + "Profiles/");
    EXPECT_EQ(app->skinFolder(), m_resources.path() + "Skins/Default/");
    EXPECT_EQ(app->activeTasks().filePath(), m_home.path() + "Tasks/ActiveTasks.lst");
    // Reading the defaults writes nothing.
    EXPECT_FALSE(fileExists(app->settings().filePath()));
}

TEST_F(AppTest, DownloadsAndIntranetDefaultsAreStoredAtFirstUseButTheTempDefaultIsNot) {
    auto app = makeApp();
    ASSERT_TRUE(app);
    SettingsStore& settings = app->settings();

    EXPECT_EQ(app->downloadsFolder(), m_home.path() + "Downloads/");
    EXPECT_TRUE(directoryExists(m_home.path() + "Downloads/"));
    EXPECT_EQ(settings.readText(kSettingsKey, "Downloads Folder", "?"),
              m_home.path() + "Downloads/");

    EXPECT_EQ(app->intranetFolder(), m_home.path() + "My Intranet/");
    EXPECT_TRUE(directoryExists(m_home.path() + "My Intranet/"));
    EXPECT_EQ(settings.readText(kSettingsKey, "Local Intranet Folder", "?"),
              m_home.path() + "My Intranet/");

    const std::string temp = app->tempFolder();
    EXPECT_EQ(temp, m_home.path() + "scratch/Quarlo/");
    EXPECT_TRUE(directoryExists(temp));
    EXPECT_EQ(modeOf(temp), 0700u);
    EXPECT_FALSE(settings.readValue(kSettingsKey, "Temp Folder").has_value());
}

TEST_F(AppTest, TempFolderSetterKeepsTheFolderTheProgramsOwn) {
    auto app = makeApp();
    ASSERT_TRUE(app);
    const std::string base = m_home.path();
    const struct {
        std::string typed;
        std::string stored;
    } cases[] = {
        {base + "Scratch", base + "Scratch/Quarlo/"},
        {base + "Scratch/", base + "Scratch/Quarlo/"},
        {base + "Quarlo Files", base + "Quarlo Files/"},
        {base + "my-QUARLO-stuff/", base + "my-QUARLO-stuff/"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(app->setTempFolder(c.typed));
        EXPECT_EQ(app->settings().readText(kSettingsKey, "Temp Folder", ""), c.stored) << c.typed;
        EXPECT_EQ(app->tempFolder(), c.stored);
        EXPECT_TRUE(directoryExists(c.stored));
    }
    EXPECT_TRUE(app->setTempFolder(""));
    EXPECT_EQ(app->tempFolder(), base + "my-QUARLO-stuff/");
}

TEST_F(AppTest, FolderSettersAddTheSlashAndAnEmptyTextRestoresTheDefault) {
    auto app = makeApp();
    ASSERT_TRUE(app);
    EXPECT_TRUE(app->setDownloadsFolder(m_home.path() + "Sites"));
    EXPECT_EQ(app->settings().readText(kSettingsKey, "Downloads Folder", ""),
              m_home.path() + "Sites/");
    EXPECT_EQ(app->downloadsFolder(), m_home.path() + "Sites/");
    EXPECT_TRUE(app->setDownloadsFolder(""));
    EXPECT_EQ(app->downloadsFolder(), m_home.path() + "Downloads/");

    EXPECT_TRUE(app->setIntranetFolder(m_home.path() + "Web"));
    EXPECT_EQ(app->intranetFolder(), m_home.path() + "Web/");
    EXPECT_TRUE(app->setIntranetFolder(""));
    EXPECT_EQ(app->intranetFolder(), m_home.path() + "My Intranet/");
}

TEST_F(AppTest, SettersWriteThroughWithTheirTypesAndANewObjectReadsThemBack) {
    {
        auto app = makeApp();
        ASSERT_TRUE(app);
        app->setShowSummaryOnCompletion(false);
        app->setBeepOnCompletion(false);
        app->setZipPropertiesFirst(true);
        app->setConnections(8);
        app->setPriority(2);
        app->setUseProxy(true);
        app->setProxyAddress("proxy.example");
        app->setProxyPort("3128");
        app->setProxyAuthorization("me:secret");
        app->setLanguage("Deutsch");
        app->setSkin("Blue");
        app->setNoAds(true);
        app->setMaxUrlHistory(30);
        app->setMaxFileHistory(4);
        app->setDispatchPause(0);
        app->setLastCategory("News");
        app->setLastTask(m_home.path() + "Tasks/News/a.qlt");
        EXPECT_TRUE(app->setUserAgent("Netscape Navigator 4.05"));

        const auto connections = app->settings().readValue(kSettingsKey, "Connections");
        ASSERT_TRUE(connections);
        EXPECT_EQ(connections->type, RegValue::Type::Dword);
        EXPECT_EQ(connections->dword, 8u);
        const auto beep = app->settings().readValue(kSettingsKey, "Beep On Completion");
        ASSERT_TRUE(beep);
        EXPECT_EQ(beep->type, RegValue::Type::Dword);
        EXPECT_EQ(beep->dword, 0u);
        const auto port = app->settings().readValue(kSettingsKey, "Proxy Port");
        ASSERT_TRUE(port);
        EXPECT_EQ(port->type, RegValue::Type::String);
    }
    auto app = makeApp();
    ASSERT_TRUE(app);
    EXPECT_FALSE(app->showSummaryOnCompletion());
    EXPECT_FALSE(app->beepOnCompletion());
    EXPECT_TRUE(app->zipPropertiesFirst());
    EXPECT_EQ(app->connections(), 8);
    EXPECT_EQ(app->priority(), 2);
    EXPECT_TRUE(app->useProxy());
    EXPECT_EQ(app->proxyAddress(), "proxy.example");
    EXPECT_EQ(app->proxyPort(), "3128");
    EXPECT_EQ(app->proxyAuthorization(), "me:secret");
    EXPECT_EQ(app->language(), "Deutsch");
    EXPECT_EQ(app->skin(), "Blue");
    EXPECT_EQ(app->skinFolder(), m_resources.path() + "Skins/Blue/");
    EXPECT_TRUE(app->noAds());
    EXPECT_EQ(app->maxUrlHistory(), 30);
    EXPECT_EQ(app->maxFileHistory(), 4);
    EXPECT_EQ(app->dispatchPause(), 0);
    EXPECT_EQ(app->lastCategory(), "News");
    EXPECT_EQ(app->lastTask(), m_home.path() + "Tasks/News/a.qlt");
    EXPECT_EQ(app->userAgentChoice(), "Netscape Navigator 4.05");
    EXPECT_EQ(app->userAgent(), "Mozilla/4.05 [en] (Win95; I)");
}

TEST_F(AppTest, OutOfRangeStoredNumbersAreBroughtBackIntoRange) {
    {
        SettingsStore store(folders().settingsFile());
        ASSERT_TRUE(store.writeInt(kSettingsKey, "Connections", 500));
        ASSERT_TRUE(store.writeInt(kSettingsKey, "Priority", -3));
        ASSERT_TRUE(store.writeInt(kSettingsKey, "Dispatch Pause", -20));
    }
    auto app = makeApp();
    ASSERT_TRUE(app);
    EXPECT_EQ(app->connections(), 16);
    EXPECT_EQ(app->priority(), 0);
    EXPECT_EQ(app->dispatchPause(), 0);
    app->setConnections(0);
    EXPECT_EQ(app->connections(), 1);
    EXPECT_EQ(app->settings().readInt(kSettingsKey, "Connections", -1), 1);
    app->setDispatchPause(-1);
    EXPECT_EQ(app->dispatchPause(), 0);
}

TEST_F(AppTest, NetworkLimitsKeepTheirRangeAndAStoredPaceIsKept) {
    {
        SettingsStore store(folders().settingsFile());
        ASSERT_TRUE(store.writeInt(kSettingsKey, "Dispatch Pause", 500));
        ASSERT_TRUE(store.writeInt(kSettingsKey, "Connections", 4));
        ASSERT_TRUE(store.writeInt(kSettingsKey, "Connections Per Host", 40));
        ASSERT_TRUE(store.writeInt(kSettingsKey, "Max Rate", -7));
    }
    auto app = makeApp();
    ASSERT_TRUE(app);
    EXPECT_EQ(app->dispatchPause(), 500);
    EXPECT_EQ(app->connectionsPerHostSetting(), 16);
    // Never more than the transfers that run at all.
    EXPECT_EQ(app->connectionsPerHost(), 4);
    EXPECT_EQ(app->maxRate(), 0);
    app->setConnectionsPerHost(2);
    EXPECT_EQ(app->connectionsPerHost(), 2);
    app->setConnectionsPerHost(0);
    EXPECT_EQ(app->connectionsPerHost(), 4);
    app->setMaxRate(250);
    EXPECT_EQ(app->settings().readInt(kSettingsKey, "Max Rate", -1), 250);

    // The proxy takes effect only while "Use Proxy" is on.
    app->setProxyAddress("proxy.example");
    app->setProxyPort("3128");
    EXPECT_EQ(app->proxyServer(), "");
    app->setUseProxy(true);
    EXPECT_EQ(app->proxyServer(), "proxy.example:3128");
    app->setProxyPort("");
    EXPECT_EQ(app->proxyServer(), "proxy.example");
}

TEST_F(AppTest, ASkinNameThatWouldLeaveTheSkinsFolderFallsBackToTheDefault) {
    auto app = makeApp();
    ASSERT_TRUE(app);
    app->setSkin("../../etc");
    EXPECT_EQ(app->skinFolder(), app->defaultSkinFolder());
}

TEST_F(AppTest, LastCategoryAndTaskStoreAnEmptyTextButReadAsGeneral) {
    auto app = makeApp();
    ASSERT_TRUE(app);
    app->setLastCategory("News");
    app->setLastCategory("");
    EXPECT_EQ(app->lastCategory(), "General");
    EXPECT_EQ(app->settings().readText(kSettingsKey, "Last Category", "?"), "");
    app->setLastTask("");
    EXPECT_EQ(app->lastTask(), "General");
}

TEST_F(AppTest, SaveModeIsReadEachTime) {
    auto app = makeApp();
    ASSERT_TRUE(app);
    EXPECT_EQ(app->saveMode(), 0);
    app->setSaveMode(1);
    EXPECT_EQ(app->saveMode(), 1);
    // Another front end switches the mode in the shared settings file.
    SettingsStore other(app->settings().filePath());
    ASSERT_TRUE(other.writeInt(kSettingsKey, "Save Mode", 0));
    EXPECT_EQ(app->saveMode(), 0);
}

TEST(UserAgentTest, ChoicesResolveToTheirHeaderTexts) {
    const struct {
        const char* choice;
        const char* header;
    } cases[] = {
        {"", "Quarlo/3.0 (https://quarlo.invalid/)"},
        {"Quarlo", "Quarlo/3.0 (https://quarlo.invalid/)"},
        {"Internet Explorer 4.01", "Mozilla/4.0 (compatible; MSIE 4.01; Windows 95)"},
        {"Netscape Navigator 4.05", "Mozilla/4.05 [en] (Win95; I)"},
        {"Anonymous", ""},
        {"anonymous", "anonymous"}, // names are compared with case
        {"Mozilla/4.06 [en] (WinNT; I)", "Mozilla/4.06 [en] (WinNT; I)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TQLApp::resolveUserAgent(c.choice), c.header) << c.choice;
}

TEST_F(AppTest, CreateRefusesAMissingResourceFolderOrFileTypeTable) {
    Folders where = folders();
    where.resourceFolder = m_home.path() + "nowhere/";
    auto missingFolder = TQLApp::create(where);
    ASSERT_FALSE(missingFolder.ok());
    EXPECT_NE(missingFolder.message().find(where.resourceFolder), std::string::npos);

    ASSERT_TRUE(deleteFile(m_resources.path() + "FTypes.reg"));
    auto missingTable = TQLApp::create(folders());
    ASSERT_FALSE(missingTable.ok());
    EXPECT_NE(missingTable.message().find(m_resources.path() + "FTypes.reg"), std::string::npos);
}

TEST_F(AppTest, CreateMakesTheDataFolderAndReportsACorruptSettingsFile) {
    Folders where = folders();
    where.dataFolder = m_home.path() + "new/data/";
    writeWholeFile(where.settingsFile(), "\x01\x02 this is no settings file\n[[[");
    auto app = makeApp(where);
    ASSERT_TRUE(app);
    EXPECT_TRUE(directoryExists(where.dataFolder));
    EXPECT_FALSE(app->settings().loadProblem().empty());
    EXPECT_EQ(app->connections(), 5);
}

TEST(ItemNameTest, NamesThatWouldLeaveTheirFolderAreRefused) {
    for (const char* name : {"My Site", "alpha(0)", "a..b", ".hidden", "café"})
        EXPECT_TRUE(checkItemName(name, "task").ok()) << name;
    for (const std::string& name :
         {std::string(), std::string("."), std::string(".."), std::string("a/b"),
          std::string("../x"), std::string("/abs"), std::string("a\0b", 3)}) {
        const Status checked = checkItemName(name, "category");
        EXPECT_FALSE(checked.ok()) << name;
        EXPECT_NE(checked.message().find("category"), std::string::npos) << checked.message();
    }
}

} // namespace
} // namespace quarlo
