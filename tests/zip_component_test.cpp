#include "archive/ZipComponent.h"
#include "archive/ZipHandle.h"
#include "archive/ZipNames.h"
#include "platform/WriteFault.h"
#include "support/TempHome.h"
#include "support/ZipTestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/file.h>
#include <tuple>
#include <unistd.h>
#include <zip.h>

using namespace quarlo;
using quarlo::test::archiveTestsSound;
using quarlo::test::craftZip;
using quarlo::test::makeFile;
using quarlo::test::readWholeFile;
using quarlo::test::TempDir;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

namespace {

// Records the events; comments come from a table, Replace answers from a queue.
class Recorder : public ZipEvents {
public:
    void onListing(const ZipEntryInfo& info) override { listed.push_back(info); }
    void onAdding(const ZipEntryInfo& info) override { log.push_back("add " + info.name); }
    void onUpdating(const ZipEntryInfo& info) override { log.push_back("update " + info.name); }
    void onExtracting(const ZipEntryInfo& info) override { log.push_back("extract " + info.name); }
    void onDeleting(const std::string& name) override { log.push_back("delete " + name); }
    ZipReplaceAnswer onReplace(const std::string& existing, const std::string& entry) override {
        log.push_back("replace " + entry + " over " +
                      std::filesystem::path(existing).filename().string());
        if (answers.empty())
            return ZipReplaceAnswer::No;
        const ZipReplaceAnswer answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    void onFileComment(const std::string&, const std::string& entry,
                       std::string& comment) override {
        if (auto found = comments.find(entry); found != comments.end())
            comment = found->second;
    }

    std::vector<ZipEntryInfo> listed;
    std::vector<std::string> log;
    std::vector<ZipReplaceAnswer> answers;
    std::map<std::string, std::string> comments;
};

class ZipComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        zip.ZipFileName = dir.path() + "out/site.zip";
        zip.BaseDirectory = dir.path() + "src";
        zip.setEvents(&events);
        std::filesystem::create_directories(dir.path() + "out");
    }
    std::string src(const std::string& name) const { return dir.path() + "src/" + name; }
    int addFiles(std::vector<std::string> files) {
        zip.FilesToProcess = std::move(files);
        return zip.add();
    }
    std::vector<ZipEntryInfo> listAll(const std::string& mask = "*.*") {
        events.listed.clear();
        zip.FilesToProcess = {mask};
        zip.list();
        return events.listed;
    }
    std::vector<std::string> names(const std::string& mask = "*.*") {
        std::vector<std::string> result;
        for (const auto& info : listAll(mask))
            result.push_back(info.name);
        return result;
    }

    TempDir dir;
    Recorder events;
    ZipComponent zip;
};

