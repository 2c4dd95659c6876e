#include "model/TQLProfile.h"

#include "model/TQLApp.h"
#include "platform/FileUtil.h"
#include "platform/IniFile.h"
#include "support/AppFixture.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quarlo {
namespace {

using test::readWholeFile;
using test::TempDir;
using test::writeWholeFile;

// Every field away from its default, lists included that only survive when quoted.
TQLProfile unusualProfile(const std::string& path) {
    TQLProfile profile;
    profile.setFilePath(path);
    profile.setProfileName("Site Copy");
    profile.setFileTypes({".gif", ".jpg"});
    profile.setPageLocation(TQLProfile::WithinDirectory);
    profile.setResourceLocation(TQLProfile::WithinSite);
    profile.setDepth(3);
    profile.setAggressiveParser(2);
    profile.setConvertFollowedLinks(0);
    profile.setConvertUnfollowedLinks(2);
    profile.setUseStartPageTitle(false);
    profile.setUrlFiltersExclude({"[AL]Images and more", "[PL]a,b", "[RL]say \"hi\""});
    profile.setUrlFiltersInclude({""});
    profile.setPageFileSizeMin(-5);
    profile.setPageFileSizeMax(2147483647);
    profile.setResourceFileSizeMin(7);
    profile.setResourceFileSizeMax(8);
    profile.setObeyRobots(false);
    return profile;
}

TQLProfile readBack(const std::string& path, std::vector<std::string>* badKeys = nullptr) {
    TQLProfile profile;
    profile.setFilePath(path);
    profile.read(badKeys);
    return profile;
}

TEST(Profile, CreateIsEmptyAndReadingAMissingFileGivesTheDefaults) {
    TempDir dir;
    const TQLProfile created;
    EXPECT_EQ(created.depth(), 0);
    EXPECT_EQ(created.pageLocation(), 0);
    EXPECT_FALSE(created.useStartPageTitle());

    const TQLProfile read = readBack(dir.path() + "none.qlp");
    TQLProfile expected = TQLProfile::defaults();
    expected.setFilePath(dir.path() + "none.qlp");
    EXPECT_EQ(read, expected);
    EXPECT_EQ(read.depth(), -1);
    EXPECT_EQ(read.resourceLocation(), TQLProfile::Anywhere);
    EXPECT_EQ(read.convertFollowedLinks(), 1);
}

TEST(Profile, WritesTheKeysInOrderWithTheirEncodings) {
    TempDir dir;
    TQLProfile profile = TQLProfile::defaults();
    profile.setFilePath(dir.path() + "sub/folder/Site Copy.qlp");
    profile.setProfileName("Site Copy");
    ASSERT_TRUE(profile.write());
    EXPECT_EQ(readWholeFile(profile.filePath()),
              "[Profile]\r\nProfile Name=Site Copy\r\nFile Types=\r\nPage Location=1\r\n"
              "Resource Location=2\r\nDepth=-1\r\nAggressive Parser=1\r\n"
              "Convert Followed Links=1\r\nConvert Unfollowed Links=1\r\n"
              "Use Start Page Title=1\r\nURL Filters Exclude=\r\nURL Filters Include=\r\n"
              "Page File Size Min=0\r\nPage File Size Max=0\r\nResource File Size Min=0\r\n"
              "Resource File Size Max=0\r\n");
}

TEST(Profile, RoundTripsEveryFieldAndKeepsOtherSections) {
    TempDir dir;
    const std::string path = dir.path() + "task.qlt";
    writeWholeFile(path, "[Task]\r\nTask Name=kept\r\n[Profile]\r\nDepth=9\r\nStray=1\r\n");
    const TQLProfile profile = unusualProfile(path);
    ASSERT_TRUE(profile.write());

    std::vector<std::string> badKeys;
    EXPECT_EQ(readBack(path, &badKeys), profile);
    EXPECT_TRUE(badKeys.empty());
    const IniFile ini(path);
    EXPECT_EQ(ini.readString("Task", "Task Name"), "kept");
    EXPECT_EQ(ini.readString("Profile", "Stray"), "1");
    EXPECT_EQ(ini.readString("Profile", "URL Filters Include"), "\"\"");
    EXPECT_EQ(ini.readString("Profile", "URL Filters Exclude"),
              "\"[AL]Images and more\",\"[PL]a,b\",\"[RL]say \"\"hi\"\"\"");
}

TEST(Profile, ObeyRobotsIsOnWithoutItsKeyAndOnlyWrittenWhenTheFileHadItOrItIsOff) {
    TempDir dir;
    const std::string path = dir.path() + "old.qlp";
    const std::string old = "[Profile]\r\nProfile Name=Old\r\nDepth=2\r\n";
    writeWholeFile(path, old);
    TQLProfile profile = readBack(path);
    EXPECT_TRUE(profile.obeyRobots());
    ASSERT_TRUE(profile.write());
    EXPECT_FALSE(IniFile(path).hasKey("Profile", "Obey Robots"));

    profile.setObeyRobots(false);
    ASSERT_TRUE(profile.write());
    EXPECT_EQ(IniFile(path).readString("Profile", "Obey Robots"), "0");
    profile = readBack(path);
    EXPECT_FALSE(profile.obeyRobots());
    // Once in the file the key stays, on again.
    profile.setObeyRobots(true);
    ASSERT_TRUE(profile.write());
    EXPECT_EQ(IniFile(path).readString("Profile", "Obey Robots"), "1");
    EXPECT_TRUE(readBack(path).obeyRobots());
}

TEST(Profile, LongValuesAreCutTo2047Characters) {
    TempDir dir;
    TQLProfile profile = TQLProfile::defaults();
    profile.setFilePath(dir.path() + "long.qlp");
    profile.setProfileName(std::string(2048, 'n'));
    profile.setFileTypes({std::string(3000, 'x')});
    ASSERT_TRUE(profile.write());
    const TQLProfile back = readBack(profile.filePath());
    EXPECT_EQ(back.profileName(), std::string(2047, 'n'));
    ASSERT_EQ(back.fileTypes().size(), 1u);
    EXPECT_EQ(back.fileTypes()[0], std::string(2047, 'x'));
}

TEST(Profile, UnreadableValuesTakeTheirDefaultsAndAreReported) {
    TempDir dir;
    const std::string path = dir.path() + "bad.qlp";
    writeWholeFile(path, "[Profile]\r\nPage Location=far\r\nResource Location=7\r\n"
                         "Depth=-2\r\nAggressive Parser=0x2\r\nConvert Followed Links=$1\r\n"
                         "Use Start Page Title=yes\r\nPage File Size Max=99999999999\r\n"
                         "Resource File Size Min= 12 \r\nFile Types=a b,c\r\n");
    std::vector<std::string> badKeys;
    const TQLProfile profile = readBack(path, &badKeys);
    EXPECT_EQ(profile.pageLocation(), 1);
    EXPECT_EQ(profile.resourceLocation(), 2);
    EXPECT_EQ(profile.depth(), -1);
    EXPECT_EQ(profile.aggressiveParser(), 2);
    EXPECT_EQ(profile.convertFollowedLinks(), 1);
    EXPECT_TRUE(profile.useStartPageTitle());
    EXPECT_EQ(profile.pageFileSizeMax(), 0);
    EXPECT_EQ(profile.resourceFileSizeMin(), 12);
    EXPECT_EQ(profile.fileTypes(), (std::vector<std::string>{"a", "b", "c"}));
    std::sort(badKeys.begin(), badKeys.end());
    EXPECT_EQ(badKeys, (std::vector<std::string>{"Depth", "Page File Size Max", "Page Location",
                                                 "Resource Location", "Use Start Page Title"}));
}

TEST(Profile, ReadingAgainMatchesTheFileExactly) {
    TempDir dir;
    TQLProfile profile = unusualProfile(dir.path() + "p.qlp");
    writeWholeFile(profile.filePath(), "[Profile]\r\nFile Types=\r\nURL Filters Exclude=\r\n");
    profile.read();
    EXPECT_TRUE(profile.fileTypes().empty());
    EXPECT_TRUE(profile.urlFiltersExclude().empty());
    EXPECT_TRUE(profile.urlFiltersInclude().empty());
}

TEST(Profile, LinkOptionsCarryEveryLinkSettingOfTheFile) {
    TempDir dir;
    const TQLProfile written = unusualProfile(dir.path() + "p.qlp");
    ASSERT_TRUE(written.write().ok());
    LinkOptions expected;
    expected.fileTypes = {".gif", ".jpg"};
    expected.urlFiltersExclude = {"[AL]Images and more", "[PL]a,b", "[RL]say \"hi\""};
    expected.urlFiltersInclude = {""};
    expected.depth = 3;
    expected.pageLocation = LinkOptions::WithinDirectory;
    expected.resourceLocation = LinkOptions::WithinSite;
    expected.aggressiveParser = 2;
    expected.convertFollowedLinks = 0;
    expected.convertUnfollowedLinks = 2;
    EXPECT_EQ(linkOptions(readBack(written.filePath())), expected);
}

TEST(Profile, DescribesLocationsAndDepths) {
    EXPECT_EQ(locationText(0), "within the selected directory");
    EXPECT_EQ(locationText(1), "within the selected site");
    EXPECT_EQ(locationText(2), "anywhere");
    EXPECT_EQ(depthText(-1), "all levels");
    EXPECT_EQ(depthText(0), "current page");
    EXPECT_EQ(depthText(3), "current page + 3");
}

class NamedProfiles : public test::AppFixture {};

TEST_F(NamedProfiles, AreListedSortedWithoutRegardToCase) {
    auto app = makeApp();
    ASSERT_TRUE(app);
    for (const char* name : {"beta.qlp", "Alpha.qlp", "gamma.QLP", "notes.txt"})
        writeWholeFile(app->profilesFolder() + name, "[Profile]\r\n");
    EXPECT_EQ(namedProfiles(*app), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
    EXPECT_TRUE(profileExists(*app, "ALPHA"));
    EXPECT_FALSE(profileExists(*app, "notes"));
}

TEST_F(NamedProfiles, SaveLoadAndDelete) {
    auto app = makeApp();
    ASSERT_TRUE(app);
    TQLProfile profile = unusualProfile("");
    ASSERT_TRUE(saveAsNamedProfile(*app, profile, "Deep Images"));
    EXPECT_EQ(profile.filePath(), app->profilesFolder() + "Deep Images.qlp");
    EXPECT_EQ(profile.profileName(), "Deep Images");
    EXPECT_EQ(overwriteProfileQuestion("Deep Images"),
              "The profile: Deep Images already exists.  Do you want to overwrite the "
              "existing profile?");
    EXPECT_EQ(deleteProfileQuestion("Deep Images"),
              "Are you sure you want to delete the profile: Deep Images");

    const Result<TQLProfile> loaded = loadNamedProfile(*app, "Deep Images");
    ASSERT_TRUE(loaded) << loaded.message();
    EXPECT_EQ(*loaded, profile);

    ASSERT_TRUE(deleteNamedProfile(*app, "Deep Images"));
    EXPECT_FALSE(fileExists(profile.filePath()));
    EXPECT_FALSE(loadNamedProfile(*app, "Deep Images"));
}

TEST_F(NamedProfiles, NamesThatLeaveTheFolderAreRefused) {
    auto app = makeApp();
    ASSERT_TRUE(app);
    writeWholeFile(app->dataFolder() + "victim.qlp", "[Profile]\r\nDepth=4\r\n");
    TQLProfile profile = TQLProfile::defaults();
    for (const char* name : {"../victim", "a/b", "..", ""}) {
        EXPECT_FALSE(saveAsNamedProfile(*app, profile, name)) << name;
        EXPECT_FALSE(deleteNamedProfile(*app, name)) << name;
        EXPECT_FALSE(loadNamedProfile(*app, name)) << name;
    }
    EXPECT_TRUE(fileExists(app->dataFolder() + "victim.qlp"));
    EXPECT_EQ(readWholeFile(app->dataFolder() + "victim.qlp"), "[Profile]\r\nDepth=4\r\n");
}

TEST(Profile, AFileThatCannotBeWrittenIsReported) {
    TempDir dir;
    writeWholeFile(dir.path() + "blocker", "a file where a folder should be");
    TQLProfile profile = TQLProfile::defaults();
    profile.setFilePath(dir.path() + "blocker/p.qlp");
    const Status written = profile.write();
    EXPECT_FALSE(written);
    EXPECT_EQ(written.message(), "Unable to write to " + profile.filePath() + ": Not a directory");
}

} // namespace
} // namespace quarlo
