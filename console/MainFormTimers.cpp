#include "MainFormTimers.h"

#include "Intp.h"

namespace {
unsigned EffectiveInterval(unsigned milliseconds)
{
    return milliseconds ? milliseconds : TSessionTimerQueue::DefaultInterval;
}
} // namespace

void TSessionTimerQueue::KeepPlaceInSessions()
{
    if (m_Count == 0)
        m_InSessions = true;
}

uint32_t TSessionTimerQueue::IndexOf(TKey key) const
{
    if (!key)
        return Nil;
    if (!m_InSessions) {
        const uint32_t* index = m_Index.Find(key);
        return index ? *index : Nil;
    }
    // A place the session kept from a timer since deleted (and perhaps
    // reused by another session) is not this key's.
    const uint32_t index = key->CallbackSlot();
    return index < m_Records.size() && m_Records[index].Key == key ? index : Nil;
}

TSessionTimerQueue::TTimer* TSessionTimerQueue::Find(TKey key)
{
    const uint32_t index = IndexOf(key);
    return index != Nil ? &m_Records[index] : nullptr;
}

bool TSessionTimerQueue::Create(TKey key, unsigned milliseconds, int64_t now)
{
    if (!key)
        return false;
    uint32_t* slot = nullptr;
    if (m_InSessions) {
        if (IndexOf(key) != Nil)
            return false;
        slot = &key->CallbackSlot();
    } else {
        bool added = false;
        slot = &m_Index.Insert(key, added);
        if (!added)
            return false;
    }
    ++m_Count;
    uint32_t index = m_Free;
    if (index != Nil) {
        m_Free = m_Records[index].Next;
        m_Records[index] = TTimer{};
    } else {
        index = uint32_t(m_Records.size());
        m_Records.emplace_back();
    }
    *slot = index;
    TTimer& timer = m_Records[index];
    timer.Key = key;
    timer.Interval = EffectiveInterval(milliseconds);
    Arm(index, now + timer.Interval);
    return true;
}

bool TSessionTimerQueue::Delete(TKey key)
{
    const uint32_t index = IndexOf(key);
    if (index == Nil)
        return false;
    if (m_InSessions)
        key->CallbackSlot() = Nil;
    else
        m_Index.Erase(key);
    --m_Count;
    Unlink(index);
    TTimer& timer = m_Records[index];
    timer.Key = nullptr;
    timer.Next = m_Free;
    m_Free = index;
    if (m_Count == 0) {
        // Nothing left to time: the records of a burst of sessions go.
        std::vector<TTimer>().swap(m_Records);
        m_Free = Nil;
    }
    return true;
}

void TSessionTimerQueue::Enable(TKey key, bool enable, int64_t now)
{
    const uint32_t index = IndexOf(key);
    if (index == Nil)
        return;
    Unlink(index);
    if (enable)
        Arm(index, now + m_Records[index].Interval);
}

void TSessionTimerQueue::SetInterval(TKey key, unsigned milliseconds, int64_t now)
{
    const uint32_t index = IndexOf(key);
    if (index == Nil)
        return;
    TTimer& timer = m_Records[index];
    timer.Interval = EffectiveInterval(milliseconds);
    if (timer.Lane != Nil) {
        Unlink(index);
        Arm(index, now + timer.Interval);
    }
}

void TSessionTimerQueue::Prefetch(TKey key, int step) const
{
    if (step == 0) {
        // A session's place lies in the session, which the caller fetches.
        if (!m_InSessions)
            m_Index.Prefetch(key);
        return;
    }
    const TTimer* timer = Find(key);
    if (!timer)
        return;
    if (step == 1) {
        __builtin_prefetch(timer, 1);
    } else if (timer->Lane != Nil) {
        // Stopping the timer links its neighbours to each other.
        if (timer->Prev != Nil)
            __builtin_prefetch(&m_Records[timer->Prev], 1);
        if (timer->Next != Nil)
            __builtin_prefetch(&m_Records[timer->Next], 1);
    }
}

bool TSessionTimerQueue::IsActive(TKey key) const
{
    const TTimer* timer = Find(key);
    return timer && timer->Lane != Nil;
}

