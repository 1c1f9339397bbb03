// The UDP receive pump and the protocol socket: datagrams are drained while
// the window thread is busy, handed over whole and in arrival order, and the
// receiving thread is joined on every way out.
#include "IntpSocketThread.h"
#include "LibraryFixture.h"
#include "ReceivePump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr uint32_t Loopback = 0x7F000001;

// A plain UDP socket on the loopback address that sends numbered datagrams.
class TSender {
public:
    TSender()
    {
        m_Fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(Loopback);
        ::bind(m_Fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    }
    ~TSender() { ::close(m_Fd); }
    bool Send(uint16_t port, const std::vector<uint8_t>& bytes)
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(Loopback);
        to.sin_port = htons(port);
        return ::sendto(m_Fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to)
               == static_cast<ssize_t>(bytes.size());
    }
    bool SendNumber(uint16_t port, uint32_t n, size_t size = 48)
    {
        std::vector<uint8_t> bytes(size, static_cast<uint8_t>(n));
        std::memcpy(bytes.data(), &n, sizeof n);
        return Send(port, bytes);
    }
    int Fd() const { return m_Fd; }

private:
    int m_Fd = -1;
};

uint32_t Number(const TListElement& e)
{
    uint32_t n = UINT32_MAX;
    if (e.Data.size() >= 4)
        std::memcpy(&n, e.Data.data(), 4);
    return n;
}

// Waits up to ms for pred; with events, the window thread runs its queue.
template <class P>
bool WaitFor(P pred, int ms, bool events)
{
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > ms)
            return false;
        if (events)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        else
            QThread::msleep(2);
    }
    return true;
}

TEST(ReceivePump, BurstWhileWindowIsBusyArrivesWholeAndInOrder)
{
    constexpr uint32_t Count = 5000;
    TReceivePump pump;
    ASSERT_TRUE(pump.Open(0, false)) << pump.ErrorString().toStdString();
    ASSERT_TRUE(pump.Start());
    const uint16_t port = pump.LocalPort();
    ASSERT_NE(port, 0);

    std::vector<uint32_t> handled;
    std::atomic<bool> go{false};
    bool allReceivedDuringHandOver = false;
    std::vector<uint16_t> sourcePorts;
    pump.SetHandler([&](const TListElement& e) {
        handled.push_back(Number(e));
        sourcePorts.push_back(e.SourcePort);
        EXPECT_EQ(e.SourceIp, Loopback);
        EXPECT_EQ(e.Data.size(), 48u);
        if (handled.size() == 1) {
            // The window thread is busy here while the burst arrives.
            go = true;
            allReceivedDuringHandOver = WaitFor([&] { return pump.ReceivedCount() == Count; }, 20000, false);
            QThread::msleep(200);
        }
    });

    TSender sender;
    ASSERT_TRUE(sender.SendNumber(port, 0));
    std::thread burst([&] {
        while (!go)
            QThread::msleep(1);
        for (uint32_t n = 1; n < Count; ++n) {
            // Loopback drops what the kernel buffer cannot hold: keep the
            // sender within reach of the receiving thread (not of the window).
            while (n - pump.ReceivedCount() > 1000)
                std::this_thread::yield();
            sender.SendNumber(port, n);
        }
    });
    bool done = WaitFor([&] { return handled.size() == Count; }, 30000, true);
    burst.join();
    ASSERT_TRUE(allReceivedDuringHandOver) << "the receiving thread waited for the window thread";
    ASSERT_TRUE(done) << "handled " << handled.size();
    for (uint32_t n = 0; n < Count; ++n)
        ASSERT_EQ(handled[n], n) << "out of order at " << n;
    EXPECT_EQ(pump.PendingCount(), 0u);
    pump.Stop();
    EXPECT_FALSE(pump.IsRunning());
}

