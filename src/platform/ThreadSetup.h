#pragma once

// How a thread of the program presents itself: its name, and how the kernel schedules it.

namespace quarlo {

// Names the calling thread as tools show it (top -H, perf, a debugger): at most 15 bytes.
void nameThisThread(const char* name);

// Marks the calling thread as throughput work: the kernel's batch policy at the same nice
// level, under which a wake-up of this thread does not preempt the thread that woke it. For
// threads that mostly wait on the network, woken by a thread whose work comes first.
void markThisThreadAsBatch();

} // namespace quarlo
