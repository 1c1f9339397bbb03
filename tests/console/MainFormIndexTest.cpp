// The main window's bookkeeping that discovery of many switches leans on:
// device nodes found by device through every tree change, and the session
// timers behind one window timer.
#include "IntpProtocol.h"
#include "MainForm.h"
#include "MainFormFixture.h"

#include <QComboBox>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace TestSupport;

namespace {

class TRecorder final : public Intp::TWizard {
public:
    void OnSessionEvent(Intp::TDevice*, int command, uint16_t status, void*) override
    {
        Events.push_back({command, status});
    }
    std::vector<std::pair<int, uint16_t>> Events;
};

class MainFormIndexTest : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        Create();
        ASSERT_TRUE(Created);
    }
    // Every device node is found by its device, under the group it sits in.
    void ExpectEveryNodeFound()
    {
        int nodes = 0;
        TTreeNode* devices = Form->DevicesNode();
        for (int g = 0; g < devices->ChildCount(); ++g)
            for (int d = 0; d < devices->Child(g)->ChildCount(); ++d) {
                TTreeNode* node = devices->Child(g)->Child(d);
                EXPECT_EQ(Form->FindDeviceNode(node->Device), node);
                ++nodes;
            }
        EXPECT_EQ(nodes, Form->DeviceCount());
    }
};

TEST_F(MainFormIndexTest, DeviceNodesAreFoundThroughSortChangesRemovalsAndRediscovery)
{
    std::vector<Intp::TDevice*> found;
    for (uint8_t i = 1; i <= 60; ++i)
        found.push_back(Found(i, 1 + i % 6));
    EXPECT_EQ(Form->DeviceCount(), 60);
    ExpectEveryNodeFound();

    for (int mode : {TMainForm::SortModel, TMainForm::SortIpAddress, TMainForm::SortFilterMethod,
                     TMainForm::SortNone}) {
        Form->TreeSort()->setCurrentIndex(mode);
        ExpectEveryNodeFound();
    }

    // A device that leaves the tree is no longer found; the others still are.
    Intp::TDevice* gone = found[10];
    gone->SetIp(0);
    EXPECT_EQ(Form->FindDeviceNode(gone), nullptr);
    EXPECT_EQ(Form->DeviceCount(), 59);
    ExpectEveryNodeFound();
    // Back at an address: a node of its own again.
    gone->SetIp(0xC0000250u);
    ASSERT_NE(Form->FindDeviceNode(gone), nullptr);
    EXPECT_EQ(Form->FindDeviceNode(gone)->Device, gone);

    // Discovery deletes every device and its node; the answers bring new ones.
    Form->EventOnDiscoveryExecute();
    EXPECT_EQ(Form->DeviceCount(), 0);
    EXPECT_EQ(Form->DevicesNode()->ChildCount(), 0);
    for (uint8_t i = 1; i <= 60; ++i)
        Found(i, 1 + i % 6);
    EXPECT_EQ(Form->DeviceCount(), 60);
    ExpectEveryNodeFound();
}

TEST_F(MainFormIndexTest, OneWindowTimerServesEverySessionTimer)
{
    Intp::TDevice* d = Intp::GetDevice(Mac(9), true);
    d->SetIp(0x7F000001u);
    const auto timersAtStart = Form->findChildren<QTimer*>().size();
    const TSessionTimerQueue& timers = Form->SessionTimers();

    // A read that is answered ends, and its timer with it.
    auto* read = new Intp::TSessionIntpSipGet;
    ASSERT_TRUE(Intp::StartSession(read, d, nullptr));
    ASSERT_TRUE(timers.IsActive(read));
    EXPECT_EQ(timers.Interval(read), 60000u);
    auto reply = MakeReply(Intp::TSessionIntpSipGet::Command, 0, Mac(9), std::vector<uint8_t>(4, 0));
    ASSERT_EQ(Intp::ReceivePacket(0x7F000001u, reply.size(), reply.data()), Intp::ReplyFinished);
    EXPECT_EQ(Form->SessionTimerCount(), 0u);   // `read` is gone: only its count can be asked

    // Short time-outs fire in deadline order behind a long one, each once.
    TRecorder recorder;
    auto* slow = new Intp::TSessionIntpPing2(60);
    auto* fast = new Intp::TSessionIntpPing2(20);
    auto* longWait = new Intp::TSessionIntpSipGet;
    ASSERT_TRUE(Intp::StartSession(longWait, d, &recorder));
    ASSERT_TRUE(Intp::StartSession(slow, d, &recorder));
    ASSERT_TRUE(Intp::StartSession(fast, d, &recorder));
    EXPECT_EQ(timers.Interval(fast), 20u);
    // A later time-out (of another command) comes after any second one of
    // theirs would have come: each timed out once.
    const auto pings = [&] {
        return std::count(recorder.Events.begin(), recorder.Events.end(),
                          std::make_pair(int(Intp::TSessionIntpPing2::Command), uint16_t(Intp::StatusTimeout)));
    };
    const auto markers = [&] {
        return std::count(recorder.Events.begin(), recorder.Events.end(),
                          std::make_pair(int(Intp::TSessionIntpSipGet::Command), uint16_t(Intp::StatusTimeout)));
    };
    auto* later = new Intp::TSessionIntpSipGet;
    ASSERT_TRUE(Intp::StartSession(later, d, &recorder));
    Form->SetTimeout(later, 100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return markers() == 1; }, 5000));
    EXPECT_EQ(pings(), 2);
    EXPECT_EQ(recorder.Events.size(), 3u);
    EXPECT_EQ(Form->SessionTimerCount(), 1u);
    EXPECT_TRUE(timers.IsActive(longWait));

    // Stopped, a timer does not fire; ended, its session never times out.
    auto* stopped = new Intp::TSessionIntpPing2(10);
    ASSERT_TRUE(Intp::StartSession(stopped, d, &recorder));
    Form->EnableTimer(stopped, false);
    EXPECT_FALSE(timers.IsActive(stopped));
    auto* ended = new Intp::TSessionIntpPing2(10);
    ASSERT_TRUE(Intp::StartSession(ended, d, &recorder));
    delete ended;
    // Again a later time-out is the only one to come.
    later = new Intp::TSessionIntpSipGet;
    ASSERT_TRUE(Intp::StartSession(later, d, &recorder));
    Form->SetTimeout(later, 60);
    ASSERT_TRUE(QTest::qWaitFor([&] { return markers() == 2; }, 5000));
    EXPECT_EQ(pings(), 2);
    // Enabled again, it counts a full interval from then.
    Form->EnableTimer(stopped, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pings() == 3; }, 5000));
    delete longWait;

    // Many sessions need no more window timers than one.
    for (int i = 0; i < 500; ++i)
        ASSERT_TRUE(Intp::StartSession(new Intp::TSessionIntpSipGet, d, nullptr));
    EXPECT_EQ(Form->SessionTimerCount(), 500u);
    QCoreApplication::processEvents();
    EXPECT_EQ(Form->findChildren<QTimer*>().size(), timersAtStart);
}

} // namespace
