// The console against simulated switches over a real network: discovery,
// the read chain of every found switch, login and reboot.
//
// The switches live in one network namespace (their addresses on "s0"), the
// console in another ("c0", 192.0.2.1/24), joined by a veth pair. The
// console is the real main window with the host's own local-network provider
// and the switches' real port 1638, all inside the test's namespaces.
#include "FakeUserInterface.h"
#include "IntpBasics.h"
#include "IntpIpConf.h"
#include "IntpProtocol.h"
#include "IntpSocketThread.h"
#include "MainForm.h"
#include "ModuleBannerBrivo6042G.h"
#include "ModuleBasics.h"
#include "PageList.h"
#include "PageEditors.h"
#include "StatusFrame.h"
#include "WizardGroupFwFrame.h"
#include "WizardGroupIpFrame.h"
#include "NetnsHarness.h"
#include "Simulator.h"

#include <QApplication>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>

QIcon NodeIcon(int index);

using namespace TestSupport;

namespace {

constexpr uint32_t ConsoleIp = 0xC0000201u;      // 192.0.2.1
constexpr uint32_t FirstSwitchIp = 0xC000020Au;  // 192.0.2.10
constexpr uint32_t Broadcast = 0xC00002FFu;      // 192.0.2.255
constexpr uint32_t UnknownNumber = 0xFFFF;
constexpr const char* User = "admin";
constexpr const char* Password = "e2e-Secret";

struct TSpec {
    uint32_t Model;
    const char* Name;
    uint8_t SipWarning;
};
// Every model of the family, two of them twice; one switch reports a
// warning, one has a name outside ASCII.
const TSpec Switches[] = {
    {1, "core-1", 0}, {2, "edge-2", 0}, {3, "yard-3", 1}, {4, "Lager-Ö-4", 0},
    {5, "hall-5", 0}, {6, "gate-6", 0}, {1, "roof-7", 0}, {2, "dock-8", 0},
};
constexpr size_t SwitchCount = std::size(Switches);

class DiscoveryE2ETest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        bool refused = false;
        if (!E2e::NamespacesAvailable(error)) {
            refused = true;
        } else {
            std::vector<uint32_t> ips;
            for (size_t i = 0; i <= SwitchCount; ++i)   // the last one: the unknown model
                ips.push_back(FirstSwitchIp + uint32_t(i));
            if (!Net.Setup(ConsoleIp, ips, 24, false, error))
                FAIL() << "cannot build the test network: " << error;
        }
        if (refused)
            GTEST_SKIP() << "network namespaces are refused here (" << error
                         << "); this end-to-end test needs root and permission to create them";

        Intp::ReleaseLibrary();
        Intp::RegisterBuiltinModels();
        Ui = std::make_unique<TFakeUserInterface>();

        for (size_t i = 0; i < SwitchCount; ++i) {
            Sim::TSimSwitch sw;
            sw.Mac = Sim::SimMac(uint32_t(i + 1));
            sw.Ip = FirstSwitchIp + uint32_t(i);
            sw.Model = Switches[i].Model;
            sw.Name = Switches[i].Name;
            sw.User = User;
            sw.Password = Password;
            sw.SipWarning = Switches[i].SipWarning;
            Simulator.AddSwitch(sw);
        }
        Sim::TSimSwitch unknown;
        unknown.Mac = Sim::SimMac(UnknownNumber);
        unknown.Ip = FirstSwitchIp + uint32_t(SwitchCount);
        unknown.Model = 0;
        unknown.Name = "unknown";
        Simulator.AddSwitch(unknown);
        {
            E2e::TNetnsScope inSim(Net.Sim());
            ASSERT_TRUE(inSim.Entered());
            ASSERT_TRUE(Simulator.Start(0, Intp::IntpPort)) << Simulator.LastError();
        }