TEST(ZipResultTable, SeveritiesAndMessages) {
    struct Case {
        int code;
        int severity;
        bool information;
        std::string message;
    } cases[] = {
        {-3, 0, false, ""},
        {0, 0, false, ""},
        {10, 1, false, ""},
        {30, 1, false, ""},
        {140, 1, false, ""},
        {40, 1, true, "Some files were skipped while extracting."},
        {50, 1, true, "The Zip file is empty."},
        {100, 2, false, "Could not find the archive file."},
        {110, 2, false, "The archive file is corrupted. Try using the Fix option on it."},
        {160, 2, false, "The archive file is corrupted. Try using the Fix option on it."},
        {120, 2, false, "Ran out of memory while extracting."},
        {150, 2, false, "Disk full while extracting."},
        {180, 2, false,
         "Another application is currently performing a similar task. Wait until the other "
         "application has completed its operation."},
        {190, 2, false, ""},
        {280, 2, false, "Problem with the temporary file."},
        {370, 2, false, "Names repeated in archive after discarding pathnames."},
        {400, 2, false, "Could not access the Zip file or one of the files to process."},
        {999, 2, false, "An error occured while extracting the specified files."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(zipResultSeverity(c.code), c.severity);
        EXPECT_EQ(zipResultIsInformation(c.code), c.information);
        EXPECT_EQ(zipResultMessage(c.code, "extracting"), c.message);
    }
}

TEST(ZipResultTable, LibzipErrorsMapOntoCodes) {
    struct Case {
        int zipError;
        int systemError;
        int code;
    } cases[] = {
        {ZIP_ER_NOENT, 0, 100},        {ZIP_ER_NOZIP, 0, 110},        {ZIP_ER_INCONS, 0, 110},
        {ZIP_ER_CRC, 0, 110},          {ZIP_ER_EOF, 0, 110},          {ZIP_ER_MEMORY, 0, 120},
        {ZIP_ER_WRITE, ENOSPC, 150},   {ZIP_ER_TMPOPEN, ENOSPC, 150}, {ZIP_ER_WRITE, EIO, 400},
        {ZIP_ER_TMPOPEN, EACCES, 280}, {ZIP_ER_RENAME, EXDEV, 280},   {ZIP_ER_OPEN, EACCES, 400},
        {ZIP_ER_READ, EIO, 400},       {ZIP_ER_OPEN, ENOENT, 100},    {ZIP_ER_INVAL, 0, 999},
    };
    for (const auto& c : cases)
        EXPECT_EQ(zipResultOfError(c.zipError, c.systemError), c.code) << c.zipError;

    const std::tuple<int, int, ErrorCode> kinds[] = {
        {ZIP_ER_OK, 0, ErrorCode::None},
        {ZIP_ER_NOENT, 0, ErrorCode::NotFound},
        {ZIP_ER_NOZIP, 0, ErrorCode::Corrupt},
        {ZIP_ER_CRC, 0, ErrorCode::Corrupt},
        {ZIP_ER_WRITE, ENOSPC, ErrorCode::NoSpace},
        {ZIP_ER_TMPOPEN, EROFS, ErrorCode::ReadOnly},
        {ZIP_ER_OPEN, EACCES, ErrorCode::Permission},
        {ZIP_ER_OPEN, ENOENT, ErrorCode::NotFound},
        {ZIP_ER_RDONLY, 0, ErrorCode::ReadOnly},
        {ZIP_ER_CANCELLED, 0, ErrorCode::Cancelled},
        {ZIP_ER_READ, 0, ErrorCode::Other},
        {ZIP_ER_MEMORY, 0, ErrorCode::Other},
    };
    for (const auto& [zipError, systemError, kind] : kinds)
        EXPECT_EQ(zipErrorKind(zipError, systemError), kind) << zipError << " " << systemError;
}

TEST(ZipNames, MasksAndSafeNames) {
    EXPECT_TRUE(zipMaskMatches("*.*", "README"));
    EXPECT_TRUE(zipMaskMatches("*.*", "a/b/c.gif"));
    EXPECT_TRUE(zipMaskMatches("dir\\*.*", "dir/sub/x"));
    EXPECT_FALSE(zipMaskMatches("dir\\*.*", "dirt/x"));
    EXPECT_TRUE(zipMaskMatches("*.html", "a/b.html"));
    EXPECT_FALSE(zipMaskMatches("*.html", "a/b.htm"));
    EXPECT_TRUE(zipMaskMatches("a/b.html", "a/b.html"));
    EXPECT_FALSE(zipMaskMatches("a/b.html", "A/b.html"));
    EXPECT_TRUE(zipMaskMatches("dir/", "dir/x.gif"));
    for (const char* bad :
         {"../x", "a/../../x", "/etc/passwd", "\\x", "..\\x", "a\\..\\b", "C:x", ""})
        EXPECT_FALSE(isSafeEntryName(bad)) << bad;
    for (const char* good : {"x", "a/b/c.html", "a..b/c", "..x", "dir/"})
        EXPECT_TRUE(isSafeEntryName(good)) << good;
}

TEST_F(ZipComponentTest, AddedFilesCarryCommentsTimesAndCompression) {
    const std::string text(20000, 'a');
    makeFile(src("host/index.html"), text, 1600000000);
    makeFile(src("host/img/logo.gif"), "GIF89a", 1500000002);
    makeFile(src("host/inner.ZIP"), text, 1500000002);
    events.comments = {{"host/index.html", "Home page"},
                       {"host/img/logo.gif", std::string(300, 'c')}};
    zip.Compression = 9;
    ASSERT_EQ(addFiles({"host/index.html", "host/img/logo.gif", "host/inner.ZIP"}), 0);
    EXPECT_THAT(events.log,
                ElementsAre("add host/index.html", "add host/img/logo.gif", "add host/inner.ZIP"));
    EXPECT_EQ(zip.processedEntries().size(), 3u);
    EXPECT_TRUE(zip.FilesToProcess.empty());

    const auto listed = listAll();
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].comment, "Home page");
    EXPECT_EQ(listed[0].modified, 1600000000);
    EXPECT_EQ(listed[0].size, 20000);
    EXPECT_GT(listed[0].ratio, 90);
    EXPECT_EQ(listed[1].comment, std::string(255, 'c'));
    EXPECT_EQ(listed[2].packed, 20000) << "stored extension";
    EXPECT_EQ(listed[2].ratio, 0);

    std::int64_t count = 0;
    EXPECT_EQ(zip.count(count), 0);
    EXPECT_EQ(count, 3);
    ZipEntryInfo info;
    EXPECT_EQ(zip.entryInfo(1, info), 0);
    EXPECT_EQ(info.name, "host/img/logo.gif");
    EXPECT_EQ(zip.entryInfo(3, info), ZipResult::OtherError);

    EXPECT_TRUE(archiveTestsSound(zip.ZipFileName));
    EXPECT_EQ(quarlo::test::outsideComment(zip.ZipFileName, "host/index.html"), "Home page");
}

