#pragma once

#include <cstdint>
#include <optional>

namespace quarlo {

// Queue statuses (field 0 of a data line, as the numbers given here). Every status of Saved
// or more counts as saved.
enum class QueueStatus : std::uint8_t {
    None = 0,
    Downloading = 1,
    Updating = 2,
    Error = 3,
    Downloaded = 4,
    Saved = 5,
    Updated = 6,
    Mapping = 7,
    Parsing = 8,
    Mapped = 9,
    Parsed = 10,
    Zipped = 11,
};

// Queue modes (field 7, as the numbers given here): what a run does with the entry.
enum class QueueMode : std::uint8_t {
    Unmarked = 0, // listed, never fetched
    Download = 1,
    Map = 2, // pages only
    Update = 3,
};

// The state a number of a queue line stands for; nothing for a number outside the list (the
// queue loader then repairs the line).
std::optional<QueueStatus> queueStatusFromValue(std::int64_t value);
std::optional<QueueMode> queueModeFromValue(std::int64_t value);
int toQueueValue(QueueStatus status);
int toQueueValue(QueueMode mode);

} // namespace quarlo
