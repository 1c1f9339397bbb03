// The 802.1x, port authorisation, IP security, MAC blacklist and port
// security pages against the switch simulator: defaults, enable rules,
// messages and the exact requests they send.
#include "IntpSecurity.h"
#include "ModuleSecurity8021x.h"
#include "ModuleSecurity8021xPort.h"
#include "ModuleSecurityIP.h"
#include "ModuleSecurityMac.h"
#include "ModuleSecurityPort.h"
#include "PageEditors.h"
#include "PageTestHelpers.h"
#include "PageList.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <cstring>

using namespace TestSupport;

namespace {

class SecurityPagesTest : public PagesTest {};

const uint8_t Mac1[6] = {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};

} // namespace

TEST_F(SecurityPagesTest, Radius86BytesFromTheDefaultsWithTheEnableRules)
{
    auto* page = Open<TModuleSecurity8021x>();
    Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Faults.ForceStatus = 3; });   // record not valid
    ASSERT_TRUE(ShowPage());
    Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Faults.ForceStatus = -1; });
    EXPECT_EQ(Child<QLineEdit>(page, "m_SharedKey")->text(), "40271956");
    EXPECT_EQ(Child<QLineEdit>(page, "m_NasId")->text(), "NAS_L2_SWITCH");
    EXPECT_EQ(Child<QLineEdit>(page, "m_ServerIp")->text(), "0.0.0.0");
    EXPECT_EQ(Child<TWideSpin>(page, "m_ReAuth")->Value(), 3600);
    // "Disable": the sections are disabled; the defaults are not the
    // switch's, so Apply stays disabled until a read succeeds.
    EXPECT_FALSE(Enabled(page, "m_SharedKey"));
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    Simulator().With(0, [](Sim::TSimSwitch& sw) {
        std::vector<uint8_t> radius(86, 0);
        Intp::PutBE16(&radius[5], 1812);
        Intp::PutBE16(&radius[7], 1813);
        std::memcpy(&radius[9], "40271956", 8);
        std::memcpy(&radius[41], "NAS_L2_SWITCH", 13);
        Intp::PutBE16(&radius[73], 60);
        Intp::PutBE16(&radius[75], 30);
        Intp::PutBE16(&radius[77], 30);
        Intp::PutBE16(&radius[79], 30);
        radius[81] = 2;
        Intp::PutBE32(&radius[82], 3600);
        sw.Store[0x0808] = radius;
    });
    Select({0});
    page->hide();
    ASSERT_TRUE(ShowPage());
    EXPECT_TRUE(page->ApplyButton()->isEnabled());

    auto* protocol = Child<QComboBox>(page, "m_Protocol");
    auto* ip = Child<QLineEdit>(page, "m_ServerIp");
    protocol->setCurrentIndex(1);
    EXPECT_TRUE(Enabled(page, "m_SharedKey"));
    EXPECT_FALSE(page->ApplyButton()->isEnabled());   // 0.0.0.0
    ip->setText("127.0.0.1");
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    ip->setText("300.1.1.1");
    Leave(ip);
    EXPECT_EQ(ip->text(), "255.255.255.255");
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    ip->setText("192.0.2.9");
    EXPECT_TRUE(page->ApplyButton()->isEnabled());
    Child<QLineEdit>(page, "m_NasId")->clear();
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    protocol->setCurrentIndex(0);
    EXPECT_TRUE(page->ApplyButton()->isEnabled());
    protocol->setCurrentIndex(1);

    // A 31-character key ending in a two-byte character fills 33 bytes: the
    // character that does not fit is dropped, the NAS field stays whole.
    const QString key = QString(31, 'k') + QString::fromUtf8("\xC3\xA9");
    Child<QLineEdit>(page, "m_SharedKey")->setText(key);
    Child<QLineEdit>(page, "m_NasId")->setText(QString(32, 'n'));
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    const auto body = WaitForRequest(0x0809);
    ASSERT_EQ(body.size(), 86u);
    EXPECT_EQ(body[0], 1);
    EXPECT_EQ(Intp::GetBE32(&body[1]), 0xC0000209u);
    EXPECT_EQ(Intp::GetBE16(&body[5]), 1812);
    EXPECT_EQ(Intp::GetBE16(&body[7]), 1813);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&body[9]), 32), std::string(31, 'k') + std::string(1, '\0'));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&body[41]), 32), std::string(32, 'n'));   // no terminator
    EXPECT_EQ(Intp::GetBE16(&body[73]), 60);
    EXPECT_EQ(Intp::GetBE16(&body[75]), 30);
    EXPECT_EQ(Intp::GetBE16(&body[77]), 30);
    EXPECT_EQ(Intp::GetBE16(&body[79]), 30);
    EXPECT_EQ(body[81], 2);
    EXPECT_EQ(Intp::GetBE32(&body[82]), 3600u);
    // Read back whole.
    EXPECT_TRUE(Pump([&] { return Intp::GetPropertySecurity8021x(Device(0)).NasIdentifier == std::string(32, 'n'); }));
}

