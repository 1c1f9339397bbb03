// Lists on this platform's fonts: columns as wide as their headers and
// contents, the last one filling the view; control characters of switch
// texts made visible; the status monitor's rows readable and its selection
// distinct.
#include "FakeUserInterface.h"
#include "IntpProtocol.h"
#include "LibraryFixture.h"
#include "ListCheck.h"
#include "ListColumns.h"
#include "ScanForm.h"
#include "StatusFrame.h"
#include "VisibleText.h"

#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cmath>

using namespace Status;
using namespace TestSupport;

TEST(VisibleText, ControlCharactersBecomeSymbols)
{
    using Resources::VisibleText;
    EXPECT_EQ(VisibleText(QString("core")), "core");
    EXPECT_EQ(VisibleText(std::string_view("a\x1b[2J\r\nb\tc\x7f", 11)),
              QString::fromUtf16(u"a\u241b[2J\u240d\u240ab\u2409c\u2421"));
    EXPECT_EQ(VisibleText(std::string_view("\0x", 2)), QString::fromUtf16(u"\u2400x"));
    // C1 controls and the line separators break lines too.
    EXPECT_EQ(VisibleText(QString::fromUtf16(u"a\u0085b\u2028c\u2029d")), QString::fromUtf16(u"a\ufffdb\ufffdc\ufffdd"));
    // Other text, non-ASCII included, stays; bad UTF-8 becomes U+FFFD.
    EXPECT_EQ(VisibleText(std::string_view("K\xc3\xb6ln \xff")), QString::fromUtf16(u"K\u00f6ln \ufffd"));
}

TEST(FitColumns, HeadersContentsMinimumsAndTheLastColumnFills)
{
    TFixedFont font;
    QStandardItemModel model(0, 3);
    model.setHorizontalHeaderLabels({"A", "A rather long header caption", "Last"});
    QTableView view;
    view.setModel(&model);
    view.resize(900, 300);
    view.show();
    FitColumns(&view, {120});
    QHeaderView* header = view.horizontalHeader();
    EXPECT_EQ(header->sectionSize(0), 120) << "the minimum, wider than header and contents";
    EXPECT_GE(header->sectionSize(1), header->sectionSizeHint(1));
    EXPECT_EQ(header->length(), view.viewport()->width()) << "the last column takes what remains";

    // Rows that arrive widen their columns; an empty list goes back.
    const QString wide = QString("x").repeated(200);
    model.appendRow({new QStandardItem("1"), new QStandardItem("short"), new QStandardItem("end")});
    model.appendRow({new QStandardItem(QString("y").repeated(40)), new QStandardItem("b"), new QStandardItem("c")});
    ExpectNoCellCut(&view, header);
    EXPECT_GT(header->sectionSize(0), 120);
    model.item(0, 2)->setText(wide);
    ExpectNoCellCut(&view, header);
    EXPECT_GT(header->length(), view.viewport()->width()) << "a wide last cell scrolls instead of being cut";
    QCoreApplication::processEvents();
    EXPECT_GT(view.horizontalScrollBar()->maximum(), 0);
    model.clear();
    model.setColumnCount(3);
    model.setHorizontalHeaderLabels({"A", "A rather long header caption", "Last"});
    EXPECT_EQ(header->sectionSize(0), 120);
    EXPECT_EQ(header->length(), view.viewport()->width());

    // The user narrows a column: the last one still fills the view.
    header->resizeSection(1, header->sectionSize(1) - 20);
    EXPECT_EQ(header->length(), view.viewport()->width());

    // A larger font set later: the minimum grows with it, and headers and
    // cells are measured anew.
    model.appendRow({new QStandardItem(QString("y").repeated(12)), new QStandardItem("b"), new QStandardItem("c")});
    QCoreApplication::processEvents();
    const int before = header->sectionSize(0);
    {
        TFixedFont larger(14);
        QCoreApplication::processEvents();
        EXPECT_GT(header->sectionSize(0), before);
        ExpectNoCellCut(&view, header);
    }
}

