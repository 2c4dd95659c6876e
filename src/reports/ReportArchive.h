#pragma once

#include "platform/Result.h"

#include <string>

namespace quarlo {

class TQLTask;
class ZipBrowserModel;

// A Zip-mode task keeps its saved files in its archive: unpacks the archive named by its
// Destination into the Temp folder through the Zip browser (once per opening there), so
// the reports find the files. Fails with text 741 when the archive does not exist. An
// intranet-mode task needs nothing.
Status unpackTaskArchive(ZipBrowserModel& browser, const TQLTask& task);

// Opens an existing archive in the Zip browser (or selects it) and unpacks it into the Temp
// folder for browsing, once per opening.
Status unpackArchiveForBrowsing(ZipBrowserModel& browser, const std::string& archive);

} // namespace quarlo
