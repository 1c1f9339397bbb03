// The page toolkit through a small table page over the rate-limit record:
// reload rules, row editing, the header rule, Apply and the default button,
// and the list model's sorting.
#include "IntpPort.h"
#include "ModulePage.h"
#include "PageEditors.h"
#include "PageFields.h"
#include "PageFixture.h"
#include "PageList.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QLineEdit>
#include <QComboBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <cstring>

using namespace TestSupport;

namespace {

// Frame type (pick list, header cycling) and ingress (spinner) per port.
class TLimitTestPage final : public TModulePage {
public:
    explicit TLimitTestPage(QWidget* parent) : TModulePage("Limits", parent)
    {
        List = new TPageList({"Port No.", "Type", "Ingress"}, this);
        PageLayout()->addWidget(List);
        auto* form = new QFormLayout;
        Type = NewChoice({"All", "Broadcast/Multicast/Flooded Unicast", "Broadcast/Multicast", "Broadcast Only"}, this);
        Ingress = new TLimitSpin(0, 1 << 30, 8192, this);
        Editors = new TRowEditors(List);
        Editors->BindChoice(1, 0, Type, AddFormRow(form, "&Type:", Type));
        Editors->BindSpin(2, 1, Ingress, AddFormRow(form, "&Ingress:", Ingress));
        PageLayout()->addLayout(form);
        AddDeviceControl(List);
        AddApplyButton();
        SetReloadCodes({Intp::TPropertyPortLimit::GetCommand});
        ReadsRecord<Intp::TPropertyPortLimit>();
    }

    TPageList* List;
    TRowEditors* Editors;
    QComboBox* Type;
    TLimitSpin* Ingress;
    int Fills = 0;

protected:
    Intp::TSession* NewGetSession(Intp::TDevice*, bool) override { return new Intp::TSessionPortLimitGet; }
    void Clear() override
    {
        List->Clear();
        Editors->Reset();
    }
    void Fill(Intp::TDevice* device) override
    {
        ++Fills;
        const auto& record = Intp::GetPropertyPortLimit(device);
        for (uint32_t p = 0; p < device->GetPortCount(); ++p) {
            const bool valid = record.Valid && p < record.Rows.size();
            Editors->AddRow(PortCaption(p), {valid ? record.Rows[p].FrameType : 3, valid ? record.Rows[p].Ingress : 8192}, p);
        }
    }
    Intp::TSession* NewSetSession(Intp::TDevice*) override
    {
        std::vector<uint8_t> buffer;
        for (int r = 0; r < List->RowCount(); ++r) {
            const auto& row = List->Row(r);
            uint8_t bytes[9] = {uint8_t(row.Edited[0])};
            const uint32_t ingress = uint32_t(row.Edited[1]), egress = 0;
            std::memcpy(bytes + 1, &ingress, 4);
            std::memcpy(bytes + 5, &egress, 4);
            buffer.insert(buffer.end(), bytes, bytes + 9);
        }
        auto* set = new Intp::TSessionPortLimitSet;
        set->SetData(buffer.data(), buffer.size(), List->RowCount());
        return set;
    }
};

class PageToolkitTest : public PageTest {
protected:
    TLimitTestPage* Start(size_t switches = 1)
    {
        StartSwitches(switches);
        auto* page = AddPage(new TLimitTestPage(Host()));
        std::vector<size_t> all;
        for (size_t i = 0; i < switches; ++i)
            all.push_back(i);
        Select(all);
        return page;
    }
};

} // namespace

TEST(PageToolkit, CompareTextFoldsLettersAndPutsPrefixesFirst)
{
    EXPECT_EQ(CompareText("port.01", "PORT.01"), 0);
    EXPECT_LT(CompareText("Port", "Port.01"), 0);
    // 'a' folds to 'A' (0x41), so it sorts before '_' (0x5F), unlike its own 0x61.
    EXPECT_GT(CompareText("_", "a"), 0);
}

TEST(PageToolkit, FixedTextNeverExceedsItsFieldAndCutsOnCharacters)
{
    uint8_t field[5];
    std::memset(field, 0xEE, sizeof field);
    PutFixedText(field, 4, QString::fromUtf8("ab\xC3\xA9\xC3\xA9"));   // "abéé": 6 bytes
    EXPECT_EQ(std::string(reinterpret_cast<char*>(field), 4), std::string("ab\xC3\xA9"));
    EXPECT_EQ(field[4], 0xEE);   // nothing past the field
    PutFixedText(field, 4, QString::fromUtf8("abc\xC3\xA9"));       // the é does not fit whole
    EXPECT_EQ(std::string(reinterpret_cast<char*>(field), 4), std::string("abc\0", 4));
}

