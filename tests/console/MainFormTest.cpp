// The main window: start-up, the session transport, the device tree and
// shutdown.
#include "ConfigFile.h"
#include "IntpBasics.h"
#include "IntpProtocol.h"
#include "IntpSocketThread.h"
#include "MainForm.h"
#include "MainFormFixture.h"
#include "ReceivePump.h"
#include "StatusFrame.h"
#include "SyslogFrame.h"
#include "SyslogSocketThread.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QTemporaryDir>
#include <QUdpSocket>

using namespace TestSupport;

namespace {

class MainFormTest : public MainFormFixture {
protected:
    // Another socket holds the syslog port; the box that says so gets `answer`.
    void CreateWithSyslogPortTaken(int answer)
    {
        ASSERT_TRUE(SyslogHolder.bind(QHostAddress::AnyIPv4, 0));
        Ui->Answers.push_back(answer);
        Create(SyslogHolder.localPort());
    }
    QStringList Children(TTreeNode* node) const
    {
        QStringList texts;
        for (int i = 0; i < node->ChildCount(); ++i)
            texts << node->Child(i)->Text();
        return texts;
    }

    QUdpSocket SyslogHolder;
};

TEST_F(MainFormTest, StartUpBuildsTheTreeInOrderAndSendsNothing)
{
    TMainForm* f = Create();
    ASSERT_TRUE(Created);
    EXPECT_EQ(f->RootNode()->Text(), "Talvo Orvane Pro");
    EXPECT_EQ(f->windowTitle(), "Talvo Orvane Pro");
    EXPECT_EQ(Children(f->RootNode()),
              (QStringList{"Devices", "Status Monitor", "Syslog Events", "Devices Topology", "Wizards"}));
    EXPECT_EQ(Children(f->RootNode()->Child(4)), (QStringList{"Group IP Setting", "Group Firmware Update"}));
    EXPECT_TRUE(f->IsNodeExpanded(f->RootNode()));
    EXPECT_TRUE(f->IsNodeExpanded(f->RootNode()->Child(4)));
    EXPECT_EQ(f->CurrentNode(), f->RootNode());
    EXPECT_EQ(f->TreeSort()->currentText(), "None");
    EXPECT_EQ(g_ModuleCallback, f);
    EXPECT_EQ(Intp::GetSessionCallback(), f);
    EXPECT_EQ(Intp::GetDeviceCallback(), f);
    Settle();
    EXPECT_EQ(f->SentCount(), 0u);
    EXPECT_TRUE(Ui->Boxes.empty());
    // Actions, their captions and shortcuts.
    EXPECT_FALSE(f->Action("acPreference")->isVisible());
    EXPECT_TRUE(f->Action("acScan")->isVisible());
    EXPECT_TRUE(f->Action("acLoadConfig")->isVisible());
    EXPECT_EQ(f->Action("acRefresh")->shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+R"), QKeySequence(Qt::Key_F5)}));
    EXPECT_EQ(f->Action("acDiscovery")->text(), "&Discovery");
    EXPECT_EQ(f->Action("acScan")->text(), "&Scan Devices ...");
}

TEST_F(MainFormTest, SyslogPortTakenAbortStopsTheCreateEvent)
{
    ASSERT_NO_FATAL_FAILURE(CreateWithSyslogPortTaken(IUserInterface::Abort));
    TMainForm* f = Form.get();
    EXPECT_FALSE(Created);
    ASSERT_EQ(Ui->Boxes.size(), 1u);
    EXPECT_EQ(Ui->Boxes[0].Text, "Cannot bind SYSLOG port, syslog is currently disabled. Abort?");
    EXPECT_EQ(Ui->Boxes[0].Buttons, IUserInterface::Abort | IUserInterface::Ignore);
    EXPECT_EQ(Children(f->RootNode()), (QStringList{"Devices", "Status Monitor", "Syslog Events"}));
    EXPECT_FALSE(f->Action("acScan")->isVisible());
}

TEST_F(MainFormTest, SyslogPortTakenIgnoreBuildsEverything)
{
    ASSERT_NO_FATAL_FAILURE(CreateWithSyslogPortTaken(IUserInterface::Ignore));
    TMainForm* f = Form.get();
    EXPECT_TRUE(Created);
    EXPECT_EQ(Children(f->RootNode()).size(), 5);
    EXPECT_TRUE(f->Action("acScan")->isVisible());
    EXPECT_TRUE(f->IsNodeExpanded(f->RootNode()->Child(4)));
}

TEST_F(MainFormTest, TreeCaptionsFollowTheDevice)
{
    TMainForm* f = Create();
    Intp::TDevice* d = Found(5, 1, 0xC0000205u);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(f->DevicesNode()->Text(), "Devices (1)");
    ASSERT_EQ(f->DevicesNode()->ChildCount(), 1);
    TTreeNode* group = f->DevicesNode()->Child(0);
    EXPECT_EQ(group->Text(), "All Devices");
    EXPECT_EQ(group->Child(0)->Text(), " (192.0.2.5, 00:11:22:33:44:05)");
    d->SetName("core");
    EXPECT_EQ(group->Child(0)->Text(), "core (192.0.2.5, 00:11:22:33:44:05)");
    d->SetLoggedIn(true);
    d->SetFlags(Intp::DeviceFlagWarning);
    EXPECT_EQ(TMainForm::DeviceImage(d), 3);
}

TEST_F(MainFormTest, NodesOfABurstJoinTheTreeTogetherWithinAFrame)
{
    TMainForm* f = Create();
    Found(1);
    EXPECT_EQ(f->DeviceCount(), 1);   // alone: at once
    Found(2, 1, 0, false);
    Intp::TDevice* gone = Found(3, 1, 0, false);
    Found(4, 1, 0, false);
    EXPECT_TRUE(f->NodesWaiting());
    EXPECT_EQ(f->DeviceCount(), 1);
    // A device deleted or renamed while its node waits.
    delete gone;
    Intp::GetDevice(Mac(4), false)->SetName("edge");
    EXPECT_TRUE(QTest::qWaitFor([f] { return !f->NodesWaiting(); }, 1000));
    EXPECT_EQ(f->DeviceCount(), 3);
    EXPECT_EQ(f->DevicesNode()->Text(), "Devices (3)");
    TTreeNode* group = f->DevicesNode()->Child(0);
    ASSERT_EQ(group->ChildCount(), 3);
    EXPECT_EQ(group->Child(1)->Text(), " (192.0.2.2, 00:11:22:33:44:02)");
    EXPECT_EQ(group->Child(2)->Text(), "edge (192.0.2.4, 00:11:22:33:44:04)");
}

TEST_F(MainFormTest, UnknownModelAndFilteredAddressesGetNoNode)
{
    TMainForm* f = Create();
    Found(1, 0, 0xC0000201u);   // unknown product identifier
    EXPECT_EQ(f->DeviceCount(), 0);
    Intp::TDevice* d = Found(2, 3, 0xC0000202u);
    EXPECT_EQ(f->DeviceCount(), 1);
    // A filter range that leaves the device out: it leaves the tree when
    // its address changes, and its empty group goes with it.
    Filter::TFilterSettings settings;
    settings.Method = Filter::MethodCustom;
    settings.Address = 0xC0000200u;
    settings.Mask = 0xFFFFFF00u;
    settings.RangeBegin = 0xC0000210u;
    settings.RangeEnd = 0xC0000220u;
    f->FilterForm()->LoadSettings(settings);
    d->SetIp(0xC0000203u);
    EXPECT_EQ(f->DeviceCount(), 0);
    EXPECT_EQ(f->DevicesNode()->Text(), "Devices (0)");
    EXPECT_EQ(f->DevicesNode()->ChildCount(), 0);
    d->SetIp(0xC0000211u);
    // Soon after another new node, this one joins the tree within a frame.
    EXPECT_TRUE(QTest::qWaitFor([f] { return !f->NodesWaiting(); }, 1000));
    EXPECT_EQ(f->DeviceCount(), 1);
    // A reboot sets the address to 0: the node goes.
    d->SetIp(0);
    EXPECT_EQ(f->DeviceCount(), 0);
}

TEST_F(MainFormTest, SortModesGroupAndOrder)
{
    TMainForm* f = Create();
    Found(1, 4, 0xC0000209u);
    Found(2, 2, 0xC0000203u);
    Found(3, 4, 0xC0000203u);   // same address as switch 2
    Found(4, 1, 0x0A000001u);   // outside the local network
    f->TreeSort()->setCurrentIndex(TMainForm::SortModel);
    EXPECT_EQ(Children(f->DevicesNode()),
              (QStringList{QString::fromStdString(Intp::GetTypeName(1)), QString::fromStdString(Intp::GetTypeName(2)),
                           QString::fromStdString(Intp::GetTypeName(4))}));
    EXPECT_EQ(f->DevicesNode()->Child(2)->ChildCount(), 2);
    f->TreeSort()->setCurrentIndex(TMainForm::SortIpAddress);
    EXPECT_EQ(Children(f->DevicesNode()), (QStringList{"10.0.0.1", "192.0.2.3", "192.0.2.9"}));
    EXPECT_EQ(f->DevicesNode()->Child(1)->ChildCount(), 2);
    Filter::TFilterSettings settings = f->FilterForm()->GetSettings();
    settings.LocalNetworks = {{0xC0000200u, 0xFFFFFF00u}};
    settings.Unicasts = {{0xC0000209u, 0xFFFFFFFFu}};
    f->FilterForm()->LoadSettings(settings);
    f->TreeSort()->setCurrentIndex(TMainForm::SortFilterMethod);
    EXPECT_EQ(Children(f->DevicesNode()), (QStringList{"Unicast Devices", "192.0.2.0/255.255.255.0", "Others"}));
    f->TreeSort()->setCurrentIndex(TMainForm::SortNone);
    EXPECT_EQ(Children(f->DevicesNode()), (QStringList{"All Devices"}));
    EXPECT_EQ(f->DevicesNode()->Child(0)->ChildCount(), 4);
    EXPECT_EQ(f->DeviceCount(), 4);
}

TEST_F(MainFormTest, FilterMethodTakesTheFirstMatchingNetwork)
{
    TMainForm* f = Create();
    Filter::TFilterSettings settings = f->FilterForm()->GetSettings();
    settings.LocalNetworks = {{0x0A000000u, 0xFF000000u}, {0x0A010000u, 0xFFFF0000u}};
    f->FilterForm()->LoadSettings(settings);
    f->TreeSort()->setCurrentIndex(TMainForm::SortFilterMethod);
    Found(1, 1, 0x0A010203u);
    EXPECT_EQ(Children(f->DevicesNode()), (QStringList{"10.0.0.0/255.0.0.0"}));
}

TEST_F(MainFormTest, SelectionGivesTheCurrentDevicesOnlyOnDeviceNodes)
{
    TMainForm* f = Create();
    Intp::TDevice* a = Found(1, 1, 0xC0000201u);
    Intp::TDevice* b = Found(2, 1, 0xC0000202u);
    Found(3, 1, 0xC0000203u);
    TDeviceList list;
    EXPECT_EQ(f->GetCurrentDevices(list), 0);
    TTreeNode* group = f->DevicesNode()->Child(0);
    f->SetCurrentNode(group->Child(0));
    f->SetNodeSelected(group->Child(1), true);
    Settle();
    EXPECT_EQ(f->GetCurrentDevices(list), 2);
    EXPECT_EQ(list, (TDeviceList{a, b}));
    Intp::TDevice* first = nullptr;
    EXPECT_EQ(f->GetCurrentDevice(first), 2);
    EXPECT_EQ(first, a);
    EXPECT_TRUE(f->IsAmongCurrent(b));
    EXPECT_FALSE(f->IsCurrentDevice(b));
    // Selecting the group node gives no current device.
    f->SetCurrentNode(group);
    list.clear();
    EXPECT_EQ(f->GetCurrentDevices(list), 0);
    EXPECT_TRUE(list.empty());
    // With the root selected the device actions send nothing.
    f->SetCurrentNode(f->RootNode());
    const size_t sent = f->SentCount();   // the banner's reads of the shown switches
    Ui->Answers.push_back(IUserInterface::Ok);
    f->EventOnRebootExecute();
    EXPECT_EQ(Ui->LastText(), "Are you sure to reboot selected devices?");
    EXPECT_EQ(f->SentCount(), sent);
}

TEST_F(MainFormTest, RemovingTheFocusedDeviceMovesTheFocusToTheDevicesNode)
{
    TMainForm* f = Create();
    Found(1, 1, 0xC0000201u);
    Intp::TDevice* b = Found(2, 1, 0xC0000202u);
    TTreeNode* group = f->DevicesNode()->Child(0);
    f->SetCurrentNode(group->Child(1));
    Settle();
    delete b;
    EXPECT_EQ(f->CurrentNode(), f->DevicesNode());
    TDeviceList list;
    EXPECT_EQ(f->GetCurrentDevices(list), 0);
    EXPECT_EQ(f->DeviceCount(), 1);
}

TEST_F(MainFormTest, SelectPageFollowsCaptionsAndABusyPageVetoes)
{
    TMainForm* f = Create();
    EXPECT_TRUE(f->SelectPage("Wizards/Group IP Setting"));
    EXPECT_EQ(f->CurrentNode()->Text(), "Group IP Setting");
    EXPECT_TRUE(f->SelectPage("Wizards/No Such Page"));
    EXPECT_EQ(f->CurrentNode()->Text(), "Wizards");

    auto* busy = new TRecordingPage("Busy");
    TTreeNode* node = f->AddTreeNode(busy, f->RootNode(), 4);
    f->SetCurrentNode(node);
    Settle();
    ASSERT_FALSE(busy->Events.empty());
    EXPECT_EQ(busy->Events.back().Code, EventPageShown);
    busy->Busy = true;
    EXPECT_FALSE(f->SelectPage("Status Monitor"));
    EXPECT_EQ(f->CurrentNode(), node);
    EXPECT_EQ(busy->Leaves, 1);
    // Discovery asks the busy page first and does nothing when it refuses.
    Found(1, 1, 0xC0000201u);
    f->EventOnDiscoveryExecute();
    EXPECT_EQ(f->DeviceCount(), 1);
    busy->Busy = false;
    // Once it agrees, discovery runs and the page is shown again.
    f->EventOnDiscoveryExecute();
    EXPECT_EQ(f->DeviceCount(), 0);
    busy->Events.clear();
    Settle();
    EXPECT_FALSE(busy->isHidden());
    ASSERT_FALSE(busy->Events.empty());
    EXPECT_EQ(busy->Events.back().Code, EventPageShown);
    EXPECT_TRUE(f->SelectPage("Status Monitor"));
}

TEST_F(MainFormTest, TransportTimersAndReports)
{
    TMainForm* f = Create();
    auto* page = new TRecordingPage("Recorder");
    f->SetCurrentNode(f->AddTreeNode(page, f->RootNode(), 4));
    Settle();
    page->Events.clear();

    Intp::TDevice* d = Intp::GetDevice(Mac(9), true);
    d->SetIp(0x7F000001u);
    TRecordingWizard wizard;
    auto* ping = new Intp::TSessionIntpPing2(30);
    ASSERT_TRUE(Intp::StartSession(ping, d, &wizard));
    const TSessionTimerQueue& timers = f->SessionTimers();
    ASSERT_TRUE(timers.Has(ping));
    EXPECT_TRUE(timers.IsActive(ping));
    EXPECT_EQ(timers.Interval(ping), 30u);
    f->CreateTimer(ping, 500);   // a second create changes nothing
    EXPECT_EQ(timers.Interval(ping), 30u);
    auto* get = new Intp::TSessionBasicsSettingsGet;
    ASSERT_TRUE(Intp::StartSession(get, d, nullptr));
    EXPECT_EQ(timers.Interval(get), 60000u);
    f->SetTimeout(get, 0);
    EXPECT_EQ(timers.Interval(get), 60000u);
    EXPECT_EQ(f->SessionTimerCount(), 2u);

    QElapsedTimer clock;
    clock.start();
    while (wizard.Events.empty() && clock.elapsed() < 5000)
        QTest::qWait(5);
    ASSERT_EQ(wizard.Events.size(), 1u);
    EXPECT_EQ(wizard.Events[0].Status, Intp::StatusTimeout);
    EXPECT_EQ(wizard.Events[0].Command, 6);
    // The report reached the shown page first.
    ASSERT_FALSE(page->Events.empty());
    EXPECT_EQ(page->Events.back().Code, 6);
    EXPECT_EQ(page->Events.back().Status, Intp::StatusTimeout);
    EXPECT_EQ(f->SessionTimerCount(), 1u);
    EXPECT_EQ(Intp::SessionList().size(), 1u);
}

TEST_F(MainFormTest, SendFailuresShowOneBoxOutsideTheSend)
{
    TMainForm* f = Create();
    // Port 0 cannot be sent to: every send fails.
    TMainForm::TOptions options;
    Intp::TDevice* d = Intp::GetDevice(Mac(9), true);
    d->SetIp(0x7F000001u);
    f->IntpThread()->Close();
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(Intp::StartSession(new Intp::TSessionIntpSipGet, d, nullptr));
    EXPECT_TRUE(Ui->Boxes.empty());   // nothing shown inside the send
    Settle();
    Settle();
    ASSERT_EQ(Ui->Boxes.size(), 1u);
    EXPECT_TRUE(Ui->Boxes[0].Text.contains("127.0.0.1"));
    EXPECT_EQ(Intp::SessionList().size(), 5u);   // they end by their time-outs
}

TEST_F(MainFormTest, SyslogDatagramsReachTheSyslogFrame)
{
    TMainForm* f = Create();
    ASSERT_TRUE(Created);
    const uint16_t port = f->SyslogThread()->LocalPort();
    ASSERT_NE(port, 0);
    EXPECT_EQ(f->GetSyslogServer(), static_cast<Syslog::TSyslogServer*>(f->SyslogFrame()));
    QUdpSocket sender;
    sender.writeDatagram(QByteArray("<13>Oct  1 12:00:00 sw1 link up"), QHostAddress::LocalHost, port);
    QElapsedTimer clock;
    clock.start();
    while (f->SyslogFrame()->CountEvents(0x7F000001u) == 0 && clock.elapsed() < 5000)
        QTest::qWait(5);
    EXPECT_EQ(f->SyslogFrame()->CountEvents(0x7F000001u), 1u);
}

TEST_F(MainFormTest, DiscoveryAfterLoadingAConfigurationGoesWhereTheFiltersSay)
{
    TMainForm* f = Create(0, RecordSends);
    Filter::TFilterSettings saved;
    saved.Method = Filter::MethodCustom;
    saved.Address = 0xC0000280u;   // 192.0.2.128/25
    saved.Mask = 0xFFFFFF80u;
    saved.RangeBegin = 0xC0000280u;
    saved.RangeEnd = 0xC00002FFu;
    saved.Unicasts = {{0xC0000205u, 0xFFFFFFFFu}, {0xC0000206u, 0xFFFFFFFFu}};
    QTemporaryDir dir;
    const QString path = dir.filePath("Config.xml");
    ASSERT_TRUE(ConfigFile::SaveConfigFile(path, saved, {}, nullptr));

    Ui->Paths.push_back(path);
    f->Action("acLoadConfig")->trigger();
    // The file is read off the window thread; discovery follows its result.
    QElapsedTimer clock;
    clock.start();
    while (Sends.empty() && clock.elapsed() < 10000)
        QTest::qWait(5);
    // The custom network is not a target while there are unicast entries.
    std::vector<uint32_t> targets;
    for (const auto& sent : Sends) {
        EXPECT_EQ(sent.Command(), 0);
        targets.push_back(sent.Ip);
    }
    EXPECT_EQ(targets, (std::vector<uint32_t>{0xC0000205u, 0xC0000206u}));
    EXPECT_TRUE(f->FilterForm()->IsAccepted(0xC0000290u));
    EXPECT_FALSE(f->FilterForm()->IsAccepted(0xC0000210u));

    // Saving writes the filters back; a cancelled dialog writes nothing.
    Ui->Paths.push_back(dir.filePath("Saved.xml"));
    f->Action("acSaveConfig")->trigger();
    Filter::TFilterSettings reread;
    ASSERT_TRUE(ConfigFile::LoadConfigFile(dir.filePath("Saved.xml"), reread));
    EXPECT_EQ(reread.Unicasts, saved.Unicasts);
    f->Action("acSaveConfig")->trigger();
    EXPECT_TRUE(Ui->Boxes.empty());
}

TEST_F(MainFormTest, ShutdownWithSessionsPendingAndWorkersRunning)
{
    TMainForm* f = Create();
    Intp::TDevice* d = Found(1, 1, 0x7F000001u);
    for (int i = 0; i < 20; ++i)
        Intp::StartSession(new Intp::TSessionIntpSipGet, d, nullptr);
    EXPECT_TRUE(f->IntpThread()->IsRunning());
    f->Action("acExit")->trigger();
    EXPECT_FALSE(f->IntpThread()->IsRunning());
    EXPECT_FALSE(f->SyslogThread()->IsRunning());
    EXPECT_EQ(Intp::GetSessionCallback(), nullptr);
    Intp::ReleaseLibrary();
    Form.reset();
    SUCCEED();
}

} // namespace