TEST_F(SecurityPagesTest, RadiusSendsWhatWasReadUnlessEditedAndClampsTypedTimers)
{
    auto* page = Open<TModuleSecurity8021x>();
    // On, with a NAS identifier that is not UTF-8, maximum requests past
    // their limit and a re-authentication period past the int range.
    std::vector<uint8_t> stored(86, 0);
    stored[0] = 1;
    Intp::PutBE32(&stored[1], 0xC0000205u);
    Intp::PutBE16(&stored[5], 1812);
    Intp::PutBE16(&stored[7], 1813);
    std::memcpy(&stored[9], "secret", 6);
    const uint8_t nas[] = {'n', 0xFF, 0xFE, 's'};
    std::memcpy(&stored[41], nas, sizeof nas);
    Intp::PutBE16(&stored[73], 60);
    Intp::PutBE16(&stored[75], 30);
    Intp::PutBE16(&stored[77], 30);
    Intp::PutBE16(&stored[79], 30);
    stored[81] = 99;
    Intp::PutBE32(&stored[82], 3000000000u);
    Simulator().With(0, [&](Sim::TSimSwitch& sw) { sw.Store[0x0808] = stored; });
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(Child<TLimitSpin>(page, "m_MaxRequest")->value(), 99);
    EXPECT_EQ(Child<TWideSpin>(page, "m_ReAuth")->Value(), 3000000000);

    // Typed past the limit: the nearer limit when the field is left, and
    // when Apply commits a field not left.
    auto* quiet = Child<TLimitSpin>(page, "m_Quiet");
    auto* quietText = quiet->findChild<QLineEdit*>();
    quietText->selectAll();
    QTest::keyClicks(quietText, "70000");
    Leave(quiet);
    EXPECT_EQ(quiet->value(), 65535);
    EXPECT_EQ(quietText->text(), "65535");
    auto* tx = Child<TLimitSpin>(page, "m_TX");
    auto* txText = tx->findChild<QLineEdit*>();
    txText->selectAll();
    QTest::keyClicks(txText, "99999");
    Child<QLineEdit>(page, "m_SharedKey")->setText(QString::fromUtf8("n\xC3\xA9u"));
    const size_t reports = ReportCount();
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    auto body = WaitForRequest(0x0809);
    EXPECT_EQ(txText->text(), "65535");
    std::vector<uint8_t> expected = stored;
    Intp::PutBE16(&expected[73], 65535);
    Intp::PutBE16(&expected[75], 65535);
    std::memset(&expected[9], 0, 32);
    std::memcpy(&expected[9], "n\xC3\xA9u", 4);
    EXPECT_EQ(body, expected);

    // Turned off: the greyed settings go back as read, for the day 802.1x
    // is turned on again.
    ASSERT_TRUE(WaitForSetAndRead(reports, Device(0), 0x0809, 0x0808));
    Child<QComboBox>(page, "m_Protocol")->setCurrentIndex(0);
    EXPECT_FALSE(Enabled(page, "m_NasId"));
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    expected[0] = 0;
    EXPECT_EQ(WaitForRequest(0x0809, 2), expected);
}

