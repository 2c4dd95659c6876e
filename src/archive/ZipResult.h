#pragma once

#include <string>
#include <string_view>

namespace quarlo {

// Result codes of the Zip component's operations. 0 or less is success; the rest follow the
// table the Zip browser reports through.
struct ZipResult {
    enum : int {
        Success = 0,
        NothingToDo = 30,      // no file or entry matched what was asked for
        FilesSkipped = 40,     // some entries or files were left out (unsafe, declined, ...)
        EmptyZipFile = 50,     // the archive holds no entries
        ArchiveNotFound = 100, // the archive file does not exist
        Corrupted = 110,       // not a Zip archive, inconsistent, truncated or a bad CRC
        OutOfMemory = 120,
        DiskFull = 150,
        ArchiveLocked = 180, // another process works on the archive
        UserAbort = 190,     // the Replace question was answered Cancel
        TempFileProblem = 280,
        NamesRepeated = 370, // two files give one entry name once their paths are dropped
        CannotAccess = 400,  // the archive or a file to process cannot be read or written
        OtherError = 999,    // anything else: reported with the generic message
    };
};

// 0 for success, 1 for a warning, 2 for an error.
int zipResultSeverity(int code);
// The text shown for a code, with the verb ("adding", "extracting", "deleting") put in where
// the message needs one; empty for codes that show nothing.
std::string zipResultMessage(int code, std::string_view verb);
// Shown in an information box rather than an error box.
bool zipResultIsInformation(int code);

} // namespace quarlo
