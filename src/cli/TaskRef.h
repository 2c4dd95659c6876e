#pragma once

#include "platform/Result.h"

#include <string>

namespace quarlo {
class TQLApp;
}

namespace quarlo::cli {

// The task file a command line names: NAME (in the last category), CATEGORY/NAME, or the
// path of a .qlt file. Fails with a message naming what was not found.
Result<std::string> resolveTaskPath(TQLApp& app, const std::string& reference);

} // namespace quarlo::cli
