#include "platform/AppendingFile.h"
#include "platform/FileUtil.h"
#include "platform/FolderListings.h"
#include "platform/WriteFault.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace quarlo;
using quarlo::test::readWholeFile;
using quarlo::test::TempDir;
using quarlo::test::writeWholeFile;

namespace {

unsigned modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

} // namespace

TEST(ForceDirectories, CreatesMissingParentsAndRefusesAnEmptyPath) {
    TempDir dir;
    const Status refused = forceDirectories("");
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.message(), "Unable to create directory");

    EXPECT_TRUE(forceDirectories(dir.path() + "a/b/c/").ok());
    EXPECT_TRUE(directoryExists(dir.path() + "a/b/c"));
    EXPECT_TRUE(forceDirectories(dir.path() + "a/b/c").ok()); // exists already
    EXPECT_TRUE(forceDirectories(dir.path() + "a//d/").ok());
    EXPECT_TRUE(directoryExists(dir.path() + "a/d/"));

    // A folder that cannot be made (a file is in the way) is a failure.
    writeWholeFile(dir.path() + "file", "x");
    EXPECT_FALSE(forceDirectories(dir.path() + "file/sub/").ok());
    EXPECT_FALSE(directoryExists(dir.path() + "file/sub/"));
}

TEST(WriteFileAtomic, ReplacesContentAndModeAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir.path() + "settings.reg";
    writeWholeFile(path, std::string(10000, 'o'));
    ::chmod(path.c_str(), 0644);

    const std::string data = std::string("new\r\n\0binary\xC3\xB6", 15);
    ASSERT_TRUE(writeFileAtomic(path, data, 0600).ok());
    EXPECT_EQ(readWholeFile(path), data);
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(listFiles(dir.path()), std::vector<std::string>{"settings.reg"});

    ASSERT_TRUE(writeFileAtomic(path, "", 0640).ok());
    EXPECT_EQ(readFile(path), std::optional<std::string>(""));
    EXPECT_EQ(modeOf(path), 0640u);
}

TEST(WriteFileAtomic, FailsWithTheMessageAndCleansUp) {
    TempDir dir;
    const std::string missing = dir.path() + "nofolder/x.txt";
    const Status status = writeFileAtomic(missing, "x");
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.message(), "Unable to write to " + missing + ": No such file or directory");

    // The target is a folder: the rename fails and the temporary file must go again.
    ASSERT_TRUE(forceDirectories(dir.path() + "target/").ok());
    EXPECT_FALSE(writeFileAtomic(dir.path() + "target", "x").ok());
    EXPECT_TRUE(listFiles(dir.path()).empty());
    EXPECT_EQ(listFolders(dir.path()), std::vector<std::string>{"target"});
}

TEST(WriteFileAtomic, WorksForNamesNearTheLengthLimit) {
    TempDir dir;
    const std::string path = dir.path() + std::string(250, 'n') + ".html";
    ASSERT_TRUE(writeFileAtomic(path, "page").ok());
    EXPECT_EQ(readWholeFile(path), "page");
    EXPECT_EQ(listFiles(dir.path()).size(), 1u);
}

TEST(FileOperations, CopyMoveDeleteAndReplace) {
    TempDir dir;
    const std::string a = dir.path() + "a.txt";
    const std::string b = dir.path() + "sub/b.txt";
    writeWholeFile(a, "alpha");
    ::chmod(a.c_str(), 0600);
    ASSERT_TRUE(forceDirectories(folderOf(b)).ok());
    writeWholeFile(b, "old content that is longer");

    EXPECT_TRUE(copyFile(a, b));
    EXPECT_EQ(readWholeFile(b), "alpha");
    EXPECT_EQ(modeOf(b), 0600u);
    EXPECT_TRUE(fileExists(a));

    writeWholeFile(a, "beta");
    EXPECT_TRUE(moveFile(a, b));
    EXPECT_FALSE(fileExists(a));
    EXPECT_EQ(readWholeFile(b), "beta");

    EXPECT_FALSE(copyFile(a, b)); // source gone
    EXPECT_FALSE(moveFile(a, b));
    EXPECT_TRUE(deleteFile(b));
    EXPECT_FALSE(deleteFile(b));
    EXPECT_FALSE(deleteFile(dir.path() + "sub")); // never a folder
    EXPECT_TRUE(directoryExists(dir.path() + "sub"));
}