TEST_F(SecurityPagesTest, PortAuthHeaderWrapsDisableToRejectAndApplySendsOneBytePerPort)
{
    auto* page = Open<TModuleSecurity8021xPort>();
    ASSERT_TRUE(ShowPage());
    auto* list = Child<TPageList>(page, "m_ListView");
    ASSERT_EQ(list->RowCount(), 8);
    EXPECT_EQ(list->Text(0, 1), "Disable");   // the simulator's modes
    list->horizontalHeader()->sectionClicked(1);
    EXPECT_EQ(list->Text(7, 1), "Reject");
    list->SelectRow(3);
    Child<QComboBox>(page, "m_Auth")->setCurrentIndex(2);
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x080B), (std::vector<uint8_t>{0, 0, 0, 2, 0, 0, 0, 0}));
}

TEST_F(SecurityPagesTest, IpSecurityListRulesAndTheRequests)
{
    auto* page = Open<TModuleSecurityIP>();
    ASSERT_TRUE(ShowPage());
    EXPECT_FALSE(Enabled(page, "m_Address"));   // "Disable"
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    const auto off = WaitForRequest(0x0801);
    EXPECT_EQ(off, std::vector<uint8_t>(4 * 10 + 5, 0));

    Child<QComboBox>(page, "m_Mode")->setCurrentIndex(1);
    auto* address = Child<QLineEdit>(page, "m_Address");
    auto* list = Child<TPageList>(page, "m_SecureIPs");
    address->setText("0.0.0.0");
    EXPECT_FALSE(Enabled(page, "m_Add"));
    for (int i = 1; i <= 10; ++i) {
        address->setText(QString("192.0.2.%1").arg(i));
        ASSERT_TRUE(Enabled(page, "m_Add")) << i;
        Press(page, "m_Add");
        if (i == 1) {
            Press(page, "m_Add");   // the same address again
            EXPECT_EQ(Ui().LastText(), "Entry already exists!");
            EXPECT_EQ(list->RowCount(), 1);
        }
    }
    EXPECT_EQ(list->RowCount(), 10);
    EXPECT_FALSE(Enabled(page, "m_Add"));   // full
    address->setText("192.0.2.99");
    EXPECT_FALSE(Enabled(page, "m_Add"));
    Press(page, "m_Delete");
    EXPECT_EQ(Ui().LastText(), "Entry not found!");
    list->SelectRow(0);
    EXPECT_EQ(address->text(), "192.0.2.1");
    Press(page, "m_Delete");
    EXPECT_EQ(list->RowCount(), 9);
    EXPECT_TRUE(Enabled(page, "m_Add"));
    Child<QWidget>(page, "m_Management")->findChildren<QAbstractButton*>()[1]->click();   // Telnet

    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    const auto on = WaitForRequest(0x0801, 2);
    ASSERT_EQ(on.size(), 45u);
    EXPECT_EQ(on[0], 1);
    EXPECT_EQ(Intp::GetBE32(&on[1]), Intp::SecurityIpTelnet);
    EXPECT_EQ(Intp::GetBE32(&on[5]), 0xC0000202u);
    EXPECT_EQ(Intp::GetBE32(&on[5 + 4 * 8]), 0xC000020Au);
    EXPECT_EQ(Intp::GetBE32(&on[5 + 4 * 9]), 0u);
}

