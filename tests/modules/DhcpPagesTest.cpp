// The DHCP server, client entries and port binding pages: what they show,
// their enable rules, the exact Sets they send, the client list's sorting,
// and the server page's fields after a switch whose record is not valid.
#include "IntpDhcp.h"
#include "ModuleBasicsDhcp.h"
#include "ModuleBasicsDhcpEntry.h"
#include "ModuleBasicsDhcpPortIp.h"
#include "PageEditors.h"
#include "PageFixture.h"
#include "PageList.h"
#include "handlers/SimDhcp.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace TestSupport;

namespace {

std::vector<uint8_t> DhcpImage(uint8_t on, uint32_t start, uint32_t end, uint32_t mask, uint32_t gateway, uint32_t dns,
                               uint32_t lease)
{
    std::vector<uint8_t> b(25, 0);
    b[0] = on;
    const uint32_t values[] = {start, end, mask, gateway, dns, lease};
    for (size_t i = 0; i < 6; ++i)
        Intp::PutBE32(b.data() + 1 + 4 * i, values[i]);
    return b;
}

void Type(QLineEdit* field, const char* text)
{
    field->selectAll();
    QTest::keyClicks(field, text);
}

using DhcpPagesTest = PageTest;

TEST_F(DhcpPagesTest, ServerPageShowsTheSwitchAndAppliesOnlyAValidPool)
{
    StartSwitches(1);
    auto* page = AddPage(new TModuleBasicsDhcp(Host()));
    Select({0});
    Simulator().With(0, [](Sim::TSimSwitch& sw) {
        sw.Store[0x0110] = DhcpImage(1, 0xC0000264, 0xC00002C8, 0xFFFFFF00, 0xC0000201, 0xC0000202, 3600);
    });
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(page->m_Server->currentText(), "Enable");
    EXPECT_EQ(page->m_Start->text(), "192.0.2.100");
    EXPECT_EQ(page->m_End->text(), "192.0.2.200");
    EXPECT_EQ(page->m_Mask->text(), "255.255.255.0");
    EXPECT_EQ(page->m_Gateway->text(), "192.0.2.1");
    EXPECT_EQ(page->m_Dns->text(), "192.0.2.2");
    EXPECT_EQ(page->m_Lease->value(), 3600);
    EXPECT_TRUE(page->m_Start->isEnabled());
    EXPECT_TRUE(page->ApplyButton()->isEnabled());

    // A pool of one address is refused until the end lies above the start.
    Type(page->m_End, "192.0.2.100");
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    Type(page->m_End, "192.0.2.101");
    EXPECT_TRUE(page->ApplyButton()->isEnabled());
    Type(page->m_Mask, "255.0.255.0");
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    Type(page->m_Mask, "255.255.255.255");   // a valid netmask, though no usable address
    EXPECT_TRUE(page->ApplyButton()->isEnabled());
    Type(page->m_Mask, "255.255.255.0");
    // A gateway that is not usable is taken as none, without complaint.
    Type(page->m_Gateway, "127.0.0.1");
    EXPECT_TRUE(page->ApplyButton()->isEnabled());
    page->m_Lease->setValue(7200);
    const size_t reports = ReportCount();
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x0111), DhcpImage(1, 0xC0000264, 0xC0000265, 0xFFFFFF00, 0, 0xC0000202, 7200));
    ASSERT_TRUE(WaitForSetAndRead(reports, Device(0), 0x0111, 0x0110));   // reloaded before the next edits

    // "Disable" applies whatever the fields hold, and still sends them.
    Type(page->m_Start, "nonsense");
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    page->m_Server->setCurrentIndex(0);
    EXPECT_FALSE(page->m_Start->isEnabled());
    EXPECT_TRUE(page->ApplyButton()->isEnabled());
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x0111, 2), DhcpImage(0, 0, 0xC0000265, 0xFFFFFF00, 0, 0xC0000202, 7200));
}

TEST_F(DhcpPagesTest, ServerPageShowsNoAddressesOfThePreviousSwitchForAnUnreadableOne)
{
    StartSwitches(2);
    auto* page = AddPage(new TModuleBasicsDhcp(Host()));
    Select({0});
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(page->m_Start->text(), "192.168.1.100");
    // Switch 1 refuses the read (not logged in): its record stays invalid.
    Select({1}, false);
    ASSERT_TRUE(ShowPage());
    ASSERT_FALSE(Intp::GetPropertyBasicsDhcp(Device(1)).Valid);
    for (QLineEdit* field : {static_cast<QLineEdit*>(page->m_Start), static_cast<QLineEdit*>(page->m_End),
                             static_cast<QLineEdit*>(page->m_Mask), static_cast<QLineEdit*>(page->m_Gateway),
                             static_cast<QLineEdit*>(page->m_Dns)})
        EXPECT_EQ(field->text(), "0.0.0.0");
    EXPECT_EQ(page->m_Server->currentText(), "Disable");
    EXPECT_EQ(page->m_Start->Value(), 0u);
    EXPECT_EQ(page->MaskValue(), 0u);
    // Nothing of it can be applied, "Disable" chosen as it is.
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    EXPECT_TRUE(page->ReadStateLabel()->isVisible());

    // Without a device the list and Apply are off.
    FakeHost().Current.clear();
    page->Notify(nullptr, 0xFF01, 0);
    EXPECT_FALSE(page->m_Server->isEnabled());
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
}

