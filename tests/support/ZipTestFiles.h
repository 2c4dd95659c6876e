#pragma once

#include <ctime>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace quarlo::test {

// Helpers of the archive suites: files with chosen times, archives crafted outside the
// program (names exactly as given, ".." and absolute ones too) and outside checks of what
// the program wrote.

// Writes the file (folders created) and, when given, sets its modification time.
void makeFile(const std::string& path, const std::string& content, std::time_t modified = 0);
// Runs a shell command; its exit code, with its standard output and error in output.
int runCommand(const std::string& command, std::string* output = nullptr);
// Writes an archive of stored entries through Python's zipfile module (folder created).
bool craftZip(const std::string& path,
              const std::vector<std::pair<std::string, std::string>>& entries);
// True when both "unzip -t" and "python3 -m zipfile -t" find the archive sound.
bool archiveTestsSound(const std::string& path);
// The entry names of an archive, as Python's zipfile lists them.
std::vector<std::string> outsideEntryNames(const std::string& path);
// An entry's comment as Python's zipfile reads it.
std::string outsideComment(const std::string& path, const std::string& entry);
// An entry's bytes as Python's zipfile reads them (its error text when it cannot).
std::string outsideEntryText(const std::string& path, const std::string& entry);
// Every entry with its comment, read by Python's zipfile in one go.
std::map<std::string, std::string> outsideComments(const std::string& path);

} // namespace quarlo::test