TEST_F(ZipComponentTest, CompressionZeroStoresEverything) {
    makeFile(src("a.txt"), std::string(5000, 'x'));
    zip.Compression = 0;
    ASSERT_EQ(addFiles({"a.txt"}), 0);
    const auto listed = listAll();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].packed, 5000);
    EXPECT_TRUE(archiveTestsSound(zip.ZipFileName));
}

TEST_F(ZipComponentTest, PathsFoldersAndRepeatedNames) {
    makeFile(src("site/a.html"), "a");
    makeFile(src("site/sub/b.gif"), "b");
    makeFile(src("site/.hidden"), "h");
    makeFile(src("other/a.html"), "other a");

    zip.Recurse = true;
    ASSERT_EQ(addFiles({"site"}), 0);
    EXPECT_THAT(names(), UnorderedElementsAre("site/a.html", "site/sub/b.gif"));

    ASSERT_EQ(addFiles({src("other/a.html")}), 0) << "absolute paths below the base folder";
    EXPECT_THAT(names("other/*.*"), ElementsAre("other/a.html"));

    TempDir elsewhere;
    makeFile(elsewhere.path() + "far.txt", "far");
    ASSERT_EQ(addFiles({elsewhere.path() + "far.txt"}), 0);
    EXPECT_THAT(names("*far.txt"), ElementsAre(elsewhere.path().substr(1) + "far.txt"));

    zip.UsePaths = false;
    zip.Recurse = false;
    EXPECT_EQ(addFiles({"site/a.html", "other/a.html"}), ZipResult::NamesRepeated);
    EXPECT_THAT(names("a.html"), ::testing::IsEmpty()) << "nothing written";
    EXPECT_EQ(addFiles({"site/*.html"}), 0);
    EXPECT_THAT(names("a.html"), ElementsAre("a.html"));
    EXPECT_EQ(addFiles({"site"}), ZipResult::FilesSkipped) << "a folder without Recurse";
}

