#include "engine/ConnectionRows.h"

#include <algorithm>
#include <cmath>

namespace quarlo {

namespace {

std::string progressText(int64_t received, int64_t size) {
    if (size <= 0)
        return "  ?";
    // A server may send more than it announced: the bar never runs past ten segments.
    const auto percent = std::clamp<long long>(
        std::llround(static_cast<double>(received) * 100.0 / static_cast<double>(size)), 0, 100);
    std::string text;
    for (long long i = 0; i < percent / 10; ++i)
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
    return ConnectionRow{slot.url, progressText(slot.bytesReceived, slot.size),
                         std::to_string(slot.bytesReceived), std::to_string(slot.size), slot.state};
}

} // namespace quarlo
