#include "model/QueueStates.h"

namespace quarlo {

namespace {

template <class State> std::optional<State> stateInRange(std::int64_t value, State last) {
    if (value < 0 || value > static_cast<std::int64_t>(last))
        return std::nullopt;
    return static_cast<State>(value);
}

} // namespace

std::optional<QueueStatus> queueStatusFromValue(std::int64_t value) {
    return stateInRange(value, QueueStatus::Zipped);
}

std::optional<QueueMode> queueModeFromValue(std::int64_t value) {
    return stateInRange(value, QueueMode::Update);
}

int toQueueValue(QueueStatus status) {
    return static_cast<int>(status);
}

int toQueueValue(QueueMode mode) {
    return static_cast<int>(mode);
}

} // namespace quarlo
