#include "engine/ConnectionRows.h"

#include <algorithm>
#include <cmath>

namespace quarlo {

namespace {

// What a server sent of what it announced, rounded; -1 without a size. A server may send more
// than it announced: the bar never runs past 100 %.
int percentOf(int64_t received, int64_t size) {
    if (size <= 0)
        return -1;
    return static_cast<int>(std::clamp<long long>(
        std::llround(static_cast<double>(received) * 100.0 / static_cast<double>(size)), 0, 100));
}

std::string progressText(int percent) {
    if (percent < 0)
        return "  ?";
    std::string text;
    for (int i = 0; i < percent / 10; ++i)
        text += kProgressSegment;
    return text + "  " + std::to_string(percent) + "%";
}

} // namespace

std::string idleSlotCaption(int index) {
    return "Socket " + std::to_string(index + 1) + ": ";
}

std::optional<ConnectionRow> connectionRow(const SocketList::SlotView& slot) {
    if (slot.url.empty())
        return std::nullopt;
    const int percent = percentOf(slot.bytesReceived, slot.size);
    return ConnectionRow{slot.url,
                         progressText(percent),
                         std::to_string(slot.bytesReceived),
                         std::to_string(slot.size),
                         slot.failure.empty() ? slot.state : slot.failure,
                         percent};
}

} // namespace quarlo
