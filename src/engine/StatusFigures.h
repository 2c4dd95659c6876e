#pragma once

#include "model/TaskDate.h"

#include <cstdint>
#include <string>

namespace quarlo {

struct TaskCounters;

// What the status window shows of a run, worked out from the task's counters and elapsed
// time; the desktop program and the command line show the same figures.
struct StatusFigures {
    int pagesPercent = 0;
    int mediaPercent = 0;
    int errorsPercent = 0;
    std::string pagesBar;  // "12/40 -> 37%": pages saved / pages found
    std::string mediaBar;  // the same for media files
    std::string errorsBar; // errors / everything found
    std::string time;      // "1: 05: 09" (whole days dropped)
    std::string kilobytes; // one decimal
    std::string rate;      // KB/sec with one decimal, "0.0" before the first second
    long long seconds = 0; // the elapsed seconds of the day the rate is measured over
    double kilobytesPerSecond = 0;
};

StatusFigures computeStatusFigures(const TaskCounters& counters, DateTime elapsed);

} // namespace quarlo