unsigned TSessionTimerQueue::Interval(TKey key) const
{
    const TTimer* timer = Find(key);
    return timer ? timer->Interval : 0;
}

uint32_t TSessionTimerQueue::EarliestLane() const
{
    uint32_t best = Nil;
    for (uint32_t lane = 0; lane < m_Lanes.size(); ++lane) {
        const TLane& l = m_Lanes[lane];
        if (l.Head == Nil)
            continue;
        if (best == Nil || l.HeadDeadline < m_Lanes[best].HeadDeadline ||
            (l.HeadDeadline == m_Lanes[best].HeadDeadline && l.HeadOrder < m_Lanes[best].HeadOrder))
            best = lane;
    }
    return best;
}

bool TSessionTimerQueue::Earliest(int64_t& deadline) const
{
    const uint32_t lane = EarliestLane();
    if (lane == Nil)
        return false;
    deadline = m_Lanes[lane].HeadDeadline;
    return true;
}

TSessionTimerQueue::TKey TSessionTimerQueue::PopDue(int64_t now)
{
    const uint32_t lane = EarliestLane();
    if (lane == Nil)
        return nullptr;
    if (m_Lanes[lane].HeadDeadline > now)
        return nullptr;
    const uint32_t index = m_Lanes[lane].Head;
    TTimer& timer = m_Records[index];
    int64_t next = timer.Deadline + timer.Interval;
    if (next <= now)
        next = now + timer.Interval;
    Unlink(index);
    Arm(index, next);
    return timer.Key;
}

uint32_t TSessionTimerQueue::LaneFor(unsigned interval)
{
    if (m_LastLane < m_Lanes.size() && m_Lanes[m_LastLane].Interval == interval)
        return m_LastLane;
    m_LastLane = FindLane(interval);
    return m_LastLane;
}

uint32_t TSessionTimerQueue::FindLane(unsigned interval)
{
    uint32_t idle = Nil;
    for (uint32_t lane = 0; lane < m_Lanes.size(); ++lane) {
        if (m_Lanes[lane].Interval == interval)
            return lane;
        if (idle == Nil && m_Lanes[lane].Head == Nil)
            idle = lane;
    }
    // An empty lane holds no timer, so it may serve another interval.
    if (idle == Nil) {
        idle = uint32_t(m_Lanes.size());
        m_Lanes.emplace_back();
    }
    m_Lanes[idle].Interval = interval;
    return idle;
}

void TSessionTimerQueue::Arm(uint32_t index, int64_t deadline)
{
    TTimer& timer = m_Records[index];
    timer.Deadline = deadline;
    timer.Order = ++m_Armed;
    const uint32_t lane = LaneFor(timer.Interval);
    TLane& queue = m_Lanes[lane];
    timer.Lane = lane;
    // Usually last; a re-armed timer that fired late, or one armed from an
    // earlier moment, walks back past those due after it.
    uint32_t before = queue.Tail;
    while (before != Nil && m_Records[before].Deadline > deadline)
        before = m_Records[before].Prev;
    timer.Prev = before;
    timer.Next = before == Nil ? queue.Head : m_Records[before].Next;
    if (before == Nil)
        SetHead(queue, index);
    else
        m_Records[before].Next = index;
    (timer.Next == Nil ? queue.Tail : m_Records[timer.Next].Prev) = index;
}

void TSessionTimerQueue::SetHead(TLane& lane, uint32_t index)
{
    lane.Head = index;
    if (index != Nil) {
        lane.HeadDeadline = m_Records[index].Deadline;
        lane.HeadOrder = m_Records[index].Order;
    }
}

void TSessionTimerQueue::Unlink(uint32_t index)
{
    TTimer& timer = m_Records[index];
    if (timer.Lane == Nil)
        return;
    TLane& queue = m_Lanes[timer.Lane];
    if (timer.Prev == Nil)
        SetHead(queue, timer.Next);
    else
        m_Records[timer.Prev].Next = timer.Next;
    (timer.Next == Nil ? queue.Tail : m_Records[timer.Next].Prev) = timer.Prev;
    timer.Lane = timer.Prev = timer.Next = Nil;
}
