#include "model/MainWindowRules.h"
#include "model/RecentList.h"
#include "model/UiTexts.h"
#include "platform/BuildVersion.h"
#include "platform/FileUtil.h"
#include "platform/SettingsStore.h"
#include "reports/ShellPages.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace quarlo {
namespace {

using test::readWholeFile;
using test::TempDir;

struct PlacementCase {
    const char* left;
    const char* top;
    const char* width;
    const char* height;
    WindowPlacement expected;
};

TEST(WindowPlacementTest, StoredBoundsAreMadeUsable) {
    const PlacementCase cases[] = {
        {"10", "20", "800", "600", {10, 20, 800, 600}},
        {"-5", "-1", "500", "300", {0, 0, 640, 480}}, // too small and off screen
        {"0", "0", "600", "400", {0, 0, 600, 400}},   // the minimum itself stays
        {"x", "", "abc", "9999999999", {0, 0, 640, 480}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        SettingsStore settings(dir.path() + "settings.reg");
        EXPECT_TRUE(settings.writeText(kFormKey, "Left", c.left));
        EXPECT_TRUE(settings.writeText(kFormKey, "Top", c.top));
        EXPECT_TRUE(settings.writeText(kFormKey, "Width", c.width));
        EXPECT_TRUE(settings.writeText(kFormKey, "Height", c.height));
        EXPECT_EQ(readWindowPlacement(settings), c.expected) << c.left << " " << c.width;
    }
}

TEST(WindowPlacementTest, StoresDecimalTextsThatReadBack) {
    TempDir dir;
    SettingsStore settings(dir.path() + "settings.reg");
    EXPECT_EQ(readWindowPlacement(settings), (WindowPlacement{0, 0, 640, 480}));
    EXPECT_TRUE(storeWindowPlacement(settings, {12, 34, 1024, 768}));
    EXPECT_EQ(settings.readText(kFormKey, "Width", ""), "1024");
    EXPECT_EQ(readWindowPlacement(settings), (WindowPlacement{12, 34, 1024, 768}));
}

TEST(WindowPlacementTest, AFirstStartTakesFourFifthsOfTheScreenCentred) {
    TempDir dir;
    SettingsStore settings(dir.path() + "settings.reg");
    EXPECT_TRUE(isFirstWindowPlacement(settings));
    EXPECT_EQ(firstStartPlacement({0, 0, 1400, 900}), (WindowPlacement{140, 90, 1120, 720}));
    // A panel at the top of the screen: the window centres in what is left.
    EXPECT_EQ(firstStartPlacement({0, 30, 1280, 994}), (WindowPlacement{128, 129, 1024, 795}));
    // A small screen still gets the minimum size.
    EXPECT_EQ(firstStartPlacement({0, 0, 640, 480}), (WindowPlacement{20, 40, 600, 400}));
    // One key stored is no first start any more; the dock layout lies beside the keys.
    EXPECT_TRUE(settings.writeText(kFormKey, "Height", "500"));
    EXPECT_FALSE(isFirstWindowPlacement(settings));
    EXPECT_EQ(readDockLayout(settings), "");
    EXPECT_TRUE(storeDockLayout(settings, "AAAA/w=="));
    EXPECT_EQ(settings.readText(kFormKey, "Dock Layout", ""), "AAAA/w==");
    EXPECT_EQ(readDockLayout(settings), "AAAA/w==");
}

TEST(LaunchParameterTest, ClassifiesFirstAndSecondStarts) {
    struct Case {
        const char* parameter;
        LaunchRequest first;
        LaunchRequest second;
    } cases[] = {
        {"http://example.com/", LaunchRequest::NewTask, LaunchRequest::None},
        {"HTTPS://Example.com/a", LaunchRequest::NewTask, LaunchRequest::None},
        {"/home/u/Tasks/General/site.qlt", LaunchRequest::AddTask, LaunchRequest::AddTask},
        {"site.QLT", LaunchRequest::AddTask, LaunchRequest::AddTask},
        {"/tmp/archive.Zip", LaunchRequest::OpenZip, LaunchRequest::OpenZip},
        {"ftp://example.com/", LaunchRequest::None, LaunchRequest::None},
        {".zip", LaunchRequest::None, LaunchRequest::None},
        {"", LaunchRequest::None, LaunchRequest::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(classifyLaunchParameter(c.parameter, false), c.first) << c.parameter;
        EXPECT_EQ(classifyLaunchParameter(c.parameter, true), c.second) << c.parameter;
    }
}

TEST(MainWindowTextsTest, HintsDailyArchiveAndCatalogue) {
    EXPECT_EQ(saveModeHint(true, "/i/"),
              uiText(684) + "\n" + uiText(685) + "\n" + uiText(686) + "\n/i/");
    EXPECT_EQ(saveModeHint(false, "/d/"),
              uiText(687) + "\n" + uiText(688) + "\n" + uiText(689) + "\n/d/");
    const DateTime day = *makeDateTime(2026, 12, 9);
    EXPECT_EQ(dailyArchivePath("/d/", day), "/d/" + uiText(725) + "12-9-26.zip");
    EXPECT_EQ(dailyArchiveCaption(day), uiText(723) + "12/9/26");
    for (int n : {684, 696, 723, 725, 726, 727, 730, 731, 732, 733, 753, 754, 755})
        EXPECT_FALSE(uiText(n).empty()) << n;
    EXPECT_TRUE(uiText(1).empty());
}

TEST(MainWindowTextsTest, DownloadsMenuListsAtMostTwentyFiveArchivesByName) {
    TempDir dir;
    for (int n = 0; n < 30; ++n)
        test::writeWholeFile(dir.path() + "a" + std::to_string(100 + n) + ".zip", "");
    test::writeWholeFile(dir.path() + "notes.txt", "");
    const auto names = downloadsMenuArchives(dir.path());
    ASSERT_EQ(names.size(), 25u);
    EXPECT_EQ(names.front(), "a100.zip");
    EXPECT_EQ(names.back(), "a124.zip");
}

TEST(RecentListTest, MostRecentFirstWithoutDuplicatesWithinTheLimit) {
    TempDir dir;
    SettingsStore settings(dir.path() + "settings.reg");
    {
        RecentList urls(settings, "Recent URLs", 3);
        for (const char* url : {"http://a/", "http://b/", "http://c/", "HTTP://A/", "http://d/"})
            EXPECT_TRUE(urls.add(url));
        EXPECT_EQ(urls.entries(),
                  (std::vector<std::string>{"http://d/", "HTTP://A/", "http://c/"}));
        EXPECT_TRUE(urls.remove("http://C/"));
        EXPECT_EQ(urls.entries().size(), 2u);
    }
    RecentList again(settings, "Recent URLs", 3);
    EXPECT_EQ(again.entries(), (std::vector<std::string>{"http://d/", "HTTP://A/"}));
    EXPECT_TRUE(again.setLimit(1));
    EXPECT_EQ(RecentList(settings, "Recent URLs", 5).entries(),
              (std::vector<std::string>{"http://d/"}));
}

TEST(ShellPagesTest, HomePageRedirectsOnlyToAWebAddressAndKeepsItInsideTheScript) {
    TempDir dir;
    auto plain = writeHomePage(dir.path(), "");
    ASSERT_TRUE(plain) << plain.message();
    std::string html = readWholeFile(*plain);
    EXPECT_NE(html.find("<title>Quarlo Home</title>"), std::string::npos);
    EXPECT_NE(html.find("#336699"), std::string::npos);
    EXPECT_NE(html.find("3.0 Beta 4"), std::string::npos);
    EXPECT_EQ(html.find("<script"), std::string::npos);

    html = readWholeFile(*writeHomePage(dir.path(), "https://example.org/home?a=1"));
    EXPECT_NE(html.find("\"https://example.org/home?a=1\""), std::string::npos);
    EXPECT_NE(html.find("navigator.onLine"), std::string::npos);

    html = readWholeFile(*writeHomePage(dir.path(), "http://x/\"</script><script>alert(1)//"));
    EXPECT_EQ(html.find("</script><script>alert"), std::string::npos);
    EXPECT_EQ(html.find("\"</"), std::string::npos);

    html = readWholeFile(*writeHomePage(dir.path(), "javascript:alert(1)"));
    EXPECT_EQ(html.find("javascript:"), std::string::npos);
}

TEST(ShellPagesTest, AboutHelpAndBranding) {
    TempDir dir;
    auto about = writeAboutPage(dir.path());
    ASSERT_TRUE(about);
    EXPECT_TRUE(about->ends_with("quarlo_about.htm"));
    const std::string html = readWholeFile(*about);
    EXPECT_NE(html.find("Version " + std::string(buildVersion())), std::string::npos);
    EXPECT_NE(html.find("Credits"), std::string::npos);
    EXPECT_TRUE(writeHelpPage(dir.path()));

    EXPECT_EQ(brandingUrl(dir.path()), "");
    test::writeWholeFile(dir.path() + "branding.url",
                         "[InternetShortcut]\r\nURL=https://brand.example/\r\n");
    EXPECT_EQ(brandingUrl(dir.path()), "https://brand.example/");
}

} // namespace
} // namespace quarlo
