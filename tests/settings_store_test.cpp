#include "platform/FileUtil.h"
#include "platform/SettingsStore.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace quarlo;
using quarlo::test::readWholeFile;
using quarlo::test::TempDir;
using quarlo::test::writeWholeFile;

namespace {

constexpr std::string_view kKey = kSettingsKey;

// UTF-8 (BMP characters only) to UTF-16LE bytes with the BOM, as a version 5 export holds.
std::string utf16File(const std::string& utf8) {
    std::string out = "\xFF\xFE";
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        unsigned code = c;
        int extra = 0;
        if (c >= 0xE0) {
            code = c & 0x0F;
            extra = 2;
        } else if (c >= 0xC0) {
            code = c & 0x1F;
            extra = 1;
        }
        for (int k = 1; k <= extra; ++k)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += 1 + extra;
        out += static_cast<char>(code & 0xFF);
        out += static_cast<char>(code >> 8);
    }
    return out;
}

class SettingsStoreTest : public ::testing::Test {
protected:
    std::string file() const { return m_dir.path() + "config/settings.reg"; }
    TempDir m_dir;
};

} // namespace

TEST_F(SettingsStoreTest, FirstWriteCreatesAPrivateRegFile) {
    SettingsStore store(file());
    EXPECT_EQ(store.readInt(kKey, "Connections", 5), 5);
    EXPECT_EQ(store.readText(kKey, "Skin", "Default"), "Default");
    EXPECT_FALSE(store.keyExists(kKey));
    EXPECT_FALSE(fileExists(file()));
    EXPECT_TRUE(store.loadProblem().empty());

    ASSERT_TRUE(store.writeText(kKey, "Name", "text"));
    ASSERT_TRUE(store.writeInt(kKey, "Count", 10));
    EXPECT_EQ(readWholeFile(file()), "REGEDIT4\r\n\r\n"
                                     "[HKEY_CURRENT_USER\\Software\\Bristane\\Quarlo\\Settings]\r\n"
                                     "\"Name\"=\"text\"\r\n"
                                     "\"Count\"=dword:0000000a\r\n\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(listFiles(folderOf(file()), ".tmp").size(), 0u);
}

TEST_F(SettingsStoreTest, AwkwardTextsAndNamesRoundTrip) {
    const std::pair<std::string, std::string> cases[] = {
        {"Quote \"inside\"", "say \"hi\" and \"\""},
        {"Back\\slash", "C:\\Program Files\\Quarlo\\"},
        {"Equals", "a=b; \"c\"=d"},
        {"Bracket", "[HKEY_CURRENT_USER\\Injected]"},
        {"Utf8 \xC3\xA9", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"Lines", "first\r\nsecond\n\"Injected\"=\"x\""},
        {"Empty", ""},
        {"", "the default value"},
        {"Trailing", "ends with a backslash\\"},
    };
    {
        SettingsStore store(file());
        for (const auto& [name, text] : cases)
            ASSERT_TRUE(store.writeText(kKey, name, text)) << name;
    }
    SettingsStore fresh(file());
    EXPECT_TRUE(fresh.loadProblem().empty()) << fresh.loadProblem();
    for (const auto& [name, text] : cases)
        EXPECT_EQ(fresh.readText(kKey, name, "?"), text) << name;
    EXPECT_EQ(fresh.values(kKey).size(), std::size(cases));
    EXPECT_FALSE(fresh.readValue(kKey, "Injected").has_value());

    // A line break in a value name cannot end its line either.
    ASSERT_TRUE(fresh.writeText(kKey, "Two\nLines", "v"));
    EXPECT_EQ(SettingsStore(file()).readText(kKey, "Two\nLines", ""), "v");
    EXPECT_EQ(SettingsStore(file()).values(kKey).size(), std::size(cases) + 1);
}

TEST_F(SettingsStoreTest, LookupIgnoresCaseAndKeepsEnumerationOrder) {
    SettingsStore store(file());
    ASSERT_TRUE(store.writeText("\\Software\\Bristane\\Quarlo\\File Types\\", "HTML", ".htm;"));
    ASSERT_TRUE(store.writeText(kFileTypesKey, "Images", ".gif;"));
    ASSERT_TRUE(store.writeText(kFileTypesKey, "Audio", ".wav;"));
    ASSERT_TRUE(store.writeText("software\\BRISTANE\\quarlo\\file types", "html", ".html;"));
    EXPECT_EQ(store.readText(kFileTypesKey, "HtMl", ""), ".html;");
    // Replaced in place; the name keeps its first spelling.
    EXPECT_EQ(store.valueNames(kFileTypesKey),
              (std::vector<std::string>{"HTML", "Images", "Audio"}));

    ASSERT_TRUE(store.deleteValue(kFileTypesKey, "IMAGES"));
    ASSERT_TRUE(store.writeText(kFileTypesKey, "Images", ".jpg;"));
    EXPECT_EQ(SettingsStore(file()).valueNames(kFileTypesKey),
              (std::vector<std::string>{"HTML", "Audio", "Images"}));
}

TEST_F(SettingsStoreTest, TypedReadsOfAnotherTypeGiveTheDefault) {
    SettingsStore store(file());
    ASSERT_TRUE(store.writeText(kKey, "Text", "12"));
    ASSERT_TRUE(store.writeInt(kKey, "Number", 12));
    ASSERT_TRUE(store.writeBool(kKey, "Flag", true));
    EXPECT_EQ(store.readInt(kKey, "Text", -3), -3);
    EXPECT_FALSE(store.readBool(kKey, "Text", false));
    EXPECT_EQ(store.readText(kKey, "Number", "def"), "def");
    EXPECT_EQ(store.readInt(kKey, "Flag", 0), 1);
    EXPECT_TRUE(store.readBool(kKey, "Number", false));
    EXPECT_EQ(store.readInt("Software\\Nowhere", "Number", 7), 7);
}

TEST_F(SettingsStoreTest, NegativeIntegersAreStoredAsDwords) {
    SettingsStore store(file());
    const int numbers[] = {-1, INT_MIN, INT_MAX, 0, -250};
    for (int n : numbers) {
        ASSERT_TRUE(store.writeInt(kKey, "N", n));
        EXPECT_EQ(SettingsStore(file()).readInt(kKey, "N", 99), n);
    }
    ASSERT_TRUE(store.writeInt(kKey, "Minus", -1));
    EXPECT_NE(readWholeFile(file()).find("\"Minus\"=dword:ffffffff\r\n"), std::string::npos);
}

TEST_F(SettingsStoreTest, KeysSubKeysAndDeletion) {
    SettingsStore store(file());
    ASSERT_TRUE(store.writeInt(kFormKey, "Left", 10));
    ASSERT_TRUE(store.writeText(kKey, "Skin", "Default"));
    ASSERT_TRUE(store.writeText(kFileTypesKey, "HTML", ".htm;"));
    ASSERT_TRUE(store.writeText("Software\\Other", "x", "y"));

    EXPECT_TRUE(store.keyExists("software\\bristane")); // exists through its sub-keys
    EXPECT_EQ(store.subKeys(kProductKey), (std::vector<std::string>{"File Types", "Settings"}));
    EXPECT_EQ(store.subKeys("Software"), (std::vector<std::string>{"Bristane", "Other"}));
    EXPECT_EQ(store.subKeys(kFormKey), std::vector<std::string>{});

    ASSERT_TRUE(store.deleteKey("SOFTWARE\\Bristane\\Quarlo\\Settings"));
    EXPECT_FALSE(store.keyExists(kKey));
    EXPECT_FALSE(store.keyExists(kFormKey)); // sub-keys go with their key
    EXPECT_EQ(store.readText(kFileTypesKey, "HTML", ""), ".htm;");
    EXPECT_TRUE(store.deleteKey(kKey)); // nothing left to delete is no failure
    EXPECT_FALSE(store.deleteKey(""));
    EXPECT_EQ(SettingsStore(file()).readText("Software\\Other", "x", ""), "y");
}

TEST_F(SettingsStoreTest, ImportsRegedit4WithDeletionsAndContinuations) {
    SettingsStore store(file());
    ASSERT_TRUE(store.writeText(kKey, "Keep", "kept"));
    ASSERT_TRUE(store.writeText(kKey, "Drop", "dropped"));
    ASSERT_TRUE(store.writeText("Software\\Old", "x", "y"));
    ASSERT_TRUE(store.writeText("Software\\Old\\Child", "x", "y"));

    const std::string reg = m_dir.path() + "FTypes.reg";
    writeWholeFile(reg, "REGEDIT4\r\n\r\n"
                        "[HKEY_CURRENT_USER\\Software\\Bristane\\Quarlo\\File Types]\r\n"
                        "\"HTML\"=\".htm;.html;.shtm;.shtml;.asp;\"\r\n"
                        "\"Images\"=\".gif;.jpg;.jpeg;\"\r\n"
                        "\"Blob\"=hex:00,01,\\\r\n  02,ff\r\n"
                        "\r\n[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
                        "[HKEY_LOCAL_MACHINE\\Software\\Bristane]\r\n\"Machine\"=\"no\"\r\n"
                        "[HKEY_CURRENT_USER\\Software\\Bristane\\Quarlo\\Settings]\r\n"
                        "\"Drop\"=-\r\n\"Count\"=dword:FFFFFFFE\r\n");
    ASSERT_TRUE(store.importRegFile(reg).ok());

    EXPECT_EQ(store.readText(kFileTypesKey, "html", ""), ".htm;.html;.shtm;.shtml;.asp;");
    EXPECT_EQ(store.valueNames(kFileTypesKey),
              (std::vector<std::string>{"HTML", "Images", "Blob"}));
    const auto blob = store.readValue(kFileTypesKey, "Blob");
    ASSERT_TRUE(blob.has_value());
    EXPECT_EQ(blob->type, RegValue::Type::Other);
    EXPECT_EQ(blob->text, "hex:00,01,02,ff");
    EXPECT_EQ(store.readText(kFileTypesKey, "Blob", "def"), "def");
    EXPECT_FALSE(store.keyExists("Software\\Old"));
    EXPECT_FALSE(store.keyExists("Software\\Old\\Child"));
    EXPECT_FALSE(store.keyExists("Software\\Bristane\\Machine"));
    EXPECT_EQ(store.readText(kKey, "Keep", ""), "kept");
    EXPECT_FALSE(store.readValue(kKey, "Drop").has_value());
    EXPECT_EQ(store.readInt(kKey, "Count", 0), -2);
}

TEST_F(SettingsStoreTest, ImportsAUtf16Version5File) {
    const std::string reg = m_dir.path() + "export.reg";
    writeWholeFile(reg, utf16File("Windows Registry Editor Version 5.00\r\n\r\n"
                                  "[HKEY_CURRENT_USER\\Software\\Bristane\\Quarlo\\Settings]\r\n"
                                  "\"Skin\"=\"Caf\xC3\xA9 \xE2\x82\xAC\"\r\n"
                                  "\"Path\"=hex(2):25,00,54,00,00,00\r\n"
                                  "\"Wide\"=hex(1):68,00,e9,00,00,00\r\n"
                                  "@=\"default\"\r\n"));
    SettingsStore store(file());
    ASSERT_TRUE(store.importRegFile(reg).ok());
    EXPECT_EQ(store.readText(kKey, "Skin", ""), "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(store.readText(kKey, "Wide", ""), "h\xC3\xA9");
    EXPECT_EQ(store.readText(kKey, "", ""), "default");

    // A kind the program does not use is kept and written back unchanged.
    ASSERT_TRUE(store.writeInt(kKey, "Connections", 3));
    const std::string text = readWholeFile(file());
    EXPECT_NE(text.find("\"Path\"=hex(2):25,00,54,00,00,00\r\n"), std::string::npos);
    EXPECT_NE(text.find("@=\"default\"\r\n"), std::string::npos);
    const auto path = SettingsStore(file()).readValue(kKey, "path");
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(path->type, RegValue::Type::Other);
}

TEST_F(SettingsStoreTest, ImportRefusesWhatIsNotARegFile) {
    SettingsStore store(file());
    const std::string reg = m_dir.path() + "notes.reg";
    writeWholeFile(reg, "[HKEY_CURRENT_USER\\Software\\X]\n\"a\"=\"b\"\n");
    EXPECT_FALSE(store.importRegFile(reg).ok());
    EXPECT_FALSE(store.importRegFile(m_dir.path() + "missing.reg").ok());
    EXPECT_FALSE(store.keyExists("Software\\X"));
}

TEST_F(SettingsStoreTest, CorruptFileLoadsEmptyAndIsReplacedByTheNextWrite) {
    std::string garbage;
    for (int i = 0; i < 5000; ++i)
        garbage += static_cast<char>((i * 37 + 11) % 256);
    writeWholeFile(file(), garbage);
    SettingsStore store(file());
    EXPECT_EQ(store.readInt(kKey, "Connections", 5), 5);
    EXPECT_TRUE(store.subKeys("").empty());
    EXPECT_FALSE(store.loadProblem().empty());

    ASSERT_TRUE(store.writeInt(kKey, "Connections", 8));
    EXPECT_TRUE(store.loadProblem().empty());
    EXPECT_EQ(SettingsStore(file()).readInt(kKey, "Connections", 5), 8);
    EXPECT_EQ(readWholeFile(file()).rfind("REGEDIT4\r\n", 0), 0u);
}

TEST_F(SettingsStoreTest, UnreadableLinesArePassedOverAndReported) {
    writeWholeFile(file(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Bristane\\Quarlo\\Settings]\n"
                           "\"Good\"=\"yes\"\ngarbage\n\"Unclosed\"=\"oops\n"
                           "\"BadDword\"=dword:xyz\n\"Count\"=dword:7\n");
    SettingsStore store(file());
    EXPECT_EQ(store.readText(kKey, "Good", ""), "yes");
    EXPECT_EQ(store.readInt(kKey, "Count", 0), 7);
    EXPECT_EQ(store.values(kKey).size(), 2u);
    EXPECT_NE(store.loadProblem().find("3 line"), std::string::npos) << store.loadProblem();
}

TEST_F(SettingsStoreTest, ReadsSeeWritesOfOtherStoresOnTheSameFile) {
    SettingsStore first(file());
    SettingsStore second(file());
    ASSERT_TRUE(first.writeText(kKey, "Skin", "Blue"));
    EXPECT_EQ(second.readText(kKey, "Skin", ""), "Blue");
    ASSERT_TRUE(second.writeText(kKey, "Skin", "Green"));
    ASSERT_TRUE(second.writeInt(kKey, "Connections", 2));
    EXPECT_EQ(first.readText(kKey, "Skin", ""), "Green");
    ASSERT_TRUE(first.writeInt(kKey, "Priority", 4)); // must not lose the other's values
    EXPECT_EQ(second.readInt(kKey, "Connections", 0), 2);
    EXPECT_EQ(second.readInt(kKey, "Priority", 0), 4);
}

TEST_F(SettingsStoreTest, ConcurrentProcessesLoseNoWrite) {
    constexpr int kWrites = 40;
    ASSERT_TRUE(SettingsStore(file()).writeText(kKey, "Start", "yes"));
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = ::fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            SettingsStore store(file());
            bool ok = true;
            for (int i = 0; i < kWrites; ++i)
                ok = store.writeInt(kKey, "P" + std::to_string(child) + "_" + std::to_string(i),
                                    i) &&
                     ok;
            ::_exit(ok ? 0 : 1);
        }
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    SettingsStore store(file());
    EXPECT_EQ(store.values(kKey).size(), 1u + 2 * kWrites);
    for (int child = 0; child < 2; ++child)
        for (int i = 0; i < kWrites; ++i)
            EXPECT_EQ(
                store.readInt(kKey, "P" + std::to_string(child) + "_" + std::to_string(i), -1), i);
}

TEST_F(SettingsStoreTest, ThreadsReadWhileAnotherWrites) {
    SettingsStore store(file());
    ASSERT_TRUE(store.writeText(kFileTypesKey, "HTML", ".htm;.html;"));
    std::atomic<bool> done{false};
    std::atomic<int> wrongReads{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 3; ++r)
        readers.emplace_back([&] {
            while (!done)
                if (store.readText(kFileTypesKey, "HTML", "") != ".htm;.html;")
                    ++wrongReads;
        });
    for (int i = 0; i < 50; ++i)
        EXPECT_TRUE(store.writeInt(kKey, "Counter", i));
    done = true;
    for (auto& reader : readers)
        reader.join();
    EXPECT_EQ(wrongReads, 0);
    EXPECT_EQ(store.readInt(kKey, "Counter", -1), 49);
}