// A server turned off keeps its pool: an edit sends that field, every other
// goes back as read, greyed, not usable or past a spinner's limits; a lease
// typed past its limit goes to the limit, as shown.
TEST_F(DhcpPagesTest, ServerPageSendsWhatItReadUnlessEditedAndClampsTheLease)
{
    StartSwitches(1);
    auto* page = AddPage(new TModuleBasicsDhcp(Host()));
    Select({0});
    const auto read = DhcpImage(0, 0x7F000005u, 0xFFFFFFFFu, 0xFF00FF00u, 0xE0000001u, 0xC0000202, 4000000000u);
    Simulator().With(0, [&](Sim::TSimSwitch& sw) { sw.Store[0x0110] = read; });
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(page->m_Start->text(), "127.0.0.5");
    emit page->m_Mask->editingFinished();   // not rewritten
    EXPECT_EQ(page->m_Mask->text(), "255.0.255.0");
    page->m_Server->setCurrentIndex(1);   // an edit made while on stays
    Type(page->m_Dns, "192.0.2.53");
    page->m_Server->setCurrentIndex(0);
    const size_t reports = ReportCount();
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    auto expected = read;
    Intp::PutBE32(expected.data() + 17, 0xC0000235);
    EXPECT_EQ(WaitForRequest(0x0111), expected);
    ASSERT_TRUE(WaitForSetAndRead(reports, Device(0), 0x0111, 0x0110));   // reloaded before the next edits

    // Turned on with a pool that is no pool: nothing can be applied until
    // the fields are mended; the lease is clamped to what it shows.
    page->m_Server->setCurrentIndex(1);
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    Type(page->m_Start, "192.0.2.100");
    Type(page->m_End, "192.0.2.200");
    Type(page->m_Mask, "255.255.255.0");
    ASSERT_TRUE(page->ApplyButton()->isEnabled());
    QLineEdit* lease = page->m_Lease->findChild<QLineEdit*>();
    lease->selectAll();
    QTest::keyClicks(lease, "3000000000");
    EXPECT_EQ(lease->text(), "3000000000");   // nothing dropped while typing
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(lease->text(), "2147483647");
    EXPECT_EQ(WaitForRequest(0x0111, 2),
              DhcpImage(1, 0xC0000264, 0xC00002C8, 0xFFFFFF00, 0xE0000001u, 0xC0000235, 2147483647u));
}

// Clicking rows shows their addresses as read and changes none of them;
// only a row whose address is typed over changes.
TEST_F(DhcpPagesTest, PortBindingRowsKeepTheirAddressesWhenClicked)
{
    StartSwitches(1);
    auto* page = AddPage(new TModuleBasicsDhcpPortIp(Host()));
    page->resize(600, 500);
    Select({0});
    const uint32_t ports = Device(0)->GetPortCount();
    std::vector<uint8_t> read(4 * ports, 0);
    Intp::PutBE32(read.data(), 0xFFFFFFFFu);
    Intp::PutBE32(read.data() + 4, 0x7F000001u);
    Intp::PutBE32(read.data() + 8, 0xC0000221u);
    Simulator().With(0, [&](Sim::TSimSwitch& sw) { sw.Store[0x0113] = read; });
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(page->m_ListView->Text(0, 1), "255.255.255.255");
    auto click = [page](int row) {
        TPageList* list = page->m_ListView;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->Model()->index(row, 0)).center());
        return list->SelectedRow() == row;
    };
    for (int row : {0, 1, 2, 0})
        ASSERT_TRUE(click(row));
    EXPECT_EQ(page->m_IpAddress->text(), "255.255.255.255");
    ASSERT_TRUE(click(1));
    Type(page->m_IpAddress, "192.0.2.11");
    ASSERT_TRUE(click(2));
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    auto expected = read;
    Intp::PutBE32(expected.data() + 4, 0xC000020Bu);
    EXPECT_EQ(WaitForRequest(0x0114), expected);
}