TEST(PageToolkit, CaptionsAndMemberLists)
{
    EXPECT_EQ(PortCaption(0), "Port.01");
    EXPECT_EQ(LogicalPortCaption(9, 8), "Trunk.02");
    EXPECT_EQ(MemberListText(0b101), "1, 3");
    EXPECT_EQ(MemberListText(0), "");
}

TEST(PageToolkit, LimitSpinKeepsItsRangeAndShowsIt)
{
    QWidget parent;
    TLimitSpin spin(0, 61440, 32768, &parent, 4096);
    EXPECT_EQ(spin.LimitLabel()->text(), "(0 - 61440)");
    spin.setValue(70000);
    EXPECT_EQ(spin.value(), 61440);
    spin.setValue(-5);
    EXPECT_EQ(spin.value(), 0);
}

TEST(PageToolkit, IpFieldParsesOnChangeAndRewritesOnLeaving)
{
    QWidget parent;
    TIpEdit edit(&parent);
    edit.setText("192.0.2.7");
    EXPECT_EQ(edit.Value(), 0xC0000207u);
    edit.setText("255.255.255.255");   // not usable: reads as 0
    EXPECT_EQ(edit.Value(), 0u);
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(&edit, &out);
    EXPECT_EQ(edit.text(), "0.0.0.0");
    // An address read is shown and given back as it is until the text
    // changes; leaving does not rewrite it.
    edit.SetReadValue(0xFFFFFFFFu);
    QCoreApplication::sendEvent(&edit, &out);
    EXPECT_EQ(edit.text(), "255.255.255.255");
    EXPECT_EQ(edit.SentValue(), 0xFFFFFFFFu);
    edit.setText("192.0.2.9");
    EXPECT_EQ(edit.SentValue(), 0xC0000209u);
}

TEST(PageToolkit, PerColumnSortStartsNeutralAndStable)
{
    QWidget parent;
    TPageList list({"N", "Name"}, &parent);
    QAbstractItemModelTester tester(list.Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    list.SetSortRule(TPageList::SortPerColumn);
    for (auto [n, name] : {std::pair{"1", "b"}, {"2", "a"}, {"3", "B"}, {"4", "a"}})
        list.AddRow({n, name});
    list.Sort();   // neutral: record order
    EXPECT_EQ(list.Text(0, 0), "1");
    list.SelectRow(1);   // "2"
    list.horizontalHeader()->sectionClicked(1);
    // Rising, case folded, equal rows kept in record order.
    EXPECT_EQ(list.Text(0, 0) + list.Text(1, 0) + list.Text(2, 0) + list.Text(3, 0), "2413");
    EXPECT_EQ(list.Text(list.SelectedRow(), 0), "2");   // the selection follows its row
    list.horizontalHeader()->sectionClicked(1);
    EXPECT_EQ(list.Text(0, 0) + list.Text(1, 0), "13");
    EXPECT_EQ(list.Direction(0), 0);   // the other column keeps its own (neutral) direction
}

TEST(PageToolkit, SharedSortReversesOnTheSortColumnAndRisesOnAnother)
{
    QWidget parent;
    TPageList list({"A", "B"}, &parent);
    list.SetSortRule(TPageList::SortShared, 0, 1);
    list.AddRow({"x", "2"});
    list.AddRow({"y", "1"});
    list.horizontalHeader()->sectionClicked(0);   // already the sort column: falling
    EXPECT_EQ(list.Text(0, 0), "y");
    list.horizontalHeader()->sectionClicked(1);   // another column: rising
    EXPECT_EQ(list.Text(0, 1), "1");
    EXPECT_EQ(list.Direction(1), 1);
}

TEST_F(PageToolkitTest, WithoutACurrentDeviceThePageShowsAtOnceEmptyAndDisabled)
{
    StartSwitches(1);
    auto* page = AddPage(new TLimitTestPage(Host()));
    Select({});
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(page->List->RowCount(), 0);
    EXPECT_FALSE(page->List->isEnabled());
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    EXPECT_TRUE(Simulator().Log().empty());
}

TEST_F(PageToolkitTest, ShowingReadsThenFillsFromTheRecordOrDefaults)
{
    auto* page = Start();
    // A refused read leaves the record not valid: the defaults show, the
    // page says why, and Apply stays disabled.
    Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Faults.ForceStatus = 3; });
    ASSERT_TRUE(ShowPage());
    ASSERT_EQ(Requests(0x0204).size(), 1u);
    ASSERT_EQ(page->List->RowCount(), int(Device(0)->GetPortCount()));
    EXPECT_EQ(page->List->Text(0, 1), "Broadcast Only");
    EXPECT_EQ(page->List->Text(0, 2), "8192");
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    EXPECT_FALSE(page->Type->isEnabled());   // no row selected

    Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Faults.ForceStatus = -1; });
    page->hide();
    ASSERT_TRUE(ShowPage());
    EXPECT_TRUE(Intp::GetPropertyPortLimit(Device(0)).Valid);
    EXPECT_EQ(page->List->Text(0, 2), QString::number(Intp::GetPropertyPortLimit(Device(0)).Rows[0].Ingress));
    EXPECT_TRUE(page->ApplyButton()->isEnabled());
    EXPECT_TRUE(page->ReadStateLabel()->isHidden());
}