// Rows in sight are whole once the event loop has run, even when a flood
// of rows came in at once or while the list was hidden.
TEST(FitColumns, AFloodIsCaughtUpForTheRowsInSight)
{
    TFixedFont font;
    QStandardItemModel model(0, 2);
    model.setHorizontalHeaderLabels({"Host", "Messages"});
    QTableView view;
    view.setModel(&model);
    FitColumns(&view);
    view.resize(600, 300);
    auto inSightWhole = [&] {
        for (int row = view.rowAt(0);
             row >= 0 && row < model.rowCount() && view.rowViewportPosition(row) < view.viewport()->height(); ++row)
            if (view.visualRect(model.index(row, 0)).width() < view.sizeHintForIndex(model.index(row, 0)).width())
                return false;
        return true;
    };
    auto expectInSightWhole = [&] {
        EXPECT_TRUE(QTest::qWaitFor(inSightWhole, 2000));   // caught up within a frame
        int checked = 0;
        for (int row = view.rowAt(0);
             row >= 0 && row < model.rowCount() && view.rowViewportPosition(row) < view.viewport()->height(); ++row) {
            const QModelIndex index = model.index(row, 0);
            EXPECT_GE(view.visualRect(index).width(), view.sizeHintForIndex(index).width()) << row;
            ++checked;
        }
        EXPECT_GT(checked, 3);
    };
    // Row i is i characters wide (cycling), so the widest rows lie deep in
    // the list.
    auto add = [&](int rows) {
        for (int i = 0; i < rows; ++i)
            model.appendRow({new QStandardItem(QString("w").repeated(model.rowCount() % 97)), new QStandardItem("m")});
    };
    add(3000);   // while hidden
    view.show();
    expectInSightWhole();
    view.scrollToBottom();
    expectInSightWhole();
    add(3000);   // shown, more than one pass can measure
    view.scrollTo(model.index(4000 + 96 - 4000 % 97, 0), QAbstractItemView::PositionAtTop);
    expectInSightWhole();
}

TEST(FitColumns, ScanListKeepsItsWidthsAsMinimums)
{
    TFixedFont font;
    TFakeUserInterface ui;
    TScanForm form;
    QHeaderView* header = form.m_Devices->header();
    EXPECT_GE(header->sectionSize(0), 40);
    EXPECT_GE(header->sectionSize(1), 160);
    auto* row = new QTreeWidgetItem(QStringList{"1", "00:11:22:33:44:55", "192.168.100.200"});
    form.m_Devices->addTopLevelItem(row);
    form.resize(420, 300);
    form.show();
    QCoreApplication::processEvents();
    ExpectNoCellCut(form.m_Devices, header);
}

// Set widths hold at the reference font (12 pixels, as Qt's default 9-point
// font at 96 dpi) and grow with a larger one set later. In a view too
// narrow for them the columns give way rank by rank: the first down to a
// few characters, then the next down to the widest cell it shows, then the
// one after; the filling column keeps its caption in view. Only then does
// the view scroll sideways.
TEST(FixColumns, GrowWithTheFontAndGiveWayRankByRank)
{
    TFixedFont font(9);
    QStandardItemModel model(0, 4);
    model.setHorizontalHeaderLabels({"Description", "Version", "Address", "Status"});
    model.appendRow({new QStandardItem("A rather long description of a switch"), new QStandardItem("v2.05"),
                     new QStandardItem("192.0.2.10"), new QStandardItem("Done")});
    QTableView view;
    view.setModel(&model);
    view.resize(700, 200);
    view.show();
    using TFloor = TFixedColumn::TFloor;
    FixColumns(&view,
               {{120, {}, 0, TFloor::FloorFew}, {80, {}, 1, TFloor::FloorContents},
                {120, {}, 2, TFloor::FloorContents}, {0, {}, 3, TFloor::FloorCaption}},
               3);
    QHeaderView* header = view.horizontalHeader();
    auto size = [&](int column) { return header->sectionSize(column); };
    auto room = [&](int width) {
        view.resize(view.width() + width - view.viewport()->width(), 200);
        QCoreApplication::processEvents();
    };
    auto whole = [&](int column) {
        return view.visualRect(model.index(0, column)).width() >= view.sizeHintForIndex(model.index(0, column)).width();
    };
    EXPECT_EQ(size(0), 120);
    EXPECT_EQ(size(1), 80);
    EXPECT_EQ(size(2), 120);
    EXPECT_EQ(header->length(), view.viewport()->width()) << "the filling column takes the rest";

    TFixedFont larger(11.25);
    QCoreApplication::processEvents();
    room(800);
    EXPECT_NEAR(size(0), 150, 2);
    EXPECT_NEAR(size(1), 100, 2);
    EXPECT_NEAR(size(2), 150, 2);
    const int caption = header->sectionSizeHint(3);
    const int wanted = size(0) + size(1) + size(2) + caption;

    // A little short: only the first rank gives way.
    room(wanted - 20);
    EXPECT_NEAR(size(0), 130, 1);
    EXPECT_NEAR(size(1), 100, 2);
    EXPECT_NEAR(size(2), 150, 2);
    EXPECT_EQ(size(3), caption);
    // Shorter: the first rank is down to a few characters, the second gives
    // way, the third not yet.
    room(wanted - 150);
    const int few = size(0);
    EXPECT_LT(few, 3 * view.fontMetrics().averageCharWidth() + view.fontMetrics().horizontalAdvance(QChar(0x2026)) + 12);
    EXPECT_LT(size(1), 100);
    EXPECT_TRUE(whole(1));
    EXPECT_NEAR(size(2), 150, 2);
    // Every rank at its floor: the version and the address whole, the
    // caption of the last in view, nothing to scroll.
    const int floors = few + view.sizeHintForIndex(model.index(0, 1)).width() + 1 +
                       view.sizeHintForIndex(model.index(0, 2)).width() + 1 + caption;
    room(floors);
    EXPECT_TRUE(whole(1));
    EXPECT_TRUE(whole(2));
    EXPECT_EQ(size(3), caption);
    EXPECT_EQ(header->length(), view.viewport()->width());
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
    // Narrower still: the view scrolls sideways; nothing is cut further.
    room(floors - 40);
    EXPECT_TRUE(whole(2));
    EXPECT_GT(view.horizontalScrollBar()->maximum(), 0);

    // A column sized by hand keeps the user's width; the last one follows.
    room(900);
    header->resizeSection(1, 220);
    room(880);
    EXPECT_EQ(size(1), 220);
    EXPECT_EQ(header->length(), view.viewport()->width());
}

