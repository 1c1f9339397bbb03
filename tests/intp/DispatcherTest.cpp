// The receive dispatcher, session life and the Get/Set/row-list shapes.
#include "IntpProtocol.h"
#include "LibraryFixture.h"
#include "TestSessions.h"

#include <algorithm>
#include <functional>
#include <random>
#include <string>

using namespace Intp;
using namespace TestSupport;

namespace {

class Dispatcher : public LibraryTest {
protected:
    TSession* Start(TSession* s, TDevice* d, TWizard* observer = nullptr)
    {
        EXPECT_TRUE(StartSession(s, d, observer));
        return s;
    }
    static std::vector<uint8_t> Ping2Body(uint32_t power, uint32_t ports, uint32_t links)
    {
        std::vector<uint8_t> b(12);
        PutBE32(b.data(), power);
        PutBE32(b.data() + 4, ports);
        PutBE32(b.data() + 8, links);
        return b;
    }
};

TEST_F(Dispatcher, DropsShortAndBroadcastDatagrams)
{
    std::vector<uint8_t> d = MakeReply(6, 0, Mac(1), {});
    EXPECT_EQ(ReceivePacket(1, 11, d.data()), 2);
    EXPECT_EQ(ReceivePacket(1, 0, nullptr), 2);
    auto zero = MakeReply(6, 0, TMacAddr(), {0, 0, 0, 0});
    EXPECT_EQ(ReceivePacket(1, zero.size(), zero.data()), 2);
    const uint8_t ones[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    auto bc = MakeReply(0, 0, TMacAddr(ones), {0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(ReceivePacket(1, bc.size(), bc.data()), 2);
    EXPECT_TRUE(DeviceMap().empty());
    EXPECT_TRUE(Transport->Reports.empty());
}

TEST_F(Dispatcher, UnsolicitedRepliesCreateNoDeviceButDiscoveryRepliesDo)
{
    TDevice* known = AddDevice(1);
    Start(new TSessionIntpPing2(1000), known);
    // Replies that no session waits for, from switches never seen: dropped
    // without a trace, however many there are.
    for (uint32_t n = 0; n < 200000; ++n) {
        const uint8_t mac[6] = {0x02, 0x55, uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
        auto d = MakeReply(uint16_t(1 + n % 0x0BFF), 0, TMacAddr(mac), {1, 2, 3, 4});
        ASSERT_EQ(ReceivePacket(0xC0000300u + n, d.size(), d.data()), 2);
    }
    // A reply of exactly 12 bytes (no body) is a datagram too.
    auto bare = MakeReply(6, 0, Mac(8), {});
    EXPECT_EQ(ReceivePacket(9, bare.size(), bare.data()), 2);
    EXPECT_EQ(DeviceMap().size(), 1u);
    EXPECT_EQ(Observer->Count("add"), 1u);
    EXPECT_TRUE(Transport->Reports.empty());
    EXPECT_EQ(SessionList().size(), 1u);

    // A known switch's unsolicited reply is dropped too; its address follows.
    EXPECT_EQ(Deliver(known, 7, 0, {0, 0, 0, 0}), 2);
    auto moved = MakeReply(7, 0, known->GetMac(), {0, 0, 0, 0});
    EXPECT_EQ(ReceivePacket(0xC0000277u, moved.size(), moved.data()), 2);
    EXPECT_EQ(known->GetIp(), 0xC0000277u);

    // A discovery reply creates its device, at any time.
    std::vector<uint8_t> find(8, 0);
    PutBE32(find.data(), ProductIdOf(BuiltinModels[2].ModelCode));
    auto reply = MakeReply(0, 0, Mac(7), find);
    EXPECT_EQ(ReceivePacket(0xC0000207u, reply.size(), reply.data()), 0);
    TDevice* found = GetDevice(Mac(7), false);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetIp(), 0xC0000207u);
    EXPECT_EQ(found->GetType(), 3u);
    EXPECT_EQ(DeviceMap().size(), 2u);
}

TEST_F(Dispatcher, ReplyToASessionWhoseDeviceWasDeletedIsStillTaken)
{
    TDevice* d = AddDevice(1);
    TRecordingWizard w;
    Start(new TSessionIntpPing2(1000), d, &w);
    DeleteAllDevices();
    auto reply = MakeReply(6, 0, Mac(1), Ping2Body(1, 2, 3));
    EXPECT_EQ(ReceivePacket(0xC0000201u, reply.size(), reply.data()), 0);
    ASSERT_EQ(w.Events.size(), 1u);
    EXPECT_EQ(w.Events[0].Status, 0);
    TDevice* again = GetDevice(Mac(1), false);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->GetIp(), 0xC0000201u);
}

TEST_F(Dispatcher, FirstStartedSessionTakesTheReply)
{
    TDevice* d = AddDevice(1);
    TRecordingWizard first, second;
    Start(new TSessionIntpPing2(1000), d, &first);
    TSession* later = Start(new TSessionIntpPing2(5000), d, &second);
    EXPECT_EQ(Deliver(d, 6, 0, Ping2Body(1, 2, 3)), 0);
    ASSERT_EQ(first.Events.size(), 1u);
    EXPECT_TRUE(second.Events.empty());
    ASSERT_EQ(SessionList().size(), 1u);
    EXPECT_EQ(SessionList()[0], later);
    Transport->Advance(5000);
    ASSERT_EQ(second.Events.size(), 1u);
    EXPECT_EQ(second.Events[0].Status, StatusTimeout);
    EXPECT_TRUE(SessionList().empty());
}

TEST_F(Dispatcher, ReplyForAnotherMacOrCommandIsNotTaken)
{
    TDevice* a = AddDevice(1);
    TDevice* b = AddDevice(2);
    Start(new TSessionIntpPing2(1000), a);
    EXPECT_EQ(Deliver(b, 6, 0, Ping2Body(1, 2, 3)), 2);
    EXPECT_EQ(Deliver(a, 7, 0, Ping2Body(1, 2, 3)), 2);
    EXPECT_EQ(SessionList().size(), 1u);
    EXPECT_TRUE(Transport->Reports.empty());
    EXPECT_EQ(Deliver(a, 6, 0, Ping2Body(1, 2, 3)), 0);
    EXPECT_TRUE(SessionList().empty());
}

TEST_F(Dispatcher, ShortReplyReportsTwoBeforeRefusal)
{
    TDevice* d = AddDevice(1);
    d->SetLoggedIn(true);
    GetPropertyIntpPing2(d).Valid = 1;
    Start(new TSessionIntpPing2(1000), d);
    EXPECT_EQ(Deliver(d, 6, 3, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 0);
    EXPECT_EQ(LastReport().Status, StatusShort);
    EXPECT_TRUE(d->IsLoggedIn());
    EXPECT_EQ(GetPropertyIntpPing2(d).Valid, 1);
    EXPECT_FALSE(Transport->HasTimer(nullptr));
    EXPECT_EQ(Transport->TimerCount(), 0u);
}

TEST_F(Dispatcher, RefusalClearsLoggedInAndLeavesTheRecord)
{
    TDevice* d = AddDevice(1);
    d->SetLoggedIn(true);
    GetPropertyIntpPing2(d).Valid = 1;
    Start(new TSessionIntpPing2(1000), d);
    EXPECT_EQ(Deliver(d, 6, 3, Ping2Body(0, 0, 0)), 0);
    EXPECT_EQ(LastReport().Status, StatusRefused);
    EXPECT_EQ(LastReport().Command, 6);
    EXPECT_FALSE(d->IsLoggedIn());
    EXPECT_EQ(GetPropertyIntpPing2(d).Valid, 1);
}

TEST_F(Dispatcher, TimeoutReportsWithTheSessionAsData)
{
    TDevice* d = AddDevice(1);
    TRecordingWizard w;
    TSession* s = Start(new TSessionIntpSipGet, d, &w);
    Transport->Advance(59999);
    EXPECT_TRUE(w.Events.empty());
    Transport->Advance(1);
    ASSERT_EQ(Transport->Reports.size(), 1u);
    EXPECT_EQ(LastReport().Status, StatusTimeout);
    EXPECT_EQ(LastReport().Data, static_cast<void*>(s));
    EXPECT_EQ(LastReport().Name, "IntpSipGet");
    EXPECT_EQ(LastReport().Observer, &w);
    EXPECT_TRUE(SessionList().empty());
    EXPECT_EQ(Transport->TimerCount(), 0u);
    // The late reply is dropped without a report.
    EXPECT_EQ(Deliver(d, 7, 0, {0, 1, 0, 0}), 2);
    EXPECT_EQ(Transport->Reports.size(), 1u);
    EXPECT_FALSE(d->TestFlags(DeviceFlagWarning));
}

TEST_F(Dispatcher, NoTimeoutReportForADeletedDevice)
{
    TDevice* d = AddDevice(1);
    Start(new TSessionIntpSipGet, d);
    DeleteAllDevices();
    Transport->Advance(60000);
    EXPECT_TRUE(Transport->Reports.empty());
    EXPECT_TRUE(SessionList().empty());
}

TEST_F(Dispatcher, BodyLengthFieldIsIgnored)
{
    TDevice* d = AddDevice(1);
    Start(new TSessionIntpPing2(1000), d);
    auto reply = MakeReply(6, 0, d->GetMac(), Ping2Body(1, 2, 3));
    PutBE16(reply.data() + 4, 2);   // claims 2 body bytes; 12 are there
    EXPECT_EQ(ReceivePacket(d->GetIp(), reply.size(), reply.data()), 0);
    EXPECT_EQ(LastReport().Status, 0u);
    EXPECT_EQ(GetPropertyIntpPing2(d).LinkMask, 3u);

    Start(new TSessionIntpPing2(1000), d);
    auto shortReply = MakeReply(6, 0, d->GetMac(), {0, 0, 0, 9, 0, 0, 0, 9});
    PutBE16(shortReply.data() + 4, 0xFFFF);   // claims far more than it has
    EXPECT_EQ(ReceivePacket(d->GetIp(), shortReply.size(), shortReply.data()), 0);
    EXPECT_EQ(LastReport().Status, StatusShort);
    EXPECT_EQ(GetPropertyIntpPing2(d).LinkMask, 3u);
}

TEST_F(Dispatcher, ReportStartingSessionsDuringTheWalk)
{
    TDevice* d = AddDevice(1);
    Start(new TSessionIntpPing2(1000), d);
    Start(new TSessionIntpSipGet, d);
    int started = 0;
    Transport->OnReport = [&](const TReport& r) {
        if (r.Command == 6 && started++ == 0) {
            for (int i = 0; i < 50; ++i)   // enough to move the list's storage
                ASSERT_TRUE(StartSession(new TSessionIntpPing2(1000), d, nullptr));
        }
    };
    EXPECT_EQ(Deliver(d, 6, 0, Ping2Body(0, 0, 1)), 0);
    EXPECT_EQ(Transport->Reports.size(), 1u);
    EXPECT_EQ(SessionList().size(), 51u);
    // The next Ping2 reply goes to the first of the new sessions, after the
    // IntpSip session that was started earlier.
    TSession* firstNew = SessionList()[1];
    EXPECT_EQ(Deliver(d, 6, 0, Ping2Body(0, 0, 2)), 0);
    EXPECT_FALSE(IsSessionPending(firstNew));
    EXPECT_EQ(SessionList().size(), 50u);
}

TEST_F(Dispatcher, ReportDeletingDevicesAndSessionsDuringTheWalk)
{
    TDevice* d = AddDevice(1);
    Start(new TSessionIntpPing2(1000), d);
    TSession* other = Start(new TSessionIntpPing2(1000), d);
    Transport->OnReport = [&](const TReport&) {
        delete other;   // the requester drops its other session
        DeleteAllDevices();
    };
    EXPECT_EQ(Deliver(d, 6, 0, Ping2Body(0, 0, 1)), 0);
    EXPECT_TRUE(SessionList().empty());
    EXPECT_TRUE(DeviceMap().empty());
}

// A session that finishes itself inside its timer tick.
class TSelfEndingSession : public TSessionGeneral<0x7F10> {
public:
    explicit TSelfEndingSession(int* ticks) : m_Ticks(ticks) {}
    const char* GetName() const override { return "SelfEnding"; }
    void OnTimeout() override
    {
        ++*m_Ticks;
        delete this;
    }
    int OnReply(TDevice* device, const TPacketHeader& header, TBody body) override
    {
        ++Offered;
        return TSessionGeneral::OnReply(device, header, body);
    }
    static inline int Offered = 0;

private:
    int* m_Ticks;
};

TEST_F(Dispatcher, SessionDeletingItselfInItsTimerTick)
{
    TDevice* d = AddDevice(1);
    int ticks = 0;
    TSelfEndingSession::Offered = 0;
    Start(new TSelfEndingSession(&ticks), d);
    Transport->Advance(180000);
    EXPECT_EQ(ticks, 1);
    EXPECT_TRUE(SessionList().empty());
    EXPECT_EQ(Transport->TimerCount(), 0u);
    EXPECT_EQ(Deliver(d, 0x7F10, 0, {0, 0, 0, 0}), 2);
    EXPECT_EQ(TSelfEndingSession::Offered, 0);
}

// A session with its own rule: offered every datagram, it runs an action
// and declines it.
class TMeddlingSession : public TSessionGeneral<0x7F11> {
public:
    std::function<void()> Action;
    const char* GetName() const override { return "Meddling"; }
    bool ReplyKey(TMacAddr&, uint16_t&) const override { return false; }
    int OnReply(TDevice*, const TPacketHeader&, TBody) override
    {
        if (Action)
            Action();
        return ReplyNotMine;
    }
};

TEST_F(Dispatcher, SessionsAndDevicesEndedWhileOfferingAreSkipped)
{
    TDevice* d = AddDevice(1);
    auto* meddler = new TMeddlingSession;
    Start(meddler, d);
    TSession* doomed = Start(new TSessionIntpPing2(1000), d);
    TRecordingWizard w;
    Start(new TSessionIntpPing2(1000), d, &w);
    meddler->Action = [&] { delete doomed; };
    EXPECT_EQ(Deliver(d, 6, 0, Ping2Body(0, 0, 1)), 0);
    EXPECT_EQ(w.Events.size(), 1u);   // the next live session took it
    ASSERT_EQ(SessionList().size(), 1u);

    Start(new TSessionIntpPing2(1000), d, &w);
    meddler->Action = [] { DeleteAllDevices(); };
    EXPECT_EQ(Deliver(d, 6, 0, Ping2Body(0, 0, 1)), 2);
    EXPECT_EQ(w.Events.size(), 1u);
    EXPECT_TRUE(DeviceMap().empty());
}

// Records each offer in a shared log and declines; keyed on (target, 6)
// unless it takes replies by its own rule.
class TLoggingSession : public TSessionGeneral<6> {
public:
    TLoggingSession(std::vector<int>* log, int id, bool ownRule) : m_Log(log), m_Id(id), m_OwnRule(ownRule) {}
    const char* GetName() const override { return "Logging"; }
    bool ReplyKey(TMacAddr& mac, uint16_t& command) const override
    {
        return !m_OwnRule && TSessionGeneral::ReplyKey(mac, command);
    }
    int OnReply(TDevice*, const TPacketHeader&, TBody) override
    {
        m_Log->push_back(m_Id);
        return ReplyNotMine;
    }

private:
    std::vector<int>* m_Log;
    int m_Id;
    bool m_OwnRule;
};

TEST_F(Dispatcher, OffersInStartOrderAcrossKeyedAndOwnRuleSessions)
{
    TDevice* d = AddDevice(1);
    TDevice* other = AddDevice(2);
    std::vector<int> log;
    Start(new TLoggingSession(&log, 1, false), d);
    Start(new TLoggingSession(&log, 2, true), other);   // its own rule: offered every reply
    Start(new TLoggingSession(&log, 3, false), other);  // another switch: never offered d's replies
    Start(new TLoggingSession(&log, 4, false), d);
    TRecordingWizard w;
    Start(new TSessionIntpPing2(1000), d, &w);
    Start(new TLoggingSession(&log, 5, true), d);       // after the taker: not reached
    EXPECT_EQ(Deliver(d, 6, 0, Ping2Body(0, 0, 1)), 0);
    EXPECT_EQ(log, (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(w.Events.size(), 1u);

    log.clear();
    EXPECT_EQ(Deliver(d, 7, 0, {0, 0, 0, 0}), 2);      // only the own-rule sessions see another command
    EXPECT_EQ(log, (std::vector<int>{2, 5}));
    EXPECT_EQ(SessionList().size(), 5u);
}

TEST_F(Dispatcher, SessionDeletedByItsOwnerLeavesTheList)
{
    TDevice* d = AddDevice(1);
    TSession* s = Start(new TSessionIntpPing2(1000), d);
    delete s;
    EXPECT_TRUE(SessionList().empty());
    EXPECT_EQ(Transport->TimerCount(), 0u);
    EXPECT_EQ(Deliver(d, 6, 0, Ping2Body(0, 0, 0)), 2);
}

TEST_F(Dispatcher, GetDecodesOrMarksNotValid)
{
    TDevice* d = AddDevice(1);
    Start(new TSessionTestGet, d);
    EXPECT_EQ(Deliver(d, 0x7F03, 0, {0x00, 0x2A, 0, 0}), 0);
    EXPECT_EQ(d->GetProperty<TPropertyTestValue>().Valid, 1);
    EXPECT_EQ(d->GetProperty<TPropertyTestValue>().Value, 42);

    Start(new TSessionTestGet, d);
    EXPECT_EQ(Deliver(d, 0x7F03, 0, {0x10, 0x00, 0, 0}), 0);   // out of range
    EXPECT_EQ(LastReport().Status, StatusRangeError);
    EXPECT_EQ(d->GetProperty<TPropertyTestValue>().Valid, 0);
    EXPECT_EQ(d->GetProperty<TPropertyTestValue>().Value, 42);   // not half-written

    Start(new TSessionTestGet, d);
    EXPECT_EQ(Deliver(d, 0x7F03, 0x55, {0x00, 0x07, 0, 0}), 0);
    EXPECT_EQ(LastReport().Status, 0x55u);
    EXPECT_EQ(d->GetProperty<TPropertyTestValue>().Valid, 0);
}

TEST_F(Dispatcher, SetReplyStartsTheGetWhateverItsStatus)
{
    TDevice* d = AddDevice(1);
    TRecordingWizard w;
    Start(new TSessionTestSet(9), d, &w);
    EXPECT_EQ(Hex(LastSent().Bytes), "7f0400000004001122334401" "00090000");
    EXPECT_EQ(Deliver(d, 0x7F04, 0x21, {0, 0, 0, 0}), 0);
    ASSERT_EQ(w.Events.size(), 1u);
    EXPECT_EQ(w.Events[0].Status, 0x21);
    EXPECT_EQ(w.Events[0].Command, 0x7F04);
    EXPECT_EQ(LastSent().Command(), 0x7F03);
    ASSERT_EQ(SessionList().size(), 1u);
    EXPECT_EQ(SessionList()[0]->GetObserver(), nullptr);
    // The Set itself keeps no record.
    EXPECT_EQ(d->Properties().Find(int32_t(0x7F04u << 16)), nullptr);
}

// A table Set for the framing rules: at most the device's port count rows.
class TSessionTestTableSet final : public TVarSetSession<0x7F05, TSessionTestGet> {
public:
    const char* GetName() const override { return "TestTableSet"; }

protected:
    bool AcceptCount(TDevice* device, int count) const override { return uint32_t(count) <= device->GetPortCount(); }
};

TEST_F(Dispatcher, VariableSetFraming)
{
    TDevice* d = AddDevice(1);
    TSessionTestTableSet set;
    const uint8_t rows[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_FALSE(set.Send(d));   // no rows
    set.SetData(rows, 6, 9);
    EXPECT_FALSE(set.Send(d));   // more rows than the model has ports
    std::vector<uint8_t> huge(70000, 1);
    set.SetData(huge.data(), huge.size(), 2);
    EXPECT_FALSE(set.Send(d));   // does not fit one datagram
    EXPECT_TRUE(Transport->Sent.empty());
    EXPECT_EQ(Transport->TimerCount(), 0u);

    auto* ok = new TSessionTestTableSet;
    ok->SetData(rows, 6, 3);
    ASSERT_TRUE(StartSession(ok, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "7f0500000006001122334401" "010203040506");
    EXPECT_EQ(Deliver(d, 0x7F05, 0, {0, 0, 0, 0}), 0);
    EXPECT_EQ(LastSent().Command(), 0x7F03);   // the feature's Get follows
}

class RowLists : public LibraryTest {
protected:
    TPropertyTestRows& Record(TDevice* d) { return d->GetProperty<TPropertyTestRows>(); }
};

TEST_F(RowLists, CollectsUntilAShortDatagram)
{
    TDevice* d = AddDevice(1);
    Record(d) = {1, {99}};
    ASSERT_TRUE(StartSession(new TSessionTestRows, d, nullptr));
    EXPECT_EQ(Record(d).Valid, 0);   // sending empties the record
    EXPECT_TRUE(Record(d).Rows.empty());
    Transport->Advance(59000);
    EXPECT_EQ(Deliver(d, 0x7F01, 0, RowsBody({1, 2, 3, 4})), 0);
    EXPECT_TRUE(Transport->Reports.empty());
    Transport->Advance(59000);   // the timer was restarted
    EXPECT_TRUE(Transport->Reports.empty());
    EXPECT_EQ(Deliver(d, 0x7F01, 0, RowsBody({5, 6, 7, 8})), 0);
    EXPECT_EQ(Deliver(d, 0x7F01, 0, RowsBody({9})), 0);
    ASSERT_EQ(Transport->Reports.size(), 1u);
    EXPECT_EQ(LastReport().Status, 0u);
    EXPECT_EQ(Record(d).Valid, 1);
    EXPECT_EQ(Record(d).Rows, (std::vector<uint16_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_TRUE(SessionList().empty());
}

TEST_F(RowLists, FailureOrStatusEmptiesTheRecord)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionTestRows, d, nullptr));
    EXPECT_EQ(Deliver(d, 0x7F01, 0, RowsBody({1, 2, 3, 4})), 0);
    EXPECT_EQ(Deliver(d, 0x7F01, 0, RowsBody({1, 0})), 0);
    EXPECT_EQ(LastReport().Status, StatusRangeError);
    EXPECT_EQ(Record(d).Valid, 0);
    EXPECT_TRUE(Record(d).Rows.empty());

    ASSERT_TRUE(StartSession(new TSessionTestRows, d, nullptr));
    auto lying = RowsBody({1, 2});
    PutBE16(lying.data(), 200);   // claims 200 rows, carries 2
    EXPECT_EQ(Deliver(d, 0x7F01, 0, lying), 0);
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_TRUE(Record(d).Rows.empty());

    ASSERT_TRUE(StartSession(new TSessionTestRows, d, nullptr));
    EXPECT_EQ(Deliver(d, 0x7F01, 0x0F, RowsBody({1})), 0);
    EXPECT_EQ(LastReport().Status, 0x0Fu);
    EXPECT_EQ(Record(d).Valid, 0);
}

TEST_F(RowLists, ReadStartedTwiceNeverDuplicatesOrTruncates)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionTestRows, d, nullptr));
    EXPECT_EQ(Deliver(d, 0x7F01, 0, RowsBody({1, 2, 3, 4})), 0);   // first read collecting
    ASSERT_TRUE(StartSession(new TSessionTestRows, d, nullptr));    // second read starts
    // The switch finishes the first answer, then answers the second request.
    EXPECT_EQ(Deliver(d, 0x7F01, 0, RowsBody({5})), 0);
    EXPECT_EQ(Record(d).Rows, (std::vector<uint16_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Deliver(d, 0x7F01, 0, RowsBody({1, 2, 3, 4})), 0);
    EXPECT_EQ(Record(d).Rows, (std::vector<uint16_t>{1, 2, 3, 4, 5}));   // still the last whole read
    EXPECT_EQ(Deliver(d, 0x7F01, 0, RowsBody({5})), 0);
    EXPECT_EQ(Record(d).Rows, (std::vector<uint16_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Record(d).Valid, 1);
    EXPECT_EQ(Transport->Reports.size(), 2u);
    EXPECT_TRUE(SessionList().empty());
}

TEST_F(RowLists, FirstReadTimingOutLeavesTheSecondWhole)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionTestRows, d, nullptr));
    EXPECT_EQ(Deliver(d, 0x7F01, 0, RowsBody({1, 2, 3, 4})), 0);
    Transport->Advance(30000);
    ASSERT_TRUE(StartSession(new TSessionTestRows, d, nullptr));
    Transport->Advance(30000);   // the first read times out
    EXPECT_EQ(LastReport().Status, StatusTimeout);
    EXPECT_EQ(Deliver(d, 0x7F01, 0, RowsBody({7, 8})), 0);
    EXPECT_EQ(Record(d).Rows, (std::vector<uint16_t>{7, 8}));
    EXPECT_EQ(Record(d).Valid, 1);
}

} // namespace

namespace {

// A transport that also records what the dispatcher asks it to prefetch.
class TPrefetchingTransport : public TestSupport::TFakeTransport {
public:
    void PrefetchTimer(TSession* session, int step) override
    {
        ++Prefetches;
        Steps |= 1u << step;
        (void)session; // a key only: it may be gone
    }
    size_t Prefetches = 0;
    unsigned Steps = 0;
};

// Replies for many switches in a shuffled order, each ending its session
// whose report starts the switch's next one, while sessions and devices are
// deleted between a reply's announcement and its hand-over; garbage is
// announced too. Answers what was reported, in order, with the results.
std::vector<std::string> Churn(bool announce, TPrefetchingTransport& transport)
{
    StartCleanLibrary(&transport);
    constexpr uint32_t Switches = 300, Replies = 3000;
    std::vector<TDevice*> devices;
    for (uint32_t i = 0; i < Switches; ++i) {
        devices.push_back(AddSwitch(Mac(uint8_t(i), uint8_t(i >> 8)), 1, 0xC0000000u + i));
        EXPECT_TRUE(StartSession(new TSessionIntpPing2(1000), devices.back(), nullptr));
    }
    std::mt19937 random(5);
    std::vector<std::vector<uint8_t>> replies;
    for (uint32_t n = 0; n < Replies; ++n) {
        const uint32_t i = uint32_t(random() % Switches);
        replies.push_back(MakeReply(6, 0, Mac(uint8_t(i), uint8_t(i >> 8)), std::vector<uint8_t>(12, 1)));
    }
    std::vector<std::string> seen;
    size_t reported = 0;
    for (uint32_t n = 0; n < Replies; ++n) {
        if (announce) {
            const auto& ahead = replies[(n + PrefetchDistance) % Replies];
            PrefetchPacket(ahead.size(), ahead.data());
            PrefetchPacket(5, ahead.data());
            PrefetchPacket(0, nullptr);
        }
        if (n % 7 == 3 && !SessionList().empty())
            delete SessionList()[random() % SessionList().size()];
        if (n % 13 == 5 && !DeviceMap().empty()) {
            auto it = DeviceMap().begin();
            std::advance(it, random() % DeviceMap().size());
            delete it->second;
        }
        const int result = ReceivePacket(0xC0000100u + n, replies[n].size(), replies[n].data());
        seen.push_back("result " + std::to_string(result));
        for (; reported < transport.Reports.size(); ++reported) {
            const auto& r = transport.Reports[reported];
            seen.push_back("report " + MacToText(r.Device->GetMac()) + " " + std::to_string(r.Command) + " " +
                           std::to_string(r.Status));
            auto* next = new TSessionIntpPing2(1000);
            if (!StartSession(next, r.Device, nullptr))
                delete next;
        }
    }
    ReleaseLibrary();
    return seen;
}

} // namespace

TEST(DispatcherPrefetch, AnnouncedRepliesAreHandledExactlyAsUnannounced)
{
    TPrefetchingTransport plain, prefetching;
    const std::vector<std::string> without = Churn(false, plain);
    const std::vector<std::string> with = Churn(true, prefetching);
    EXPECT_EQ(plain.Prefetches, 0u);
    EXPECT_GT(prefetching.Prefetches, 0u);
    EXPECT_EQ(prefetching.Steps, 7u) << "every step of the timer's prefetch is asked for";
    ASSERT_EQ(without.size(), with.size());
    EXPECT_EQ(without, with);
    EXPECT_GT(std::count_if(with.begin(), with.end(), [](const std::string& s) { return s == "result 0"; }), 1000);
}
