// The event list on this platform's fonts: whole columns for typical
// events, "Messages" filling the rest and its caption in view beside a long
// message, control characters of a message made visible (and heard as they
// are shown), and the Clear question under the program's title.
#include "FakeUserInterface.h"
#include "ListCheck.h"
#include "ListColumns.h"
#include "MessageBoxes.h"
#include "PageList.h"
#include "SyslogForm.h"
#include "SyslogFrame.h"
#include "SyslogModel.h"
#include "VisibleText.h"

#include <QAccessible>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QStyledItemDelegate>
#include <QTableView>

#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

// What a screen reader is told a cell holds.
QString HeardText(QAbstractItemView* view, int row, int column)
{
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view);
    QAccessibleTableInterface* table = list ? list->tableInterface() : nullptr;
    QAccessibleInterface* cell = table ? table->cellAt(row, column) : nullptr;
    return cell ? cell->text(QAccessible::Name) : QStringLiteral("(no cell)");
}

QString PaintedText(QAbstractItemView* view, const QModelIndex& index)
{
    auto* delegate = qobject_cast<QStyledItemDelegate*>(view->itemDelegateForIndex(index));
    return delegate ? delegate->displayText(index.data(), QLocale()) : QStringLiteral("(no delegate)");
}

} // namespace

TEST(SyslogListLook, TypicalEventsAreShownWhole)
{
    TFixedFont font;
    TFakeUserInterface ui;
    TSyslogFrame frame;
    frame.resize(1040, 500);
    frame.show();
    // The longest facility and severity names, a host of full length and a
    // header-less datagram.
    frame.AddDatagram(0xC00002FEu, "<46>Oct 11 22:14:15 sw1 syslogd restarted");
    frame.AddDatagram(0xC00002FEu, "<86>Oct 11 22:14:15 sw1 login failed for admin");
    frame.AddDatagram(0xC0A8FEFEu, "<13>Oct 11 22:14:15 sw2 Port 3 link up");
    frame.AddDatagram(0xC0A8FEFEu, "no header at all");
    frame.FlushList();
    QTableView* list = frame.ListView();
    ASSERT_EQ(list->model()->rowCount(), 4);
    EXPECT_EQ(list->model()->index(0, 1).data().toString(), "messages generated internally by syslogd");
    EXPECT_EQ(list->model()->index(1, 1).data().toString(), "security/authorization messages");
    EXPECT_EQ(list->model()->index(1, 2).data().toString(), "Informational");
    ExpectNoCellCut(list, list->horizontalHeader());
    EXPECT_EQ(list->horizontalHeader()->length(), list->viewport()->width()) << "\"Messages\" fills the rest";

    // After Clear the columns go back to their headers.
    ui.Answers.push_back(IUserInterface::No);
    frame.EventOnClearClick();
    ASSERT_EQ(ui.Boxes.size(), 1u);
    EXPECT_EQ(ui.Boxes[0].Title, AppTitle);
    EXPECT_EQ(ui.Boxes[0].Text, "Would you like to save these messages?");
    EXPECT_LT(list->horizontalHeader()->sectionSize(1), list->fontMetrics().horizontalAdvance("messages generated"));
    ExpectNoCellCut(list, list->horizontalHeader());
}

TEST(SyslogListLook, ControlCharactersOfAMessageAreVisible)
{
    TFixedFont font;
    TFakeUserInterface ui;
    TSyslogFrame frame;
    frame.resize(600, 300);
    frame.show();
    const QString tail = QString("z").repeated(200);   // within the 256 bytes the list draws
    frame.AddDatagram(0xC00002FEu, ("<13>Oct 11 22:14:15 sw1 bad\x1b[2J\r\nline " + tail).toStdString());
    frame.FlushList();
    QTableView* list = frame.ListView();
    const QModelIndex message = list->model()->index(0, 6);
    auto* delegate = qobject_cast<QStyledItemDelegate*>(list->itemDelegateForIndex(message));
    ASSERT_NE(delegate, nullptr);
    const QString shown = delegate->displayText(message.data(), QLocale());
    EXPECT_EQ(shown, QString::fromUtf16(u"bad\u241b[2J\u240d\u240aline ") + tail);
    // Stored as received: the export and the viewer get the message itself.
    EXPECT_EQ(message.data().toString(), "bad\x1b[2J\r\nline " + tail);
    // Too long for the view: the whole message is the cell's tool tip.
    EXPECT_EQ(CutTextTip(list, message), shown);
}

