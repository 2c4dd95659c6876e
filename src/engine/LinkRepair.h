#pragma once

#include "platform/Result.h"

#include <optional>
#include <string>

namespace quarlo {

class TQLTask;
struct TQLQItem;

// Where a run's saved copies lie when its recorded links are repaired, by their local file
// names: the save folder (intranet mode), or the archive and the files waiting for its
// final commit (Zip mode).
class SavedCopies {
public:
    virtual ~SavedCopies() = default;
    // Whether the copy saved under the local file name is there.
    virtual bool holds(const std::string& localFile) = 0;
    // The converted text of a page or style sheet; nothing when it cannot be read.
    virtual std::optional<std::string> read(const std::string& localFile) = 0;
    // Puts the corrected text of the page in its copy's place.
    virtual Status replace(const TQLQItem& page, const std::string& localFile,
                           const std::string& text) = 0;
    // Called once after every replacement, before the log that describes them is replaced.
    virtual Status settle() = 0;
};

// The end of every run, complete or stopped. Every link recorded in the task's link log (see
// LinkLog.h) of a page that is "Parsed" names its local copy when the copy is there and the
// queue has its entry saved (or being updated: an update that saves nothing keeps the
// earlier copy, or does not hold the target), and the target's absolute URL otherwise; a
// later run that saves the target turns the link local again. The corrected pages go back
// through the copies; the log is written again whole (its pages' latest blocks, places and
// forms) and renamed over the old one. Called on the main thread once the run's threads have
// stopped.
Status repairRecordedLinks(TQLTask& task, SavedCopies& copies);
// The same for the save folder of an intranet-mode task: pages are rewritten unflushed
// beside their files and renamed into place, then flushed before the log is replaced.
Status repairRecordedLinks(TQLTask& task);

// Writes the text beside the file, unflushed, and renames it into place.
Status replacePageText(const std::string& pageFile, const std::string& text);

// Folders below the save folder that transfers which saved nothing left empty are removed,
// from the entry's folder up to the save folder.
void removeEmptyFolders(TQLTask& task);

} // namespace quarlo