TEST_F(ZipComponentTest, AddActionsReplaceAddFreshenAndUpdate) {
    makeFile(src("old.txt"), "old v1", 1500000000);
    makeFile(src("same.txt"), "same v1", 1500000000);
    ASSERT_EQ(addFiles({"old.txt", "same.txt"}), 0);
    makeFile(src("old.txt"), "old v2", 1500000100);
    makeFile(src("same.txt"), "same v2", 1500000000);
    makeFile(src("new.txt"), "new", 1500000000);

    zip.AddAction = ZipAddAction::Freshen;
    events.log.clear();
    ASSERT_EQ(addFiles({"old.txt", "same.txt", "new.txt"}), 0);
    EXPECT_THAT(events.log, ElementsAre("update old.txt", "update same.txt"));
    EXPECT_THAT(names(), ElementsAre("old.txt", "same.txt"));

    makeFile(src("old.txt"), "old v3", 1500000200);
    zip.AddAction = ZipAddAction::Update;
    events.log.clear();
    ASSERT_EQ(addFiles({"old.txt", "same.txt", "new.txt"}), 0);
    EXPECT_THAT(events.log, ElementsAre("update old.txt", "add new.txt"));

    zip.ExtractDirectory = dir.path() + "x/";
    zip.Overwrite = ZipOverwrite::xowAlways;
    ASSERT_EQ(zip.extract(), 0);
    EXPECT_EQ(readWholeFile(dir.path() + "x/old.txt"), "old v3");
    EXPECT_EQ(readWholeFile(dir.path() + "x/same.txt"), "same v2") << "freshened before";
    EXPECT_EQ(std::filesystem::last_write_time(dir.path() + "x/old.txt").time_since_epoch(),
              std::filesystem::last_write_time(src("old.txt")).time_since_epoch());

    zip.AddAction = ZipAddAction::AddAndReplace;
    events.log.clear();
    events.comments = {{"same.txt", "kept"}};
    ASSERT_EQ(addFiles({"same.txt"}), 0);
    events.comments.clear();
    ASSERT_EQ(addFiles({"same.txt"}), 0);
    EXPECT_THAT(events.log, ElementsAre("update same.txt", "update same.txt"));
    EXPECT_EQ(listAll("same.txt").at(0).comment, "kept") << "a replaced entry keeps its comment";
}

TEST_F(ZipComponentTest, MissingCorruptTruncatedAndLockedArchives) {
    std::int64_t count = 0;
    zip.ExtractDirectory = dir.path() + "x/";
    EXPECT_EQ(zip.count(count), ZipResult::ArchiveNotFound);
    EXPECT_EQ(zip.status().code(), ErrorCode::NotFound);
    EXPECT_EQ(zip.status().message(), "Could not find the archive file.");
    EXPECT_EQ(zip.list(), ZipResult::ArchiveNotFound);
    EXPECT_EQ(zip.extract(), ZipResult::ArchiveNotFound);
    EXPECT_EQ(zip.status().code(), ErrorCode::NotFound);
    zip.FilesToProcess = {"a"};
    EXPECT_EQ(zip.remove(), ZipResult::ArchiveNotFound);
    EXPECT_EQ(zip.status().code(), ErrorCode::NotFound);
    EXPECT_EQ(addFiles({"nothing-here.txt"}), ZipResult::CannotAccess);
    EXPECT_FALSE(std::filesystem::exists(zip.ZipFileName));

    makeFile(zip.ZipFileName, "this is not an archive at all, just text");
    EXPECT_EQ(zip.count(count), ZipResult::Corrupted);
    EXPECT_EQ(zip.status().code(), ErrorCode::Corrupt);
    EXPECT_EQ(zip.status().message(),
              "The archive file is corrupted. Try using the Fix option on it.");
    EXPECT_EQ(zip.extract(), ZipResult::Corrupted);
    EXPECT_EQ(zip.status().code(), ErrorCode::Corrupt);

    std::string big;
    for (int i = 0; i < 4000; ++i)
        big += std::to_string(i * 7919 % 10007) + ",";
    makeFile(src("big.txt"), big);
    makeFile(src("small.txt"), "small");
    std::filesystem::remove(zip.ZipFileName);
    ASSERT_EQ(addFiles({"big.txt", "small.txt"}), 0);
    const std::string whole = readWholeFile(zip.ZipFileName);
    makeFile(zip.ZipFileName, whole.substr(0, whole.size() / 2));
    EXPECT_EQ(zip.list(), ZipResult::Corrupted);
    EXPECT_EQ(zip.extract(), ZipResult::Corrupted);

    // Damage inside the data of the first entry: the directory reads, the data does not.
    std::string damaged = whole;
    for (std::size_t i = 60; i < 400; ++i)
        damaged[i] = static_cast<char>(damaged[i] ^ 0x5a);
    makeFile(zip.ZipFileName, damaged);
    zip.Overwrite = ZipOverwrite::xowAlways;
    EXPECT_EQ(zip.extract(), ZipResult::Corrupted);
    EXPECT_EQ(zip.status().code(), ErrorCode::Corrupt);
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "x/big.txt"));

    makeFile(zip.ZipFileName, whole);
    const int fd = ::open(zip.ZipFileName.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_EQ(addFiles({"small.txt"}), ZipResult::ArchiveLocked);
    EXPECT_EQ(zip.list(), ZipResult::ArchiveLocked);
    EXPECT_EQ(zip.status().code(), ErrorCode::Other);
    ::close(fd);
    EXPECT_EQ(zip.list(), 0);
    EXPECT_TRUE(zip.status().ok());
}

