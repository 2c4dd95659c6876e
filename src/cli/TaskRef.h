#pragma once

#include "model/TaskStates.h"
#include "platform/Result.h"

#include <memory>
#include <optional>
#include <string>

namespace quarlo {
class TQLApp;
class TQLTask;
} // namespace quarlo

namespace quarlo::cli {

class Args;

// The task file a command line names: NAME (in the last category), CATEGORY/NAME, or the
// path of a .qlt file. Fails with a message naming what was not found.
Result<std::string> resolveTaskPath(TQLApp& app, const std::string& reference);

// The task a command line names (see resolveTaskPath), loaded from its file; fails with
// "cannot read task file ..." when the file is not a task that can be read.
Result<std::unique_ptr<TQLTask>> loadTaskRef(TQLApp& app, const std::string& reference);

// The task a command names as its only positional word; fails with usage when there is not
// exactly one.
Result<std::unique_ptr<TQLTask>> loadOnlyTaskRef(TQLApp& app, const Args& args,
                                                 const std::string& usage);

// The run method --restart, --resume, --update or --recover asks for (the flags consumed):
// nothing without one; fails when more than one is given.
Result<std::optional<RunMethod>> flaggedRunMethod(Args& args);

// Whether the task has a queue to resume: a queue file, or the journal of a run that was
// killed before it first saved its queue.
bool taskHasQueue(const TQLTask& task);

} // namespace quarlo::cli
