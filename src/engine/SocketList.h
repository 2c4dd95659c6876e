#pragma once

#include "engine/TThreadSocket.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quarlo {

// The transfer slots of the program, in creation order; slot index = position. Its length
// is the number of simultaneous connections. Only the download thread (or, between runs,
// the connections view) resizes it and arms its slots; any thread may read it.
class SocketList {
public:
    // What the connections view shows of one slot.
    using SlotView = TThreadSocket::TransferView;

    SocketList();
    // Frees every slot; a running transfer is stopped first (its OnDone still fires).
    ~SocketList();
    SocketList(const SocketList&) = delete;
    SocketList& operator=(const SocketList&) = delete;

    // Makes the list hold n slots: new idle slots are appended; when there are too many,
    // idle slots are freed from the last towards the first until n remain. Busy slots stay,
    // so the list can remain longer than n until a later call finds them idle.
    void SetSocketCount(int n);
    int count() const;
    // The slot at the index, or nullptr. A slot is freed only by SetSocketCount, and only
    // while idle.
    TThreadSocket* slot(int index) const;
    int indexOf(const TThreadSocket* slot) const;
    // The first idle slot in list order, or nullptr.
    TThreadSocket* firstIdle() const;
    int busyCount() const;
    // Stops every slot, in list order.
    void StopAll();
    // What each slot shows: its transfer while busy, else the last one it ended.
    std::vector<SlotView> view() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<TThreadSocket>> m_slots;
};

} // namespace quarlo
