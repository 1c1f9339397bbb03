// The syslog message viewer: rows, stepping, copying and the column sorts.
#include "FakeHost.h"
#include "PageList.h"
#include "SyslogForm.h"
#include "SyslogFrame.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using Syslog::TSyslogList;
using Syslog::TSyslogListNode;

namespace {

TSyslogListNode Event(uint32_t id, uint32_t severity, const char* message, QDateTime time, uint32_t sender = 0xC0000201u)
{
    TSyslogListNode e;
    e.EventId = id;
    e.Facility = 1;
    e.Severity = severity;
    e.Message = QString::fromUtf8(message);
    e.ReceiveTime = time;
    e.Sender = sender;
    return e;
}

QString Ids(const TSyslogForm& form)
{
    QString s;
    for (int r = 0; r < form.LogList()->RowCount(); ++r)
        s += form.LogList()->Text(r, TSyslogForm::ColEventId) + ' ';
    return s.trimmed();
}

const QDateTime Day1(QDate(2026, 3, 1), QTime(10, 0, 0));

} // namespace

TEST(SyslogForm, OpensOnTheNewestEventWithItsDetail)
{
    TestSupport::TFakeHost host;
    TSyslogFrame server;
    host.SyslogServer = &server;
    TSyslogList list{Event(1, 3, "first", Day1), Event(2, 4, "second", Day1.addSecs(1))};
    TSyslogForm form(nullptr, list);
    EXPECT_EQ(form.LogList()->SelectedRow(), 1);
    EXPECT_EQ(form.EventIdField()->text(), "2");
    EXPECT_EQ(form.Memo()->toPlainText(), "second");
    EXPECT_EQ(form.FacilityField()->text(), server.GetFacilityName(1));
    EXPECT_EQ(form.HostField()->text(), "192.0.2.1");
    EXPECT_EQ(form.DateField()->text().right(2), " 1");   // "mmm d": no leading zero
    EXPECT_TRUE(form.PrevButton()->isEnabled());
    EXPECT_FALSE(form.NextButton()->isEnabled());

    form.EventOnPrevClick();
    EXPECT_EQ(form.EventIdField()->text(), "1");
    EXPECT_FALSE(form.PrevButton()->isEnabled());
    form.EventOnCopyClick();
    EXPECT_EQ(QApplication::clipboard()->text(), "first");
    form.SelectEvent(99);   // no such event: nothing changes
    EXPECT_EQ(form.EventIdField()->text(), "1");
}

TEST(SyslogForm, EmptyListAndNoServer)
{
    TSyslogForm empty(nullptr, {});
    EXPECT_EQ(empty.LogList()->RowCount(), 0);
    EXPECT_FALSE(empty.PrevButton()->isEnabled() || empty.NextButton()->isEnabled() || empty.CopyButton()->isEnabled());

    TSyslogForm numbers(nullptr, {Event(1, 6, "x", Day1)});
    EXPECT_EQ(numbers.LogList()->Text(0, TSyslogForm::ColFacility), "1");
    EXPECT_EQ(numbers.LogList()->Text(0, TSyslogForm::ColSeverity), "6");
}

TEST(SyslogForm, ColumnSortsAndSteppingFollowsTheNewOrder)
{
    TSyslogList list{Event(3, 5, "b", Day1), Event(1, 7, "a", Day1.addDays(1)), Event(2, 0, "B", Day1.addSecs(60))};
    TSyslogForm form(nullptr, list);
    QHeaderView* header = form.LogList()->horizontalHeader();
    header->sectionClicked(TSyslogForm::ColEventId);   // already the sort column: falling
    EXPECT_EQ(Ids(form), "3 2 1");
    header->sectionClicked(TSyslogForm::ColSeverity);   // another column: rising
    EXPECT_EQ(Ids(form), "2 3 1");
    header->sectionClicked(TSyslogForm::ColMessage);   // byte order: "B" < "a" < "b"
    EXPECT_EQ(Ids(form), "2 1 3");
    header->sectionClicked(TSyslogForm::ColDate);   // same day equal (stable), then by time
    EXPECT_EQ(Ids(form), "2 3 1");

    form.LogList()->SelectRow(0);
    form.EventOnNextClick();
    EXPECT_EQ(form.EventIdField()->text(), "3");
}

TEST(SyslogForm, PreviousAndNextStepThroughTheRowsInTheirSortedOrder)
{
    TSyslogList list{Event(1, 6, "one", Day1), Event(2, 0, "two", Day1.addSecs(1)), Event(3, 3, "three", Day1.addSecs(2))};
    TSyslogForm form(nullptr, list);   // on the newest, the last row
    QHeaderView* header = form.LogList()->horizontalHeader();
    auto steps = [&form] {
        return QString(form.PrevButton()->isEnabled() ? "P" : "-") + (form.NextButton()->isEnabled() ? "N" : "-");
    };
    EXPECT_EQ(steps(), "P-");

    // Falling ids: the chosen event 3 comes first.
    header->sectionClicked(TSyslogForm::ColEventId);
    ASSERT_EQ(Ids(form), "3 2 1");
    EXPECT_EQ(form.EventIdField()->text(), "3");
    EXPECT_EQ(steps(), "-N");
    form.PrevButton()->click();   // disabled: nothing
    EXPECT_EQ(form.EventIdField()->text(), "3");
    form.NextButton()->click();
    EXPECT_EQ(form.EventIdField()->text(), "2");
    form.NextButton()->click();
    EXPECT_EQ(form.EventIdField()->text(), "1");
    EXPECT_EQ(steps(), "P-");
}

TEST(SyslogForm, TimeSortComparesWholeMillisecondsOfTheDay)
{
    // 0.6 ms apart each: the old "less than 1 ms apart is equal" rule is not
    // transitive (a == b, b == c, a < c).
    const QDateTime t(QDate(2026, 3, 1), QTime(10, 0, 0, 0));
    TSyslogList list{Event(1, 0, "", t.addMSecs(2)), Event(2, 0, "", t.addDays(3)), Event(3, 0, "", t.addMSecs(1))};
    TSyslogForm form(nullptr, list);
    form.LogList()->horizontalHeader()->sectionClicked(TSyslogForm::ColTime);
    EXPECT_EQ(Ids(form), "2 3 1");   // the date is ignored
}
