#pragma once

#include <iosfwd>
#include <vector>

namespace quarlo {
class TQLProfile;
class TQLTask;
} // namespace quarlo

namespace quarlo::cli {

void printProfile(std::ostream& out, const TQLProfile& profile);
// Every field of a task, one "Name: value" line each (the password only as set or not).
void printTask(std::ostream& out, const TQLTask& task);

} // namespace quarlo::cli
