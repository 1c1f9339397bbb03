// The IP configuration page against simulated switches over a real network:
// two switches get new static addresses by limited broadcast, are read again
// at their new addresses and move there in the device tree.
//
// The switches live in one network namespace (their old and new addresses
// on "s0"), the console in another ("c0", 192.0.2.1/24), joined by a veth
// pair; the console is the real main window.
#include "IntpIpConf.h"
#include "MainFormFixture.h"
#include "IntpSocketThread.h"
#include "ModuleBasicsIPConf.h"
#include "NetnsHarness.h"
#include "Simulator.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

constexpr uint32_t ConsoleIp = 0xC0000201;                        // 192.0.2.1
constexpr uint32_t OldIps[2] = {0xC000020A, 0xC000020B};          // 192.0.2.10, .11
constexpr uint32_t NewIps[2] = {0xC0000232, 0xC0000233};          // 192.0.2.50, .51
constexpr const char* Password = "ipconf-e2e";

class IpConfE2ETest : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        std::string error;
        if (!E2e::NamespacesAvailable(error))
            GTEST_SKIP() << "network namespaces are refused here (" << error
                         << "); this end-to-end test needs root and permission to create them";
        // The switches' namespace holds the new addresses too, so that they
        // answer from there once they have moved.
        ASSERT_TRUE(Network.Setup(ConsoleIp, {OldIps[0], OldIps[1], NewIps[0], NewIps[1]}, 24, false, error)) << error;
        // The limited broadcast leaves by the console's only interface.
        ASSERT_EQ(E2e::TTestNetwork::RunIn(Network.Console(), "ip route add default dev c0", &error), 0) << error;

        for (uint32_t i = 0; i < 2; ++i) {
            Sim::TSimSwitch sw;
            sw.Mac = Sim::SimMac(i + 1);
            sw.Ip = OldIps[i];
            sw.Password = Password;
            sw.Name = "sw-" + std::to_string(i + 1);
            Simulator.AddSwitch(sw);
        }
        {
            E2e::TNetnsScope inSim(Network.Sim());
            ASSERT_TRUE(inSim.Entered());
            ASSERT_TRUE(Simulator.Start(0, Intp::IntpPort)) << Simulator.LastError();
        }
        // The window's sockets live in the console's namespace, on any free
        // local port as the console runs (on port 1638 it would hear its own
        // broadcasts); its local network is 192.0.2.0/24.
        InConsole = std::make_unique<E2e::TNetnsScope>(Network.Console());
        ASSERT_TRUE(InConsole->Entered());
        ASSERT_TRUE(Create()->IntpThread()->IsOpen());
        ASSERT_TRUE(Created);
    }

    void TearDown() override
    {
        MainFormFixture::TearDown();
        Simulator.Stop();
        InConsole.reset();
    }

    Intp::TDevice* Device(uint32_t i) const { return Intp::GetDevice(Sim::SimMac(i + 1), false); }

    // Answers the next login dialog with the switches' account.
    void AnswerLogin()
    {
        TLoginForm* dialog = Form->LoginForm();
        QTimer::singleShot(0, dialog, [dialog] {
            dialog->m_Username->setText("admin");
            dialog->m_Password->setText(Password);
            dialog->m_Login->click();
        });
    }

    std::vector<Sim::TSimLogEntry> Log(uint16_t command) const
    {
        std::vector<Sim::TSimLogEntry> entries;
        for (const auto& e : Simulator.Log())
            if (e.Command == command)
                entries.push_back(e);
        return entries;
    }

    E2e::TTestNetwork Network;
    Sim::TSimulator Simulator;
    std::unique_ptr<E2e::TNetnsScope> InConsole;
};

