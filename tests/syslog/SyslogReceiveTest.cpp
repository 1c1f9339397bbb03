// Receiving syslog datagrams over loopback: real senders, zero bytes, a busy
// port, and loss-free delivery under load.
#include "FakeHost.h"
#include "SyslogFrame.h"
#include "SyslogSocketThread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

using namespace Syslog;

namespace {

constexpr uint32_t Loopback = 0x7F000001;

bool WaitUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

class TSender {
public:
    explicit TSender(uint16_t port)
    {
        m_Fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        m_To.sin_family = AF_INET;
        m_To.sin_addr.s_addr = htonl(Loopback);
        m_To.sin_port = htons(port);
    }
    ~TSender() { ::close(m_Fd); }
    bool Send(std::string_view bytes)
    {
        return ::sendto(m_Fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&m_To), sizeof m_To) ==
               ssize_t(bytes.size());
    }

private:
    int m_Fd = -1;
    sockaddr_in m_To{};
};

class SyslogReceiveTest : public ::testing::Test {
protected:
    TSyslogFrame Frame;
    TSyslogSocketThread Receiver{0, [this] { return static_cast<TSyslogServer*>(&Frame); }};

    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(Receiver.Start(&error)) << error.toStdString();
        ASSERT_NE(Receiver.LocalPort(), 0);
    }
    TSyslogList Events()
    {
        TSyslogList list;
        Frame.GetEntries(0, list, false);
        return list;
    }
    // Runs logger and waits for one more event.
    TSyslogListNode Log(const QStringList& options)
    {
        const uint32_t before = Frame.EventCount();
        QStringList args = options;
        args << "-d" << "-n" << "127.0.0.1" << "-P" << QString::number(Receiver.LocalPort()) << "-p" << "user.notice"
             << "-t" << "sw1" << "link up";
        EXPECT_EQ(QProcess::execute("logger", args), 0);
        EXPECT_TRUE(WaitUntil([&] { return Frame.EventCount() > before; }, 5000));
        const TSyslogList list = Events();
        return list.empty() ? TSyslogListNode{} : list.back();
    }
};

} // namespace

TEST_F(SyslogReceiveTest, EnlargesReceiveBuffer)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only a privileged process may exceed the system's buffer limit";
    EXPECT_GE(Receiver.ReceiveBufferSize(), TSyslogSocketThread::SyslogReceiveBufferBytes);
}

TEST_F(SyslogReceiveTest, LoggerMessagesArriveParsedOrWhole)
{
    // scripts/deps installs it (bsdutils): without it nothing here is checked.
    ASSERT_FALSE(QStandardPaths::findExecutable("logger").isEmpty()) << "util-linux logger is not installed";

    const TSyslogListNode bsd = Log({"--rfc3164"});
    EXPECT_EQ(bsd.Sender, Loopback);
    EXPECT_EQ(bsd.Facility, 1u);
    EXPECT_EQ(bsd.Severity, 5u);
    EXPECT_EQ(bsd.Message, "sw1: link up");

    // RFC 5424 has no month after the priority: the whole text is the
    // message, with the priority as read.
    const TSyslogListNode modern = Log({});
    EXPECT_EQ(modern.Facility, 1u);
    EXPECT_EQ(modern.Severity, 5u);
    EXPECT_TRUE(modern.Message.startsWith("<13>1 ")) << modern.Message.toStdString();
    EXPECT_TRUE(modern.Message.endsWith("link up")) << modern.Message.toStdString();
    EXPECT_EQ(modern.EventId, bsd.EventId + 1);
}

TEST_F(SyslogReceiveTest, DatagramEndsAtZeroByteAndSenderIsKept)
{
    TSender sender(Receiver.LocalPort());
    ASSERT_TRUE(sender.Send(std::string_view("<11>Oct 11 22:14:15 sw1 kept\0dropped", 36)));
    ASSERT_TRUE(WaitUntil([&] { return Frame.EventCount() == 1; }, 5000));
    const TSyslogListNode e = Events().front();
    EXPECT_EQ(e.Message, "kept");
    EXPECT_EQ(e.Sender, Loopback);
    EXPECT_EQ(e.Facility, 1u);
    EXPECT_EQ(e.Severity, 3u);
}

TEST(SyslogReceiver, BusyPortIsReported)
{
    TSyslogSocketThread first(0, {});
    ASSERT_TRUE(first.Start());
    TSyslogSocketThread second(first.LocalPort(), {});
    QString error;
    EXPECT_FALSE(second.Start(&error));
    EXPECT_FALSE(error.isEmpty());
}

// Without a provider the host's syslog server gets the datagrams; while
// there is none they are dropped.
TEST(SyslogReceiver, HandsOverToTheHostsServerOrDrops)
{
    TestSupport::TFakeHost host;
    TSyslogFrame frame;
    TSyslogSocketThread receiver(0);
    receiver.PushDatagram(1, "dropped");
    ASSERT_TRUE(WaitUntil([&] { return receiver.PendingCount() == 0; }, 2000));
    QCoreApplication::processEvents();
    host.SyslogServer = &frame;
    receiver.PushDatagram(2, std::string_view("<13>Oct 11 22:14:15 sw1 delivered\0x", 35));
    ASSERT_TRUE(WaitUntil([&] { return frame.EventCount() == 1; }, 2000));
    EXPECT_EQ(frame.CountEvents(2), 1u);
    EXPECT_EQ(frame.CountEvents(1), 0u);
}