// Every way a read fails gives its own line and keeps Apply disabled; the
// line goes and Apply comes back with the next good read.
TEST_F(PageToolkitTest, AFailedReadSaysWhyAndKeepsApplyDisabledUntilAReadSucceeds)
{
    auto* page = Start();
    Transport().MaxTimerMs = 200;
    struct TCase {
        const char* Name;
        std::function<void(Sim::TSimFaults&)> Fault;
        std::function<void(Sim::TSimSwitch&)> Store;
        QString Line;
    } cases[] = {
        {"time-out", [](Sim::TSimFaults& f) { f.DropRate = 1; }, nullptr, "no answer (time-out, 0xff00)"},
        {"refused", [](Sim::TSimFaults& f) { f.ForceStatus = 3; }, nullptr, "refused (status 3)"},
        {"short", [](Sim::TSimFaults& f) { f.TruncateBody = 0; }, nullptr, "too short, status 2"},
        {"error status", [](Sim::TSimFaults& f) { f.ForceStatus = 7; }, nullptr, "Error: 0x0007"},
        {"out of range", nullptr, [](Sim::TSimSwitch& sw) { sw.Store[0x0204][9 * 2] = 9; }, "Error: 0x1101"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Select({0});
        Simulator().With(0, [&](Sim::TSimSwitch& sw) {
            sw.Faults = {};
            sw.Store.erase(0x0204);
            if (c.Fault)
                c.Fault(sw.Faults);
        });
        if (c.Store) {
            page->hide();
            ASSERT_TRUE(ShowPage());   // a good read fills the store
            EXPECT_TRUE(page->ApplyButton()->isEnabled());
            Simulator().With(0, c.Store);
        }
        page->hide();
        ASSERT_TRUE(ShowPage());
        QLabel* line = page->ReadStateLabel();
        EXPECT_TRUE(line->isVisible());
        EXPECT_TRUE(line->text().contains(c.Line)) << line->text().toStdString();
        // A screen reader hears the reason itself.
        EXPECT_EQ(QAccessible::queryAccessibleInterface(line)->text(QAccessible::Name), line->text());
        EXPECT_FALSE(page->ApplyButton()->isEnabled());
        // The page's own rules cannot enable it, and Apply sends nothing.
        page->ApplyButton()->setEnabled(true);
        EXPECT_FALSE(page->ApplyButton()->isEnabled());
        Simulator().ClearLog();
        page->EventOnApplyClick();
        QTest::keyClick(page, Qt::Key_Return);
        ASSERT_TRUE(SentSoFarArrived());
        EXPECT_TRUE(Requests(0x0205).empty());
    }
    Simulator().With(0, [](Sim::TSimSwitch& sw) {
        sw.Faults = {};
        sw.Store.erase(0x0204);
    });
    page->hide();
    ASSERT_TRUE(ShowPage());
    EXPECT_FALSE(page->ReadStateLabel()->isVisible());
    EXPECT_TRUE(page->ApplyButton()->isEnabled());
}

TEST_F(PageToolkitTest, APageShownBeforeAnyReadSaysItWasNotRead)
{
    auto* page = Start(2);
    Select({1});
    page->Notify(nullptr, EventPageShown, 0);   // no read was started
    EXPECT_TRUE(page->ReadStateLabel()->text().startsWith("Not read")) << page->ReadStateLabel()->text().toStdString();
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    Select({});
    page->Notify(nullptr, EventPageShown, 0);   // no device: nothing to say
    EXPECT_TRUE(page->ReadStateLabel()->isHidden());
}

// A row value outside its editor's range stays as read: shown as a number,
// kept when other slots or other rows are edited, and sent back unchanged;
// the user's edit of that slot (editor or header) replaces it.
TEST_F(PageToolkitTest, ARowValueOutOfRangeIsKeptUntilThatSlotIsEdited)
{
    auto* page = Start();
    constexpr uint32_t wide = (1u << 30) + 5;   // past the ingress spinner
    Simulator().With(0, [&](Sim::TSimSwitch& sw) {
        std::vector<uint8_t> rows(9 * sw.PortCount(), 0);
        for (size_t i = 0; i < sw.PortCount(); ++i)
            Intp::PutBE32(&rows[9 * i + 1], 1000 + uint32_t(i));
        Intp::PutBE32(&rows[9 * 2 + 1], wide);
        sw.Store[0x0204] = rows;
    });
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(page->List->Text(2, 2), QString::number(wide));
    page->List->SelectRow(2);
    EXPECT_EQ(page->Ingress->value(), int(wide));   // shown as read
    EXPECT_TRUE(page->Ingress->KeepsReadValue());
    page->Type->setCurrentIndex(2);                 // another slot of the row
    page->List->SelectRow(0);
    page->Ingress->setValue(77);                    // another row
    page->List->SelectRow(2);
    EXPECT_EQ(page->List->Row(2).Edited[1], int64_t(wide));
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    auto body = WaitForRequest(0x0205);
    ASSERT_EQ(body.size(), 9 * Device(0)->GetPortCount());
    EXPECT_EQ(Intp::GetBE32(&body[9 * 2 + 1]), wide);
    EXPECT_EQ(body[9 * 2], 2);
    EXPECT_EQ(Intp::GetBE32(&body[1]), 77u);
    EXPECT_EQ(Intp::GetBE32(&body[9 * 3 + 1]), 1003u);

    // The arrows are the user's edit: from the kept value into the limits.
    ASSERT_TRUE(Pump([&] { return page->isVisible() && page->List->RowCount() == 8; }));
    page->List->SelectRow(2);
    page->Ingress->stepBy(1);
    EXPECT_EQ(page->Ingress->value(), 1 << 30);
    EXPECT_EQ(page->List->Row(2).Edited[1], int64_t(1) << 30);
    EXPECT_FALSE(page->Ingress->KeepsReadValue());
}

TEST_F(PageToolkitTest, ReportsReloadOnlyForTheCurrentDeviceAndOwnCodes)
{
    auto* page = Start(2);
    Select({0});
    ASSERT_TRUE(ShowPage());
    const int fills = page->Fills;
    page->Notify(Device(1), 0x0204, 0);   // another device
    page->Notify(Device(0), 0x0205, 0);   // the page's Set: its Get reloads
    page->Notify(Device(0), 0x0104, 0);   // another feature
    EXPECT_EQ(page->Fills, fills);
    page->Notify(nullptr, EventDeviceRemoved, 0);
    EXPECT_EQ(page->Fills, fills + 1);
}

TEST_F(PageToolkitTest, EditingWritesTheRowAndHeaderCyclesFromTheFirstRow)
{
    auto* page = Start();
    ASSERT_TRUE(ShowPage());
    page->List->SelectRow(1);
    EXPECT_TRUE(page->Type->isEnabled());
    page->Type->setCurrentIndex(0);
    EXPECT_EQ(page->List->Text(1, 1), "All");
    EXPECT_EQ(page->List->Row(1).Loaded[0], page->List->Row(0).Edited[0]);   // loaded value kept

    // First row "Broadcast Only" (3): every row wraps to "All" (0).
    const int64_t first = page->List->Row(0).Edited[0];
    page->List->horizontalHeader()->sectionClicked(1);
    for (int r = 0; r < page->List->RowCount(); ++r)
        EXPECT_EQ(page->List->Row(r).Edited[0], (first + 1) % 4);
    EXPECT_EQ(page->Type->currentIndex(), int((first + 1) % 4));   // the editor follows
    page->List->horizontalHeader()->sectionClicked(2);   // a spinner column: nothing
}

TEST_F(PageToolkitTest, ApplySendsOneSetPerDeviceAndReturnPressesIt)
{
    auto* page = Start(2);
    ASSERT_TRUE(ShowPage());
    page->List->SelectRow(0);
    page->Ingress->setValue(1000);
    QTest::keyClick(page, Qt::Key_Return);
    const auto body = AwaitRequestUnanswered(0x0205, 2);
    ASSERT_EQ(body.size(), 9 * Device(0)->GetPortCount());
    EXPECT_EQ(Intp::GetBE32(body.data() + 1), 1000u);   // sent big-endian
    EXPECT_EQ(Requests(0x0205).size(), 2u);
    EXPECT_TRUE(Ui().Boxes.empty());
    // Each Set is followed by its Get, which reloads the page with what the
    // switch holds by then (here changed before the console heard the
    // Set's answer).
    for (size_t i = 0; i < 2; ++i)
        Simulator().With(i, [](Sim::TSimSwitch& sw) { Intp::PutBE32(sw.Store[0x0204].data() + 1, 2000); });
    EXPECT_TRUE(Pump([&] { return page->List->RowCount() > 0 && page->List->Text(0, 2) == "2000"; }));
}

TEST_F(PageToolkitTest, ThePagePaintsItsWholeArea)
{
    auto* page = Start();
    EXPECT_TRUE(page->autoFillBackground());
}

// --- Controls that keep what was read --------------------------------------------

TEST(PageToolkit, ChoiceShowsAValueNoItemHasAndGivesItBackUntilAnItemIsChosen)
{
    QWidget parent;
    TChoice* box = NewChoice({"False", "True", "Auto"}, &parent);
    box->SetValue(7);
    EXPECT_EQ(box->currentText(), "7");
    EXPECT_EQ(box->Value(), 7);
    EXPECT_TRUE(box->KeepsReadValue());
    EXPECT_EQ(ChoiceCount(box), 3);
    box->setCurrentIndex(1);   // the user's pick
    EXPECT_EQ(box->Value(), 1);
    box->setCurrentIndex(3);   // the read value is still offered
    EXPECT_EQ(box->Value(), 7);
    box->SetValue(2);          // a value an item has: the extra item goes
    EXPECT_EQ(box->count(), 3);
    EXPECT_EQ(box->currentText(), "Auto");
    box->SetValue(9);
    box->Reset();
    EXPECT_EQ(box->count(), 3);
    EXPECT_EQ(box->Value(), 0);
}

// A flag list shows a flag as "Enable" or "Disable" (an extra item of an
// earlier value goes) and gives 1 or 0 for a request.
TEST(PageToolkit, FlagListShowsTheFlagAndGivesOneOrZero)
{
    QWidget parent;
    TChoice* list = NewChoice(DisableEnableItems(), &parent);
    list->SetValue(7);
    list->SetFlag(true);
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentText(), "Enable");
    EXPECT_EQ(list->Flag(), 1);
    list->SetFlag(false);
    EXPECT_EQ(list->currentText(), "Disable");
    EXPECT_EQ(list->Flag(), 0);
    list->setCurrentIndex(-1);
    EXPECT_EQ(list->Flag(), 0);
}

