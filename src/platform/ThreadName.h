#pragma once

namespace quarlo {

// Names the calling thread as tools show it (top -H, perf, a debugger): at most 15 bytes.
void nameThisThread(const char* name);

} // namespace quarlo
