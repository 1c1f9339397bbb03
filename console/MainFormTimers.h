// The session timers of the main window: one deadline per session in a
// binary heap, so that starting, stopping and re-arming a timer costs
// O(log n) however many sessions are pending. The window drives it with a
// single QTimer armed for the earliest deadline.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace Intp {
class TSession;
}

class TSessionTimerQueue {
public:
    using TKey = Intp::TSession*;
    // Interval given as 0.
    static constexpr unsigned DefaultInterval = 60000;

    // A timer for `key` running from `now`; false (nothing changed) when it
    // already has one. 0 ms means DefaultInterval.
    bool Create(TKey key, unsigned milliseconds, int64_t now);
    // Forgets the key's timer; false when it had none.
    bool Delete(TKey key);
    // Starting begins a full interval from `now` (also when running);
    // stopping keeps the timer, stopped.
    void Enable(TKey key, bool enable, int64_t now);
    // A new interval (0 means DefaultInterval); a running timer counts it
    // from `now`, a stopped one stays stopped.
    void SetInterval(TKey key, unsigned milliseconds, int64_t now);

    bool Has(TKey key) const { return m_Timers.count(key) != 0; }
    bool IsActive(TKey key) const;
    // The key's interval, 0 when it has no timer.
    unsigned Interval(TKey key) const;
    size_t Count() const { return m_Timers.size(); }

    // Whether any timer runs, and the earliest deadline.
    bool Earliest(int64_t& deadline) const;
    // The running timer with the earliest deadline when that deadline is at
    // or before `now`, else null. The timer stays running for its next
    // interval, counted from its deadline (from `now` when that is already
    // past), so each call fires a timer at most once per `now`.
    TKey PopDue(int64_t now);

private:
    static constexpr size_t NotQueued = size_t(-1);
    struct TTimer {
        TKey Key = nullptr;
        unsigned Interval = DefaultInterval;
        int64_t Deadline = 0;
        uint64_t Order = 0;        // arming order: equal deadlines fire first armed first
        size_t Slot = NotQueued;   // position in m_Heap while running
    };

    void Push(TTimer& timer);
    void Erase(TTimer& timer);
    void Place(size_t slot, TTimer* timer);
    void SiftUp(size_t slot);
    void SiftDown(size_t slot);
    static bool Before(const TTimer* a, const TTimer* b)
    {
        return a->Deadline < b->Deadline || (a->Deadline == b->Deadline && a->Order < b->Order);
    }

    std::unordered_map<TKey, TTimer> m_Timers;
    std::vector<TTimer*> m_Heap;   // running timers, earliest deadline first
    uint64_t m_Armed = 0;
};