TEST_F(SecurityPagesTest, IpSecurityTurnedOffSendsItsBitsAndListAsReadForTheDayItIsTurnedOn)
{
    auto* page = Open<TModuleSecurityIP>();
    // Off, with web and SNMP management allowed and two addresses kept.
    std::vector<uint8_t> stored(4 * 10 + 5, 0);
    Intp::PutBE32(&stored[1], Intp::SecurityIpWeb | Intp::SecurityIpSnmp);
    Intp::PutBE32(&stored[5], 0xC0000207u);
    Intp::PutBE32(&stored[9], 0xC0000208u);
    Simulator().With(0, [&](Sim::TSimSwitch& sw) { sw.Store[0x0800] = stored; });
    ASSERT_TRUE(ShowPage());
    auto* list = Child<TPageList>(page, "m_SecureIPs");
    const auto boxes = Child<QWidget>(page, "m_Management")->findChildren<QAbstractButton*>();
    ASSERT_EQ(boxes.size(), 3);
    EXPECT_EQ(Child<QComboBox>(page, "m_Mode")->currentText(), "Disable");
    EXPECT_FALSE(list->isEnabled());
    EXPECT_FALSE(boxes[0]->isEnabled());
    EXPECT_TRUE(boxes[0]->isChecked() && !boxes[1]->isChecked() && boxes[2]->isChecked());
    ASSERT_EQ(list->RowCount(), 2);
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x0801), stored);

    // Turned on again (Apply reloads through the Get): bits and list are back.
    Child<QComboBox>(page, "m_Mode")->setCurrentIndex(1);
    const size_t reports = ReportCount();
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    stored[0] = 1;
    EXPECT_EQ(WaitForRequest(0x0801, 2), stored);
    ASSERT_TRUE(WaitForSetAndRead(reports, Device(0), 0x0801, 0x0800));
    EXPECT_EQ(Child<QComboBox>(page, "m_Mode")->currentText(), "Enable");
    EXPECT_TRUE(list->isEnabled());
    EXPECT_EQ(list->RowCount(), 2);
    EXPECT_TRUE(boxes[2]->isChecked());
}

TEST_F(SecurityPagesTest, IpSecurityKeepsBitsWithoutABoxAndSlotsAfterAnUnusedOne)
{
    auto* page = Open<TModuleSecurityIP>();
    // On, web management and two bits no box stands for; listed: .1; not
    // listed (after the unused slot 1): .3 in slot 2 and .10 in slot 9.
    std::vector<uint8_t> stored(4 * 10 + 5, 0);
    stored[0] = 1;
    Intp::PutBE32(&stored[1], 0x80000010u | Intp::SecurityIpWeb);
    Intp::PutBE32(&stored[5], 0xC0000201u);
    Intp::PutBE32(&stored[5 + 4 * 2], 0xC0000203u);
    Intp::PutBE32(&stored[5 + 4 * 9], 0xC000020Au);
    Simulator().With(0, [&](Sim::TSimSwitch& sw) { sw.Store[0x0800] = stored; });
    ASSERT_TRUE(ShowPage());
    auto* list = Child<TPageList>(page, "m_SecureIPs");
    ASSERT_EQ(list->RowCount(), 1);
    const auto boxes = Child<QWidget>(page, "m_Management")->findChildren<QAbstractButton*>();
    ASSERT_EQ(boxes.size(), 3);
    boxes[1]->click();   // Telnet
    const size_t reports = ReportCount();
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    std::vector<uint8_t> expected = stored;
    Intp::PutBE32(&expected[1], 0x80000010u | Intp::SecurityIpWeb | Intp::SecurityIpTelnet);
    EXPECT_EQ(WaitForRequest(0x0801), expected);

    // The listed slots follow the list; those after it stay as read.
    ASSERT_TRUE(WaitForSetAndRead(reports, Device(0), 0x0801, 0x0800));
    ASSERT_EQ(list->RowCount(), 1);
    list->SelectRow(0);
    Press(page, "m_Delete");
    auto* address = Child<QLineEdit>(page, "m_Address");
    address->setText("192.0.2.7");
    Press(page, "m_Add");
    address->setText("192.0.2.8");
    Press(page, "m_Add");
    ASSERT_EQ(list->RowCount(), 2);
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    Intp::PutBE32(&expected[5], 0xC0000207u);
    Intp::PutBE32(&expected[9], 0xC0000208u);
    EXPECT_EQ(WaitForRequest(0x0801, 2), expected);
}

