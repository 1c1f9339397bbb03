// The session timers of the main window. Running timers wait in one lane per
// distinct interval (sessions use very few), each lane in deadline order:
// the clock never goes backwards, so a timer armed later in a lane is due
// later and joins at the tail. Starting, stopping and firing a timer cost
// O(1) whatever the number of sessions, and the earliest deadline is the
// earliest of the lane heads. The records sit in one array reached through
// a flat index, or, for keys that are live sessions, through the place each
// session keeps for its callback (no look-up at all). The window drives the
// queue with a single QTimer armed for the earliest deadline.
#pragma once

#include "IntpFlatMap.h"

#include <cstddef>
#include <cstdint>
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
    // already has one, or for a null key. 0 ms means DefaultInterval.
    bool Create(TKey key, unsigned milliseconds, int64_t now);
    // Forgets the key's timer; false when it had none.
    bool Delete(TKey key);
    // Starting begins a full interval from `now` (also when running);
    // stopping keeps the timer, stopped.
    void Enable(TKey key, bool enable, int64_t now);
    // A new interval (0 means DefaultInterval); a running timer counts it
    // from `now`, a stopped one stays stopped.
    void SetInterval(TKey key, unsigned milliseconds, int64_t now);

    // From now on every key is a live session and its timer's place is kept
    // in the session (TSession::CallbackSlot) instead of the flat index, so
    // that no call may pass a session already deleted (the session callback
    // never does). Set before the first timer is made.
    void KeepPlaceInSessions();

    bool Has(TKey key) const { return Find(key) != nullptr; }
    bool IsActive(TKey key) const;
    // The key's interval, 0 when it has no timer.
    unsigned Interval(TKey key) const;
    size_t Count() const { return m_Count; }

    // Starts fetching what the key's timer will need (the steps follow
    // each other, each reading what the one before fetched): 0 its place
    // in the index, 1 its record, 2 its neighbours in its lane. Changes
    // nothing; with places kept in sessions, the key must be a live one.
    void Prefetch(TKey key, int step) const;

    // Whether any timer runs, and the earliest deadline.
    bool Earliest(int64_t& deadline) const;
    // The running timer with the earliest deadline when that deadline is at
    // or before `now`, else null. The timer stays running for its next
    // interval, counted from its deadline (from `now` when that is already
    // past), so each call fires a timer at most once per `now`.
    TKey PopDue(int64_t now);

private:
    static constexpr uint32_t Nil = UINT32_MAX;
    struct TTimer {
        TKey Key = nullptr;
        int64_t Deadline = 0;
        uint64_t Order = 0;          // arming order: equal deadlines fire first armed first
        unsigned Interval = DefaultInterval;
        uint32_t Lane = Nil;         // the lane it waits in while running
        uint32_t Prev = Nil;         // neighbours in the lane
        uint32_t Next = Nil;         // (Next also chains the free records)
    };
    // The running timers of one interval, earliest deadline first, with a
    // copy of the head's deadline and arming order so that finding the
    // earliest lane reads the lanes alone.
    struct TLane {
        unsigned Interval = 0;
        uint32_t Head = Nil;
        uint32_t Tail = Nil;
        int64_t HeadDeadline = 0;
        uint64_t HeadOrder = 0;
    };

    // The record index of the key's timer, or Nil.
    uint32_t IndexOf(TKey key) const;
    TTimer* Find(TKey key);
    const TTimer* Find(TKey key) const { return const_cast<TSessionTimerQueue*>(this)->Find(key); }
    // The lane with the earliest head, or Nil when no timer runs.
    uint32_t EarliestLane() const;
    // The lane of `interval`; a lane left empty may be taken for another.
    uint32_t LaneFor(unsigned interval);
    uint32_t FindLane(unsigned interval);
    void SetHead(TLane& lane, uint32_t index);
    // Runs the timer from `deadline` as the latest armed.
    void Arm(uint32_t index, int64_t deadline);
    void Unlink(uint32_t index);

    Intp::TFlatMap<TKey, uint32_t> m_Index;   // key -> position in m_Records (unless m_InSessions)
    bool m_InSessions = false;
    size_t m_Count = 0;
    std::vector<TTimer> m_Records;
    uint32_t m_Free = Nil;
    std::vector<TLane> m_Lanes;
    uint32_t m_LastLane = Nil;   // the lane LaneFor found last
    uint64_t m_Armed = 0;
};