        // The window's sockets and its view of the local networks are made
        // inside the console's namespace; the thread stays there until the
        // window is gone.
        InConsole = std::make_unique<E2e::TNetnsScope>(Net.Console());
        ASSERT_TRUE(InConsole->Entered());
        TMainForm::TOptions options;
        options.IntpLocalPort = Intp::IntpPort;
        options.SyslogPort = 514;
        Form = std::make_unique<TMainForm>(options);
        ASSERT_TRUE(Form->IntpThread()->IsOpen()) << Form->IntpThread()->ErrorString().toStdString();
        ASSERT_TRUE(Form->EventOnMainFormCreate());
        ASSERT_TRUE(Ui->Boxes.empty()) << Ui->LastText().toStdString();
    }

    void TearDown() override
    {
        if (Form) {
            Form->Shutdown();
            Intp::ReleaseLibrary();
            Form.reset();
        }
        Simulator.Stop();
        InConsole.reset();
        Ui.reset();
    }

    static Intp::TMacAddr MacOf(size_t i) { return Sim::SimMac(uint32_t(i + 1)); }

    std::vector<TTreeNode*> DeviceNodes() const
    {
        std::vector<TTreeNode*> nodes;
        TTreeNode* devices = Form->DevicesNode();
        for (int g = 0; g < devices->ChildCount(); ++g)
            for (int d = 0; d < devices->Child(g)->ChildCount(); ++d)
                nodes.push_back(devices->Child(g)->Child(d));
        return nodes;
    }

    // Every known switch in the tree with its read chain done.
    bool AllRead() const
    {
        if (Form->DeviceCount() != int(SwitchCount))
            return false;
        for (TTreeNode* node : DeviceNodes())
            if (!Intp::GetPropertyIntpSip(node->Device).Valid)
                return false;
        return true;
    }

    void Discover()
    {
        Form->EventOnDiscoveryExecute();
        ASSERT_TRUE(QTest::qWaitFor([this] { return AllRead(); }, 10000))
            << "devices in the tree: " << Form->DeviceCount();
    }

    template <class TSession>
    static size_t Pending()
    {
        return size_t(std::count_if(Intp::SessionList().begin(), Intp::SessionList().end(),
                                    [](Intp::TSession* s) { return dynamic_cast<TSession*>(s) != nullptr; }));
    }

    size_t Requests(uint16_t command) const
    {
        size_t n = 0;
        for (const auto& entry : Simulator.Log())
            n += entry.Command == command;
        return n;
    }

    // Focus on the first device node and select all of its group.
    void SelectAllDevices()
    {
        std::vector<TTreeNode*> nodes = DeviceNodes();
        ASSERT_FALSE(nodes.empty());
        Form->SetCurrentNode(nodes.front());
        for (TTreeNode* node : nodes)
            Form->SetNodeSelected(node, true);
        QCoreApplication::processEvents();
        TDeviceList selected;
        ASSERT_EQ(Form->GetCurrentDevices(selected), int(SwitchCount));
    }

    // Runs the Login action, typing the user name and the password into the
    // login dialog, and waits for every switch's answer.
    void Login(const char* password)
    {
        const size_t before = Requests(Intp::TSessionIntpLogin::Command);
        TLoginForm* dialog = Form->LoginForm();
        QTimer::singleShot(0, dialog, [dialog, password] {
            dialog->m_Username->setText(User);
            dialog->m_Password->setText(QString::fromUtf8(password));
            dialog->m_Login->click();
        });
        Form->EventOnLoginExecute();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return Requests(Intp::TSessionIntpLogin::Command) == before + SwitchCount &&
                       Pending<Intp::TSessionIntpLogin>() == 0;
            },
            10000));
    }

    static bool HasImage(const TTreeNode* node, int image)
    {
        return node->Icon().pixmap(16, 16).toImage() == NodeIcon(image).pixmap(16, 16).toImage();
    }

    E2e::TTestNetwork Net;
    Sim::TSimulator Simulator;
    std::unique_ptr<E2e::TNetnsScope> InConsole;
    std::unique_ptr<TFakeUserInterface> Ui;
    std::unique_ptr<TMainForm> Form;
};

