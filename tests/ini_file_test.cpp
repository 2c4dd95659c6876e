#include "platform/IniFile.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace quarlo;
using quarlo::test::readWholeFile;
using quarlo::test::TempDir;
using quarlo::test::writeWholeFile;

TEST(IniFile, MissingFileIsEmptyAndSaveWritesCrLfLines) {
    TempDir dir;
    const std::string path = dir.path() + "site.qlp";
    IniFile ini(path);
    EXPECT_TRUE(ini.sections().empty());
    EXPECT_EQ(ini.readString("Profile", "Profile Name", "none"), "none");
    EXPECT_EQ(ini.readInt("Profile", "Depth", -1), -1);

    ini.writeString("Profile", "Profile Name", "Site Copy");
    ini.writeString("Profile", "File Types", "");
    ini.writeInt("Profile", "Depth", -1);
    ini.writeBool("Profile", "Aggressive Parser", true);
    ASSERT_TRUE(ini.save(0600).ok());
    EXPECT_EQ(readWholeFile(path), "[Profile]\r\nProfile Name=Site Copy\r\nFile Types=\r\n"
                                   "Depth=-1\r\nAggressive Parser=1\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(IniFile, LookupIgnoresCaseAndTrimsBlanks) {
    TempDir dir;
    const std::string path = dir.path() + "t.qlt";
    writeWholeFile(path, "[ Task ]\n  Task Name  =  my task  \nURL=http://h/?a=b\n\tEmpty=\n");
    const IniFile ini(path);
    EXPECT_EQ(ini.readString("TASK", "task name"), "my task");
    EXPECT_EQ(ini.readString("task", "url"), "http://h/?a=b"); // only the first "=" splits
    EXPECT_EQ(ini.readString("Task", "Empty", "def"), "");
    EXPECT_TRUE(ini.hasKey("task", "EMPTY"));
    EXPECT_FALSE(ini.hasKey("Profile", "URL"));
    EXPECT_TRUE(ini.hasSection("tAsK"));
    EXPECT_EQ(ini.sections(), std::vector<std::string>{"Task"});
    EXPECT_EQ(ini.keys("task"), (std::vector<std::string>{"Task Name", "URL", "Empty"}));
}

TEST(IniFile, AwkwardValuesRoundTrip) {
    TempDir dir;
    const std::string path = dir.path() + "t.qlt";
    const std::string values[] = {
        "a=b=c",
        "\"quoted\", and \"\"doubled\"\"",
        "C:\\path\\with\\backslashes\\",
        "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
        "[not a section]",
        "; not a comment",
        "\"\"",
    };
    {
        IniFile ini(path);
        for (std::size_t i = 0; i < std::size(values); ++i)
            ini.writeString("S", "K" + std::to_string(i), values[i]);
        ASSERT_TRUE(ini.save().ok());
    }
    const IniFile ini(path);
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(ini.readString("s", "k" + std::to_string(i)), values[i]);
    EXPECT_EQ(ini.keys("S").size(), std::size(values));
}

TEST(IniFile, LineBreaksInAValueCannotInjectKeys) {
    TempDir dir;
    const std::string path = dir.path() + "t.qlt";
    {
        IniFile ini(path);
        ini.writeString("Task", "Task Name", "evil\r\nPassword=stolen\n[Other]");
        ASSERT_TRUE(ini.save().ok());
    }
    const IniFile ini(path);
    EXPECT_FALSE(ini.hasKey("Task", "Password"));
    EXPECT_FALSE(ini.hasSection("Other"));
    EXPECT_EQ(ini.readString("Task", "Task Name"), "evil  Password=stolen [Other]");
}

TEST(IniFile, LongValuesAreCutTo2047BytesOnRead) {
    TempDir dir;
    const std::string path = dir.path() + "t.qlt";
    IniFile ini(path);
    ini.writeString("S", "Long", std::string(2048, 'x'));
    ini.writeString("S", "Exact", std::string(2047, 'y'));
    // "é" is two bytes: byte 2047 would split the 1024th one, so it goes whole.
    std::string accents;
    for (int i = 0; i < 1100; ++i)
        accents += "\xC3\xA9";
    ini.writeString("S", "Utf8", accents);
    ASSERT_TRUE(ini.save().ok());

    const IniFile back(path);
    EXPECT_EQ(back.readString("S", "Long"), std::string(2047, 'x'));
    EXPECT_EQ(back.readString("S", "Exact"), std::string(2047, 'y'));
    EXPECT_EQ(back.readString("S", "Utf8"), accents.substr(0, 2046));
    // The file itself keeps the whole text.
    EXPECT_NE(readWholeFile(path).find(std::string(2048, 'x')), std::string::npos);
}

TEST(IniFile, IntegersInDecimalHexAndDefaults) {
    TempDir dir;
    const std::string path = dir.path() + "n.ini";
    writeWholeFile(path, "[N]\n"
                         "dec=42\nneg=-7\nhex=0x1F\nupperX=0XfF\ndollar=$10\nnegHex=-$10\n"
                         "big=9000000000\nmin=-9223372036854775808\nallBits=$FFFFFFFFFFFFFFFF\n"
                         "short0x=0x\nword=abc\ntrailing=12abc\nempty=\nspaced=  12  \n"
                         "overflow=9223372036854775808\nplusMinus=+-3\n");
    const IniFile ini(path);
    struct Case {
        const char* key;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"dec", 42},     {"neg", -7},     {"hex", 31},         {"upperX", 255},
        {"dollar", 16},  {"negHex", -16}, {"big", 9000000000}, {"min", INT64_MIN},
        {"allBits", -1}, {"short0x", 99}, {"word", 99},        {"trailing", 99},
        {"empty", 99},   {"spaced", 12},  {"overflow", 99},    {"plusMinus", 99},
        {"missing", 99},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.readInt("N", c.key, 99), c.expected) << c.key;
    EXPECT_TRUE(ini.readBool("N", "hex", false));
    EXPECT_FALSE(ini.readBool("N", "zero", false));
    EXPECT_TRUE(ini.readBool("N", "word", true)); // not a number: the default
}

