#pragma once

#include "cli/Args.h"
#include "cli/Context.h"

#include <memory>
#include <string_view>
#include <vector>

namespace quarlo {
class TQLApp;
class TQLTask;
} // namespace quarlo

namespace quarlo::cli {

using Handler = int (*)(Context&, Args&);

struct CommandInfo {
    std::string_view name;
    std::string_view usage;   // the synopsis lines
    std::string_view summary; // one line for the command list
    std::string_view details; // the rest of "help COMMAND"
    Handler handler;
};

const std::vector<CommandInfo>& commands();

// How many words at the start of a command line are global options: each word starting
// with "--" up to the command (or "--help"), with the value after a known option that is not
// written "--name=value".
std::size_t globalOptionWords(const std::vector<std::string>& args);
// Fails, naming the word, on an unknown global option and on a value that is missing, not
// a whole number or out of range.
Status checkGlobalOptions(const std::vector<std::string>& words);
// Stores --connections, --priority, --pause and --limit-rate given before the command as
// settings.
int applyGlobalOptions(Context& context, const std::vector<std::string>& words);

int settingsCommand(Context& context, Args& args);
int profileCommand(Context& context, Args& args);
int taskCommand(Context& context, Args& args);
int tasksCommand(Context& context, Args& args);
int runCommand(Context& context, Args& args);
int queueCommand(Context& context, Args& args);
int scheduleCommand(Context& context, Args& args);
int unscheduleCommand(Context& context, Args& args);
int schedulerCommand(Context& context, Args& args);
int zipCommand(Context& context, Args& args);
int reportCommand(Context& context, Args& args);
int categoryCommand(Context& context, Args& args);
int browseCommand(Context& context, Args& args);

// Runs a task in the foreground until it completes or is stopped; the exit code of the run.
int runTaskInForeground(Context& context, TQLApp& app, std::unique_ptr<TQLTask> task);
// Saves a new task, runs it in the foreground and says where its copy is.
int mirrorInForeground(Context& context, TQLApp& app, std::unique_ptr<TQLTask> task);
int getCommand(Context& context, Args& args);
int demoCommand(Context& context, Args& args);

} // namespace quarlo::cli
