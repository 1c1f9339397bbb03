// What the event list and the viewer draw: nothing over the list's header
// and first row, detail fields read from their start, and severity marks
// that stand out on the selection's colour.
#include "FakeHost.h"
#include "ListCheck.h"
#include "PageList.h"
#include "SyslogForm.h"
#include "SyslogFrame.h"
#include "SyslogModel.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>

#include <gtest/gtest.h>

using namespace TestSupport;

TEST(SyslogMarksLook, NoWidgetCoversTheHeaderOrTheFirstRow)
{
    TFixedFont font;
    TFakeHost host;
    TSyslogFrame frame;
    host.SyslogServer = &frame;
    frame.resize(900, 400);
    frame.show();
    frame.AddDatagram(0xC0000201u, "<13>Oct 11 22:14:15 sw1 link up");
    frame.FlushList();
    QTableView* list = frame.ListView();
    QCoreApplication::processEvents();

    // Every shown child of the list is one of its own parts: the header,
    // the rows' area, the scroll bars and their frames.
    const QRect header = list->horizontalHeader()->geometry();
    const QRect firstRow(list->viewport()->geometry().topLeft(),
                         QSize(list->viewport()->width(), list->rowHeight(0)));
    for (QWidget* child : list->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isVisible() || child == list->horizontalHeader() || child == list->viewport())
            continue;
        if (child->findChild<QScrollBar*>() || qobject_cast<QScrollBar*>(child))
            continue;
        EXPECT_FALSE(child->geometry().intersects(header) || child->geometry().intersects(firstRow))
            << child->metaObject()->className() << " at " << child->geometry().x() << "," << child->geometry().y();
    }
    for (QAbstractButton* button : list->findChildren<QAbstractButton*>())
        EXPECT_FALSE(button->isVisible()) << "a corner button is shown";

    // The "Event ID" header reads as a header: its top left pixel is the
    // header's own, not a button drawn over it.
    const QImage shot = list->grab().toImage();
    const QImage headerShot = list->horizontalHeader()->grab().toImage();
    const QPoint inHeader = header.topLeft() + QPoint(3, header.height() / 2);
    EXPECT_EQ(shot.pixel(inHeader), headerShot.pixel(QPoint(3, header.height() / 2)));
}

TEST(SyslogMarksLook, ViewerFieldsShowTheirStart)
{
    TFixedFont font;
    TFakeHost host;
    TSyslogFrame server;
    host.SyslogServer = &server;
    Syslog::TSyslogListNode event;
    event.EventId = 7;
    event.Facility = 5;   // "messages generated internally by syslogd", the longest name
    event.Severity = 6;
    event.Message = QStringLiteral("restarted");
    event.ReceiveTime = QDateTime(QDate(2026, 3, 1), QTime(10, 0, 0));
    event.Sender = 0xC0000201u;
    TSyslogForm form(nullptr, Syslog::TSyslogList{event});
    form.show();
    QCoreApplication::processEvents();
    for (QLineEdit* field : {form.FacilityField(), form.SeverityField(), form.HostField(), form.DateField(),
                             form.TimeField(), form.EventIdField()}) {
        EXPECT_EQ(field->cursorPosition(), 0) << field->text().toStdString();
        EXPECT_EQ(field->toolTip(), field->text());
    }
    QLineEdit* facility = form.FacilityField();
    EXPECT_EQ(facility->text(), "messages generated internally by syslogd");
    EXPECT_GE(facility->width(), facility->fontMetrics().horizontalAdvance(facility->text()))
        << "the longest facility name fits its field";
}

// The marks have a light rim: on the selection's blue each mark keeps
// pixels far from that blue (the blue mark included).
TEST(SyslogMarksLook, SeverityMarksStandOutOnTheSelection)
{
    const QColor selections[] = {QColor(48, 140, 198), QColor(0, 120, 215), QColor(64, 64, 64), QColor(255, 255, 255)};
    for (int index = 0; index < 3; ++index) {
        const QPixmap mark = Syslog::SeverityIcon(index).pixmap(16, 16);
        for (const QColor& background : selections) {
            QImage image(16, 16, QImage::Format_RGB32);
            image.fill(background);
            QPainter(&image).drawPixmap(0, 0, mark);
            int far = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const QColor c = image.pixelColor(x, y);
                    const int d = std::abs(c.red() - background.red()) + std::abs(c.green() - background.green()) +
                                  std::abs(c.blue() - background.blue());
                    far += d > 200 ? 1 : 0;
                }
            EXPECT_GE(far, 20) << "mark " << index << " on " << background.name().toStdString();
        }
    }
}