TEST(IniFile, WritesKeepOtherSectionsAndUnknownLines) {
    TempDir dir;
    const std::string path = dir.path() + "t.qlt";
    writeWholeFile(path, "; written by hand\n"
                         "[Task]\nTask Name=one\nStatus=1\n\n"
                         "[URLs]\ngarbage line without equals\n0=http://a/\n\n"
                         "[Profile]\nDepth=2\n");
    IniFile ini(path);
    ini.writeString("task", "STATUS", "7");           // replaced in place
    ini.writeString("URLs", "1", "http://b/");        // appended to its section
    ini.writeString("Profile", "Page Location", "1"); // appended at the end of the file
    ini.writeString("Extra", "Key", "v");             // new section at the end
    ASSERT_TRUE(ini.save().ok());
    EXPECT_EQ(readWholeFile(path), "; written by hand\r\n"
                                   "[Task]\r\nTask Name=one\r\nSTATUS=7\r\n\r\n"
                                   "[URLs]\r\ngarbage line without equals\r\n0=http://a/\r\n"
                                   "1=http://b/\r\n\r\n"
                                   "[Profile]\r\nDepth=2\r\nPage Location=1\r\n"
                                   "[Extra]\r\nKey=v\r\n");
}

TEST(IniFile, EraseKeysAndSections) {
    TempDir dir;
    const std::string path = dir.path() + "t.qlt";
    writeWholeFile(path, "top=1\n[A]\nx=1\ny=2\n[B]\nx=3\n[a]\nX=4\n");
    IniFile ini(path);
    EXPECT_EQ(ini.sections(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(ini.readString("A", "x"), "1"); // the first occurrence wins
    ini.eraseKey("a", "X");                   // every occurrence goes
    EXPECT_FALSE(ini.hasKey("A", "x"));
    EXPECT_EQ(ini.readString("B", "x"), "3");
    ini.eraseSection("B");
    EXPECT_FALSE(ini.hasSection("B"));
    ASSERT_TRUE(ini.save().ok());
    EXPECT_EQ(readWholeFile(path), "top=1\r\n[A]\r\ny=2\r\n[a]\r\n");
}

TEST(IniFile, GarbageNeverCrashesTheReader) {
    TempDir dir;
    const std::string path = dir.path() + "junk.qlt";
    std::string junk = "[\n]\n[unclosed\n=\n==\n\r\r\n[]\nkey\n";
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 131) % 256);
    writeWholeFile(path, junk);
    IniFile ini(path);
    EXPECT_EQ(ini.readString("unclosed", "x", "d"), "d");
    ini.writeString("Task", "Task Name", "ok");
    ASSERT_TRUE(ini.save().ok());
    EXPECT_EQ(IniFile(path).readString("Task", "Task Name"), "ok");
}

TEST(IniFile, SaveFailsWithTheMessageWhenTheFolderIsMissing) {
    TempDir dir;
    IniFile ini(dir.path() + "missing/t.qlt");
    ini.writeString("A", "b", "c");
    const Status status = ini.save();
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.message(),
              "Unable to write to " + dir.path() + "missing/t.qlt: No such file or directory");
}