TEST(RemoveTree, DeletesEverythingBelowButNeverFollowsLinks) {
    TempDir dir;
    const std::string keep = dir.path() + "keep/";
    writeWholeFile(keep + "precious.txt", "data");
    const std::string tree = dir.path() + "tree/";
    writeWholeFile(tree + "x/y/z.txt", "z");
    ASSERT_EQ(::symlink(keep.c_str(), (tree + "x/link").c_str()), 0);
    ASSERT_EQ(::symlink(keep.c_str(), (dir.path() + "toplink").c_str()), 0);

    EXPECT_TRUE(removeTree(tree));
    EXPECT_FALSE(directoryExists(tree));
    // A link given with a trailing "/" is still removed as a link.
    EXPECT_TRUE(removeTree(dir.path() + "toplink/"));
    EXPECT_EQ(readWholeFile(keep + "precious.txt"), "data");
    EXPECT_TRUE(removeTree(dir.path() + "never-existed/"));
}

TEST(Listings, FilterBySuffixWithoutCaseAndSort) {
    TempDir dir;
    for (const char* name : {"b.QLT", "a.qlt", "c.dwn", "qlt", ".hidden.qlt"})
        writeWholeFile(dir.path() + name, "");
    ASSERT_TRUE(forceDirectories(dir.path() + "folder.qlt/").ok());
    ASSERT_TRUE(forceDirectories(dir.path() + "General/").ok());

    EXPECT_EQ(listFiles(dir.path(), ".qlt"),
              (std::vector<std::string>{".hidden.qlt", "a.qlt", "b.QLT"}));
    EXPECT_EQ(listFiles(dir.path()).size(), 5u);
    EXPECT_EQ(listFolders(dir.path()), (std::vector<std::string>{"General", "folder.qlt"}));
    EXPECT_TRUE(listFiles(dir.path() + "missing/").empty());
}