TEST(ReceivePump, FullQueueKeepsWhatFitsOfABatchIntact)
{
    // Datagrams of many sizes, the largest a UDP datagram can be among them,
    // all waiting in the kernel before the thread starts, so that they are
    // read in one batch; the queue has room for some of them, and what it
    // keeps must arrive whole and in order.
    constexpr uint32_t Count = 40;
    constexpr size_t Largest = 65507;
    auto size = [](uint32_t n) {
        static constexpr size_t Sizes[] = {8, 1000, 5000};
        return n == 1 ? Largest : Sizes[n % 3];
    };
    auto queued = [](size_t bytes) {
        TListElement e;
        e.Data.resize(bytes);
        return TReceivePump::QueuedBytes(e);
    };
    const size_t limit = queued(Largest) + 5 * queued(5000) + 5 * queued(1000) + 3 * queued(8);
    std::vector<uint32_t> expected;
    size_t bytes = 0;
    for (uint32_t n = 0; n < Count; ++n) {
        const size_t b = queued(size(n));
        if (bytes + b <= limit) {
            bytes += b;
            expected.push_back(n);
        }
    }
    ASSERT_LT(expected.size(), Count);
    ASSERT_GT(expected.back(), expected.size()) << "some dropped before the last kept";

    TReceivePump pump;
    ASSERT_TRUE(pump.Open(0, false));
    pump.SetQueueLimit(limit);
    TSender sender;
    auto send = [&](uint32_t n, size_t bytes) {
        std::vector<uint8_t> datagram(bytes, uint8_t(n * 7 + 1));
        std::memcpy(datagram.data(), &n, sizeof n);
        return sender.Send(pump.LocalPort(), datagram);
    };
    for (uint32_t n = 0; n < Count; ++n)
        ASSERT_TRUE(send(n, size(n)));
    std::vector<uint32_t> handled;
    std::vector<size_t> sizes;
    bool intact = true;
    pump.SetHandler([&](const TListElement& e) {
        const uint32_t n = Number(e);
        handled.push_back(n);
        sizes.push_back(e.Data.size());
        intact = intact &&
                 std::all_of(e.Data.begin() + 4, e.Data.end(), [&](uint8_t b) { return b == uint8_t(n * 7 + 1); });
    });
    ASSERT_TRUE(pump.Start());
    ASSERT_TRUE(WaitFor([&] { return pump.ReceivedCount() == Count; }, 5000, false));
    EXPECT_EQ(pump.DroppedCount(), Count - expected.size());
    EXPECT_EQ(pump.QueueBytes(), bytes);
    EXPECT_EQ(pump.PendingCount(), expected.size());
    ASSERT_TRUE(WaitFor([&] { return handled.size() == expected.size(); }, 5000, true));
    EXPECT_EQ(handled, expected);
    for (size_t i = 0; i < handled.size(); ++i)
        EXPECT_EQ(sizes[i], size(handled[i])) << "datagram " << handled[i];
    EXPECT_TRUE(intact);
    EXPECT_EQ(pump.QueueBytes(), 0u);

    // Once the receiving thread has waited again, long datagrams still
    // arrive whole, between short ones.
    pump.SetQueueLimit(TReceivePump::DefaultQueueLimitBytes);
    handled.clear();
    sizes.clear();
    ASSERT_TRUE(send(100, 8) && send(101, Largest) && send(102, 3000) && send(103, 8));
    ASSERT_TRUE(WaitFor([&] { return handled.size() == 4; }, 5000, true));
    EXPECT_EQ(handled, (std::vector<uint32_t>{100, 101, 102, 103}));
    EXPECT_EQ(sizes, (std::vector<size_t>{8, Largest, 3000, 8}));
    EXPECT_TRUE(intact);
}

TEST(ReceivePump, PushesDuringHandOverFollowInArrivalOrder)
{
    TReceivePump pump;   // no socket needed for pushed datagrams
    std::vector<uint32_t> handled;
    auto push = [&](uint32_t n) { pump.PushDatagram(0xC0000201, 4, reinterpret_cast<const uint8_t*>(&n)); };
    pump.SetHandler([&](const TListElement& e) {
        handled.push_back(Number(e));
        if (Number(e) == 1) {
            push(3);                          // from the window thread
            std::thread other([&] { push(4); });
            other.join();
            // A nested event loop inside a hand-over starts no second one.
            QCoreApplication::processEvents();
            EXPECT_EQ(handled.size(), 1u);
        }
    });
    push(1);
    push(2);
    EXPECT_TRUE(handled.empty()) << "never handed over inside the push";
    ASSERT_TRUE(WaitFor([&] { return handled.size() == 4; }, 5000, true));
    EXPECT_EQ(handled, (std::vector<uint32_t>{1, 2, 3, 4}));

    // An idle pump hands a new push over at once.
    push(5);
    ASSERT_TRUE(WaitFor([&] { return handled.size() == 5; }, 5000, true));
    pump.PushDatagram(0, 0, nullptr);
    ASSERT_TRUE(WaitFor([&] { return handled.size() == 6; }, 5000, true));
    EXPECT_EQ(handled.back(), UINT32_MAX) << "an empty datagram is handed over empty";
}

