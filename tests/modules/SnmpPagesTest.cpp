// The SNMP agent, community, trap and SNMPv3 user pages against the switch
// simulator: what they show, their rules and messages, and the exact
// requests they send.
#include "IntpSnmp.h"
#include "ModuleSnmp.h"
#include "ModuleSnmpCommunity.h"
#include "ModuleSnmpTrap.h"
#include "ModuleSnmpUser.h"
#include "PageTestHelpers.h"
#include "PageList.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <algorithm>

using namespace TestSupport;

namespace {

class SnmpPagesTest : public PagesTest {
protected:
    // Agent version and users as the switch holds them: {name, auth, privacy}.
    void SetUsers(uint8_t version, const std::vector<std::tuple<std::string, bool, bool>>& users, size_t which = 0)
    {
        Simulator().With(which, [&](Sim::TSimSwitch& sw) {
            sw.Store[0x0700] = {version};
            auto& rows = sw.Store[0x0704];
            rows.clear();
            for (const auto& [name, auth, priv] : users) {
                std::vector<uint8_t> row(34, 0);
                Intp::PutFieldText(row.data(), 32, name);
                row[32] = auth, row[33] = priv;
                rows.insert(rows.end(), row.begin(), row.end());
            }
        });
    }
    static std::string Field(const std::vector<uint8_t>& body, size_t at)
    {
        return std::string(reinterpret_cast<const char*>(&body[at]), 32);
    }
    static std::string Padded(const std::string& text) { return text + std::string(32 - text.size(), '\0'); }
};

} // namespace

TEST_F(SnmpPagesTest, AgentVersionShowsAndApplies)
{
    auto* page = Open<TModuleSnmp>();
    Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Store[0x0700] = {1}; });
    ASSERT_TRUE(ShowPage());
    auto* version = Child<QComboBox>(page, "m_Version");
    EXPECT_EQ(version->currentText(), "SNMP V3");
    version->setCurrentIndex(0);
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x0701), std::vector<uint8_t>{0});
}

TEST_F(SnmpPagesTest, CommunitiesShowEveryModelRowAndCutLongNames)
{
    auto* page = Open<TModuleSnmpCommunity>();
    // The last name is not UTF-8: unedited, it goes back byte for byte.
    const std::string odd = "n\xFF\xC3";
    Simulator().With(0, [&](Sim::TSimSwitch& sw) {
        std::vector<uint8_t> rows(4 * 33, 0);
        Intp::PutFieldText(&rows[0], 32, "public");
        Intp::PutFieldText(&rows[33], 32, "private");
        rows[33 + 32] = 1;
        std::copy(odd.begin(), odd.end(), rows.begin() + 99);
        sw.Store[0x0702] = rows;
    });
    ASSERT_TRUE(ShowPage());
    auto* list = Child<TPageList>(page, "m_List");
    ASSERT_EQ(list->RowCount(), 4);
    EXPECT_EQ(list->Text(0, 0), "0");
    EXPECT_EQ(list->Text(1, 1), "private");
    EXPECT_EQ(list->Text(1, 2), "Read And Write");
    EXPECT_FALSE(Enabled(page, "m_Community"));
    list->SelectRow(2);
    auto* community = Child<QLineEdit>(page, "m_Community");
    community->setFocus();
    QTest::keyClicks(community, QString(40, 'c'));
    EXPECT_EQ(list->Text(2, 1), QString(40, 'c'));
    list->horizontalHeader()->sectionClicked(1);   // not the privilege header: nothing
    list->horizontalHeader()->sectionClicked(2);   // "Read Only" first: every row "Read And Write"
    EXPECT_EQ(list->Text(1, 2), "Read And Write");
    EXPECT_EQ(Child<QComboBox>(page, "m_Privilege")->currentIndex(), 1);
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    const auto body = WaitForRequest(0x0703);
    ASSERT_EQ(body.size(), 4u * 33);
    EXPECT_EQ(Field(body, 0), Padded("public"));
    EXPECT_EQ(Field(body, 66), std::string(32, 'c'));   // the first 32, no terminator
    EXPECT_EQ(Field(body, 99), Padded(odd));
    for (size_t row = 0; row < 4; ++row)
        EXPECT_EQ(body[33 * row + 32], 1);
}

