// The raw Ethernet scan: the frame and the answer rules on their own, then
// the dialog end to end between two network namespaces joined by a veth
// pair, with a responder on a packet socket in the far namespace.
#include "FakeUserInterface.h"
#include "ScanForm.h"
#include "WinpcapThread.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using Frame = std::vector<uint8_t>;

namespace {

const uint8_t ConsoleMac[6] = {0x02, 0, 0, 0, 0x01, 0x01};
const uint8_t ResponderMac[6] = {0x02, 0, 0, 0, 0x01, 0x02};
const uint8_t DecoyMac[6] = {0x02, 0, 0, 0, 0x02, 0x02};

// An answer from `source` to `dest` naming a switch with the given MAC tail
// and IPv4 address.
Frame Answer(const uint8_t dest[6], uint8_t macTail, uint8_t ipTail, const uint8_t source[6] = ResponderMac)
{
    Frame f(40, 0);
    std::memcpy(&f[0], dest, 6);
    std::memcpy(&f[6], source, 6);
    f[12] = 0xDE;
    f[13] = 0xAD;
    f[14] = 192, f[15] = 0, f[16] = 2, f[17] = 2;
    f[18] = 0x06, f[19] = 0x66;
    f[25] = 8;
    const uint8_t mac[6] = {0x02, 0, 0, 0, 0xAA, macTail};
    std::memcpy(&f[26], mac, 6);
    f[36] = 192, f[37] = 0, f[38] = 2, f[39] = ipTail;
    return f;
}

bool WaitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QTest::qWait(10);
    }
    return true;
}

QStringList Row(const QTreeWidget* list, int i)
{
    const QTreeWidgetItem* item = list->topLevelItem(i);
    if (!item)
        return {};
    return {item->text(0), item->text(1), item->text(2)};
}

} // namespace

TEST(ScanFrame, FrameLayoutAndAnswerRules)
{
    const Intp::TMacAddr own(ConsoleMac);
    const auto frame = Scan::BuildScanFrame(own, 0xC0000201u);
    const uint8_t expected[40] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0, 0, 0, 0x01, 0x01, 0xDE, 0xAD,
                                  192, 0, 2, 1, 0x06, 0x66, 0, 0, 0, 0, 0, 8};
    EXPECT_EQ(0, std::memcmp(frame.data(), expected, 40));

    Frame good = Answer(ConsoleMac, 1, 10);
    EXPECT_TRUE(Scan::IsScanAnswer(good.data(), good.size(), own));
    Frame longer = good;
    longer.resize(60, 0x55);
    EXPECT_TRUE(Scan::IsScanAnswer(longer.data(), longer.size(), own));

    EXPECT_FALSE(Scan::IsScanAnswer(good.data(), 39, own)) << "short";
    EXPECT_FALSE(Scan::IsScanAnswer(nullptr, 40, own));
    const uint8_t ones[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const uint8_t zeros[6] = {};
    Frame f = Answer(DecoyMac, 1, 10);
    EXPECT_FALSE(Scan::IsScanAnswer(f.data(), f.size(), own)) << "to another address";
    f = Answer(ones, 1, 10);
    EXPECT_FALSE(Scan::IsScanAnswer(f.data(), f.size(), own)) << "broadcast";
    f = Answer(ConsoleMac, 1, 10, ones);
    EXPECT_FALSE(Scan::IsScanAnswer(f.data(), f.size(), own)) << "from all ones";
    f = Answer(ConsoleMac, 1, 10, zeros);
    EXPECT_FALSE(Scan::IsScanAnswer(f.data(), f.size(), own)) << "from all zeros";
    f = good;
    f[13] = 0xAE;
    EXPECT_FALSE(Scan::IsScanAnswer(f.data(), f.size(), own)) << "EtherType";
    for (size_t at : {20, 21, 22, 23}) {
        f = good;
        f[at] = 1;
        EXPECT_FALSE(Scan::IsScanAnswer(f.data(), f.size(), own)) << "word at " << at;
    }

    Scan::TScanFrame answer;
    std::memcpy(answer.Data.data(), good.data(), 40);
    EXPECT_EQ(Intp::MacToText(answer.SwitchMac()), "02:00:00:00:AA:01");
    EXPECT_EQ(answer.SwitchIp(), 0xC000020Au);

    // Names are matched exactly, never cut to fit.
    Intp::TMacAddr mac;
    EXPECT_FALSE(Scan::GetInterfaceMac("", mac));
    EXPECT_FALSE(Scan::GetInterfaceMac("no-such-iface0", mac));
    EXPECT_FALSE(Scan::GetInterfaceMac("lo", mac)) << "no Ethernet address";
    EXPECT_FALSE(Scan::GetInterfaceMac(std::string(IFNAMSIZ, 'e'), mac));
}