TEST_F(ZipComponentTest, FullAndReadOnlyDisksKeepTheirKind) {
    makeFile(src("a.txt"), "aaa");
    ASSERT_EQ(addFiles({"a.txt"}), 0);
    makeFile(src("b.txt"), "bbb");
    armWriteFault(1, ENOSPC);
    EXPECT_EQ(addFiles({"b.txt"}), ZipResult::DiskFull);
    const Status full = zip.status();
    armWriteFault(1, EROFS);
    EXPECT_EQ(addFiles({"b.txt"}), ZipResult::CannotAccess);
    const Status readOnly = zip.status();
    disarmWriteFault();
    EXPECT_EQ(full.code(), ErrorCode::NoSpace);
    EXPECT_EQ(full.message(), "Disk full while adding.");
    EXPECT_EQ(readOnly.code(), ErrorCode::ReadOnly);
    EXPECT_EQ(readOnly.message(), "Could not access the Zip file or one of the files to process.");
    EXPECT_THAT(names(), ElementsAre("a.txt")) << "the archive stays as it was";

    // Extracting where a file stands in the way of the folder.
    makeFile(dir.path() + "blocked", "x");
    zip.ExtractDirectory = dir.path() + "blocked/out/";
    EXPECT_EQ(zip.extract(), ZipResult::CannotAccess);
    EXPECT_FALSE(zip.status().ok());
}

TEST_F(ZipComponentTest, UnreadableInputIsReportedAndTheRestAdded) {
    makeFile(src("ok.txt"), "ok");
    EXPECT_EQ(addFiles({"ok.txt", "missing.txt"}), ZipResult::CannotAccess);
    EXPECT_EQ(zip.processedEntries().size(), 1u);
    EXPECT_THAT(names(), ElementsAre("ok.txt"));
    EXPECT_EQ(addFiles({}), ZipResult::NothingToDo);
}

TEST_F(ZipComponentTest, ExtractionStaysInsideItsFolder) {
    TempDir outside;
    ASSERT_TRUE(craftZip(zip.ZipFileName, {{"good/a.txt", "A"},
                                           {"../escape1.txt", "x"},
                                           {"good/../../escape2.txt", "x"},
                                           {outside.path() + "escape3.txt", "x"},
                                           {"..\\escape4.txt", "x"},
                                           {"link/inside.txt", "x"},
                                           {"linkfile", "x"},
                                           {"b.txt", "B"}}));
    const std::string target = dir.path() + "x/";
    std::filesystem::create_directories(target);
    std::filesystem::create_directory_symlink(outside.path(), target + "link");
    std::filesystem::create_symlink(outside.path() + "victim", target + "linkfile");
    zip.ExtractDirectory = target;
    zip.Overwrite = ZipOverwrite::xowAlways;
    EXPECT_EQ(zip.extract(), ZipResult::FilesSkipped);
    EXPECT_EQ(zipResultMessage(ZipResult::FilesSkipped, "extracting"),
              "Some files were skipped while extracting.");
    EXPECT_EQ(readWholeFile(target + "good/a.txt"), "A");
    EXPECT_EQ(readWholeFile(target + "b.txt"), "B");
    EXPECT_TRUE(std::filesystem::is_empty(outside.path()));
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "escape1.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "escape2.txt"));
    EXPECT_TRUE(std::filesystem::is_symlink(target + "linkfile"));
    EXPECT_EQ(zip.processedEntries().size(), 2u);
}