TEST(ReceivePump, StopWithFullQueueJoinsAndDropsTheRest)
{
    constexpr uint32_t Count = 3000;
    TReceivePump pump;
    ASSERT_TRUE(pump.Open(0, false));
    ASSERT_TRUE(pump.Start());
    std::vector<uint32_t> handled;
    pump.SetHandler([&](const TListElement& e) { handled.push_back(Number(e)); });
    TSender sender;
    for (uint32_t n = 0; n < Count; ++n) {
        while (n - pump.ReceivedCount() > 1000)
            std::this_thread::yield();
        sender.SendNumber(pump.LocalPort(), n);
    }
    ASSERT_TRUE(WaitFor([&] { return pump.ReceivedCount() == Count; }, 20000, false));
    EXPECT_EQ(pump.PendingCount(), Count);

    pump.Stop();                               // the window never ran: the queue is full
    EXPECT_FALSE(pump.IsRunning());
    EXPECT_EQ(pump.PendingCount(), 0u);
    QCoreApplication::processEvents();
    EXPECT_TRUE(handled.empty());
    pump.Stop();                               // a second stop does nothing

    // Started again, the same socket receives again.
    ASSERT_TRUE(pump.Start());
    ASSERT_TRUE(sender.SendNumber(pump.LocalPort(), 77));
    ASSERT_TRUE(WaitFor([&] { return !handled.empty(); }, 5000, true));
    EXPECT_EQ(handled, std::vector<uint32_t>{77});

    // A stop from inside a hand-over ends the delivery after that datagram.
    pump.SetHandler([&](const TListElement& e) {
        handled.push_back(Number(e));
        pump.Stop();
    });
    const uint64_t before = pump.ReceivedCount();
    for (uint32_t n = 100; n < 110; ++n)
        sender.SendNumber(pump.LocalPort(), n);
    ASSERT_TRUE(WaitFor([&] { return handled.size() == 2; }, 5000, true));
    QCoreApplication::processEvents();
    EXPECT_EQ(handled.size(), 2u);
    EXPECT_EQ(handled.back(), 100u);
    EXPECT_FALSE(pump.IsRunning());
    EXPECT_GE(pump.ReceivedCount(), before + 1);
}