// Typing takes every digit; leaving the field (or Return, or a commit before
// Apply) puts the value at the nearer limit.
TEST(PageToolkit, LimitSpinTakesTypedDigitsAndClampsWhenLeft)
{
    QWidget parent;
    TLimitSpin spin(6, 40, 20, &parent);
    QLineEdit* text = spin.findChild<QLineEdit*>();
    struct {
        const char* Typed;
        int Value;
    } cases[] = {{"45", 40}, {"5", 6}, {"70000", 40}, {"", 6}, {"33", 33}};
    for (auto c : cases) {
        SCOPED_TRACE(c.Typed);
        text->selectAll();
        QTest::keyClick(text, Qt::Key_Delete);
        QTest::keyClicks(text, c.Typed);
        EXPECT_EQ(text->text(), QString(c.Typed));   // nothing dropped while typing
        QFocusEvent out(QEvent::FocusOut);
        QCoreApplication::sendEvent(&spin, &out);
        EXPECT_EQ(spin.value(), c.Value);
        EXPECT_EQ(text->text(), QString::number(c.Value));
    }
    text->selectAll();
    QTest::keyClicks(text, "99");
    QTest::keyClick(&spin, Qt::Key_Return);
    EXPECT_EQ(spin.value(), 40);
    // Text set from outside (as the accessibility interface does) is
    // committed the same way.
    text->setText("2");
    spin.interpretText();
    EXPECT_EQ(spin.value(), 6);
    EXPECT_EQ(text->text(), "6");

    // A read value past the limits is shown and kept; Reset gives the default.
    spin.SetReadValue(50);
    EXPECT_EQ(spin.value(), 50);
    EXPECT_EQ(spin.LimitLabel()->text(), "(6 - 40)");
    spin.interpretText();
    EXPECT_EQ(spin.value(), 50);
    spin.Reset();
    EXPECT_EQ(spin.value(), 20);
    EXPECT_FALSE(spin.KeepsReadValue());
}

