#pragma once

#include "platform/Result.h"

namespace quarlo {

class TQLTask;

// The end of every run in intranet mode, complete or stopped. Every link recorded in the
// task's link log (see LinkLog.h) of a page that is "Parsed" names its local copy when the
// copy's file exists and the queue has its entry saved (or does not hold the target), and
// the target's absolute URL otherwise; a later run that saves the target turns the link
// local again. Pages are rewritten unflushed beside their files and renamed into place, then
// flushed; the log is written again whole (its pages' latest blocks, places and forms) and
// renamed over the old one. Called on the main thread once the run's threads have stopped.
Status repairRecordedLinks(TQLTask& task);

// Folders below the save folder that transfers which saved nothing left empty are removed,
// from the entry's folder up to the save folder.
void removeEmptyFolders(TQLTask& task);

} // namespace quarlo
