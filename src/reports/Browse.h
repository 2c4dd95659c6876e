#pragma once

#include "platform/Result.h"

#include <string>

namespace quarlo {

class TQLApp;
class TQLTask;
class ZipBrowserModel;

inline constexpr const char* kNotRunMessage =
    "This task has not been run, or its resulting zip file no longer exists.";

// The local file of a task's start page, for Browse Offline. In intranet mode it lies under
// the Destination. In Zip mode it lies under the Temp folder once the archive named by the
// Destination is opened in the Zip browser and unpacked for browsing (the given browser, or
// one of its own); a missing archive fails with kNotRunMessage.
Result<std::string> browseTarget(TQLApp& app, const TQLTask& task,
                                 ZipBrowserModel* browser = nullptr);

} // namespace quarlo