TEST_F(DiscoveryE2ETest, DiscoveryShowsEveryKnownSwitchAfterReadingItInOrder)
{
    // The filter sees the console's own network.
    const Filter::TFilterSettings& filter = Form->FilterForm()->GetSettings();
    ASSERT_FALSE(filter.LocalNetworks.empty());
    EXPECT_EQ(filter.LocalNetworks.front().Ip & filter.LocalNetworks.front().Mask, 0xC0000200u);
    EXPECT_EQ(filter.LocalNetworks.front().Mask, 0xFFFFFF00u);

    Discover();

    // The discovery request went to the network's directed broadcast address.
    size_t finds = 0;
    for (const auto& entry : Simulator.Log())
        if (entry.Command == Intp::TSessionIntpFind::Command && entry.Mac.IsZero()) {
            ++finds;
            EXPECT_EQ(Intp::IpToText(entry.DestIp), Intp::IpToText(Broadcast));
            EXPECT_EQ(entry.SourceIp, ConsoleIp);
            EXPECT_EQ(entry.SourcePort, Intp::IntpPort);
        }
    EXPECT_EQ(finds, 1u);

    // The tree: one group, eight captions "name (ip, mac)", no unknown model.
    EXPECT_EQ(Form->DevicesNode()->Text().toStdString(), "Devices (8)");
    ASSERT_EQ(Form->DevicesNode()->ChildCount(), 1);
    EXPECT_EQ(Form->DevicesNode()->Child(0)->Text().toStdString(), "All Devices");
    std::set<std::string> captions, expected;
    for (TTreeNode* node : DeviceNodes()) {
        captions.insert(node->Text().toStdString());
        EXPECT_EQ(node->Device->GetType() == 0, false);
    }
    for (size_t i = 0; i < SwitchCount; ++i) {
        expected.insert(std::string(Switches[i].Name) + " (" + Intp::IpToText(FirstSwitchIp + uint32_t(i)) + ", " +
                        Intp::MacToText(MacOf(i)) + ")");
        Intp::TDevice* device = Intp::GetDevice(MacOf(i), false);
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->GetType(), Switches[i].Model);
        EXPECT_EQ(device->TestFlags(Intp::DeviceFlagWarning), Switches[i].SipWarning != 0) << Switches[i].Name;
        EXPECT_TRUE(HasImage(Form->FindDeviceNode(device), Switches[i].SipWarning ? 2 : 0)) << Switches[i].Name;
    }
    EXPECT_EQ(captions, expected);
    // The unknown model answered and is known to the library, but has no node.
    Intp::TDevice* unknown = Intp::GetDevice(Sim::SimMac(UnknownNumber), false);
    ASSERT_NE(unknown, nullptr);
    EXPECT_EQ(unknown->GetType(), 0u);
    EXPECT_EQ(Form->FindDeviceNode(unknown), nullptr);

    // Each switch was read in order: system settings, IP configuration,
    // IntpSip; the unknown model was not read at all.
    const std::vector<uint16_t> chain = {Intp::TSessionBasicsSettingsGet::Command,
                                         Intp::TSessionBasicsIPConfGet::Command, Intp::TSessionIntpSipGet::Command};
    const auto log = Simulator.Log();
    for (size_t i = 0; i <= SwitchCount; ++i) {
        const Intp::TMacAddr mac = i < SwitchCount ? MacOf(i) : Sim::SimMac(UnknownNumber);
        std::vector<uint16_t> reads;
        for (const auto& entry : log)
            if (entry.Mac == mac && std::find(chain.begin(), chain.end(), entry.Command) != chain.end()) {
                reads.push_back(entry.Command);
                EXPECT_EQ(entry.DestIp, i < SwitchCount ? FirstSwitchIp + uint32_t(i) : 0u);
            }
        EXPECT_EQ(reads, i < SwitchCount ? chain : std::vector<uint16_t>{}) << Intp::MacToText(mac);
    }

    // Running discovery again empties the tree first and finds them all again.
    Form->EventOnDiscoveryExecute();
    EXPECT_EQ(Form->DeviceCount(), 0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return AllRead(); }, 10000));
    EXPECT_EQ(Form->DevicesNode()->Text().toStdString(), "Devices (8)");
}

