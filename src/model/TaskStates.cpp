#include "model/TaskStates.h"

namespace quarlo {

TaskStatus taskStatusFromIniValue(std::int32_t value) {
    // The enumeration's underlying type is int: every number is a value it can hold.
    return static_cast<TaskStatus>(value);
}

std::int32_t toIniValue(TaskStatus status) {
    return static_cast<std::int32_t>(status);
}

bool isKnownStatus(TaskStatus status) {
    return status >= TaskStatus::Unscheduled && status <= TaskStatus::Deleted;
}

std::optional<RunMethod> runMethodFromIniValue(std::int64_t value) {
    if (value < static_cast<std::int64_t>(RunMethod::Restart) ||
        value > static_cast<std::int64_t>(RunMethod::Map))
        return std::nullopt;
    return static_cast<RunMethod>(value);
}

std::int32_t toIniValue(RunMethod method) {
    return static_cast<std::int32_t>(method);
}

} // namespace quarlo
