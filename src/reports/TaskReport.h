#pragma once

#include "platform/Result.h"
#include "reports/ReportPaths.h"

#include <functional>
#include <string>
#include <string_view>

namespace quarlo {

class TQLTask;

// Told how far the reports are: the label of the part being written (text 790, "Creating
// Page Index", "Creating Image Index") and a percentage (0..100, once per index page).
using ReportProgress = std::function<void(int percent, std::string_view label)>;

// Which parts to write. The report dialog's buttons write the first two only.
struct ReportParts {
    bool summary = true;
    bool pageIndex = true;
    bool imageIndex = true;
};

struct ReportOutcome {
    std::string summaryPath;
    int pageIndexPages = 0;  // index pages written
    int imageIndexPages = 0; // likewise
};

// Writes the report pages of a task beside its saved files: the summary with the task's
// counters, and the page and image index pages, twenty saved files to a page, numbered
// after the saved pages and images its queue file lists. The skin images the pages show
// are copied along (one that cannot be copied is skipped). Every file is rewritten; index
// pages of an earlier report beyond the new count are left in place.
//
// A Zip-mode task reads its saved files from the Temp folder: unpack its archive there
// first (unpackTaskArchive). Fails when the report folder cannot be created, the queue
// file cannot be read or a page cannot be written.
Result<ReportOutcome> writeTaskReports(const TQLTask& task, const ReportProgress& progress = {},
                                       ReportParts parts = {});

// Copies html.gif, images.gif, www.gif, diamond.gif and qlbackground.jpg from the current
// skin (a file it lacks from the default skin) into the report folder's "!images/"; the
// number of files copied. An image that neither skin has is passed over; one that cannot be
// written fails.
Result<int> copyReportImages(const TQLTask& task, const ReportPaths& paths);

} // namespace quarlo
