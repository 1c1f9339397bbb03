// The IP configuration page: the grouped tree and its previews, the three
// methods, the range assignment (its skips, its gateway rule, its bounded
// search), Load Discovery Filter, Discard, when Apply is offered, and the
// exact "NetSet" datagrams Apply sends.
#include "FilterForm.h"
#include "IntpIpConf.h"
#include "ModuleBasicsIPConf.h"
#include "PageFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using namespace TestSupport;
using TNode = TModuleBasicsIPConf::TNode;

namespace {

class TFilterStub final : public Filter::TFilterServer {
public:
    const Filter::TFilterSettings& GetSettings() const override { return Settings; }
    bool IsAccepted(uint32_t) const override { return true; }
    void GetTargets(Filter::TIpMaskList&) const override {}
    Filter::TFilterSettings Settings;
};

class IpConfPageTest : public PageTest {
protected:
    TModuleBasicsIPConf* Start(size_t switches)
    {
        StartSwitches(switches);
        auto* page = AddPage(new TModuleBasicsIPConf(Host()));
        page->SetArpRemover([this](const std::vector<uint32_t>& addresses, bool includeStatic) {
            ArpRemoved = addresses;
            ArpStatic = includeStatic;
        });
        std::vector<size_t> all;
        for (size_t i = 0; i < switches; ++i)
            all.push_back(i);
        Select(all);
        return page;
    }
    static void Choose(TModuleBasicsIPConf* page, int method)
    {
        page->m_Method->setCurrentIndex(method);
        emit page->m_Method->activated(method);
    }
    static void Fill(TModuleBasicsIPConf* page, const char* begin, const char* end, const char* mask,
                     const char* gateway, const char* dns1, const char* dns2 = "0.0.0.0")
    {
        page->m_Address->setText(begin);
        page->m_Address2->setText(end);
        page->m_Mask->setText(mask);
        page->m_Gateway->setText(gateway);
        page->m_Dns1->setText(dns1);
        page->m_Dns2->setText(dns2);
    }
    static std::vector<std::string> Previews(TModuleBasicsIPConf* page)
    {
        std::vector<std::string> texts;
        for (TNode* node : page->DeviceNodes())
            texts.push_back(node->text(0).toStdString());
        return texts;
    }
    static std::vector<int> Images(TModuleBasicsIPConf* page)
    {
        std::vector<int> images;
        for (TNode* node : page->DeviceNodes())
            images.push_back(node->Image());
        return images;
    }
    // Shows the page and waits until every switch's read has ended and
    // rebuilt it.
    void ShowAll(size_t switches)
    {
        ASSERT_TRUE(ShowPage());
        ASSERT_TRUE(Pump([&] {
            for (size_t i = 0; i < switches; ++i)
                if (!Intp::GetPropertyBasicsIPConf(Device(i)).Valid)
                    return false;
            return Intp::SessionList().empty();
        }));
    }
    static bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }
    std::string Mac(size_t i) const { return Intp::MacToText(Device(i)->GetMac()); }
    // The NetSets sent so far: where they went, and their bytes.
    std::vector<TSentDatagram> NetSets()
    {
        std::vector<TSentDatagram> sets;
        for (const auto& d : Transport().Sent)
            if (d.Bytes.size() >= 12 && Intp::GetBE16(d.Bytes.data()) == 0x0107)
                sets.push_back(d);
        return sets;
    }

    std::vector<uint32_t> ArpRemoved;
    bool ArpStatic = false;
};

