#pragma once

#include "engine/SocketList.h"

#include <optional>
#include <string>

namespace quarlo {

// The texts of one row of the connections view.
struct ConnectionRow {
    std::string caption;  // the URL being fetched
    std::string progress; // bar segments and percent, or "  ?" when the size is unknown
    std::string bytes;
    std::string size;
    std::string status; // the slot's state, or the failure's text after a failed transfer
    int percent = -1;   // 0-100 for the progress bar; -1 when the size is unknown

    bool operator==(const ConnectionRow&) const = default;
};

// One bar segment per full 10 %: a full block, which every font in use draws.
inline constexpr const char* kProgressSegment = "\u2588";

// The caption of a slot's row before it has fetched anything: "Socket 1: " for index 0.
std::string idleSlotCaption(int index);
// The row of a slot that is fetching something; nullopt for an idle slot, whose row keeps
// showing its last transfer.
std::optional<ConnectionRow> connectionRow(const SocketList::SlotView& slot);

} // namespace quarlo