// A message wider than the view widens "Messages" past the view's edge;
// its caption still stands where it can be seen.
TEST(SyslogListLook, TheMessagesCaptionStaysInViewBesideALongMessage)
{
    TFixedFont font;
    TFakeUserInterface ui;
    TSyslogFrame frame;
    frame.resize(900, 300);
    frame.show();
    frame.AddDatagram(0xC00002FEu, "<13>Oct 11 22:14:15 sw1 " + std::string(240, 'w'));
    frame.FlushList();
    QCoreApplication::processEvents();
    QTableView* list = frame.ListView();
    QHeaderView* header = list->horizontalHeader();
    const int column = Syslog::TSyslogModel::ColMessage;
    ASSERT_GT(header->sectionViewportPosition(column) + header->sectionSize(column), list->viewport()->width())
        << "the message reaches past the view";
    // The caption stands at the left of its section, which starts in view.
    EXPECT_FALSE(list->model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).isValid());
    EXPECT_TRUE(header->defaultAlignment() & Qt::AlignLeft);
    EXPECT_LE(header->sectionViewportPosition(column) + header->fontMetrics().horizontalAdvance("Messages"),
              header->viewport()->width());
}

// A message with a bidirectional control before an address: the event list
// and the viewer show a mark in its place and the address reads in order;
// the stored message is the one received.
TEST(SyslogListLook, BidiControlsOfAMessageCannotReorderTheAddress)
{
    TFixedFont font;
    TFakeUserInterface ui;
    TSyslogFrame frame;
    frame.resize(900, 300);
    frame.show();
    const char16_t controls[] = {0x202A, 0x202B, 0x202C, 0x202D, 0x202E, 0x2066, 0x2067,
                                 0x2068, 0x2069, 0x200E, 0x200F, 0x061C};
    const QString address = "10.0.0.5 failed";
    for (char16_t control : controls) {
        const QString message = QString("login from ") + QChar(control) + address;
        frame.AddDatagram(0xC00002FEu, ("<13>Oct 11 22:14:15 sw1 " + message).toStdString());
    }
    frame.FlushList();
    QTableView* list = frame.ListView();
    ASSERT_EQ(list->model()->rowCount(), int(std::size(controls)));
    Syslog::TSyslogList events;
    frame.GetEntries(0, events, false);
    TSyslogForm viewer(nullptr, events);
    for (int row = 0; row < int(std::size(controls)); ++row) {
        SCOPED_TRACE(QString::number(controls[row], 16).toStdString());
        const QModelIndex message = list->model()->index(row, 6);
        auto* delegate = qobject_cast<QStyledItemDelegate*>(list->itemDelegateForIndex(message));
        ASSERT_NE(delegate, nullptr);
        const QString shown = delegate->displayText(message.data(), QLocale());
        EXPECT_EQ(shown, "login from \ufffd" + address);
        EXPECT_TRUE(ReadsInOrderAfterItsStart(shown, address));
        EXPECT_EQ(message.data().toString(), QString("login from ") + QChar(controls[row]) + address);

        viewer.LogList()->SelectRow(row);
        EXPECT_EQ(viewer.Memo()->toPlainText(), shown);

        // A screen reader hears every cell as it is painted, in the event
        // list and in the viewer's list.
        for (int column = 0; column < list->model()->columnCount(); ++column) {
            EXPECT_EQ(HeardText(list, row, column), PaintedText(list, list->model()->index(row, column))) << column;
            TPageList* viewerList = viewer.LogList();
            EXPECT_EQ(HeardText(viewerList, row, column), PaintedText(viewerList, viewerList->model()->index(row, column)))
                << column;
        }
        EXPECT_EQ(HeardText(list, row, 6), shown);
    }
    EXPECT_FALSE(ReadsInOrderAfterItsStart(QString("login from \u202e") + address, address))
        << "the check sees a reversal";
}