TEST_F(IpConfPageTest, SwitchesSharingAnAddressStandUnderOneGroupWithTheirPreviews)
{
    auto* page = Start(4);
    for (size_t i = 0; i < 3; ++i)
        Device(i)->SetIp(0xC0A80101);   // three new switches on their factory address
    Device(3)->SetIp(0);                // counted, but shown nowhere
    auto& record = Intp::GetPropertyBasicsIPConf(Device(1));
    record = {1, 0, 0xFFFFFF00, 0xC0A801FE, 0x08080808, 0};
    page->Notify(nullptr, 0xFF01, 0);

    EXPECT_EQ(page->m_NumDevices->text(), "Total 4 devices:");
    ASSERT_EQ(page->m_Tree->topLevelItemCount(), 1);
    EXPECT_EQ(page->m_Tree->topLevelItem(0)->text(0), "192.168.1.1");
    EXPECT_EQ(page->m_Tree->topLevelItem(0)->childCount(), 3);
    const auto previews = Previews(page);
    EXPECT_EQ(previews[0], Mac(0) + "(Retrieve device info failed) => 192.168.1.1/0.0.0.0, gw = 0.0.0.0, dns1 = "
                                    "0.0.0.0, dns2 = 0.0.0.0");
    EXPECT_EQ(previews[1], Mac(1) + " => 192.168.1.1/255.255.255.0, gw = 192.168.1.254, dns1 = 8.8.8.8, dns2 = 0.0.0.0");
    EXPECT_EQ(Images(page), std::vector<int>({4, 4, 4}));
    // Nothing to send: no Apply.
    EXPECT_FALSE(page->ApplyButton()->isEnabled());

    // Choosing "DHCP" (again) readies every switch.
    Choose(page, TModuleBasicsIPConf::MethodDhcp);
    EXPECT_EQ(Images(page), std::vector<int>({1, 1, 1}));
    EXPECT_EQ(Previews(page)[1], Mac(1) + " => DHCP");
    EXPECT_TRUE(page->ApplyButton()->isEnabled());
    EXPECT_TRUE(page->m_Dhcp->isChecked());
    EXPECT_FALSE(page->m_Dhcp->isEnabled());
    EXPECT_FALSE(page->m_Address->isVisible());
    EXPECT_FALSE(page->m_Set->isVisible());

    // Any reacting report rebuilds, throwing the pending settings away;
    // other codes change nothing.
    page->Notify(Device(2), 0x0110, 0);
    EXPECT_EQ(Images(page), std::vector<int>({1, 1, 1}));
    page->Notify(Device(2), 0x0107, 0);
    EXPECT_EQ(Images(page), std::vector<int>({4, 4, 4}));
    EXPECT_FALSE(page->ApplyButton()->isEnabled());

    // Leaving empties the tree.
    EXPECT_TRUE(page->Leave(false));
    EXPECT_EQ(page->m_Tree->topLevelItemCount(), 0);
}