TEST_F(SnmpPagesTest, TrapAddAndDeleteWithTheButtonRule)
{
    auto* page = Open<TModuleSnmpTrap>();
    ASSERT_TRUE(ShowPage());
    auto* ip = Child<QLineEdit>(page, "m_ServerIp");
    auto* community = Child<QLineEdit>(page, "m_Community");
    EXPECT_EQ(ip->text(), "0.0.0.0");
    community->setText("trap");
    EXPECT_FALSE(Enabled(page, "m_Add"));
    ip->setText("127.0.0.1");
    EXPECT_FALSE(Enabled(page, "m_Add"));
    ip->setText("192.0.2.010");   // read as 192.0.2.8
    EXPECT_TRUE(Enabled(page, "m_Add"));
    Child<QRadioButton>(page, "m_V2c")->setChecked(true);
    Press(page, "m_Add");
    const auto add = WaitForRequest(0x0708);
    ASSERT_EQ(add.size(), 37u);
    EXPECT_EQ(Intp::GetBE32(add.data()), 0xC0000208u);
    EXPECT_EQ(Field(add, 4), Padded("trap"));
    EXPECT_EQ(add[36], 1);
    ASSERT_TRUE(WaitForRows(page, "m_List", 1));
    auto* list = Child<TPageList>(page, "m_List");
    EXPECT_EQ(list->Text(0, 1), "192.0.2.8");
    EXPECT_EQ(list->Text(0, 3), "V2c");
    EXPECT_FALSE(Enabled(page, "m_Add"));   // the reload emptied the fields

    list->SelectRow(0);
    EXPECT_EQ(community->text(), "trap");
    EXPECT_TRUE(Child<QRadioButton>(page, "m_V2c")->isChecked());
    EXPECT_FALSE(Enabled(page, "m_Add"));
    EXPECT_TRUE(Enabled(page, "m_Delete"));
    Press(page, "m_Delete");
    EXPECT_EQ(WaitForRequest(0x0709), (std::vector<uint8_t>{192, 0, 2, 8}));
    EXPECT_TRUE(WaitForRows(page, "m_List", 0));
}

TEST_F(SnmpPagesTest, UserPageReadsTheAgentVersionItself)
{
    auto* page = Open<TModuleSnmpUser>();
    SetUsers(1, {{"alice", true, false}, {"", false, false}, {"bob", false, false}});
    ASSERT_TRUE(ShowPage());   // without the SNMP page shown first
    auto* list = Child<TPageList>(page, "m_List");
    ASSERT_EQ(list->RowCount(), 2);   // the empty name is not listed
    EXPECT_EQ(list->Text(1, 0), "2");
    EXPECT_EQ(list->Text(1, 1), "bob");
    EXPECT_EQ(list->Text(0, 2), "Enabled");
    EXPECT_EQ(list->Text(0, 3), "Disabled");
    EXPECT_TRUE(Enabled(page, "m_UserName"));

    // V1/V2c: disabled and empty although the switch has users.
    SetUsers(0, {{"alice", true, false}});
    page->hide();
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(list->RowCount(), 0);
    EXPECT_FALSE(Enabled(page, "m_UserName"));
    EXPECT_FALSE(Enabled(page, "m_Add"));
    EXPECT_TRUE(Requests(0x0704).size() == 1);   // no user read in V1/V2c
}