namespace {

double Luminance(const QColor& c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double Contrast(const QColor& a, const QColor& b)
{
    const double la = Luminance(a) + 0.05, lb = Luminance(b) + 0.05;
    return std::max(la, lb) / std::min(la, lb);
}

int Distance(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

std::vector<uint8_t> PingBody(uint32_t power, uint32_t ports)
{
    std::vector<uint8_t> b(12, 0);
    Intp::PutBE32(b.data(), power);
    Intp::PutBE32(b.data() + 4, ports);
    return b;
}

class StatusMonitorLook : public LibraryTest {
protected:
    void SetUp() override
    {
        LibraryTest::SetUp();
        Frame = std::make_unique<TStatusFrame>();
        // The page's share of a 1366 pixel wide window.
        Frame->resize(1040, 400);
        Frame->show();
    }
    void TearDown() override
    {
        Frame.reset();
        LibraryTest::TearDown();
    }
    // Typical rows: an alarm with both power inputs and every port, an
    // address changed by DHCP, a silent switch, and the longest model name.
    void AddTypicalRows()
    {
        Intp::TDevice* alarm = AddDevice(10, 5);
        Intp::TDevice* moved = AddDevice(11, 6);
        Intp::TDevice* silent = AddDevice(12, 2);
        Intp::TDevice* plain = AddDevice(13, 1);
        Frame->AddDevices({alarm, moved, silent, plain});
        Deliver(alarm, 6, 0, PingBody(3, 0xFF));
        moved->SetIp(0xC00002C8u);
        Deliver(moved, 6, 0, PingBody(0, 0));
        Deliver(plain, 6, 0, PingBody(0, 0));
        Transport->Advance(5000);
        QCoreApplication::processEvents();
    }
    QRgb Pixel(int row)
    {
        // Right of the text in the last column, on the row's middle line.
        const QImage image = Frame->m_List->viewport()->grab().toImage();
        const QRect cell = Frame->m_List->visualRect(Frame->m_List->model()->index(row, TStatusRow::ColStatus));
        return image.pixel(cell.right() - 4, cell.center().y());
    }

    TFixedFont Font;
    TFakeUserInterface Ui;
    std::unique_ptr<TStatusFrame> Frame;
};

} // namespace

TEST_F(StatusMonitorLook, StatusStaysInViewAndCutCellsAreWholeInTheTip)
{
    AddTypicalRows();
    QTreeView* list = Frame->m_List;
    ASSERT_EQ(Frame->RowCount(), 4);
    EXPECT_EQ(list->model()->index(0, TStatusRow::ColStatus).data().toString(), "Online/power1 fail/power2 fail/port 1,2,3,4,5,6,7,8 fail");
    EXPECT_TRUE(list->model()->index(1, TStatusRow::ColIp).data().toString().startsWith("Original: "));
    QHeaderView* header = list->header();
    auto inView = [&](int column) {
        return header->sectionViewportPosition(column) >= 0 &&
               header->sectionViewportPosition(column) + header->sectionSize(column) <= list->viewport()->width();
    };
    auto whole = [&](int column) {
        for (int row = 0; row < Frame->RowCount(); ++row) {
            const QModelIndex index = list->model()->index(row, column);
            if (list->visualRect(index).width() < list->sizeHintForIndex(index).width())
                return false;
        }
        return true;
    };
    auto needs = [&](int column) {
        int width = header->sectionSizeHint(column);
        for (int row = 0; row < Frame->RowCount(); ++row)
            width = std::max(width, list->sizeHintForIndex(list->model()->index(row, column)).width());
        return width;
    };
    // Every column but the model's whole and in view, each no wider than
    // it needs: the model has all that is left.
    for (int column = 0; column < TStatusRow::ColumnCount; ++column)
        EXPECT_TRUE(inView(column)) << column;
    EXPECT_EQ(header->length(), list->viewport()->width());
    for (int column : {TStatusRow::ColNumber, TStatusRow::ColIp, TStatusRow::ColMac, TStatusRow::ColTime,
                       TStatusRow::ColStatus}) {
        EXPECT_TRUE(whole(column)) << column;
        EXPECT_EQ(header->sectionSize(column), needs(column)) << column;
    }
    EXPECT_FALSE(whole(TStatusRow::ColModel));
    // A cut text is whole in the row's tool tip.
    const QString tip = list->model()->index(0, TStatusRow::ColModel).data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.contains(list->model()->index(0, TStatusRow::ColModel).data().toString()));
    EXPECT_TRUE(tip.contains("Status: Online/power1 fail/power2 fail/port 1,2,3,4,5,6,7,8 fail"));

    // Wide enough: the model is whole, and "Status" takes the rest.
    Frame->resize(1800, 400);
    QCoreApplication::processEvents();
    EXPECT_TRUE(whole(TStatusRow::ColModel));
    EXPECT_EQ(header->sectionSize(TStatusRow::ColModel), needs(TStatusRow::ColModel));
    EXPECT_GT(header->sectionSize(TStatusRow::ColStatus), needs(TStatusRow::ColStatus));
    EXPECT_EQ(header->length(), list->viewport()->width());
    // Narrow: the model gives way first, then the changed address down to
    // one address, then the status; the other columns stay whole, the
    // status's caption in view, and nothing scrolls.
    Frame->resize(700, 400);
    QCoreApplication::processEvents();
    EXPECT_LT(header->sectionSize(TStatusRow::ColModel), 6 * list->fontMetrics().averageCharWidth());
    EXPECT_FALSE(whole(TStatusRow::ColIp));
    EXPECT_GE(header->sectionSize(TStatusRow::ColIp), list->fontMetrics().horizontalAdvance("255.255.255.255"));
    for (int column : {TStatusRow::ColNumber, TStatusRow::ColMac, TStatusRow::ColTime})
        EXPECT_TRUE(whole(column)) << column;
    EXPECT_TRUE(inView(TStatusRow::ColStatus));
    EXPECT_GE(header->sectionSize(TStatusRow::ColStatus), header->sectionSizeHint(TStatusRow::ColStatus));
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
}

TEST_F(StatusMonitorLook, ColouredRowsAreReadableAndTheAlarmIsNotTheSelection)
{
    for (uint32_t bits : {StatusOffline, StatusQueryFail, StatusIpDifferent, StatusAlarm}) {
        EXPECT_GE(Contrast(StatusTextColor(bits), StatusColor(bits)), 4.5) << bits;
        EXPECT_GE(Contrast(Qt::white, SelectedStatusColor(bits)), 4.5) << bits;
        EXPECT_GE(Distance(SelectionColor(), StatusColor(bits)), 150) << bits;
        EXPECT_GE(Distance(SelectedStatusColor(bits), StatusColor(bits)), 100) << bits;
    }
    for (uint32_t bits : {StatusOffline, StatusQueryFail, StatusIpDifferent, StatusAlarm})
        EXPECT_EQ(StatusTextColor(bits), QColor(Qt::black)) << bits;
    EXPECT_FALSE(StatusTextColor(0).isValid());

    // As drawn: rows 0 (alarm) and 1 (IP different) carry black text; the
    // selected plain row and the selected alarm row look like neither the
    // alarm row nor each other.
    Frame->resize(1600, 400);   // room right of the texts
    AddTypicalRows();
    QTreeView* list = Frame->m_List;
    EXPECT_EQ(list->model()->index(0, TStatusRow::ColStatus).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::black));
    EXPECT_EQ(list->model()->index(1, TStatusRow::ColIp).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::black));
    const QColor alarm = QColor(Pixel(0));
    EXPECT_EQ(alarm, StatusColor(StatusAlarm));
    Frame->SelectRow(3);
    QCoreApplication::processEvents();
    const QColor selectedPlain = QColor(Pixel(3));
    EXPECT_GE(Distance(selectedPlain, alarm), 150) << selectedPlain.name().toStdString();
    Frame->SelectRow(0);
    QCoreApplication::processEvents();
    const QColor selectedAlarm = QColor(Pixel(0));
    EXPECT_GE(Distance(selectedAlarm, alarm), 100) << selectedAlarm.name().toStdString();
    EXPECT_GE(Distance(selectedAlarm, selectedPlain), 60) << selectedAlarm.name().toStdString();
}