TEST_F(IpConfPageTest, AutoRangeSkipsFirstAndLastAddressesAndFailsWhenTheRangeRunsOut)
{
    auto* page = Start(4);
    ShowAll(4);
    ASSERT_EQ(page->m_Tree->topLevelItemCount(), 4);
    Choose(page, TModuleBasicsIPConf::MethodAutoRange);
    EXPECT_EQ(page->m_AddressLabel->text(), "&IP Begin:");
    EXPECT_TRUE(page->m_Address2->isVisible());
    EXPECT_TRUE(page->m_Filter->isVisible());
    EXPECT_FALSE(page->m_Dhcp->isVisible());

    Fill(page, "10.0.0.254", "10.0.1.2", "255.255.255.0", "0.0.0.0", "0.0.0.0");
    QTest::mouseClick(page->m_Set, Qt::LeftButton);
    auto previews = Previews(page);
    ASSERT_EQ(previews.size(), 4u);
    EXPECT_EQ(previews[0], Mac(0) + " => 10.0.0.254/255.255.255.0, gw = 0.0.0.0, dns1 = 0.0.0.0, dns2 = 0.0.0.0");
    EXPECT_TRUE(StartsWith(previews[1], Mac(1) + " => 10.0.1.1/")) << previews[1];
    EXPECT_TRUE(StartsWith(previews[2], Mac(2) + " => 10.0.1.2/")) << previews[2];
    EXPECT_EQ(previews[3], Mac(3) + " => 0.0.0.0/0.0.0.0, gw = 0.0.0.0, dns1 = 0.0.0.0, dns2 = 0.0.0.0");
    EXPECT_EQ(Images(page), std::vector<int>({1, 1, 1, 2}));
    EXPECT_FALSE(page->ApplyButton()->isEnabled());

    // Gateway and DNS are not handed out; an address a known switch has
    // already is marked, and still given.
    Intp::GetDevice(Sim::SimMac(99), true)->SetIp(0x0A000004);
    Fill(page, "10.0.0.1", "10.0.0.9", "255.255.255.0", "10.0.0.1", "10.0.0.2");
    QTest::mouseClick(page->m_Set, Qt::LeftButton);
    previews = Previews(page);
    EXPECT_EQ(previews[0], Mac(0) + " => 10.0.0.3/255.255.255.0, gw = 10.0.0.1, dns1 = 10.0.0.2, dns2 = 0.0.0.0");
    EXPECT_TRUE(StartsWith(previews[1], Mac(1) + " => 10.0.0.4/")) << previews[1];
    EXPECT_TRUE(StartsWith(previews[3], Mac(3) + " => 10.0.0.6/")) << previews[3];
    EXPECT_EQ(Images(page), std::vector<int>({1, 3, 1, 1}));
    EXPECT_TRUE(page->ApplyButton()->isEnabled());

    // A range across subnets is accepted without its gateway.
    Fill(page, "10.0.0.1", "10.0.1.9", "255.255.255.0", "10.0.0.1", "0.0.0.0");
    QTest::mouseClick(page->m_Set, Qt::LeftButton);
    EXPECT_EQ(Previews(page)[0], Mac(0) + " => 10.0.0.1/255.255.255.0, gw = 0.0.0.0, dns1 = 0.0.0.0, dns2 = 0.0.0.0");

    // A range upside down or a bad netmask changes nothing.
    Fill(page, "10.0.0.9", "10.0.0.1", "255.255.255.0", "0.0.0.0", "0.0.0.0");
    QTest::mouseClick(page->m_Set, Qt::LeftButton);
    EXPECT_EQ(Ui().LastText(), "Wrong range/netmask!");
    Fill(page, "10.0.0.1", "10.0.0.9", "255.0.255.0", "0.0.0.0", "0.0.0.0");
    QTest::mouseClick(page->m_Set, Qt::LeftButton);
    EXPECT_EQ(Ui().Boxes.size(), 2u);
    EXPECT_TRUE(StartsWith(Previews(page)[0], Mac(0) + " => 10.0.0.1/"));

    // A mask with one host bit gives nobody an address, at once, however
    // wide the range; the widest range with a wide mask never wraps.
    Fill(page, "0.0.0.0", "255.255.255.255", "255.255.255.254", "0.0.0.0", "0.0.0.0");
    QTest::mouseClick(page->m_Set, Qt::LeftButton);
    EXPECT_EQ(Images(page), std::vector<int>({2, 2, 2, 2}));
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    Fill(page, "255.255.255.250", "255.255.255.255", "255.255.255.252", "0.0.0.0", "0.0.0.0");
    QTest::mouseClick(page->m_Set, Qt::LeftButton);
    EXPECT_EQ(Images(page), std::vector<int>({1, 1, 1, 2}));
    EXPECT_EQ(page->DeviceNodes()[0]->Pending.Ip, 0xFFFFFFFAu);
    EXPECT_EQ(page->DeviceNodes()[2]->Pending.Ip, 0xFFFFFFFEu);
}

