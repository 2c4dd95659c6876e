#pragma once

#include "reports/ReportHtml.h"

#include <cstdint>

namespace quarlo {

// The counters the results table of the summary shows.
struct SummaryCounts {
    std::int64_t pagesSaved = 0;
    std::int64_t pageErrors = 0;
    std::int64_t totalPages = 0;
    std::int64_t resourcesSaved = 0;
    std::int64_t resourceErrors = 0;
    std::int64_t totalResources = 0;
};

// The summary page: title, task block and the results table, whose saved counts link to
// the first page and image index pages.
LineList summaryPageLines(const ReportPaths& paths, const TaskBlockData& task,
                          const SummaryCounts& counts);

} // namespace quarlo
