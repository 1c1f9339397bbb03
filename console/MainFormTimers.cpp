#include "MainFormTimers.h"

bool TSessionTimerQueue::Create(TKey key, unsigned milliseconds, int64_t now)
{
    auto [it, added] = m_Timers.try_emplace(key);
    if (!added)
        return false;
    TTimer& timer = it->second;
    timer.Key = key;
    timer.Interval = milliseconds ? milliseconds : DefaultInterval;
    timer.Deadline = now + timer.Interval;
    Push(timer);
    return true;
}

bool TSessionTimerQueue::Delete(TKey key)
{
    auto it = m_Timers.find(key);
    if (it == m_Timers.end())
        return false;
    Erase(it->second);
    m_Timers.erase(it);
    return true;
}

void TSessionTimerQueue::Enable(TKey key, bool enable, int64_t now)
{
    auto it = m_Timers.find(key);
    if (it == m_Timers.end())
        return;
    TTimer& timer = it->second;
    if (!enable) {
        Erase(timer);
        return;
    }
    timer.Deadline = now + timer.Interval;
    if (timer.Slot == NotQueued) {
        Push(timer);
    } else {
        // Never earlier than before.
        timer.Order = ++m_Armed;
        SiftDown(timer.Slot);
    }
}

void TSessionTimerQueue::SetInterval(TKey key, unsigned milliseconds, int64_t now)
{
    auto it = m_Timers.find(key);
    if (it == m_Timers.end())
        return;
    TTimer& timer = it->second;
    timer.Interval = milliseconds ? milliseconds : DefaultInterval;
    if (timer.Slot != NotQueued) {
        Erase(timer);
        timer.Deadline = now + timer.Interval;
        Push(timer);
    }
}

bool TSessionTimerQueue::IsActive(TKey key) const
{
    auto it = m_Timers.find(key);
    return it != m_Timers.end() && it->second.Slot != NotQueued;
}

unsigned TSessionTimerQueue::Interval(TKey key) const
{
    auto it = m_Timers.find(key);
    return it == m_Timers.end() ? 0 : it->second.Interval;
}

bool TSessionTimerQueue::Earliest(int64_t& deadline) const
{
    if (m_Heap.empty())
        return false;
    deadline = m_Heap.front()->Deadline;
    return true;
}

TSessionTimerQueue::TKey TSessionTimerQueue::PopDue(int64_t now)
{
    if (m_Heap.empty() || m_Heap.front()->Deadline > now)
        return nullptr;
    TTimer* timer = m_Heap.front();
    timer->Deadline += timer->Interval;
    if (timer->Deadline <= now)
        timer->Deadline = now + timer->Interval;
    timer->Order = ++m_Armed;
    SiftDown(0);
    return timer->Key;
}

void TSessionTimerQueue::Push(TTimer& timer)
{
    timer.Order = ++m_Armed;
    m_Heap.push_back(&timer);
    timer.Slot = m_Heap.size() - 1;
    SiftUp(timer.Slot);
}

void TSessionTimerQueue::Erase(TTimer& timer)
{
    const size_t slot = timer.Slot;
    if (slot == NotQueued)
        return;
    timer.Slot = NotQueued;
    TTimer* last = m_Heap.back();
    m_Heap.pop_back();
    if (slot == m_Heap.size())
        return;
    Place(slot, last);
    SiftUp(slot);
    SiftDown(last->Slot);
}

void TSessionTimerQueue::Place(size_t slot, TTimer* timer)
{
    m_Heap[slot] = timer;
    timer->Slot = slot;
}

void TSessionTimerQueue::SiftUp(size_t slot)
{
    TTimer* timer = m_Heap[slot];
    while (slot > 0) {
        const size_t parent = (slot - 1) / 2;
        if (!Before(timer, m_Heap[parent]))
            break;
        Place(slot, m_Heap[parent]);
        slot = parent;
    }
    Place(slot, timer);
}

void TSessionTimerQueue::SiftDown(size_t slot)
{
    TTimer* timer = m_Heap[slot];
    const size_t size = m_Heap.size();
    for (;;) {
        size_t child = 2 * slot + 1;
        if (child >= size)
            break;
        if (child + 1 < size && Before(m_Heap[child + 1], m_Heap[child]))
            ++child;
        if (!Before(m_Heap[child], timer))
            break;
        Place(slot, m_Heap[child]);
        slot = child;
    }
    Place(slot, timer);
}