TEST(IpConfRange, SearchSkipsLoopbackAndExcludedAddressesAndStopsAtTheEnd)
{
    const uint32_t none[3] = {0, 0, 0};
    uint32_t found = 0;
    ASSERT_TRUE(TModuleBasicsIPConf::FindRangeAddress(0x7F000005, 0xFFFFFFFF, 0xFFFFFF00, none, found));
    EXPECT_EQ(found, 0x80000001u);
    const uint32_t excluded[3] = {0x0A000001, 0x0A000002, 0x0A000003};
    ASSERT_TRUE(TModuleBasicsIPConf::FindRangeAddress(0x0A000000, 0x0A0000FF, 0xFFFFFF00, excluded, found));
    EXPECT_EQ(found, 0x0A000004u);
    EXPECT_FALSE(TModuleBasicsIPConf::FindRangeAddress(0x0A000004, 0x0A000003, 0xFFFFFF00, none, found));
    EXPECT_FALSE(TModuleBasicsIPConf::FindRangeAddress(0x100000000ull, 0xFFFFFFFF, 0xFFFFFF00, none, found));
    ASSERT_TRUE(TModuleBasicsIPConf::FindRangeAddress(0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFF00, none, found));
    EXPECT_EQ(found, 0xFFFFFFFEu);
    EXPECT_FALSE(TModuleBasicsIPConf::FindRangeAddress(0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFF00, none, found));
    EXPECT_FALSE(TModuleBasicsIPConf::FindRangeAddress(1, 0xFFFFFFFF, 0xFFFFFFFF, none, found));
}

TEST_F(IpConfPageTest, ManualSettingsDiscardAndLoadDiscoveryFilter)
{
    auto* page = Start(2);
    ShowAll(2);
    Choose(page, TModuleBasicsIPConf::MethodManual);
    EXPECT_FALSE(page->m_Address->isVisible());   // no switch chosen yet
    EXPECT_FALSE(page->m_Set->isVisible());
    TNode* first = page->DeviceNodes()[0];
    page->m_Tree->setCurrentItem(first);
    EXPECT_EQ(page->m_AddressLabel->text(), "&IP Addr:");
    EXPECT_TRUE(page->m_Address->isVisible());
    EXPECT_FALSE(page->m_Address2->isVisible());
    EXPECT_FALSE(page->m_Filter->isVisible());
    EXPECT_EQ(page->m_Address->text(), "127.0.0.2");   // the switch's current settings
    EXPECT_EQ(page->m_Mask->text(), "255.255.255.0");

    Fill(page, "127.0.0.9", "", "255.255.255.0", "0.0.0.0", "0.0.0.0");
    QTest::mouseClick(page->m_Set, Qt::LeftButton);
    EXPECT_EQ(Ui().LastText(), "Wrong IP/Netmask!");
    EXPECT_EQ(first->Image(), 4);
    // The gateway is kept only inside the subnet; an unusable DNS is none.
    Fill(page, "192.0.2.50", "", "255.255.255.0", "192.0.3.1", "127.0.0.1", "192.0.2.53");
    QTest::mouseClick(page->m_Set, Qt::LeftButton);
    EXPECT_EQ(first->Image(), 1);
    EXPECT_EQ(first->text(0).toStdString(),
              Mac(0) + " => 192.0.2.50/255.255.255.0, gw = 0.0.0.0, dns1 = 0.0.0.0, dns2 = 192.0.2.53");
    EXPECT_TRUE(page->ApplyButton()->isEnabled());
    // The address of a known switch is marked.
    Intp::GetDevice(Sim::SimMac(99), true)->SetIp(0xC0000263);
    page->m_Address->setText("192.0.2.99");
    QTest::mouseClick(page->m_Set, Qt::LeftButton);
    EXPECT_EQ(first->Image(), 3);
    // DHCP ticked: the address fields are off and the switch gets DHCP.
    page->m_Dhcp->setChecked(true);
    EXPECT_FALSE(page->m_Address->isEnabled());
    QTest::mouseClick(page->m_Set, Qt::LeftButton);
    EXPECT_EQ(first->text(0).toStdString(), Mac(0) + " => DHCP");

    // Discard: back to the switch's settings, nothing left to send.
    page->m_Tree->setCurrentItem(first);
    page->m_PM1Discard->trigger();
    EXPECT_EQ(first->Image(), 4);
    EXPECT_FALSE(page->m_Dhcp->isChecked());
    EXPECT_EQ(page->m_Address->text(), "127.0.0.2");
    EXPECT_FALSE(page->ApplyButton()->isEnabled());

    // Load Discovery Filter: the filter's range and mask, or everything.
    Choose(page, TModuleBasicsIPConf::MethodAutoRange);
    page->m_Gateway->setText("10.0.0.1");
    QTest::mouseClick(page->m_Filter, Qt::LeftButton);
    EXPECT_EQ(page->m_Address->text(), "0.0.0.0");
    EXPECT_EQ(page->m_Address2->text(), "255.255.255.255");
    EXPECT_EQ(page->m_Mask->text(), "0.0.0.0");
    EXPECT_EQ(page->m_Gateway->text(), "0.0.0.0");
    TFilterStub filter;
    filter.Settings.RangeBegin = 0xC0000210;
    filter.Settings.RangeEnd = 0xC0000220;
    filter.Settings.Mask = 0xFFFFFF00;
    FakeHost().FilterServer = &filter;
    QTest::mouseClick(page->m_Filter, Qt::LeftButton);
    FakeHost().FilterServer = nullptr;
    EXPECT_EQ(page->m_Address->text(), "192.0.2.16");
    EXPECT_EQ(page->m_Address2->text(), "192.0.2.32");
    EXPECT_EQ(page->m_Mask->text(), "255.255.255.0");
    QTest::mouseClick(page->m_Set, Qt::LeftButton);
    EXPECT_EQ(Images(page), std::vector<int>({1, 1}));
}

