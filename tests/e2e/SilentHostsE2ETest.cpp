// Discovery towards addresses on the local segment that nobody answers: the
// kernel holds every datagram while it tries to resolve the address, the
// socket's send buffer fills, and the window thread must still never wait.
//
// The console sits in its own namespace at 192.0.2.1/24; the other end of
// the veth pair carries no address, so no address resolution ever succeeds.
#include "FakeUserInterface.h"
#include "IntpSocketThread.h"
#include "MainForm.h"
#include "NetnsHarness.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <cstring>

#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

constexpr uint32_t ConsoleIp = 0xC0000201u;   // 192.0.2.1
constexpr size_t Entries = 4064;              // within the filter's cap of 4 096

// Measures the longest time the window thread went without handling its
// events, from a timer that ticks every 5 ms.
class TWatchdog {
public:
    TWatchdog()
    {
        m_Timer.setInterval(5);
        m_Timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_Timer, &QTimer::timeout, [this] { Tick(); });
        m_Clock.start();
        m_Timer.start();
    }
    qint64 LongestGapMs() const { return m_Longest; }
    uint64_t Ticks() const { return m_Ticks; }

private:
    void Tick()
    {
        const qint64 now = m_Clock.elapsed();
        m_Longest = std::max(m_Longest, now - m_Last);
        m_Last = now;
        ++m_Ticks;
    }
    QTimer m_Timer;
    QElapsedTimer m_Clock;
    qint64 m_Last = 0;
    qint64 m_Longest = 0;
    uint64_t m_Ticks = 0;
};

class SilentHostsE2ETest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        if (!E2e::NamespacesAvailable(error))
            GTEST_SKIP() << "network namespaces are refused here (" << error
                         << "); this end-to-end test needs root and permission to create them";
        ASSERT_TRUE(Net.Setup(ConsoleIp, {}, 24, false, error)) << error;
        // Resolution gives up after 200 ms, so that the held datagrams are
        // dropped and the queue drains within the test.
        ASSERT_EQ(E2e::TTestNetwork::RunIn(Net.Console(), "sysctl -qw net.ipv4.neigh.c0.mcast_solicit=1 "
                                                          "net.ipv4.neigh.c0.retrans_time_ms=200"),
                  0);
        InConsole = std::make_unique<E2e::TNetnsScope>(Net.Console());
        ASSERT_TRUE(InConsole->Entered());
        Intp::ReleaseLibrary();
        Intp::RegisterBuiltinModels();
        Form = std::make_unique<TMainForm>();
        ASSERT_TRUE(Form->IntpThread()->IsOpen()) << Form->IntpThread()->ErrorString().toStdString();
        ASSERT_TRUE(Form->EventOnMainFormCreate());
    }
    void TearDown() override
    {
        if (Form) {
            Form->Shutdown();
            Intp::ReleaseLibrary();
            Form.reset();
        }
        InConsole.reset();
    }
    // The n-th silent address: every other address of the segment in turn
    // (the /24 has 253 of them).
    static uint32_t SilentIp(size_t n) { return 0xC0000202u + uint32_t(n % 253); }

    E2e::TTestNetwork Net;
    std::unique_ptr<E2e::TNetnsScope> InConsole;
    TFakeUserInterface Ui;
    std::unique_ptr<TMainForm> Form;
};

TEST_F(SilentHostsE2ETest, DiscoveryToThousandsOfSilentAddressesNeverBlocksTheWindow)
{
    // The unicast list: the silent addresses over and over, 4 064 entries.
    Filter::TFilterSettings settings = Form->FilterForm()->GetSettings();
    settings.Method = Filter::MethodCustom;
    settings.Unicasts.clear();
    for (size_t i = 0; i < Entries; ++i)
        settings.Unicasts.push_back({SilentIp(i), 0xFFFFFFFFu});
    Form->FilterForm()->LoadSettings(settings);
    Filter::TIpMaskList targets;
    Form->FilterForm()->GetTargets(targets);
    ASSERT_EQ(targets.size(), Entries);

    TWatchdog watchdog;
    const uint64_t sentBefore = Form->SentCount();
    QTimer::singleShot(20, Form.get(), [&] { Form->EventOnDiscoveryExecute(); });
    // Some datagrams had to wait for the socket.
    bool queued = false;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            queued = queued || Form->IntpThread()->QueuedSendCount() > 0;
            return Form->SentCount() == sentBefore + Entries;
        },
        5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form->IntpThread()->QueuedSendCount() == 0; }, 30000))
        << "still queued: " << Form->IntpThread()->QueuedSendCount();
    QTest::qWait(50);

    EXPECT_TRUE(queued) << "the send buffer never filled: the test proves nothing";
    EXPECT_GT(watchdog.Ticks(), 10u);
    EXPECT_LT(watchdog.LongestGapMs(), 100) << "the window thread was blocked";
    // Every datagram left: none was reported as a send failure.
    EXPECT_TRUE(Ui.Boxes.empty()) << Ui.LastText().toStdString();
}

TEST_F(SilentHostsE2ETest, DatagramsBeyondTheQueueAreSendFailures)
{
    const auto request = Intp::BuildRequest(0x0104, Intp::TMacAddr(), 4);
    const size_t count = TReceivePump::MaxSendQueue + 4000;
    QElapsedTimer clock;
    clock.start();
    for (size_t i = 0; i < count; ++i)
        Form->SendDatagram(SilentIp(i), request.data(), request.size());
    // A send that waited for a silent host's address would take seconds for
    // each of these thousands: the bound is loose enough for a busy machine.
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_LE(Form->IntpThread()->QueuedSendCount(), TReceivePump::MaxSendQueue);
    EXPECT_TRUE(Ui.Boxes.empty());   // nothing shown inside the send
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Ui.Boxes.empty(); }, 5000));
    EXPECT_EQ(Ui.Boxes.size(), 1u);
    EXPECT_TRUE(Ui.Boxes[0].Text.startsWith("Cannot send to 192.0.2.")) << Ui.LastText().toStdString();
    EXPECT_TRUE(Ui.Boxes[0].Text.contains(QString::fromLocal8Bit(std::strerror(ENOBUFS))))
        << Ui.LastText().toStdString();
    EXPECT_TRUE(Ui.Boxes[0].Text.contains("more)")) << Ui.LastText().toStdString();
}

} // namespace
