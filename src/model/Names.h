#pragma once

#include "platform/Result.h"

#include <string>

namespace quarlo {

// Task, category and profile names become file and folder names under the program's own
// folders. A name that is empty, "." or "..", or that holds "/" or a NUL byte could name
// something outside its folder (or no file at all), so it is refused with a message that
// says what was wrong, e.g. "Invalid task name "a/b": a name cannot contain "/"".
// `what` names the kind of item in the message ("task", "category", "profile").
Status checkItemName(const std::string& name, const char* what);

} // namespace quarlo