TEST_F(IpConfE2ETest, TwoSwitchesGetNewStaticAddressesAndAreFoundThere)
{
    // Both switches found, read and logged in, both selected.
    Form->EventOnDiscoveryExecute();
    ASSERT_TRUE(QTest::qWaitFor([this] {
        return Form->DeviceCount() == 2 && Intp::GetPropertyBasicsIPConf(Device(0)).Valid &&
               Intp::GetPropertyBasicsIPConf(Device(1)).Valid;
    }, 10000));
    Form->SetCurrentNode(Form->FindDeviceNode(Device(0)));
    Form->SetNodeSelected(Form->FindDeviceNode(Device(1)), true);
    AnswerLogin();
    Form->EventOnLoginExecute();
    ASSERT_TRUE(QTest::qWaitFor([this] { return Device(0)->IsLoggedIn() && Device(1)->IsLoggedIn(); }, 10000));

    // The IP configuration page, under "Basics".
    QTreeWidget* pages = Form->ModuleFrame()->PageTree();
    QTreeWidgetItem* item = pages->findItems("IP Configuration", Qt::MatchExactly | Qt::MatchRecursive).value(0);
    ASSERT_NE(item, nullptr);
    auto* page = dynamic_cast<TModuleBasicsIPConf*>(TModuleFrame::PageOf(item));
    ASSERT_NE(page, nullptr);
    pages->setCurrentItem(item);
    ASSERT_EQ(Form->ModuleFrame()->GetCurrentPage(), page);
    ASSERT_TRUE(QTest::qWaitFor([page] { return page->DeviceNodes().size() == 2; }, 10000));

    // Auto Range hands out .50 and .51.
    page->m_Method->setCurrentIndex(TModuleBasicsIPConf::MethodAutoRange);
    emit page->m_Method->activated(TModuleBasicsIPConf::MethodAutoRange);
    page->m_Address->setText("192.0.2.50");
    page->m_Address2->setText("192.0.2.60");
    page->m_Mask->setText("255.255.255.0");
    page->m_Set->click();
    ASSERT_TRUE(page->ApplyButton()->isEnabled());
    AnswerLogin();
    page->ApplyButton()->click();

    // Each switch moves, is read again there, and its node shows it there.
    ASSERT_TRUE(QTest::qWaitFor([this] {
        for (uint32_t i = 0; i < 2; ++i) {
            TTreeNode* node = Form->FindDeviceNode(Device(i));
            if (Device(i)->GetIp() != NewIps[i] || !node ||
                !node->Text().contains(QString::fromStdString(Intp::IpToText(NewIps[i]))))
                return false;
        }
        return Log(0x0106).size() >= 4 + 2;
    }, 10000)) << "NetSets: " << Log(0x0107).size() << ", NetGets: " << Log(0x0106).size() << ", addresses "
                << Intp::IpToText(Device(0)->GetIp()) << " " << Intp::IpToText(Device(1)->GetIp()) << ", boxes "
                << Ui->Boxes.size() << " " << Ui->LastText().toStdString();

    const auto sets = Log(0x0107);
    ASSERT_EQ(sets.size(), 2u);
    for (uint32_t i = 0; i < 2; ++i) {
        EXPECT_EQ(sets[i].DestIp, 0xFFFFFFFFu);
        EXPECT_EQ(sets[i].Mac, Sim::SimMac(i + 1));
        EXPECT_EQ(Intp::GetBE32(sets[i].Body.data() + 17), NewIps[i]);
        EXPECT_TRUE(Simulator.With(i, [i](Sim::TSimSwitch& sw) { return sw.Ip == NewIps[i]; }));
    }
    // Every read after the Sets went to the switch's new address.
    const auto log = Simulator.Log();
    size_t readsThere = 0;
    bool setsSeen = false;
    for (const auto& entry : log) {
        setsSeen = setsSeen || entry.Command == 0x0107;
        if (setsSeen && entry.Command == 0x0106) {
            EXPECT_EQ(entry.DestIp, entry.Mac == Sim::SimMac(1) ? NewIps[0] : NewIps[1]);
            ++readsThere;
        }
    }
    EXPECT_GE(readsThere, 2u);
    // The workstation forgot the old addresses' hardware addresses.
    for (uint32_t old : OldIps) {
        std::string neighbour;
        E2e::TTestNetwork::RunIn(Network.Console(), "ip -4 neigh show " + Intp::IpToText(old), &neighbour);
        EXPECT_EQ(neighbour.find("lladdr"), std::string::npos) << neighbour;
    }
    EXPECT_TRUE(Ui->Boxes.empty()) << Ui->LastText().toStdString();
}

} // namespace
