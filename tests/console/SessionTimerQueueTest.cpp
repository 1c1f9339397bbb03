// The main window's session timer queue on a manual clock.
#include "IntpProtocol.h"
#include "MainFormTimers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

Intp::TSession* Key(uintptr_t n) { return reinterpret_cast<Intp::TSession*>(n * 16); }

// Every key that fires up to `until`, stepping the clock 1 ms at a time.
std::vector<Intp::TSession*> FireUntil(TSessionTimerQueue& q, int64_t from, int64_t until)
{
    std::vector<Intp::TSession*> fired;
    for (int64_t now = from; now <= until; ++now)
        while (Intp::TSession* key = q.PopDue(now))
            fired.push_back(key);
    return fired;
}

TEST(SessionTimerQueue, IntervalsCreationAndRestart)
{
    TSessionTimerQueue q;
    EXPECT_TRUE(q.Create(Key(1), 0, 1000));
    EXPECT_EQ(q.Interval(Key(1)), 60000u);   // 0 means 60 000 ms
    EXPECT_FALSE(q.Create(Key(1), 5, 1000)); // a second create changes nothing
    EXPECT_EQ(q.Interval(Key(1)), 60000u);
    int64_t deadline = 0;
    ASSERT_TRUE(q.Earliest(deadline));
    EXPECT_EQ(deadline, 61000);
    EXPECT_EQ(q.PopDue(60999), nullptr);

    // Enabling a running timer restarts it from now.
    q.Enable(Key(1), true, 30000);
    EXPECT_EQ(q.PopDue(61000), nullptr);
    EXPECT_EQ(q.PopDue(90000), Key(1));
    EXPECT_EQ(q.PopDue(90000), nullptr);      // fired once for this moment
    EXPECT_TRUE(q.IsActive(Key(1)));          // and runs on for the next interval
    ASSERT_TRUE(q.Earliest(deadline));
    EXPECT_EQ(deadline, 150000);

    // A late tick does not catch up: the next interval counts from now.
    EXPECT_EQ(q.PopDue(400000), Key(1));
    EXPECT_EQ(q.PopDue(400000), nullptr);
    ASSERT_TRUE(q.Earliest(deadline));
    EXPECT_EQ(deadline, 460000);

    // A new interval counts from now while running; stopped stays stopped.
    q.SetInterval(Key(1), 100, 400050);
    ASSERT_TRUE(q.Earliest(deadline));
    EXPECT_EQ(deadline, 400150);
    q.Enable(Key(1), false, 400060);
    EXPECT_FALSE(q.IsActive(Key(1)));
    q.SetInterval(Key(1), 0, 400070);
    EXPECT_FALSE(q.IsActive(Key(1)));
    EXPECT_EQ(q.Interval(Key(1)), 60000u);
    EXPECT_FALSE(q.Earliest(deadline));
    EXPECT_EQ(q.PopDue(10000000), nullptr);

    EXPECT_TRUE(q.Delete(Key(1)));
    EXPECT_FALSE(q.Delete(Key(1)));
    EXPECT_FALSE(q.Has(Key(1)));
    EXPECT_EQ(q.Interval(Key(1)), 0u);
    // Operations on a key without a timer do nothing.
    q.Enable(Key(2), true, 0);
    q.SetInterval(Key(2), 5, 0);
    EXPECT_EQ(q.Count(), 0u);
}

TEST(SessionTimerQueue, ManyTimersFireInDeadlineOrderAndDeletedOnesNever)
{
    TSessionTimerQueue q;
    std::mt19937 random(7);
    struct TExpected { int64_t Deadline; uintptr_t Key; };
    std::vector<TExpected> expected;
    for (uintptr_t k = 1; k <= 5000; ++k) {
        const unsigned interval = 1000 + random() % 50000;
        const int64_t start = int64_t(random() % 1000);
        ASSERT_TRUE(q.Create(Key(k), interval, start));
        if (k % 3 == 0) {
            q.Delete(Key(k));
        } else if (k % 3 == 1) {
            q.Enable(Key(k), false, start);
        } else {
            expected.push_back({start + interval, k});
        }
    }
    std::stable_sort(expected.begin(), expected.end(),
                     [](const TExpected& a, const TExpected& b) { return a.Deadline < b.Deadline; });
    // Prefetching any key, running, stopped, deleted or never seen, at any
    // step, changes nothing.
    for (uintptr_t k = 0; k <= 5001; ++k)
        for (int step = 0; step < 3; ++step)
            q.Prefetch(Key(k), step);
    std::vector<Intp::TSession*> fired;
    for (const TExpected& e : expected) {
        // Stop each timer as it fires, as a session that ends does.
        Intp::TSession* key = q.PopDue(e.Deadline);
        ASSERT_NE(key, nullptr);
        fired.push_back(key);
        q.Delete(key);
    }
    EXPECT_EQ(q.PopDue(INT64_MAX / 2), nullptr);
    ASSERT_EQ(fired.size(), expected.size());
    for (size_t i = 0; i < fired.size(); ++i)
        EXPECT_EQ(q.Interval(fired[i]), 0u);
    // Equal deadlines fire in the order they were armed.
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(fired[i], Key(expected[i].Key)) << i;
    EXPECT_EQ(q.Count(), 5000u - 1666u - expected.size());
}