TEST_F(DiscoveryE2ETest, LoginWithTheRightPasswordOnlyMarksTheSwitchesLoggedIn)
{
    Discover();
    SelectAllDevices();

    Login("wrong-password");
    for (size_t i = 0; i < SwitchCount; ++i) {
        Intp::TDevice* device = Intp::GetDevice(MacOf(i), false);
        ASSERT_NE(device, nullptr);
        EXPECT_FALSE(device->IsLoggedIn()) << Switches[i].Name;
        EXPECT_FALSE(Simulator.With(i, [](Sim::TSimSwitch& sw) { return sw.LoggedIn; }));
        EXPECT_TRUE(HasImage(Form->FindDeviceNode(device), Switches[i].SipWarning ? 2 : 0)) << Switches[i].Name;
    }

    Login(Password);
    for (size_t i = 0; i < SwitchCount; ++i) {
        Intp::TDevice* device = Intp::GetDevice(MacOf(i), false);
        ASSERT_NE(device, nullptr);
        EXPECT_TRUE(device->IsLoggedIn()) << Switches[i].Name;
        EXPECT_TRUE(Simulator.With(i, [](Sim::TSimSwitch& sw) { return sw.LoggedIn; }));
        EXPECT_EQ(TMainForm::DeviceImage(device), Switches[i].SipWarning ? 3 : 1);
        EXPECT_TRUE(HasImage(Form->FindDeviceNode(device), Switches[i].SipWarning ? 3 : 1)) << Switches[i].Name;
    }
    // The unknown model was never asked.
    for (const auto& entry : Simulator.Log())
        EXPECT_NE(entry.Mac, Sim::SimMac(UnknownNumber)) << "command " << entry.Command;
    // Nothing went wrong on the way.
    EXPECT_TRUE(Ui->Boxes.empty()) << Ui->LastText().toStdString();
}

TEST_F(DiscoveryE2ETest, RebootAfterConfirmationRemovesTheSwitchesFromTheTree)
{
    Discover();
    SelectAllDevices();
    Login(Password);

    Ui->Answers.push_back(IUserInterface::Ok);
    Form->EventOnRebootExecute();
    ASSERT_EQ(Ui->Boxes.size(), 1u);
    EXPECT_EQ(Ui->Boxes[0].Text.toStdString(), "Are you sure to reboot selected devices?");
    EXPECT_EQ(Ui->Boxes[0].Buttons, IUserInterface::Ok | IUserInterface::Cancel);
    ASSERT_TRUE(QTest::qWaitFor([this] { return Form->DeviceCount() == 0; }, 10000))
        << "devices left: " << Form->DeviceCount();
    EXPECT_EQ(Form->DevicesNode()->Text().toStdString(), "Devices (0)");
    EXPECT_EQ(Form->DevicesNode()->ChildCount(), 0);
    EXPECT_EQ(Requests(Intp::TSessionBasicsReboot::Command), SwitchCount);
    for (size_t i = 0; i < SwitchCount; ++i) {
        Intp::TDevice* device = Intp::GetDevice(MacOf(i), false);
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->GetIp(), 0u);
    }
    // With nothing selected any more, a second reboot asks and sends nothing.
    Ui->Answers.push_back(IUserInterface::Ok);
    Form->EventOnRebootExecute();
    QCoreApplication::processEvents();
    EXPECT_EQ(Ui->Boxes.size(), 2u);
    EXPECT_EQ(Requests(Intp::TSessionBasicsReboot::Command), SwitchCount);
}