TEST_F(SecurityPagesTest, MacBlacklistAddAndDeleteGoOutAtOnce)
{
    auto* page = Open<TModuleSecurityMac>();
    ASSERT_TRUE(ShowPage());
    auto* mac = Child<QLineEdit>(page, "m_MAC");
    auto* list = Child<TPageList>(page, "m_List");
    mac->setText("0A:0B:0C:0D:0E");   // separators: not an address
    EXPECT_FALSE(Enabled(page, "m_Add"));
    EXPECT_FALSE(Enabled(page, "m_Delete"));
    mac->clear();
    QTest::keyClicks(mac, "0A0B0C0D0E0F");
    EXPECT_EQ(mac->text(), "0a0b0c0d0e0f");   // shown in lower case
    EXPECT_TRUE(Enabled(page, "m_Add"));
    EXPECT_FALSE(Enabled(page, "m_Delete"));
    Press(page, "m_Add");
    EXPECT_EQ(WaitForRequest(0x0806), std::vector<uint8_t>(Mac1, Mac1 + 6));
    ASSERT_TRUE(WaitForRows(page, "m_List", 1));
    EXPECT_EQ(list->Text(0, 0), "0A:0B:0C:0D:0E:0F");

    list->SelectRow(0);
    EXPECT_EQ(mac->text(), "0a0b0c0d0e0f");
    EXPECT_FALSE(Enabled(page, "m_Add"));
    EXPECT_TRUE(Enabled(page, "m_Delete"));
    Press(page, "m_Delete");
    EXPECT_EQ(WaitForRequest(0x0807), std::vector<uint8_t>(Mac1, Mac1 + 6));
    EXPECT_TRUE(WaitForRows(page, "m_List", 0));
}

TEST_F(SecurityPagesTest, PortSecurityMatchesRowsAndItemsByThePortNumberTheyCarry)
{
    auto* page = Open<TModuleSecurityPort>();
    Simulator().With(0, [](Sim::TSimSwitch& sw) {
        // Port configuration rows in reverse port order; one entry on port 2.
        std::vector<uint8_t> config(4 + 6 * sw.LogicalPortCount(), 0);
        for (uint32_t i = 0; i < sw.LogicalPortCount(); ++i) {
            config[4 + 6 * i] = uint8_t(sw.LogicalPortCount() - 1 - i);
            config[4 + 6 * i + 2] = 1;
        }
        sw.Store[0x0201] = config;
        sw.Store[0x0802] = {2, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
    });
    ASSERT_TRUE(ShowPage());
    auto* port = Child<QComboBox>(page, "m_Port");
    auto* list = Child<TPageList>(page, "m_List");
    ASSERT_EQ(port->count(), 12);
    EXPECT_EQ(port->itemText(0), "Trunk4");
    ASSERT_EQ(list->RowCount(), 1);
    EXPECT_EQ(list->Text(0, 0), "Port3");
    EXPECT_EQ(list->Text(0, 1), "0A:0B:0C:0D:0E:0F");

    list->SelectRow(0);
    EXPECT_EQ(port->currentText(), "Port3");   // the item carrying port 2, not position 2
    EXPECT_EQ(Child<QLineEdit>(page, "m_MAC")->text(), "0A0B0C0D0E0F");
    EXPECT_FALSE(Enabled(page, "m_Add"));
    EXPECT_TRUE(Enabled(page, "m_Delete"));
    // The same address on another port: Add, not Delete.
    port->setCurrentIndex(port->findText("Port5"));
    EXPECT_TRUE(Enabled(page, "m_Add"));
    EXPECT_FALSE(Enabled(page, "m_Delete"));
    Press(page, "m_Add");
    EXPECT_EQ(WaitForRequest(0x0803), (std::vector<uint8_t>{4, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F}));
    // The switch moved the address to port 4.
    ASSERT_TRUE(Pump([&] { return list->RowCount() == 1 && list->Text(0, 0) == "Port5"; }));
    list->SelectRow(0);
    Press(page, "m_Delete");
    EXPECT_EQ(WaitForRequest(0x0804), std::vector<uint8_t>(Mac1, Mac1 + 6));
}