TEST(SessionTimerQueue, RepeatingTimerKeepsItsBeatUntilStopped)
{
    TSessionTimerQueue q;
    q.Create(Key(1), 3000, 0);
    q.Create(Key(2), 7000, 0);
    auto fired = FireUntil(q, 0, 21000);
    // At 21 000 both are due: the one armed first fires first.
    const std::vector<Intp::TSession*> beat = {Key(1), Key(1), Key(2), Key(1), Key(1),
                                               Key(2), Key(1), Key(1), Key(2), Key(1)};
    EXPECT_EQ(fired, beat);
    q.Enable(Key(1), false, 21000);
    EXPECT_EQ(FireUntil(q, 21001, 28000), std::vector<Intp::TSession*>{Key(2)});
}

TEST(SessionTimerQueue, LateReArmAndTiesAcrossIntervals)
{
    TSessionTimerQueue q;
    q.Create(Key(1), 1000, 0);      // due 1000
    q.Create(Key(2), 1000, 1200);   // due 2200
    q.Create(Key(3), 2000, 0);      // due 2000, other interval
    // Fired late: the next beat counts from its deadline (2000), ahead of
    // the timer of its interval armed meanwhile.
    EXPECT_EQ(q.PopDue(1500), Key(1));
    int64_t deadline = 0;
    ASSERT_TRUE(q.Earliest(deadline));
    EXPECT_EQ(deadline, 2000);
    // Key 3 and key 1 both fall due at 2000: key 3 was armed first.
    EXPECT_EQ(q.PopDue(2000), Key(3));
    EXPECT_EQ(q.PopDue(2000), Key(1));
    EXPECT_EQ(q.PopDue(2000), nullptr);
    EXPECT_EQ(q.PopDue(2200), Key(2));
    EXPECT_EQ(FireUntil(q, 2201, 4000),
              (std::vector<Intp::TSession*>{Key(1), Key(2), Key(3), Key(1)}));
    // A stopped timer whose interval changed runs in its new interval's
    // order once started again; a deleted key's record is reused.
    q.Enable(Key(1), false, 4000);
    q.SetInterval(Key(1), 500, 4000);
    q.Delete(Key(2));
    q.Create(Key(4), 500, 4100);
    q.Enable(Key(1), true, 4200);
    EXPECT_EQ(FireUntil(q, 4001, 4700), (std::vector<Intp::TSession*>{Key(4), Key(1)}));
    EXPECT_EQ(q.Count(), 3u);
    EXPECT_FALSE(q.Create(nullptr, 5, 0));
}

} // namespace

// The main window keeps each timer's place in its session: a session whose
// timer was deleted still holds the old place, which another session's timer
// may have taken since, and must not reach that timer through it.
TEST(SessionTimerQueue, PlacesKeptInSessionsNeverReachAnotherSessionsTimer)
{
    TSessionTimerQueue q;
    q.KeepPlaceInSessions();
    Intp::TSessionIntpPing2 a(1000), b(1000), c(1000);
    ASSERT_TRUE(q.Create(&a, 100, 0));
    ASSERT_TRUE(q.Create(&b, 200, 0));
    EXPECT_FALSE(q.Create(&a, 5, 0));   // a second create changes nothing
    const uint32_t placeOfA = a.CallbackSlot();
    ASSERT_TRUE(q.Delete(&a));
    ASSERT_TRUE(q.Create(&c, 300, 0));
    EXPECT_EQ(c.CallbackSlot(), placeOfA);   // c took a's place
    // A stale place: a as if its own place had been left behind.
    a.CallbackSlot() = placeOfA;
    EXPECT_FALSE(q.Has(&a));
    EXPECT_FALSE(q.Delete(&a));
    q.Enable(&a, false, 0);   // changes nothing
    q.SetInterval(&a, 1, 0);
    EXPECT_EQ(q.Interval(&c), 300u);
    EXPECT_EQ(q.Count(), 2u);
    EXPECT_EQ(FireUntil(q, 0, 300), (std::vector<Intp::TSession*>{&b, &c}));
    EXPECT_TRUE(q.Delete(&b));
    EXPECT_TRUE(q.Delete(&c));
    EXPECT_EQ(q.Count(), 0u);
    EXPECT_FALSE(q.Has(&c));
}