TEST_F(DiscoveryE2ETest, CancelledRebootSendsNothing)
{
    Discover();
    SelectAllDevices();
    const uint64_t sent = Form->SentCount();
    Ui->Answers.push_back(IUserInterface::Cancel);
    Form->EventOnRebootExecute();
    EXPECT_EQ(Ui->Boxes.size(), 1u);
    EXPECT_EQ(Form->SentCount(), sent);
    EXPECT_EQ(Form->DeviceCount(), int(SwitchCount));
}

} // namespace

TEST_F(DiscoveryE2ETest, BasicsPageLogsInAndTheBannerFollowsTheLinkState)
{
    Simulator.With(0, [](Sim::TSimSwitch& sw) { sw.LinkMask = 0x05; });
    Discover();
    Intp::TDevice* device = Intp::GetDevice(MacOf(0), false);
    ASSERT_NE(device, nullptr);
    Form->SetCurrentNode(Form->FindDeviceNode(device));
    QCoreApplication::processEvents();

    // A switch that is not logged in shows the Basics page, whichever page
    // the user picks.
    QTreeWidget* pages = Form->ModuleFrame()->PageTree();
    pages->setCurrentItem(pages->topLevelItem(1));
    auto* basics = dynamic_cast<TModuleBasics*>(Form->ModuleFrame()->GetCurrentPage());
    ASSERT_NE(basics, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !basics->isHidden() && basics->Devices()->RowCount() == 1; }, 5000));
    basics->Username()->setText(User);
    basics->Password()->setText(Password);
    ASSERT_TRUE(basics->LoginButton()->isEnabled());
    basics->LoginButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return device->IsLoggedIn(); }, 5000));

    auto* banner = dynamic_cast<TModuleBannerBrivo6042G*>(Form->ModuleFrame()->CurrentBanner());
    ASSERT_NE(banner, nullptr);
    auto leds = [banner] {
        QString s;
        for (int i = 0; i < TLinkImage::LedCount; ++i)
            s += banner->LinkImage()->Led(i) == TModuleBannerBrivo6042G::BrightGreen ? 'G' : 'b';
        return s;
    };
    Form->StatusFrame()->PollAll();
    ASSERT_TRUE(QTest::qWaitFor([&] { banner->EventOnTimerTimer(); return leds() == "GbGbbbbb"; }, 5000)) << leds().toStdString();
    Simulator.With(0, [](Sim::TSimSwitch& sw) { sw.LinkMask = 0xF0; });
    Form->StatusFrame()->PollAll();
    ASSERT_TRUE(QTest::qWaitFor([&] { banner->EventOnTimerTimer(); return leds() == "bbbbGGGG"; }, 5000)) << leds().toStdString();
}

namespace {

template <class TWizardPage>
TWizardPage* OpenWizard(TMainForm& form, const char* path)
{
    if (!form.SelectPage(QString::fromLatin1(path)))
        return nullptr;
    TTreeNode* node = form.CurrentNode();
    return node ? dynamic_cast<TWizardPage*>(node->Page()) : nullptr;
}

// Answers the next login question with `accept`.
void AnswerLogin(TMainForm& form, bool accept)
{
    TLoginForm* dialog = form.LoginForm();
    QTimer::singleShot(0, dialog, [dialog, accept] {
        if (!accept) {
            dialog->m_Cancel->click();
            return;
        }
        dialog->m_Username->setText(User);
        dialog->m_Password->setText(Password);
        dialog->m_Login->click();
    });
}

} // namespace