TEST_F(ZipComponentTest, ReplaceAnswersAndOverwriteModes) {
    ASSERT_TRUE(craftZip(zip.ZipFileName, {{"a", "new a"}, {"b", "new b"}, {"c", "new c"}}));
    const std::string target = dir.path() + "x/";
    auto reset = [&] {
        for (const char* name : {"a", "b", "c"})
            makeFile(target + name, "old");
    };
    zip.ExtractDirectory = target;
    struct Case {
        ZipOverwrite mode;
        std::vector<ZipReplaceAnswer> answers;
        int result;
        std::string a, b, c;
    } cases[] = {
        {ZipOverwrite::xowAlways, {}, 0, "new a", "new b", "new c"},
        {ZipOverwrite::xowNever, {}, 40, "old", "old", "old"},
        {ZipOverwrite::xowAsk,
         {ZipReplaceAnswer::Yes, ZipReplaceAnswer::No, ZipReplaceAnswer::Yes},
         40,
         "new a",
         "old",
         "new c"},
        {ZipOverwrite::xowAsk,
         {ZipReplaceAnswer::No, ZipReplaceAnswer::All},
         40,
         "old",
         "new b",
         "new c"},
        {ZipOverwrite::xowAsk,
         {ZipReplaceAnswer::Yes, ZipReplaceAnswer::Cancel},
         190,
         "new a",
         "old",
         "old"},
    };
    for (const auto& c : cases) {
        reset();
        events.answers = c.answers;
        zip.Overwrite = c.mode;
        EXPECT_EQ(zip.extract(), c.result);
        EXPECT_EQ(readWholeFile(target + "a"), c.a);
        EXPECT_EQ(readWholeFile(target + "b"), c.b);
        EXPECT_EQ(readWholeFile(target + "c"), c.c);
    }
    std::filesystem::remove_all(target);
    zip.Overwrite = ZipOverwrite::xowAsk;
    events.log.clear();
    EXPECT_EQ(zip.extract(), 0) << "nothing to replace, nothing asked";
    EXPECT_THAT(events.log, ElementsAre("extract a", "extract b", "extract c"));
}

TEST_F(ZipComponentTest, ExtractWithoutPathsAndSelectedEntries) {
    ASSERT_TRUE(craftZip(zip.ZipFileName, {{"d/e/deep.txt", "deep"}, {"top.txt", "top"}}));
    zip.ExtractDirectory = dir.path() + "flat";
    zip.UsePaths = false;
    zip.FilesToProcess = {"d\\*.*"};
    EXPECT_EQ(zip.extract(), 0);
    EXPECT_EQ(readWholeFile(dir.path() + "flat/deep.txt"), "deep");
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "flat/top.txt"));
    zip.FilesToProcess = {"nothing/*.*"};
    EXPECT_EQ(zip.extract(), ZipResult::NothingToDo);
}

TEST_F(ZipComponentTest, DeleteEntriesFoldersAndTheLastEntry) {
    ASSERT_TRUE(
        craftZip(zip.ZipFileName,
                 {{"d/a.txt", "a"}, {"d/sub/b.txt", "b"}, {"dx.txt", "c"}, {"e.txt", "e"}}));
    zip.FilesToProcess = {"d\\*.*"};
    EXPECT_EQ(zip.remove(), 0);
    EXPECT_THAT(events.log, ElementsAre("delete d/a.txt", "delete d/sub/b.txt"));
    EXPECT_THAT(names(), ElementsAre("dx.txt", "e.txt"));
    EXPECT_TRUE(archiveTestsSound(zip.ZipFileName));
    zip.FilesToProcess = {"zzz"};
    EXPECT_EQ(zip.remove(), ZipResult::NothingToDo);
    EXPECT_EQ(zip.remove(), ZipResult::NothingToDo) << "an empty list deletes nothing";
    zip.FilesToProcess = {"dx.txt", "e.txt"};
    EXPECT_EQ(zip.remove(), 0);
    EXPECT_FALSE(std::filesystem::exists(zip.ZipFileName)) << "libzip removes an empty archive";
}

TEST_F(ZipComponentTest, EmptyArchiveFile) {
    makeFile(src("a"), "a");
    ASSERT_EQ(addFiles({"a"}), 0);
    zip.FilesToProcess = {"a"};
    ASSERT_EQ(zip.remove(), 0);
    makeFile(zip.ZipFileName, "");
    EXPECT_EQ(zip.list(), ZipResult::EmptyZipFile);
    std::int64_t count = -1;
    EXPECT_EQ(zip.count(count), 0);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(addFiles({"a"}), 0);
    EXPECT_THAT(names(), ElementsAre("a"));
}

} // namespace