TEST(ScanForm, MessagesRowsAndNoInterface)
{
    using namespace Scan;
    EXPECT_EQ(ScanErrorText(ScanNoInterface, "eth9"), "Invalid interface");
    EXPECT_EQ(ScanErrorText(ScanNoMac, "eth9"), "Unable to get a valid MAC address from interface eth9");
    EXPECT_EQ(ScanErrorText(ScanNoIp, "eth9"), "Unable to get a valid IP address from interface eth9");
    EXPECT_EQ(ScanErrorText(ScanOpenFailed, "eth9"), "Unable to open the adapter. eth9 is not supported by WinPcap");
    EXPECT_EQ(ScanErrorText(ScanSendFailed, "eth9"), "Error sending the packet: eth9");

    TestSupport::TFakeUserInterface ui;
    TScanForm form;
    QAbstractItemModelTester devices(form.m_Devices->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QAbstractItemModelTester interfaces(form.m_Interfaces->model(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(form.windowTitle(), "Scan Devices ...");
    EXPECT_EQ(form.m_Devices->headerItem()->text(1), "MAC Address");
    EXPECT_EQ(form.m_Devices->headerItem()->text(2), "IP Address");
    EXPECT_FALSE(form.m_Scan->isEnabled()) << "no interface chosen";
    EXPECT_FALSE(form.m_Promiscuous->isEnabled());

    EXPECT_EQ(form.Scan(), ScanNoInterface);
    EXPECT_EQ(ui.LastText(), "Invalid interface");

    // The same switch twice is listed twice.
    TScanFrame a;
    Frame good = Answer(ConsoleMac, 1, 10);
    std::memcpy(a.Data.data(), good.data(), 40);
    form.AddScanReply(a);
    form.AddScanReply(a);
    ASSERT_EQ(form.m_Devices->topLevelItemCount(), 2);
    EXPECT_EQ(Row(form.m_Devices, 0), QStringList({"1", "02:00:00:00:AA:01", "192.0.2.10"}));
    EXPECT_EQ(Row(form.m_Devices, 1), QStringList({"2", "02:00:00:00:AA:01", "192.0.2.10"}));

    // An interface unknown to the system: its address cannot be found.
    TCaptureInterface unknown{"no-such-iface0", "", {0xC0000201u}};
    EXPECT_EQ(form.Worker()->SendScan(&unknown, false), ScanNoMac);
    EXPECT_FALSE(form.Worker()->IsCapturing());
}

namespace {

// A switch stand-in on a packet socket in the far namespace: records every
// scan frame it receives and answers each as told.
class TResponder {
public:
    enum TMode { Answers, Flood };

    bool Start(const std::string& ns, const std::string& ifname, TMode mode, std::string& error)
    {
        m_Mode = mode;
        auto started = m_Ready.get_future();
        m_Thread = std::thread([this, ns, ifname] { Run(ns, ifname, m_Ready); });
        error = started.get();
        if (!error.empty()) {
            m_Thread.join();
            return false;
        }
        return true;
    }
    void Stop()
    {
        m_Stop = true;
        if (m_Thread.joinable())
            m_Thread.join();
    }
    ~TResponder() { Stop(); }

    std::vector<Frame> Received()
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Received;
    }
    size_t Sent() const { return m_Sent; }

private:
    void Run(const std::string& ns, const std::string& ifname, std::promise<std::string>& ready)
    {
        int nsfd = open(("/var/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
        if (nsfd < 0 || setns(nsfd, CLONE_NEWNET) != 0) {
            if (nsfd >= 0)
                close(nsfd);
            ready.set_value("cannot enter " + ns);
            return;
        }
        close(nsfd);
        m_Fd = socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, htons(Scan::EtherType));
        sockaddr_ll addr{};
        addr.sll_family = AF_PACKET;
        addr.sll_protocol = htons(Scan::EtherType);
        addr.sll_ifindex = int(if_nametoindex(ifname.c_str()));
        if (m_Fd < 0 || addr.sll_ifindex == 0 || bind(m_Fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            if (m_Fd >= 0)
                close(m_Fd);
            ready.set_value("cannot open a packet socket on " + ifname);
            return;
        }
        ready.set_value(std::string());

        bool flooding = false;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!m_Stop && std::chrono::steady_clock::now() < deadline) {
            if (flooding) {
                // Bounded bursts: about 20 000 answers a second.
                for (int i = 0; i < 20 && !m_Stop; ++i)
                    Send(Answer(ConsoleMac, uint8_t(m_Sent & 0xFF), 10));
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            pollfd p{m_Fd, POLLIN, 0};
            if (poll(&p, 1, flooding ? 0 : 20) <= 0)
                continue;
            Frame frame(2048);
            sockaddr_ll from{};
            socklen_t fromLength = sizeof from;
            ssize_t n = recvfrom(m_Fd, frame.data(), frame.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (n < 0 || from.sll_pkttype == PACKET_OUTGOING)
                continue;
            frame.resize(size_t(n));
            {
                std::lock_guard<std::mutex> lock(m_Mutex);
                m_Received.push_back(frame);
            }
            if (m_Mode == Flood) {
                flooding = true;
                continue;
            }
            // One of each kind that must be passed over, then two good ones.
            const uint8_t ones[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
            const uint8_t zeros[6] = {};
            Frame shortFrame = Answer(ConsoleMac, 0x10, 20);
            shortFrame.resize(39);
            Send(shortFrame);
            Send(Answer(DecoyMac, 0x11, 21));
            Send(Answer(ones, 0x12, 22));
            Send(Answer(ConsoleMac, 0x13, 23, ones));
            Send(Answer(ConsoleMac, 0x14, 24, zeros));
            Frame other = Answer(ConsoleMac, 0x15, 25);
            other[13] = 0xAE;
            Send(other);
            Frame word20 = Answer(ConsoleMac, 0x16, 26);
            word20[21] = 1;
            Send(word20);
            Frame word22 = Answer(ConsoleMac, 0x17, 27);
            word22[22] = 0x80;
            Send(word22);
            Send(Answer(ConsoleMac, 0x01, 10));
            Send(Answer(ConsoleMac, 0x02, 11));
        }
        close(m_Fd);
    }
    void Send(const Frame& f)
    {
        if (send(m_Fd, f.data(), f.size(), 0) == ssize_t(f.size()))
            ++m_Sent;
    }

    TMode m_Mode = Answers;
    std::promise<std::string> m_Ready;
    int m_Fd = -1;
    std::atomic<bool> m_Stop{false};
    std::atomic<size_t> m_Sent{0};
    std::mutex m_Mutex;
    std::vector<Frame> m_Received;
    std::thread m_Thread;
};

// Two namespaces: the console's, with the scan interface vsc0 (192.0.2.1)
// and a decoy pair sc0/sc0p without an IPv4 address, and the far one, with
// rsp0 (192.0.2.2) at the other end of vsc0. The test's own thread (the
// window thread) works inside the console's namespace.
class ScanNamespace : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string id = std::to_string(getpid());
        m_Console = "scanc-" + id;
        m_Remote = "scanr-" + id;
        if (!Run("ip netns add " + m_Console + " 2>/dev/null"))
            GTEST_SKIP() << "network namespaces are refused here (ip netns add failed; needs root)";
        m_Created = true;
        if (!Run("ip netns add " + m_Remote + " 2>/dev/null"))
            GTEST_SKIP() << "cannot create a second network namespace";
        const std::string c = "ip netns exec " + m_Console + " ";
        const std::string r = "ip netns exec " + m_Remote + " ";
        const std::string setup[] = {
            c + "ip link add vsc0 address 02:00:00:00:01:01 type veth peer name rsp0 address 02:00:00:00:01:02 netns "
                + m_Remote,
            c + "ip link add sc0 address 02:00:00:00:02:02 type veth peer name sc0p address 02:00:00:00:02:03",
            c + "ip addr add 192.0.2.1/24 dev vsc0",
            c + "ip link set lo up",
            c + "ip link set sc0 up",
            c + "ip link set sc0p up",
            c + "ip link set vsc0 up",
            r + "ip addr add 192.0.2.2/24 dev rsp0",
            r + "ip link set rsp0 up",
        };
        for (const std::string& command : setup)
            if (!Run(command + " 2>/dev/null"))
                GTEST_SKIP() << "cannot configure the test namespaces: " << command;

        m_Home = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        int fd = open(("/var/run/netns/" + m_Console).c_str(), O_RDONLY | O_CLOEXEC);
        bool entered = m_Home >= 0 && fd >= 0 && setns(fd, CLONE_NEWNET) == 0;
        if (fd >= 0)
            close(fd);
        if (!entered)
            GTEST_SKIP() << "cannot enter the console's namespace";
        m_Entered = true;
    }
    void TearDown() override
    {
        if (m_Entered) {
            EXPECT_EQ(setns(m_Home, CLONE_NEWNET), 0);
        }
        if (m_Home >= 0)
            close(m_Home);
        if (m_Created) {
            Run("ip netns del " + m_Console + " 2>/dev/null");
            Run("ip netns del " + m_Remote + " 2>/dev/null");
        }
    }

    static bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

    // Chooses the interface by name in the dialog's list.
    static bool Choose(TScanForm& form, const QString& name)
    {
        for (int i = 0; i < form.m_Interfaces->count(); ++i) {
            QString text = form.m_Interfaces->itemText(i);
            if (text == name || text.startsWith(name + " : ")) {
                form.m_Interfaces->setCurrentIndex(i);
                return true;
            }
        }
        return false;
    }

    std::string m_Console;
    std::string m_Remote;
    bool m_Created = false;
    bool m_Entered = false;
    int m_Home = -1;
};

} // namespace

TEST_F(ScanNamespace, ListsExactlyTheGoodAnswersAndRescansFromAnEmptyList)
{
    TResponder responder;
    std::string error;
    ASSERT_TRUE(responder.Start(m_Remote, "rsp0", TResponder::Answers, error)) << error;

    TestSupport::TFakeUserInterface ui;
    TScanForm form;
    QAbstractItemModelTester devices(form.m_Devices->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QAbstractItemModelTester interfaces(form.m_Interfaces->model(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
    form.show();
    ASSERT_TRUE(Choose(form, "vsc0")) << "the console's interfaces are listed";
    EXPECT_EQ(form.m_IpAddresses->text(), "192.0.2.1, ");
    EXPECT_TRUE(form.m_Scan->isEnabled());

    QTest::mouseClick(form.m_Scan, Qt::LeftButton);
    EXPECT_TRUE(ui.Boxes.empty()) << ui.LastText().toStdString() << " / " << form.Worker()->LastError().toStdString();
    ASSERT_TRUE(form.Worker()->IsCapturing());
    // The answers to be passed over come first, on the same link: once the
    // two good ones are listed, every one before them was handled.
    ASSERT_TRUE(WaitFor([&] { return form.m_Devices->topLevelItemCount() >= 2; }, 10000));
    ASSERT_EQ(form.m_Devices->topLevelItemCount(), 2) << "only the two good answers";
    EXPECT_EQ(Row(form.m_Devices, 0), QStringList({"1", "02:00:00:00:AA:01", "192.0.2.10"}));
    EXPECT_EQ(Row(form.m_Devices, 1), QStringList({"2", "02:00:00:00:AA:02", "192.0.2.11"}));

    // The one frame the console sent, byte by byte.
    std::vector<Frame> received = responder.Received();
    ASSERT_EQ(received.size(), 1u);
    const Frame expected = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 0x01, 0x01, 0xDE, 0xAD,
                            192,  0,    2,    1,    0x06, 0x66, 0,    0,    0,    0,    0,    8,    0,    0,
                            0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0};
    EXPECT_EQ(received[0], expected);

    // A second scan starts from an empty list.
    form.m_Scan->click();
    EXPECT_EQ(form.m_Devices->topLevelItemCount(), 0);
    ASSERT_TRUE(WaitFor([&] { return form.m_Devices->topLevelItemCount() >= 2; }, 10000));
    ASSERT_EQ(form.m_Devices->topLevelItemCount(), 2);
    EXPECT_EQ(Row(form.m_Devices, 0), QStringList({"1", "02:00:00:00:AA:01", "192.0.2.10"}));
    EXPECT_EQ(responder.Received().size(), 2u);
    EXPECT_TRUE(ui.Boxes.empty());

    // Hiding ends the capture and empties the dialog.
    form.m_Close->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.Worker()->IsCapturing());
    EXPECT_EQ(form.m_Devices->topLevelItemCount(), 0);
    EXPECT_EQ(form.m_Interfaces->count(), 0);
    responder.Stop();
}

TEST_F(ScanNamespace, InterfaceChecksAndTheirMessages)
{
    // The address of exactly the named interface, not of one whose name is
    // part of it.
    Intp::TMacAddr mac;
    ASSERT_TRUE(Scan::GetInterfaceMac("vsc0", mac));
    EXPECT_EQ(mac, Intp::TMacAddr(ConsoleMac));
    ASSERT_TRUE(Scan::GetInterfaceMac("sc0", mac));
    EXPECT_EQ(mac, Intp::TMacAddr(DecoyMac));
    EXPECT_FALSE(Scan::GetInterfaceMac("vsc", mac));

    TestSupport::TFakeUserInterface ui;
    TScanForm form;
    form.show();
    ASSERT_TRUE(Choose(form, "sc0"));
    EXPECT_EQ(form.m_IpAddresses->text(), "");
    EXPECT_EQ(form.Scan(), Scan::ScanNoIp);
    EXPECT_EQ(ui.LastText(), "Unable to get a valid IP address from interface sc0");
    EXPECT_EQ(ui.Boxes.back().Icon, IUserInterface::IconError);
    EXPECT_EQ(ui.Boxes.back().Buttons, IUserInterface::Ok);

    if (Choose(form, "lo")) {
        EXPECT_EQ(form.Scan(), Scan::ScanNoMac);
        EXPECT_EQ(ui.LastText(), "Unable to get a valid MAC address from interface lo");
    }

    // Without the right to capture, the adapter cannot be opened. The
    // capability is dropped for this thread only and taken back after.
    ASSERT_TRUE(Choose(form, "vsc0"));
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2]{};
    ASSERT_EQ(syscall(SYS_capget, &header, caps), 0);
    __user_cap_data_struct dropped[2] = {caps[0], caps[1]};
    dropped[CAP_TO_INDEX(CAP_NET_RAW)].effective &= ~CAP_TO_MASK(CAP_NET_RAW);
    ASSERT_EQ(syscall(SYS_capset, &header, dropped), 0);
    int result = form.Scan();
    ASSERT_EQ(syscall(SYS_capset, &header, caps), 0);
    EXPECT_EQ(result, Scan::ScanOpenFailed);
    EXPECT_EQ(ui.LastText(), "Unable to open the adapter. vsc0 is not supported by WinPcap");
    EXPECT_FALSE(form.Worker()->IsCapturing());

    // With it back, the same scan goes out.
    size_t boxes = ui.Boxes.size();
    form.m_Promiscuous->setChecked(true);
    EXPECT_EQ(form.Scan(), Scan::ScanSent);
    EXPECT_EQ(ui.Boxes.size(), boxes);
    EXPECT_TRUE(form.Worker()->IsCapturing());
}

TEST_F(ScanNamespace, ClosingOrDestroyingDuringAFloodDoesNotHang)
{
    TResponder responder;
    std::string error;
    ASSERT_TRUE(responder.Start(m_Remote, "rsp0", TResponder::Flood, error)) << error;

    TestSupport::TFakeUserInterface ui;
    auto form = std::make_unique<TScanForm>();
    form->show();
    ASSERT_TRUE(Choose(*form, "vsc0"));
    ASSERT_EQ(form->Scan(), Scan::ScanSent);
    ASSERT_TRUE(WaitFor([&] { return form->m_Devices->topLevelItemCount() >= 500; }, 15000))
        << "rows: " << form->m_Devices->topLevelItemCount() << ", sent: " << responder.Sent();

    // Close while answers keep coming: the capture ends, and nothing that
    // was still on its way shows up afterwards.
    form->m_Close->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->Worker()->IsCapturing());
    QTest::qWait(200);
    EXPECT_EQ(form->m_Devices->topLevelItemCount(), 0);

    // Again, and this time the dialog goes away while capturing.
    form->show();
    ASSERT_TRUE(Choose(*form, "vsc0"));
    ASSERT_EQ(form->Scan(), Scan::ScanSent);
    ASSERT_TRUE(WaitFor([&] { return form->m_Devices->topLevelItemCount() >= 500; }, 15000));
    form.reset();
    QTest::qWait(100);   // any hand-over still posted is dropped with the dialog
    size_t sent = responder.Sent();
    responder.Stop();
    EXPECT_GT(sent, 1000u);
    EXPECT_TRUE(ui.Boxes.empty());
}

TEST_F(ScanNamespace, AFailedReadEndsTheCaptureInsteadOfRetrying)
{
    TestSupport::TFakeUserInterface ui;
    TScanForm form;
    form.show();
    ASSERT_TRUE(Choose(form, "vsc0"));
    ASSERT_EQ(form.Scan(), Scan::ScanSent);
    ASSERT_TRUE(form.Worker()->IsCapturing());

    // The interface goes away under the capture: the worker gives the handle
    // up and sleeps until the next scan.
    ASSERT_TRUE(Run("ip netns exec " + m_Console + " ip link del vsc0"));
    EXPECT_TRUE(WaitFor([&] { return !form.Worker()->IsCapturing(); }, 10000));
    EXPECT_EQ(form.Scan(), Scan::ScanNoMac);
    EXPECT_EQ(ui.LastText(), "Unable to get a valid MAC address from interface vsc0");
    form.m_Close->click();
}