TEST(ReceivePump, DestroyedWithoutStopIsClean)
{
    TSender sender;
    int handled = 0;
    {
        auto pump = std::make_unique<TReceivePump>();
        ASSERT_TRUE(pump->Open(0, false));
        ASSERT_TRUE(pump->Start());
        pump->SetHandler([&](const TListElement&) { ++handled; });
        for (uint32_t n = 0; n < 200; ++n)
            sender.SendNumber(pump->LocalPort(), n);
        ASSERT_TRUE(WaitFor([&] { return pump->ReceivedCount() == 200; }, 10000, false));
        // Running thread, full queue and a delivery posted: destroyed as is.
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(handled, 0);
    {
        TReceivePump never;   // never opened or started
    }
}

TEST(ReceivePump, SendsThroughItsOwnSocketAndReportsBindFailures)
{
    TReceivePump a, b;
    ASSERT_TRUE(a.Open(0, false));
    ASSERT_TRUE(b.Open(0, false));
    ASSERT_TRUE(b.Start());
    std::vector<TListElement> got;
    b.SetHandler([&](const TListElement& e) { got.push_back(e); });
    const uint8_t bytes[] = {1, 2, 3, 4, 5};
    ASSERT_TRUE(a.Send(Loopback, b.LocalPort(), bytes, sizeof bytes));
    ASSERT_TRUE(WaitFor([&] { return got.size() == 1; }, 5000, true));
    EXPECT_EQ(got[0].SourcePort, a.LocalPort()) << "replies come back to the receiving socket";
    EXPECT_EQ(got[0].Data, std::vector<uint8_t>(bytes, bytes + sizeof bytes));

    TReceivePump clash;
    EXPECT_FALSE(clash.Open(b.LocalPort(), false));
    EXPECT_FALSE(clash.ErrorString().isEmpty());
    EXPECT_FALSE(clash.IsOpen());
    EXPECT_FALSE(clash.Start());
    EXPECT_FALSE(clash.Send(Loopback, b.LocalPort(), bytes, sizeof bytes));
    EXPECT_FALSE(b.Open(0, false)) << "not while running";
}

// What is sent while received datagrams are handed over (and inside any
// TSendBatch) leaves from the receiving thread, every datagram in order; a
// refused one is told through the failure handler instead of Send's result.
TEST(ReceivePump, SendsOfAHandOverLeaveFromTheReceivingThreadInOrder)
{
    constexpr uint32_t Count = 2000;
    TReceivePump a, b;
    ASSERT_TRUE(a.Open(0, false));
    ASSERT_TRUE(b.Open(0, false));
    ASSERT_TRUE(a.Start());
    ASSERT_TRUE(b.Start());
    std::vector<uint32_t> got;
    b.SetHandler([&](const TListElement& e) { got.push_back(Number(e)); });
    std::vector<int> failures;
    a.SetSendFailureHandler([&](uint32_t ip, int error) {
        EXPECT_EQ(ip, 0xFFFFFFFFu);
        failures.push_back(error);
    });
    // A datagram handed over to a starts the burst of its sends.
    a.SetHandler([&](const TListElement&) {
        for (uint32_t n = 0; n < Count; ++n) {
            std::vector<uint8_t> bytes(48, uint8_t(n));
            std::memcpy(bytes.data(), &n, sizeof n);
            ASSERT_TRUE(a.Send(Loopback, b.LocalPort(), bytes.data(), bytes.size()));
            if (n == Count / 2) {
                // Not a broadcast socket: refused, but only once it is sent.
                EXPECT_TRUE(a.Send(0xFFFFFFFFu, b.LocalPort(), bytes.data(), bytes.size()));
            }
        }
        EXPECT_GT(a.QueuedSendCount(), 0u) << "sent on the window thread";
    });
    TSender sender;
    ASSERT_TRUE(sender.SendNumber(a.LocalPort(), 1));
    ASSERT_TRUE(WaitFor([&] { return got.size() == Count && failures.size() == 1; }, 10000, true))
        << got.size() << " received, " << failures.size() << " failures";
    for (uint32_t n = 0; n < Count; ++n)
        ASSERT_EQ(got[n], n);
    EXPECT_EQ(failures[0], EACCES);
    EXPECT_EQ(a.QueuedSendCount(), 0u);

    // Outside a hand-over a send goes straight out and a refusal is its result.
    const uint8_t bytes[] = {9, 9, 9, 9};
    errno = 0;
    EXPECT_FALSE(a.Send(0xFFFFFFFFu, b.LocalPort(), bytes, sizeof bytes));
    EXPECT_EQ(errno, EACCES);
    {
        TReceivePump::TSendBatch batch(a);
        EXPECT_TRUE(a.Send(Loopback, b.LocalPort(), bytes, sizeof bytes));
    }
    EXPECT_TRUE(WaitFor([&] { return got.size() == Count + 1; }, 5000, true));
}

TEST(ReceivePump, QueuedSendsOfEverySizeLeaveWholeAndInOrder)
{
    // Small requests, full frames and datagrams near the largest UDP
    // payload, mixed: the packed send queue starts new blocks by count and
    // by bytes, and one datagram larger than a block fills one alone.
    const size_t sizes[] = {12, 16, 1400, 30000, 48, 64, 16, 16, 65000, 64, 28, 12, 16, 65507, 4, 1400};
    constexpr uint32_t Count = 600;
    TReceivePump a, b;
    ASSERT_TRUE(a.Open(0, false));
    ASSERT_TRUE(b.Open(0, false));
    ASSERT_TRUE(a.Start());
    ASSERT_TRUE(b.Start());
    std::vector<std::vector<uint8_t>> got;
    b.SetHandler([&](const TListElement& e) { got.push_back(e.Data); });
    auto datagram = [&](uint32_t n) {
        std::vector<uint8_t> bytes(std::max<size_t>(sizes[n % std::size(sizes)], 4));
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = uint8_t(n * 7 + i);
        std::memcpy(bytes.data(), &n, sizeof n);
        return bytes;
    };
    a.SetHandler([&](const TListElement&) {
        for (uint32_t n = 0; n < Count; ++n) {
            const std::vector<uint8_t> bytes = datagram(n);
            ASSERT_TRUE(a.Send(Loopback, b.LocalPort(), bytes.data(), bytes.size()));
        }
    });
    TSender sender;
    ASSERT_TRUE(sender.SendNumber(a.LocalPort(), 1));
    ASSERT_TRUE(WaitFor([&] { return got.size() == Count; }, 20000, true)) << got.size() << " received";
    for (uint32_t n = 0; n < Count; ++n)
        ASSERT_EQ(got[n], datagram(n)) << "datagram " << n;
    EXPECT_EQ(a.QueuedSendCount(), 0u);
}

// Records what it is told to announce and what it hands over.
class TAnnouncingPump : public TReceivePump {
public:
    std::vector<uint32_t> Announced, Dispatched;
    size_t MostAhead = 0;

protected:
    void PrefetchDatagram(const uint8_t* data, size_t length) override
    {
        uint32_t n = UINT32_MAX;
        if (length >= 4)
            std::memcpy(&n, data, 4);
        Announced.push_back(n);
        MostAhead = std::max(MostAhead, Announced.size() - Dispatched.size());
    }
    void DispatchDatagram(const TListElement& element) override { Dispatched.push_back(Number(element)); }
};

TEST(ReceivePump, EveryDatagramIsAnnouncedOnceAheadOfItsHandOver)
{
    constexpr uint32_t Count = 3000;
    TAnnouncingPump pump;
    ASSERT_TRUE(pump.Open(0, false));
    ASSERT_TRUE(pump.Start());
    // Pushed in batches of different sizes while the window thread is busy,
    // so that hand-overs take several blocks at a time.
    for (uint32_t n = 0; n < Count; ++n) {
        std::vector<uint8_t> bytes(16 + n % 40, uint8_t(n));
        std::memcpy(bytes.data(), &n, sizeof n);
        pump.PushDatagram(Loopback, bytes.size(), bytes.data());
        if (n % 997 == 0)
            QCoreApplication::processEvents();
    }
    ASSERT_TRUE(WaitFor([&] { return pump.Dispatched.size() == Count; }, 10000, true));
    ASSERT_EQ(pump.Announced.size(), Count);
    for (uint32_t n = 0; n < Count; ++n) {
        ASSERT_EQ(pump.Dispatched[n], n);
        ASSERT_EQ(pump.Announced[n], n);
    }
    EXPECT_LE(pump.MostAhead, TReceivePump::PrefetchAhead + 1);
}

class IntpSocketThreadTest : public TestSupport::LibraryTest {};

TEST_F(IntpSocketThreadTest, HandsDatagramsToTheReceiveDispatcher)
{
    TIntpSocketThread socketThread;
    ASSERT_TRUE(socketThread.IsOpen()) << socketThread.ErrorString().toStdString();
    int broadcast = 0;
    socklen_t length = sizeof broadcast;
    ASSERT_EQ(::getsockopt(socketThread.SocketDescriptor(), SOL_SOCKET, SO_BROADCAST, &broadcast, &length), 0);
    EXPECT_NE(broadcast, 0);
    ASSERT_TRUE(socketThread.Start());

    TSender sender;
    ASSERT_TRUE(sender.Send(socketThread.LocalPort(), {1, 2, 3}));   // too short: dropped
    ASSERT_TRUE(sender.Send(socketThread.LocalPort(),   // a discovery reply
                            TestSupport::MakeReply(0, 0, TestSupport::Mac(5), {0, 0, 0, 0, 0, 0, 0, 0})));
    ASSERT_TRUE(WaitFor([&] { return Intp::GetDevice(TestSupport::Mac(5), false) != nullptr; }, 5000, true));
    EXPECT_EQ(Intp::GetDevice(TestSupport::Mac(5), false)->GetIp(), Loopback);
    EXPECT_EQ(Intp::DeviceMap().size(), 1u);
    socketThread.Stop();
}

} // namespace
