#include "model/Preferences.h"

#include "model/TQLApp.h"
#include "platform/SettingsStore.h"
#include "support/AppFixture.h"

#include <gtest/gtest.h>

namespace quarlo {
namespace {

TEST(PreferenceRules, ProxyAddressLosesBlanksAndASmallLetterScheme) {
    EXPECT_EQ(proxyAddressToStore("  http://proxy.example:8080  "), "proxy.example:8080");
    EXPECT_EQ(proxyAddressToStore("\tproxy.example "), "proxy.example");
    EXPECT_EQ(proxyAddressToStore("HTTP://proxy.example"), "HTTP://proxy.example");
    EXPECT_EQ(proxyAddressToStore("https://proxy.example"), "https://proxy.example");
    EXPECT_EQ(proxyAddressToStore("   "), "");
}

TEST(PreferenceRules, AuthorizationNeedsBothPartsAndSplitsAtTheFirstColon) {
    EXPECT_EQ(proxyAuthorizationToStore("ann", "secret"), "ann:secret");
    EXPECT_EQ(proxyAuthorizationToStore("ann", ""), "");
    EXPECT_EQ(proxyAuthorizationToStore("", "secret"), "");
    EXPECT_EQ(splitProxyAuthorization("ann:se:cret"),
              (std::pair<std::string, std::string>{"ann", "se:cret"}));
    EXPECT_EQ(splitProxyAuthorization("justpassword"),
              (std::pair<std::string, std::string>{"", "justpassword"}));
}

TEST(PreferenceRules, HistoryMaximaFallBackWhenNotAWholeNumber) {
    EXPECT_EQ(historyMaximum("abc", 20), 20);
    EXPECT_EQ(historyMaximum("", 10), 10);
    EXPECT_EQ(historyMaximum("12x", 20), 20);
    EXPECT_EQ(historyMaximum("-3", 20), 20);
    EXPECT_EQ(historyMaximum("99999999999", 10), 10);
    EXPECT_EQ(historyMaximum(" 7 ", 20), 7);
    EXPECT_EQ(historyMaximum("0", 20), 0);
}

TEST(PreferenceRules, AgentListStartsWithTheProgramAndTextsExist) {
    const auto& agents = userAgentChoices();
    ASSERT_EQ(agents.size(), 10u);
    EXPECT_EQ(agents.front(), "Quarlo");
    EXPECT_EQ(agents[3], "Anonymous");
    EXPECT_EQ(agents.back(), "Mozilla/4.06 [en] (WinNT; I)");
    EXPECT_FALSE(preferencesText(734).empty());
    EXPECT_FALSE(preferencesText(735).empty());
    EXPECT_NE(preferencesText(734), preferencesText(735));
}

class PreferencesTest : public test::AppFixture {
protected:
    void SetUp() override {
        m_app = makeApp();
        ASSERT_TRUE(m_app);
        // The folders store their defaults at first use, as the first run does.
        (void)m_app->downloadsFolder();
        (void)m_app->intranetFolder();
    }
    SettingsStore& settings() { return m_app->settings(); }
    std::string settingsFile() { return test::readWholeFile(settings().filePath()); }

