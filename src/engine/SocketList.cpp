#include "engine/SocketList.h"

#include "engine/TThreadSocket.h"

namespace quarlo {

SocketList::SocketList() = default;

SocketList::~SocketList() {
    std::vector<std::unique_ptr<TThreadSocket>> slots;
    {
        std::lock_guard lock(m_mutex);
        slots.swap(m_slots);
    }
    // Freed outside the lock: a slot's last OnDone may still ask the list something.
    slots.clear();
}

void SocketList::SetSocketCount(int n) {
    if (n < 0)
        n = 0;
    std::vector<std::unique_ptr<TThreadSocket>> freed;
    {
        std::lock_guard lock(m_mutex);
        while (static_cast<int>(m_slots.size()) < n)
            m_slots.push_back(std::make_unique<TThreadSocket>());
        for (int i = static_cast<int>(m_slots.size()) - 1;
             i >= 0 && static_cast<int>(m_slots.size()) > n; --i) {
            if (m_slots[i]->busy())
                continue;
            freed.push_back(std::move(m_slots[i]));
            m_slots.erase(m_slots.begin() + i);
        }
    }
    // Each idle thread ends within moments of being told; its slot goes with it.
    freed.clear();
}

int SocketList::count() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_slots.size());
}

TThreadSocket* SocketList::slot(int index) const {
    std::lock_guard lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_slots.size()))
        return nullptr;
    return m_slots[index].get();
}

int SocketList::indexOf(const TThreadSocket* slot) const {
    std::lock_guard lock(m_mutex);
    for (std::size_t i = 0; i < m_slots.size(); ++i)
        if (m_slots[i].get() == slot)
            return static_cast<int>(i);
    return -1;
}

TThreadSocket* SocketList::firstIdle() const {
    std::lock_guard lock(m_mutex);
    for (const auto& slot : m_slots)
        if (!slot->busy())
            return slot.get();
    return nullptr;
}

int SocketList::busyCount() const {
    std::lock_guard lock(m_mutex);
    int busy = 0;
    for (const auto& slot : m_slots)
        busy += slot->busy() ? 1 : 0;
    return busy;
}

void SocketList::StopAll() {
    std::lock_guard lock(m_mutex);
    for (const auto& slot : m_slots)
        slot->Stop();
}

std::vector<SocketList::SlotView> SocketList::view() const {
    std::lock_guard lock(m_mutex);
    std::vector<SlotView> rows;
    rows.reserve(m_slots.size());
    for (const auto& slot : m_slots)
        rows.push_back(slot->view());
    return rows;
}

} // namespace quarlo