TEST(PathHelpers, SplitSlashSeparatedPaths) {
    struct Case {
        std::string path, folder, name, extension;
    };
    const Case cases[] = {
        {"/a/b/page.html", "/a/b/", "page.html", ".html"},
        {"/a/b/", "/a/b/", "", ""},
        {"page", "", "page", ""},
        {"/a.dir/file", "/a.dir/", "file", ""},
        {"archive.tar.gz", "", "archive.tar.gz", ".gz"},
        {"/x/caf\xC3\xA9.htm", "/x/", "caf\xC3\xA9.htm", ".htm"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(folderOf(c.path), c.folder) << c.path;
        EXPECT_EQ(fileNameOf(c.path), c.name) << c.path;
        EXPECT_EQ(extensionOf(c.path), c.extension) << c.path;
    }
    EXPECT_EQ(withTrailingSlash(""), "");
    EXPECT_EQ(withTrailingSlash("/a"), "/a/");
    EXPECT_EQ(withTrailingSlash("/a/"), "/a/");
    EXPECT_EQ(withoutTrailingSlash("/a//"), "/a");
    EXPECT_EQ(withoutTrailingSlash("/"), "/");
    EXPECT_EQ(withoutTrailingSlash(""), "");
}

// The write fault switch makes the program's writes fail as a full or read-only disk would:
// from the Nth write on, every one or a count of them. An atomic write that fails says why
// and leaves the file as it was.
TEST(WriteFault, TheNthWriteFailsWithTheErrorAskedForAndTheFileStaysAsItWas) {
    TempDir dir;
    const std::string file = dir.path() + "f.txt";
    ASSERT_TRUE(writeFileAtomic(file, "before"));
    ASSERT_TRUE(armWriteFault("2:ENOSPC:1"));
    EXPECT_TRUE(writeFileAtomic(file, "first"));
    const Status second = writeFileAtomic(file, "second");
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_EQ(second.message(), "Unable to write to " + file + ": No space left on device");
    EXPECT_EQ(readWholeFile(file), "first");
    EXPECT_TRUE(writeFileAtomic(file, "third")) << "one write only";
    EXPECT_EQ(writesCounted(), 3u);
    EXPECT_EQ(writesFailed(), 1u);

    // Without a count the disk stays read-only.
    ASSERT_TRUE(armWriteFault("1:EROFS"));
    EXPECT_FALSE(writeFileAtomic(file, "x"));
    EXPECT_FALSE(copyFile(file, dir.path() + "copy.txt"));
    EXPECT_FALSE(writeFileAtomic(file, "y"));
    disarmWriteFault();
    EXPECT_TRUE(writeFileAtomic(file, "after"));
    EXPECT_EQ(listFiles(dir.path()), std::vector<std::string>{"f.txt"}) << "no temporary file";

    for (const char* setting : {"", "3", "0:ENOSPC", "x:ENOSPC", "-1:EROFS", "3:EPERM",
                                "3:ENOSPC:", "3:ENOSPC:z", "3:ENOSPC:1:2"}) {
        EXPECT_FALSE(armWriteFault(setting)) << setting;
    }
    EXPECT_TRUE(isOutputFault(EDQUOT));
    EXPECT_FALSE(isOutputFault(EACCES));
}

TEST(WriteFileAtomic, OnlyItsOwnTemporaryNamesAreKnownAsSuch) {
    const struct {
        const char* name;
        bool temporary;
    } cases[] = {
        {".page.html.tmp-Ab12Cd", true}, {".quarlo.tmp-zzzzzz", true},
        {"page.html.tmp-Ab12Cd", false}, {".page.html.tmp-Ab12C", false},
        {".page.tmp-Ab12C!", false},     {".tmp-abcdef", false},
        {".page.html", false},           {"notes.tmp", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isAtomicWriteTempName(c.name), c.temporary) << c.name;
}

// The unflushed write is the one temporary file of a converted page: it replaces whatever
// the name held, and a write that fails (here a full disk) leaves no file at all, so that a
// part of a page is never taken for the whole.
TEST(WriteFileUnflushed, WritesTheWholeContentOrLeavesNoFile) {
    TempDir dir;
    const std::string file = dir.path() + ".page.html.parsed";
    writeWholeFile(file, std::string(5000, 'o'));
    ASSERT_TRUE(writeFileUnflushed(file, "<p>new</p>", 0600));
    EXPECT_EQ(readWholeFile(file), "<p>new</p>");

    ASSERT_TRUE(armWriteFault("1:ENOSPC"));
    const Status full = writeFileUnflushed(file, "<p>newer</p>");
    disarmWriteFault();
    EXPECT_EQ(full.message(), "Unable to write to " + file + ": No space left on device");
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_FALSE(fileExists(file));

    const std::string missing = dir.path() + "absent/.x.parsed";
    EXPECT_EQ(writeFileUnflushed(missing, "x").message(),
              "Unable to write to " + missing + ": No such file or directory");
    EXPECT_TRUE(listFiles(dir.path()).empty());
}

// A log appended to block by block stays open between blocks, moves to another path when asked,
// starts a new file after close() when its file was replaced or removed meanwhile, and after
// a failed append (which says why, with the error in errno) opens the file again.
TEST(AppendingFile, AppendsToTheFileOfItsPathAndOpensItAgainWhenAsked) {
    TempDir dir;
    const std::string log = dir.path() + "queue.links";
    const std::string other = dir.path() + "renamed.links";
    AppendingFile file;
    ASSERT_TRUE(file.append(log, "one\n"));
    ASSERT_TRUE(file.append(log, "two\n"));
    EXPECT_EQ(readWholeFile(log), "one\ntwo\n");
    ASSERT_TRUE(file.append(other, "three\n"));
    ASSERT_TRUE(file.append(log, "four\n"));
    EXPECT_EQ(readWholeFile(log), "one\ntwo\nfour\n");
    EXPECT_EQ(readWholeFile(other), "three\n");

    // Replaced as a repair of the log replaces it: an open file would write to the old one.
    writeWholeFile(dir.path() + "new.links", "repaired\n");
    ASSERT_EQ(::rename((dir.path() + "new.links").c_str(), log.c_str()), 0);
    file.close();
    ASSERT_TRUE(file.append(log, "five\n"));
    EXPECT_EQ(readWholeFile(log), "repaired\nfive\n");
    ASSERT_TRUE(deleteFile(log));
    file.close();
    ASSERT_TRUE(file.append(log, "six\n"));
    EXPECT_EQ(readWholeFile(log), "six\n");

    ASSERT_TRUE(armWriteFault("1:ENOSPC:1"));
    const Status full = file.append(log, "lost\n");
    disarmWriteFault();
    EXPECT_EQ(full.message(), "Unable to write to " + log + ": No space left on device");
    EXPECT_EQ(errno, ENOSPC);
    ASSERT_TRUE(deleteFile(log));
    ASSERT_TRUE(file.append(log, "seven\n"));
    EXPECT_EQ(readWholeFile(log), "seven\n");

    const std::string missing = dir.path() + "absent/queue.links";
    EXPECT_EQ(file.append(missing, "x").message(),
              "Unable to write to " + missing + ": No such file or directory");
    EXPECT_EQ(errno, ENOENT);
}

// A flush reaches the file system of a folder not made yet through its nearest parent; one
// that fails says which folder and why, with the error left in errno.
TEST(FlushFileSystem, FlushesThroughTheNearestFolderAndReportsAFailure) {
    TempDir dir;
    EXPECT_TRUE(flushFileSystem(dir.path()));
    EXPECT_TRUE(flushFileSystem(dir.path() + "not/made/yet/"));
    EXPECT_TRUE(flushFileSystem("relative-and-absent/"));

    ASSERT_TRUE(armFlushFault("2:EIO:1"));
    EXPECT_TRUE(flushFileSystem(dir.path()));
    const Status failed = flushFileSystem(dir.path());
    EXPECT_EQ(errno, EIO);
    EXPECT_EQ(failed.message(), "Unable to flush " + dir.path() + ": Input/output error");
    EXPECT_TRUE(flushFileSystem(dir.path())) << "one flush only";
    disarmFlushFault();
    EXPECT_FALSE(armFlushFault("3:EPERM"));
}

// Whether a folder is listed or its files stat'ed one by one, the answers are those of
// fileExists: links followed, folders and missing names refused.
TEST(FolderListings, AnswerAsAStatOfEachFileWouldBeforeAndAfterTheFolderIsListed) {
    namespace fs = std::filesystem;
    TempDir dir;
    const std::string folder = dir.path() + "site/";
    ASSERT_TRUE(forceDirectories(folder + "sub").ok());
    std::vector<std::string> names;
    for (int n = 0; n < 12; ++n) {
        names.push_back("f" + std::to_string(n) + ".html");
        writeWholeFile(folder + names.back(), "x");
    }
    fs::create_symlink(folder + "f0.html", folder + "link");
    fs::create_symlink(folder + "gone", folder + "dangling");
    fs::create_symlink(folder + "sub", folder + "folderlink");
    names.insert(names.end(), {"sub", "link", "dangling", "folderlink", "missing", "", "."});

    FolderListings listings;
    for (int round = 0; round < 2; ++round) {
        for (const std::string& name : names)
            EXPECT_EQ(listings.holdsFile(folder + name), fileExists(folder + name))
                << round << " " << name;
        for (int n = 0; n < 10; ++n)
            EXPECT_FALSE(listings.holdsFile(dir.path() + "none/f" + std::to_string(n)));
    }
    EXPECT_TRUE(listings.holdsFile(folder + "link"));
    EXPECT_FALSE(listings.holdsFile(folder + "sub"));
    EXPECT_FALSE(listings.holdsFile(folder + "dangling"));
}

// A file is read whole whatever its size against the read sizes, and a file whose size the
// system does not give (those of /proc say 0) is read to its end all the same.
TEST(ReadFile, ReadsWholeFilesOfAnySizeAndFilesOfUnknownSize) {
    TempDir dir;
    for (const std::size_t size : {0u, 1u, 65535u, 65536u, 65537u, 300001u}) {
        std::string text(size, 'x');
        for (std::size_t i = 0; i < size; ++i)
            text[i] = static_cast<char>('a' + i % 23);
        const std::string path = dir.path() + "f" + std::to_string(size);
        writeWholeFile(path, text);
        EXPECT_EQ(readFile(path), std::optional<std::string>(text)) << size;
    }
    const std::optional<std::string> status = readFile("/proc/self/status");
    ASSERT_TRUE(status.has_value());
    EXPECT_NE(status->find("Pid:"), std::string::npos);
    EXPECT_FALSE(readFile(dir.path()).has_value());
    EXPECT_FALSE(readFile(dir.path() + "missing").has_value());
}