TEST_F(DiscoveryE2ETest, GroupIpWizardGivesEverySwitchAnAddressOfTheRange)
{
    Discover();
    constexpr uint32_t Begin = 0xC0000264u;   // 192.0.2.100
    // The switches' new addresses, and a route for the limited broadcast
    // that carries the NetSets.
    for (size_t i = 0; i < SwitchCount; ++i)
        ASSERT_EQ(E2e::TTestNetwork::RunIn(Net.Sim(), "ip addr add " + Intp::IpToText(Begin + uint32_t(i)) + "/24 dev s0"), 0);
    ASSERT_EQ(E2e::TTestNetwork::RunIn(Net.Console(), "ip route add default dev c0"), 0);
    auto* wizard = OpenWizard<TWizardGroupIpFrame>(*Form, "Wizards/Group IP Setting");
    ASSERT_NE(wizard, nullptr);
    wizard->EventOnNextClick();
    wizard->Picker()->EventOnAddAllClick();
    wizard->EventOnNextClick();
    ASSERT_EQ(wizard->Preview()->RowCount(), int(SwitchCount));
    wizard->RangeChoice()->setChecked(true);
    wizard->BeginField()->setText(QString::fromStdString(Intp::IpToText(Begin)));
    wizard->EndField()->setText(QString::fromStdString(Intp::IpToText(Begin + 20)));
    wizard->NetmaskField()->setText("255.255.255.0");
    ASSERT_TRUE(wizard->NextButton()->isEnabled());

    // A cancelled login question sends nothing.
    AnswerLogin(*Form, false);
    wizard->EventOnNextClick();
    EXPECT_EQ(Requests(0x0107), 0u);
    EXPECT_FALSE(wizard->Busy());

    AnswerLogin(*Form, true);
    wizard->EventOnNextClick();
    ASSERT_TRUE(wizard->Busy());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !wizard->Busy(); }, 10000));
    for (const auto& entry : Simulator.Log())
        if (entry.Command == 0x0107)
            EXPECT_EQ(entry.DestIp, 0xFFFFFFFFu);
    for (int row = 0; row < wizard->Preview()->RowCount(); ++row) {
        Intp::TDevice* device = Intp::GetDevice(MacFromKey(wizard->Preview()->Row(row).Key), false);
        ASSERT_NE(device, nullptr);
        const std::string ip = Intp::IpToText(Begin + uint32_t(row));
        EXPECT_EQ(Intp::IpToText(device->GetIp()), ip);
        EXPECT_EQ(wizard->Preview()->Text(row, 2).toStdString(), ip);
        ASSERT_TRUE(QTest::qWaitFor([&] {
            TTreeNode* node = Form->FindDeviceNode(device);
            return node && node->Text().contains(QString::fromStdString(ip));
        }, 5000)) << ip;
    }
}

TEST_F(DiscoveryE2ETest, GroupFirmwareWizardUpgradesThreeSwitchesOfOneModel)
{
    Discover();
    SelectAllDevices();
    Login(Password);
    auto* wizard = OpenWizard<TWizardGroupFwFrame>(*Form, "Wizards/Group Firmware Update");
    ASSERT_NE(wizard, nullptr);
    wizard->EventOnNextClick();
    // Three rows of the first switch's model.
    TPageList* source = wizard->Picker()->Source();
    const int64_t model = source->Row(0).Loaded[0];
    int chosen = 0;
    for (int row = 0; row < source->RowCount() && chosen < 3; ++row)
        if (source->Row(row).Loaded[0] == model) {
            source->selectionModel()->select(source->Model()->index(row, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
            ++chosen;
        }
    wizard->Picker()->EventOnAddClick();
    ASSERT_EQ(wizard->Picker()->Chosen()->RowCount(), chosen);
    wizard->EventOnNextClick();
    QTemporaryDir dir;
    const QString file = dir.filePath("firmware.bin");
    std::ofstream(file.toStdString()) << std::string(5000, 'f');
    wizard->PathField()->setText(file);
    ASSERT_TRUE(wizard->NextButton()->isEnabled());
    wizard->EventOnNextClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !wizard->Busy(); }, 20000));
    for (int row = 0; row < chosen; ++row)
        EXPECT_EQ(wizard->RowImage(row), TWizardGroupFwFrame::ImageDone) << row;
}
