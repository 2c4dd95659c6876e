#pragma once

#include "archive/ZipEvents.h"
#include "platform/Result.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace quarlo {

class TQLTask;

// The entries of an archive file as it is on disk, by name; a missing archive has none.
// Fails when the archive exists but cannot be read.
Result<std::map<std::string, ZipEntryInfo>> archiveEntriesOnDisk(const std::string& path);

// What accounting for a Zip-mode task's entries found.
struct ZipAccount {
    std::size_t toZip = 0;      // done entries whose file waits in the Temp folder
    std::size_t fetchAgain = 0; // done entries whose file is neither there nor in the archive
};

// When an archive entry stands for a file of the Temp folder: whenever it is there (what this
// run committed), or only with the same size and a time that is not older (what an earlier
// run may have committed before the file was fetched again).
enum class ZipEntryMatch { Name, SameFile };

// Accounts for every entry of a Zip-mode task against the Temp folder and the archive. A file
// under its final name in the Temp folder is complete (files are renamed in only when done).
// A saved resource or parsed page whose file is in the Temp folder joins the zip list unless
// the archive holds it already; a saved page whose file is there waits for the parse thread;
// an entry marked done whose file is in neither place (or a saved page without its file)
// goes back to status 0, to be fetched again. Takes the task's mutex.
ZipAccount accountForZipEntries(TQLTask& task, const std::map<std::string, ZipEntryInfo>& archive,
                                const std::string& tempFolder, ZipEntryMatch match);

// Puts the entries with these URLs back to status 0 ("Transfer Incomplete") when they are
// marked done, so that they are fetched again. Takes the task's mutex.
void fetchAgain(TQLTask& task, const std::vector<std::string>& urls);

} // namespace quarlo
