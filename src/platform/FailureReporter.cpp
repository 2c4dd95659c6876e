#include "platform/FailureReporter.h"

namespace quarlo {

bool FailureReporter::report(UiHooks& hooks, const std::string& cause, const Status& failure,
                             UiHooks::MessageKind kind) {
    if (failure.ok())
        return false;
    {
        std::lock_guard lock(m_mutex);
        if (!m_reported.insert(cause + '\n' + errorCodeName(failure.code())).second)
            return false;
    }
    // Outside the lock: the hooks may take their own.
    hooks.showMessage(kind, failure.message());
    return true;
}

} // namespace quarlo