TEST(PageToolkit, WideSpinCoversTheUnsigned32BitRange)
{
    QWidget parent;
    TWideSpin spin(0, 0xFFFFFFFFll, 0, &parent);
    EXPECT_EQ(spin.LimitLabel()->text(), "(0 - 4294967295)");
    spin.SetReadValue(3000000000ll);
    EXPECT_EQ(spin.Value(), 3000000000ll);
    EXPECT_EQ(spin.text(), "3000000000");
    QLineEdit* text = spin.findChild<QLineEdit*>();
    text->selectAll();
    QTest::keyClicks(text, "5000000000");
    spin.interpretText();
    EXPECT_EQ(spin.Value(), 4294967295ll);
    TWideSpin small(1, 100, 50, &parent);
    small.SetReadValue(0);   // kept below the limits until edited
    EXPECT_EQ(small.Value(), 0);
    small.stepBy(1);
    EXPECT_EQ(small.Value(), 1);
}

// A name read as bytes that are not UTF-8 goes back byte for byte unless the
// text was changed; a changed text goes as UTF-8 cut to the field.
TEST(PageToolkit, FixedTextFieldGivesBackTheBytesReadUnlessEdited)
{
    QWidget parent;
    constexpr size_t width = 8;
    TFixedTextEdit field(width, &parent);
    const std::string raw("ab\xFF\xFE" "cd", 6);
    field.SetReadBytes(raw);
    EXPECT_FALSE(field.Edited());
    std::vector<uint8_t> request;
    field.AppendField(request);
    ASSERT_EQ(request.size(), width);
    EXPECT_EQ(std::string(request.begin(), request.begin() + 6), raw);
    EXPECT_EQ(request[6], 0);
    EXPECT_EQ(field.FieldBytes(), raw);

    // Changed through the accessibility text interface: the text is sent.
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&field);
    ASSERT_NE(access, nullptr);
    access->setText(QAccessible::Value, QString::fromUtf8("x\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"));   // 9 bytes
    EXPECT_TRUE(field.Edited());
    EXPECT_EQ(field.FieldBytes(), std::string("x\xC3\xA9\xC3\xA9\xC3\xA9"));   // cut on a character
    field.Reset();
    EXPECT_TRUE(field.text().isEmpty());
    EXPECT_EQ(field.FieldBytes(), "");
}