TEST_F(IpConfPageTest, ApplySendsOneNetSetPerChangedSwitchByBroadcastAndForgetsTheOldAddresses)
{
    auto* page = Start(3);
    ShowAll(3);
    Choose(page, TModuleBasicsIPConf::MethodManual);
    page->m_Tree->setCurrentItem(page->DeviceNodes()[1]);
    Fill(page, "192.0.2.51", "", "255.255.255.0", "192.0.2.1", "192.0.2.53", "0.0.0.0");
    QTest::mouseClick(page->m_Set, Qt::LeftButton);
    page->m_Tree->setCurrentItem(page->DeviceNodes()[2]);
    page->m_Dhcp->setChecked(true);
    QTest::mouseClick(page->m_Set, Qt::LeftButton);
    ASSERT_EQ(Images(page), std::vector<int>({4, 1, 1}));

    // A cancelled login sends nothing.
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(FakeHost().LoginAsked, 1);
    FakeHost().LoginAnswer = true;
    FakeHost().LoginUser = "";
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_TRUE(NetSets().empty());
    EXPECT_TRUE(ArpRemoved.empty());

    FakeHost().LoginUser = "admin";
    FakeHost().LoginPassword = "secret";
    QTest::keyClick(page, Qt::Key_Return);   // Apply is the default button
    const auto sets = NetSets();
    ASSERT_EQ(sets.size(), 2u);
    uint8_t digest[16];
    Intp::LoginDigest("admin", "secret", digest);
    auto expected = [&](uint8_t dhcp, std::vector<uint32_t> addresses) {
        std::vector<uint8_t> body(digest, digest + 16);
        body.push_back(dhcp);
        for (uint32_t a : addresses) {
            body.resize(body.size() + 4);
            Intp::PutBE32(body.data() + body.size() - 4, a);
        }
        return body;
    };
    // Unchanged switch 0 gets nothing; the others in tree order, each by
    // limited broadcast with its own MAC address in the header.
    const std::vector<uint8_t> first = sets[0].Body(), second = sets[1].Body();
    EXPECT_EQ(sets[0].Ip, 0xFFFFFFFFu);
    EXPECT_EQ(sets[1].Ip, 0xFFFFFFFFu);
    EXPECT_EQ(Intp::TMacAddr(sets[0].Bytes.data() + 6), Device(1)->GetMac());
    EXPECT_EQ(Intp::TMacAddr(sets[1].Bytes.data() + 6), Device(2)->GetMac());
    EXPECT_EQ(first, expected(0, {0xC0000233, 0xFFFFFF00, 0xC0000201, 0xC0000235, 0}));
    EXPECT_EQ(second, expected(1, {0, 0, 0, 0, 0}));
    EXPECT_EQ(ArpRemoved, std::vector<uint32_t>({SimIp(1), SimIp(2)}));
    EXPECT_TRUE(ArpStatic);
}

