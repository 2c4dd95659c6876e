#pragma once

#include "platform/Result.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// Creates a folder with all its missing parents. Fails with "Unable to create directory
// <folder>: <reason>" of the errno's kind (a file in the way gives "Not a directory"),
// leaving the error in errno; an empty path is refused with "Unable to create directory".
Status forceDirectories(const std::string& path);

bool fileExists(const std::string& path);      // a regular file (or a link to one)
bool directoryExists(const std::string& path); // a folder (or a link to one)

// Whole content of a file, or nothing when it cannot be read.
std::optional<std::string> readFile(const std::string& path);

// Replaces the file with the data: written to a temporary file in the same folder, flushed,
// given the mode and renamed over the target, so readers see the old or the new file, never
// a torn one. Fails with "Unable to write to <path>: <reason>" of the errno's kind, leaving
// the error in errno.
Status writeFileAtomic(const std::string& path, std::string_view data, unsigned mode = 0644);
// Whether a file name is that of the temporary file of an atomic write (".<name>.tmp-XXXXXX"),
// which only a killed process leaves behind.
bool isAtomicWriteTempName(std::string_view name);

// Writes the data as the whole content of the file, created or emptied first, without
// flushing it to disk: for a file whose name already marks it as unfinished (a temporary
// file renamed over its target later), whose durability the next flushFileSystem() gives.
// A file that cannot be written whole is removed. Fails with "Unable to write to <path>:
// <reason>", leaving the error in errno.
Status writeFileUnflushed(const std::string& path, std::string_view data, unsigned mode = 0644);

// Writes the whole block to the descriptor, retrying short writes: one write for the fault
// switch of WriteFault.h. False with errno set when it fails.
bool writeAll(int fd, const char* data, std::size_t size);
// "Unable to write to <path>: <reason>" of the error's kind, with the error left in errno.
Status writeFailure(const std::string& path, int error);

// Appends the data to the file (created when missing) in as few writes as it takes, without
// flushing it. Fails with "Unable to write to <path>: <reason>", leaving the error in errno;
// a failed append may leave part of the data at the file's end.
Status appendFileUnflushed(const std::string& path, std::string_view data);

// Flushes to disk everything written to the file system that holds the folder (that of its
// nearest existing parent when it does not exist yet). Fails with "Unable to flush <folder>:
// <reason>", leaving the error in errno: what was written there may not survive a power cut.
Status flushFileSystem(const std::string& folder);

bool deleteFile(const std::string& path);
// Renames, or copies and deletes across file systems. The target is replaced.
bool moveFile(const std::string& from, const std::string& to);
bool copyFile(const std::string& from, const std::string& to);
// Deletes a folder with everything below it (symbolic links are removed, never followed).
bool removeTree(const std::string& path);

// Names (not paths) of the regular files directly in a folder whose name ends with the
// suffix (compared without regard to case; an empty suffix matches all), sorted.
std::vector<std::string> listFiles(const std::string& folder, std::string_view suffix = {});
// Names of the sub-folders directly in a folder, sorted.
std::vector<std::string> listFolders(const std::string& folder);

// Path helpers on "/"-separated paths.
std::string withTrailingSlash(std::string path);    // "" stays ""
std::string withoutTrailingSlash(std::string path); // "/" stays "/"
std::string folderOf(const std::string& path);      // up to and including the last "/"
std::string fileNameOf(const std::string& path);    // after the last "/"
std::string extensionOf(const std::string& path);   // from the last "." of the name, or ""
// The path made absolute against the working folder and normalised; as given when the
// working folder cannot be read.
std::string absolutePath(const std::string& path);

} // namespace quarlo