// Handlers of RowSelected see SelectedRow() already at the row they are
// given, whether the row was clicked, reached with the arrow keys, chosen by
// SelectRow or unselected; a row is reported once per choice.
TEST(PageToolkit, RowSelectedComesWithTheRowAlreadySelectedHoweverItWasChosen)
{
    QWidget parent;
    parent.resize(400, 300);
    TPageList list({"N"}, &parent);
    list.resize(400, 300);
    for (const char* n : {"a", "b", "c", "d"})
        list.AddRow({n});
    parent.show();
    std::vector<std::pair<int, int>> seen;   // (signal's row, SelectedRow())
    QObject::connect(&list, &TPageList::RowSelected, &list,
                     [&](int row) { seen.emplace_back(row, list.SelectedRow()); });
    auto click = [&](int row, Qt::KeyboardModifiers keys = {}) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, keys, list.visualRect(list.Model()->index(row, 0)).center());
    };
    click(2);   // nothing selected before
    click(0);   // another row selected before
    QTest::keyClick(&list, Qt::Key_Down);
    list.SelectRow(3);
    click(3, Qt::ControlModifier);   // unselects the row
    EXPECT_EQ(list.SelectedRow(), -1);
    click(3);   // the same row, current already
    const std::vector<std::pair<int, int>> expected{{2, 2}, {0, 0}, {1, 1}, {3, 3}, {-1, -1}, {3, 3}};
    EXPECT_EQ(seen, expected);
    seen.clear();
    list.Clear();
    ASSERT_FALSE(seen.empty());
    for (const auto& s : seen)
        EXPECT_EQ(s, std::make_pair(-1, -1));
}