// The method is the user's: the rebuilds that the replies of an Apply bring
// keep it, and the fields with it, so that choosing another method acts.
// (The switches refuse the login here: on loopback they cannot move to the
// range, and a refused NetSet is read back and rebuilds all the same.)
TEST_F(IpConfPageTest, TheMethodAndItsFieldsOutliveTheRebuildsAfterAnApply)
{
    auto* page = Start(2);
    ShowAll(2);
    const auto current = Previews(page);
    Choose(page, TModuleBasicsIPConf::MethodAutoRange);
    Fill(page, "192.0.2.10", "192.0.2.20", "255.255.255.0", "192.0.2.1", "192.0.2.53");
    QTest::mouseClick(page->m_Set, Qt::LeftButton);
    ASSERT_EQ(Previews(page)[0],
              Mac(0) + " => 192.0.2.10/255.255.255.0, gw = 192.0.2.1, dns1 = 192.0.2.53, dns2 = 0.0.0.0");
    FakeHost().LoginAnswer = true;
    FakeHost().LoginUser = "admin";
    FakeHost().LoginPassword = "not the switches'";
    const size_t from = ReportCount();
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    ASSERT_EQ(NetSets().size(), 2u);
    // Each switch's NetSet reply, then the NetGet it starts: both rebuild.
    for (size_t i = 0; i < 2; ++i) {
        ASSERT_EQ(WaitForReportSince(from, Device(i), 0x0107), 1u);
        ASSERT_EQ(WaitForReportSince(from, Device(i), 0x0106), 0u);
    }

    EXPECT_EQ(page->m_Method->currentText(), "Auto Range");
    EXPECT_EQ(page->m_AddressLabel->text(), "&IP Begin:");
    EXPECT_TRUE(page->m_Address2->isVisible());
    EXPECT_TRUE(page->m_Filter->isVisible());
    EXPECT_FALSE(page->m_Dhcp->isVisible());
    EXPECT_EQ(page->m_Address->text(), "192.0.2.10");
    EXPECT_EQ(page->m_Address2->text(), "192.0.2.20");
    EXPECT_EQ(page->m_Mask->text(), "255.255.255.0");
    EXPECT_EQ(page->m_Gateway->text(), "192.0.2.1");
    EXPECT_EQ(page->m_Dns1->text(), "192.0.2.53");
    // The previews are the switches' settings as read back; nothing to send.
    EXPECT_EQ(Previews(page), current);
    EXPECT_EQ(Images(page), std::vector<int>({4, 4}));
    EXPECT_FALSE(page->ApplyButton()->isEnabled());

    Choose(page, TModuleBasicsIPConf::MethodDhcp);
    EXPECT_EQ(Previews(page), std::vector<std::string>({Mac(0) + " => DHCP", Mac(1) + " => DHCP"}));
    EXPECT_EQ(Images(page), std::vector<int>({1, 1}));
    EXPECT_TRUE(page->m_Dhcp->isChecked());
    EXPECT_TRUE(page->ApplyButton()->isEnabled());
}

TEST_F(IpConfPageTest, PendingSettingsOutliveTheirDevicesAndReachOnlyTheSwitchesStillKnown)
{
    auto* page = Start(2);
    ShowAll(2);
    Choose(page, TModuleBasicsIPConf::MethodDhcp);
    ASSERT_TRUE(page->ApplyButton()->isEnabled());
    // A discovery deletes every device; only switch 0 has answered again
    // before Apply.
    const Intp::TMacAddr mac0 = Device(0)->GetMac();
    FakeHost().Current.clear();
    FakeHost().All.clear();
    Intp::DeleteAllDevices();
    Intp::TDevice* again = Intp::GetDevice(mac0, true);
    again->SetIp(SimIp(0));
    FakeHost().LoginAnswer = true;
    FakeHost().LoginUser = "admin";
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    const auto sets = NetSets();
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(Intp::TMacAddr(sets[0].Bytes.data() + 6), mac0);
    EXPECT_EQ(ArpRemoved, std::vector<uint32_t>({SimIp(0)}));
}

} // namespace