    std::unique_ptr<TQLApp> m_app;
};

TEST_F(PreferencesTest, FillShowsTheStoredValues) {
    EXPECT_TRUE(settings().writeBool(kSettingsKey, "Zip Last", true));
    EXPECT_TRUE(settings().writeBool(kSettingsKey, "Last Unzip Folder", true));
    EXPECT_TRUE(settings().writeText(kSettingsKey, "Zip Folder", "/srv/zips"));
    m_app->setProxyAuthorization("nocolon");
    m_app->setMaxUrlHistory(7);
    PreferenceValues v = loadPreferences(*m_app);
    EXPECT_TRUE(v.zipLast);
    EXPECT_FALSE(v.lastZipFolder);
    EXPECT_TRUE(v.lastUnzipFolder);
    EXPECT_EQ(v.zipFolder, "/srv/zips");
    EXPECT_EQ(v.proxyUser, "");
    EXPECT_EQ(v.proxyPassword, "nocolon");
    EXPECT_EQ(v.userAgent, "Quarlo");
    EXPECT_EQ(v.maxUrlHistory, "7");
    EXPECT_EQ(v.maxFileHistory, "10");
    EXPECT_EQ(v.downloadsFolder, m_app->downloadsFolder());
    EXPECT_FALSE(v.tempFolder.empty());
}

TEST_F(PreferencesTest, StoreAppliesTheRules) {
    PreferenceValues v = loadPreferences(*m_app);
    v.useProxy = true;
    v.proxyAddress = "  http://proxy.example ";
    v.proxyPort = " 3128 ";
    v.proxyUser = "ann";
    v.proxyPassword = "";
    v.maxUrlHistory = "abc";
    v.maxFileHistory = "4";
    v.userAgent = "Anonymous";
    v.zipPropertiesFirst = true;
    v.noAds = true;
    storePreferences(*m_app, v);
    EXPECT_TRUE(m_app->useProxy());
    EXPECT_EQ(settings().readText(kSettingsKey, "Proxy Address", "?"), "proxy.example");
    EXPECT_EQ(settings().readText(kSettingsKey, "Proxy Port", "?"), "3128");
    EXPECT_EQ(settings().readText(kSettingsKey, "Proxy Authorization", "?"), "");
    EXPECT_EQ(settings().readInt(kSettingsKey, "Max URL History", 0), 20);
    EXPECT_EQ(m_app->maxFileHistory(), 4);
    EXPECT_EQ(m_app->userAgent(), ""); // no header at all
    EXPECT_TRUE(m_app->zipPropertiesFirst());
    EXPECT_TRUE(settings().readBool(kSettingsKey, "No Ads", false));

    v.proxyPassword = "pw";
    storePreferences(*m_app, v);
    EXPECT_EQ(m_app->proxyAuthorization(), "ann:pw");
}

TEST_F(PreferencesTest, ZipFoldersAreStoredOnlyWithTheFolderChoice) {
    EXPECT_TRUE(settings().writeText(kSettingsKey, "Zip Folder", "/kept"));
    PreferenceValues v = loadPreferences(*m_app);
    v.lastZipFolder = true;
    v.zipFolder = "/typed/but/not/chosen";
    v.lastUnzipFolder = false;
    v.unzipFolder = "/srv/unzip";
    storePreferences(*m_app, v);
    EXPECT_EQ(settings().readText(kSettingsKey, "Zip Folder", ""), "/kept");
    EXPECT_TRUE(settings().readBool(kSettingsKey, "Last Zip Folder", false));
    EXPECT_EQ(settings().readText(kSettingsKey, "Unzip Folder", ""), "/srv/unzip");
    EXPECT_FALSE(settings().readBool(kSettingsKey, "Last Unzip Folder", true));
}

TEST_F(PreferencesTest, FoldersFallBackAndAnEmptyTempBoxChangesNothing) {
    const std::string temp = m_app->tempFolder();
    PreferenceValues v = loadPreferences(*m_app);
    v.tempFolder = "";
    v.downloadsFolder = "";
    v.intranetFolder = m_home.path() + "Intranet";
    storePreferences(*m_app, v);
    EXPECT_EQ(m_app->tempFolder(), temp);
    EXPECT_EQ(m_app->downloadsFolder(), m_app->dataFolder() + "Downloads/");
    EXPECT_EQ(m_app->intranetFolder(), m_home.path() + "Intranet/");
}

TEST_F(PreferencesTest, StoringWhatWasFilledKeepsItAndCancelWritesNothing) {
    const PreferenceValues before = loadPreferences(*m_app);
    storePreferences(*m_app, before);
    EXPECT_EQ(loadPreferences(*m_app), before);

    // The dialog fills, the user changes everything and cancels: nothing is stored.
    const std::string file = settingsFile();
    PreferenceValues changed = loadPreferences(*m_app);
    changed.proxyAddress = "elsewhere";
    changed.maxUrlHistory = "3";
    changed.zipLast = !changed.zipLast;
    EXPECT_EQ(settingsFile(), file);
    EXPECT_EQ(m_app->maxUrlHistory(), 20);
}

TEST_F(PreferencesTest, LimitsAreWrittenOnlyOnceChanged) {
    storePreferences(*m_app, loadPreferences(*m_app));
    // Confirming the dialog adds no key the settings file lacked.
    EXPECT_EQ(settingsFile().find("Connections Per Host"), std::string::npos);
    EXPECT_EQ(settingsFile().find("Max Rate"), std::string::npos);

    PreferenceValues changed = loadPreferences(*m_app);
    changed.connectionsPerHost = 2;
    changed.maxRate = 300;
    storePreferences(*m_app, changed);
    EXPECT_EQ(m_app->connectionsPerHost(), 2);
    EXPECT_EQ(m_app->maxRate(), 300);
    EXPECT_EQ(loadPreferences(*m_app), changed);
}

} // namespace
} // namespace quarlo
