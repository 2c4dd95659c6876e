#pragma once

#include "platform/Result.h"
#include "platform/UiHooks.h"

#include <mutex>
#include <set>
#include <string>

namespace quarlo {

// Tells the user about failures the program carries on after (a setting that was not saved,
// a folder that could not be created), once per cause: a settings file on a full disk fails
// at every change, and one message says all there is to say. Thread-safe.
class FailureReporter {
public:
    // Shows the failure's message through the hooks unless a failure of the same kind with
    // the same cause (a file or folder path, say) was shown already. Successes show nothing.
    // True when the message was shown now.
    bool report(UiHooks& hooks, const std::string& cause, const Status& failure,
                UiHooks::MessageKind kind = UiHooks::MessageKind::Warning);

private:
    std::mutex m_mutex;
    std::set<std::string> m_reported;
};

} // namespace quarlo