TEST_F(SnmpPagesTest, UserRefreshReadsTheUsersOnlyOfSwitchesOnV3)
{
    StartSwitches(3);
    auto* page = AddPage(new TModuleSnmpUser(Host()));
    SetUsers(0, {{"alice", false, false}}, 0);   // SNMP V1/V2c
    SetUsers(1, {{"bob", false, false}}, 1);     // SNMP V3
    SetUsers(2, {{"carol", false, false}}, 2);   // no version of the list
    auto readsOf = [this](uint16_t command) {
        QString to;
        for (const auto& e : Requests(command))
            to += QString::number(e.DestIp - SimIp(0));
        return to;
    };
    // Shown on the V1/V2c switch: the agent versions of all three are read,
    // the users of the V3 switch alone; the page is disabled and empty.
    Select({0, 1, 2});
    ASSERT_TRUE(ShowPage());
    // Every read started (one on another's answer) has ended, and reached
    // the switches: none is on its way.
    ASSERT_TRUE(Pump([&] { return Requests(0x0704).size() >= 1 && Intp::SessionList().empty(); }));
    ASSERT_TRUE(SentSoFarArrived());
    QString versions = readsOf(0x0700);
    std::sort(versions.begin(), versions.end());
    EXPECT_EQ(versions, "012");
    EXPECT_EQ(readsOf(0x0704), "1");
    EXPECT_EQ(Child<TPageList>(page, "m_List")->RowCount(), 0);
    EXPECT_FALSE(Enabled(page, "m_UserName"));
}

TEST_F(SnmpPagesTest, UserAddAndDelete96BytesAndTheirMessages)
{
    auto* page = Open<TModuleSnmpUser>();
    SetUsers(1, {{"alice", true, true}, {"bob", false, false}});
    ASSERT_TRUE(ShowPage());
    auto* list = Child<TPageList>(page, "m_List");
    auto* name = Child<QLineEdit>(page, "m_UserName");
    auto* auth = Child<QLineEdit>(page, "m_AuthPassword");
    auto* priv = Child<QLineEdit>(page, "m_PrivPassword");
    EXPECT_EQ(auth->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(Enabled(page, "m_Add"));

    list->SelectRow(0);
    EXPECT_EQ(name->text(), "alice");
    Press(page, "m_Add");
    EXPECT_EQ(Ui().LastText(), "Entry already exists!");
    Press(page, "m_Delete");
    EXPECT_EQ(Ui().LastText(), "Auth Password needed!");
    auth->setText("authpass");
    Press(page, "m_Delete");
    EXPECT_EQ(Ui().LastText(), "Privacy Password needed!");
    name->setText("carol");
    Press(page, "m_Delete");
    EXPECT_EQ(Ui().LastText(), "Entry not found!");
    ASSERT_TRUE(SentSoFarArrived());
    EXPECT_TRUE(Requests(0x0705).empty());
    EXPECT_TRUE(Requests(0x0706).empty());
    EXPECT_EQ(name->text(), "carol");   // the fields keep their texts

    priv->setText(QString(31, 'p') + QString::fromUtf8("\xC3\xA9"));
    Press(page, "m_Add");
    const auto add = WaitForRequest(0x0705);
    ASSERT_EQ(add.size(), 96u);
    EXPECT_EQ(Field(add, 0), Padded("carol"));
    EXPECT_EQ(Field(add, 32), Padded("authpass"));
    EXPECT_EQ(Field(add, 64), Padded(std::string(31, 'p')));   // the character that does not fit is dropped
    ASSERT_TRUE(WaitForRows(page, "m_List", 3));

    // A user without passwords is deleted with both fields empty.
    list->SelectRow(1);
    EXPECT_EQ(name->text(), "bob");
    EXPECT_TRUE(auth->text().isEmpty());
    Press(page, "m_Delete");
    const auto del = WaitForRequest(0x0706);
    ASSERT_EQ(del.size(), 96u);
    EXPECT_EQ(Field(del, 0), Padded("bob"));
    EXPECT_EQ(Field(del, 32), std::string(32, '\0'));
    EXPECT_TRUE(WaitForRows(page, "m_List", 2));
}