TEST_F(DhcpPagesTest, ClientEntriesAreListedOnceCompleteAndSortByTheirColumnsRules)
{
    StartSwitches(1);
    auto* page = AddPage(new TModuleBasicsDhcpEntry(Host()));
    Select({0});
    Simulator().With(0, [](Sim::TSimSwitch& sw) { Sim::SetDhcpEntryCount(sw, 40); });
    ASSERT_TRUE(ShowPage());
    ASSERT_EQ(page->m_List->RowCount(), 40);
    EXPECT_EQ(page->m_Total->text(), "Total 40 client entries:");
    EXPECT_EQ(page->m_List->Row(0).Texts,
              QStringList({"1", "192.168.0.1", "02:DC:00:00:00:00", "Dynamic ", "Dhcp", "3600"}));
    EXPECT_EQ(page->m_List->Text(39, 0), "40");

    // Reloaded while the frames are on their way: no rows at all.
    EXPECT_EQ(page->Refresh(true), 1);
    page->Notify(Device(0), 0xFF01, 0);
    EXPECT_EQ(page->m_List->RowCount(), 0);
    EXPECT_EQ(page->m_Total->text(), "Total 0 client entries:");
    EXPECT_EQ(WaitForReport(Device(0), 0x0112), 0u);
    EXPECT_EQ(page->m_List->RowCount(), 40);

    // Numbers and addresses sort as numbers, the other columns as text.
    auto& record = Intp::GetPropertyBasicsDhcpEntry(Device(0));
    const uint8_t mac[6] = {0x02, 0, 0, 0, 0, 0xAB};
    record.Rows = {{0xC0000209, Intp::TMacAddr(mac), 4, 0, 9},
                   {0xC000020A, Intp::TMacAddr(mac), 1, 2, 100},
                   {0x0A000001, Intp::TMacAddr(mac), 0, 1, 10}};
    page->Notify(Device(0), 0xFF01, 0);
    auto column = [page](int c) {
        QStringList texts;
        for (int r = 0; r < page->m_List->RowCount(); ++r)
            texts << page->m_List->Text(r, c);
        return texts;
    };
    EXPECT_EQ(column(3), QStringList({"Dbase   ", "BootpTab", "Error"}));
    EXPECT_EQ(column(4), QStringList({"Unassigned", "DhcpOffer", "Bootp"}));
    QHeaderView* header = page->m_List->horizontalHeader();
    emit header->sectionClicked(1);
    EXPECT_EQ(column(1), QStringList({"10.0.0.1", "192.0.2.9", "192.0.2.10"}));
    emit header->sectionClicked(1);
    EXPECT_EQ(column(1), QStringList({"192.0.2.10", "192.0.2.9", "10.0.0.1"}));
    emit header->sectionClicked(5);
    EXPECT_EQ(column(5), QStringList({"10", "100", "9"}));
    emit header->sectionClicked(0);
    EXPECT_EQ(column(0), QStringList({"1", "2", "3"}));
    emit header->sectionClicked(0);
    EXPECT_EQ(column(0), QStringList({"3", "2", "1"}));

    // Leaving empties the list.
    EXPECT_TRUE(page->Leave(false));
    EXPECT_EQ(page->m_List->RowCount(), 0);
}

TEST_F(DhcpPagesTest, PortBindingEditsTheSelectedRowAndSendsOneAddressPerPort)
{
    StartSwitches(1);
    auto* page = AddPage(new TModuleBasicsDhcpPortIp(Host()));
    Select({0});
    ASSERT_TRUE(ShowPage());
    const uint32_t ports = Device(0)->GetPortCount();
    ASSERT_EQ(page->m_ListView->RowCount(), int(ports));
    EXPECT_EQ(page->m_ListView->Row(0).Texts, QStringList({"Port.01", "0.0.0.0"}));
    EXPECT_FALSE(page->m_IpAddress->isEnabled());

    page->m_ListView->SelectRow(2);
    EXPECT_TRUE(page->m_IpAddress->isEnabled());
    Type(page->m_IpAddress, "192.0.2.33");
    EXPECT_EQ(page->m_ListView->Text(2, 1), "192.0.2.33");
    page->m_ListView->SelectRow(5);
    Type(page->m_IpAddress, "192.0.2.66");
    Type(page->m_IpAddress, "255.255.255.255");   // no binding
    EXPECT_EQ(page->m_ListView->Text(5, 1), "0.0.0.0");
    page->m_ListView->SelectRow(3);
    Type(page->m_IpAddress, "192.0.2.44");
    page->m_ListView->SelectRow(2);
    EXPECT_EQ(page->m_IpAddress->text(), "192.0.2.33");

    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    std::vector<uint8_t> expected(4 * ports, 0);
    Intp::PutBE32(expected.data() + 8, 0xC0000221);
    Intp::PutBE32(expected.data() + 12, 0xC000022C);
    EXPECT_EQ(AwaitRequestUnanswered(0x0114), expected);
    // The Set is followed by a read that reloads the list: it shows what the
    // switch holds by then (here changed before the console heard the Set's
    // answer), not what was sent.
    Intp::PutBE32(expected.data() + 12, 0xC000024D);
    Simulator().With(0, [&](Sim::TSimSwitch& sw) { sw.Store[0x0113] = expected; });
    EXPECT_TRUE(Pump([&] { return page->m_ListView->Text(3, 1) == "192.0.2.77"; }))
        << page->m_ListView->Text(3, 1).toStdString();
    EXPECT_EQ(page->m_ListView->Text(2, 1), "192.0.2.33");
    EXPECT_EQ(Requests(0x0113).size(), 2u);
}

} // namespace
