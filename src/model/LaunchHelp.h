#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// What the desktop program's command line takes, as `quarlo --help` prints it and its manual
// page describes it (classifyLaunchParameter tells the parameters apart).
struct LaunchParameterHelp {
    std::string_view parameter;   // "URL", "TASK.qlt", "ARCHIVE.zip"
    std::string_view description; // one paragraph
};

const std::vector<LaunchParameterHelp>& launchParameterHelp();

// What a second start does while a program already works on the data folder.
std::string_view secondStartHelp();

// The text of `quarlo --help`.
std::string launchUsageText();

} // namespace quarlo
