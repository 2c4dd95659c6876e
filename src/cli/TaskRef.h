#pragma once

#include "platform/Result.h"

#include <memory>
#include <string>

namespace quarlo {
class TQLApp;
class TQLTask;
} // namespace quarlo

namespace quarlo::cli {

// The task file a command line names: NAME (in the last category), CATEGORY/NAME, or the
// path of a .qlt file. Fails with a message naming what was not found.
Result<std::string> resolveTaskPath(TQLApp& app, const std::string& reference);

// The task a command line names (see resolveTaskPath), loaded from its file; fails with
// "cannot read task file ..." when the file is not a task that can be read.
Result<std::unique_ptr<TQLTask>> loadTaskRef(TQLApp& app, const std::string& reference);

// Whether the task has a queue to resume: a queue file, or the journal of a run that was
// killed before it first saved its queue.
bool taskHasQueue(const TQLTask& task);

} // namespace quarlo::cli