// 5 000 numbered datagrams at 5 000 per second, then a burst of 2 000 sent
// as fast as possible while the window thread is kept busy for 200 ms: every
// one arrives, in order.
TEST_F(SyslogReceiveTest, PacedLoadAndBurstWhileWindowBusyLoseNothing)
{
    constexpr int Paced = 5000, Burst = 2000;
    auto text = [](int n) { return "<14>Oct 11 22:14:15 sw1 load " + std::to_string(n); };

    std::thread paced([&] {
        TSender sender(Receiver.LocalPort());
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < Paced; ++i) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(200 * i));
            sender.Send(text(i + 1));
        }
    });
    const bool pacedDone = WaitUntil([&] { return Frame.EventCount() >= uint32_t(Paced); }, 20000);
    paced.join();
    ASSERT_TRUE(pacedDone) << Frame.EventCount();

    std::atomic<bool> busy{false};
    std::thread burst([&] {
        while (!busy)
            std::this_thread::yield();
        TSender sender(Receiver.LocalPort());
        for (int i = 0; i < Burst; ++i)
            sender.Send(text(Paced + i + 1));
    });
    QTimer::singleShot(0, [&] {
        busy = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    });
    const bool burstDone = WaitUntil([&] { return Frame.EventCount() >= uint32_t(Paced + Burst); }, 20000);
    burst.join();
    ASSERT_TRUE(burstDone) << Frame.EventCount();

    const TSyslogList list = Events();
    ASSERT_EQ(list.size(), size_t(Paced + Burst));
    for (int i = 0; i < Paced + Burst; ++i) {
        ASSERT_EQ(list[size_t(i)].Message.toStdString(), "load " + std::to_string(i + 1)) << i;
        ASSERT_EQ(list[size_t(i)].EventId, uint32_t(i + 1));
    }
    Frame.FlushList();
    EXPECT_EQ(Frame.Model()->rowCount(), Paced + Burst);
}

// A flood while the window thread does nothing: the receive queue never
// holds more than its bound, the store stays within its limit, and every
// datagram read from the socket is either stored or counted as dropped.
TEST_F(SyslogReceiveTest, FloodFasterThanTheWindowKeepsBoundsAndCountsEveryDrop)
{
    constexpr size_t QueueLimit = 256 * 1024, StoreLimit = 128 * 1024;
    constexpr int Sent = 30000;
    Receiver.SetQueueLimit(QueueLimit);
    Frame.SetStoreLimit(StoreLimit);

    std::atomic<bool> sending{true};
    std::atomic<size_t> maxQueued{0};
    std::thread watcher([&] {
        while (sending) {
            maxQueued = std::max<size_t>(maxQueued, Receiver.QueueBytes());
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    {
        TSender sender(Receiver.LocalPort());
        for (int i = 0; i < Sent; ++i)
            sender.Send("<14>Oct 11 22:14:15 sw1 flood message number " + std::to_string(i + 1));
    }
    // The socket is drained by the receiving thread alone.
    uint64_t read = 0;
    for (int still = 0; still < 20; ++still) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (Receiver.ReceivedCount() != read) {
            read = Receiver.ReceivedCount();
            still = 0;
        }
    }
    sending = false;
    watcher.join();
    EXPECT_LE(maxQueued.load(), QueueLimit);
    EXPECT_LE(Receiver.QueueBytes(), QueueLimit);
    ASSERT_GT(Receiver.DroppedCount(), 0u);

    ASSERT_TRUE(WaitUntil([&] { return Receiver.PendingCount() == 0; }, 10000));
    Frame.FlushList();
    EXPECT_LE(Frame.StoreBytes(), StoreLimit);
    EXPECT_LT(Frame.EventCount(), Receiver.ReceivedCount() - Receiver.DroppedCount());
    EXPECT_EQ(Frame.EventCount() + Frame.DroppedCount(), Receiver.ReceivedCount());
    EXPECT_EQ(uint32_t(Frame.Model()->rowCount()), Frame.EventCount());
    EXPECT_EQ(Frame.CountEvents(Loopback), Frame.EventCount());
    EXPECT_TRUE(Frame.DroppedLabel()->isVisibleTo(&Frame));
    EXPECT_EQ(Frame.DroppedLabel()->text(), QStringLiteral("Dropped events: %1").arg(Frame.DroppedCount()));

    // What is kept is the newest part of what was stored, in order.
    const TSyslogList list = Events();
    ASSERT_FALSE(list.empty());
    const uint32_t first = list.front().EventId;
    for (size_t i = 0; i < list.size(); ++i)
        ASSERT_EQ(list[i].EventId, first + uint32_t(i));
    EXPECT_EQ(list.back().EventId, uint32_t(Receiver.ReceivedCount() - Receiver.DroppedCount()));

    // A clear starts the count again.
    Frame.ClearEvents();
    EXPECT_EQ(Frame.DroppedCount(), 0u);
    EXPECT_FALSE(Frame.DroppedLabel()->isVisibleTo(&Frame));
}
