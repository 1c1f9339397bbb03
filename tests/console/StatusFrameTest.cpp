// The status monitor on the fake transport and a manual clock.
#include "FakeUserInterface.h"
#include "IntpProtocol.h"
#include "LibraryFixture.h"
#include "StatusFrame.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPaintEvent>
#include <QTest>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

#include <ctime>
#include <set>

using namespace Status;
using TestSupport::TFakeUserInterface;

TEST(StatusText, BuiltFromBitsAndAlarms)
{
    EXPECT_EQ(StatusText(0, 0, 0), "Online");
    EXPECT_EQ(StatusText(StatusOffline | StatusIpDifferent, 3, 1), "Offline");
    EXPECT_EQ(StatusText(StatusQueryFail, 3, 1), "Online/query fail");
    EXPECT_EQ(StatusText(StatusAlarm, 2, (1u << 2) | (1u << 4)), "Online/power2 fail/port 3,5 fail");
    EXPECT_EQ(StatusText(StatusAlarm, 1, 0), "Online/power1 fail");
    EXPECT_EQ(StatusText(StatusAlarm, 3, 1u << 31), "Online/power1 fail/power2 fail/port 32 fail");
    EXPECT_EQ(StatusText(StatusIpDifferent | StatusQueryFail, 0, 0), "Online/query fail/IP different");
    EXPECT_EQ(StatusColor(StatusOffline | StatusAlarm), QColor(255, 190, 190));
    EXPECT_EQ(StatusColor(StatusQueryFail | StatusIpDifferent), QColor(255, 240, 140));
    EXPECT_EQ(StatusColor(StatusIpDifferent | StatusAlarm), QColor(215, 190, 255));
    EXPECT_EQ(StatusColor(StatusAlarm), QColor(255, 200, 140));
    EXPECT_FALSE(StatusColor(0).isValid());
}

namespace {

std::vector<uint8_t> PingBody(uint32_t power, uint32_t ports)
{
    std::vector<uint8_t> b(12, 0);
    Intp::PutBE32(b.data(), power);
    Intp::PutBE32(b.data() + 4, ports);
    return b;
}

class StatusFrame : public TestSupport::LibraryTest {
protected:
    void SetUp() override
    {
        LibraryTest::SetUp();
        Frame = std::make_unique<TStatusFrame>();
        Frame->SetClock([this] { return Now.toMSecsSinceEpoch(); });
        Tester = std::make_unique<QAbstractItemModelTester>(Frame->m_List->model(),
                                                            QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    void TearDown() override
    {
        Tester.reset();
        Frame.reset();
        LibraryTest::TearDown();
    }
    TStatusRow* Row(int i) const { return Frame->RowAt(i); }
    // What the list shows in a cell, for a role.
    QVariant Cell(int i, int column, int role) const { return Frame->m_List->model()->index(i, column).data(role); }
    QString Text(int i, int column) const { return Cell(i, column, Qt::DisplayRole).toString(); }
    QBrush Background(int i, int column) const { return Cell(i, column, Qt::BackgroundRole).value<QBrush>(); }
    QBrush Foreground(int i, int column) const { return Cell(i, column, Qt::ForegroundRole).value<QBrush>(); }
    QString ToolTip(int i, int column) const { return Cell(i, column, Qt::ToolTipRole).toString(); }
    QIcon Icon(int i, int column) const { return Cell(i, column, Qt::DecorationRole).value<QIcon>(); }
    size_t PingsSent() const
    {
        size_t n = 0;
        for (const auto& d : Transport->Sent)
            n += d.Command() == 6;
        return n;
    }
    // The reply of a switch whose address is now `from`.
    void ReplyFrom(Intp::TDevice* device, uint32_t from, uint16_t status, const std::vector<uint8_t>& body)
    {
        auto d = TestSupport::MakeReply(6, status, device->GetMac(), body);
        Intp::ReceivePacket(from, d.size(), d.data());
    }

    TFakeUserInterface Ui;
    QDateTime Now = QDateTime(QDate(2026, 5, 1), QTime(12, 30, 0));
    std::unique_ptr<TStatusFrame> Frame;
    std::unique_ptr<QAbstractItemModelTester> Tester;
};

} // namespace

TEST_F(StatusFrame, StartsWithItsDefaults)
{
    EXPECT_EQ(Frame->GetCaption(), "Status Monitor");
    EXPECT_EQ(Frame->m_Period->value(), 10);
    EXPECT_EQ(Frame->m_Period->minimum(), 5);
    EXPECT_EQ(Frame->m_Period->maximum(), 86400);
    EXPECT_EQ(Frame->m_Timeout->value(), 5);
    EXPECT_EQ(Frame->m_Timeout->maximum(), 9);
    EXPECT_TRUE(Frame->m_PollTimer->isActive());
    EXPECT_EQ(Frame->m_PollTimer->interval(), 10000);
    EXPECT_FALSE(Frame->m_BeepTimer->isActive());
    EXPECT_EQ(Frame->m_BeepTimer->interval(), 2000);
    EXPECT_FALSE(Frame->m_Refresh->isEnabled());
    EXPECT_FALSE(Frame->m_ClearError->isEnabled());
    QStringList headers;
    for (int c = 0; c < Frame->m_List->model()->columnCount(); ++c)
        headers << Frame->m_List->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{"", "IP", "MAC Address", "Model", "Last Reported Time", "Status"}));
    EXPECT_EQ(Frame->GetStatusFlags(nullptr), 0u);
}

TEST_F(StatusFrame, AddedSwitchIsPolledAndAnswers)
{
    Intp::TDevice* d = AddDevice(5, 1);
    Frame->AddDevices({d, d});
    ASSERT_EQ(Frame->RowCount(), 1);
    EXPECT_EQ(Text(0, 0), "1");
    EXPECT_EQ(Text(0, 1), "192.0.2.5");
    EXPECT_EQ(Text(0, 2), QString::fromStdString(Intp::MacToText(d->GetMac())));
    EXPECT_EQ(Text(0, 3), QString::fromStdString(d->GetTypeName()));
    EXPECT_EQ(Text(0, 4), "(No response yet)");
    EXPECT_EQ(Text(0, 5), "Online");
    EXPECT_TRUE(Frame->m_Refresh->isEnabled());
    // Polled at once, with the page's time-out.
    ASSERT_EQ(PingsSent(), 1u);
    EXPECT_EQ(LastSent().Ip, d->GetIp());
    ASSERT_EQ(Intp::SessionList().size(), 1u);
    EXPECT_EQ(Transport->TimerInterval(Intp::SessionList().front()), 5000u);

    Deliver(d, 6, 0, PingBody(0, 0));
    EXPECT_EQ(Text(0, 5), "Online");
    EXPECT_EQ(Text(0, 4), QLocale().toString(Now, QLocale::ShortFormat));
    EXPECT_EQ(Row(0)->LastReported, Now.toMSecsSinceEpoch());
    EXPECT_EQ(Frame->GetStatusFlags(d), 0u);
    EXPECT_EQ(Background(0, 5), QBrush());
    EXPECT_TRUE(ToolTip(0, 3).startsWith("IP Address: 192.0.2.5\nMAC Address: " + Text(0, 2) + "\nDevice Model: "));
    EXPECT_TRUE(ToolTip(0, 3).endsWith("\nStatus: Online"));

    // A second switch gets the next number.
    Frame->AddDevice(AddDevice(9, 2));
    EXPECT_EQ(Text(1, 0), "2");
}

TEST_F(StatusFrame, SilentSwitchGoesOfflineAndComesBack)
{
    Intp::TDevice* d = AddDevice(5, 1);
    Frame->AddDevice(d);
    Transport->Advance(4999);
    EXPECT_EQ(Text(0, 5), "Online");
    Transport->Advance(1);
    EXPECT_EQ(Text(0, 5), "Offline");
    EXPECT_EQ(Frame->GetStatusFlags(d), StatusOffline);
    EXPECT_EQ(Row(0)->Image, 1);
    EXPECT_EQ(Background(0, 1).color(), QColor(255, 190, 190));
    EXPECT_EQ(Text(0, 4), "(No response yet)");

    Frame->PollAll();
    Deliver(d, 6, 0, PingBody(0, 0));
    EXPECT_EQ(Text(0, 5), "Online");
    EXPECT_EQ(Row(0)->Image, 0);
    EXPECT_EQ(Frame->GetStatusFlags(d), 0u);
}

TEST_F(StatusFrame, FaultsAndFailedQueries)
{
    Intp::TDevice* d = AddDevice(5, 1);
    Frame->AddDevice(d);
    Deliver(d, 6, 0, PingBody(2, (1u << 2) | (1u << 4)));
    EXPECT_EQ(Text(0, 5), "Online/power2 fail/port 3,5 fail");
    EXPECT_EQ(Frame->GetStatusFlags(d), StatusAlarm);
    EXPECT_EQ(Background(0, 0).color(), QColor(255, 200, 140));

    Frame->PollAll();
    Deliver(d, 6, 0x0011, {});
    EXPECT_EQ(Text(0, 5), "Online/query fail");
    EXPECT_EQ(Background(0, 0).color(), QColor(255, 240, 140));

    Frame->PollAll();
    Deliver(d, 6, 0, PingBody(0, 0));
    EXPECT_EQ(Text(0, 5), "Online");
    EXPECT_EQ(Frame->GetStatusFlags(d), 0u);
}

TEST_F(StatusFrame, ChangedAddressUntilClearError)
{
    Intp::TDevice* d = AddDevice(5, 1);
    Frame->AddDevice(d);
    ReplyFrom(d, 0xC0000263u, 0, PingBody(0, 0));   // now 192.0.2.99
    EXPECT_EQ(Text(0, 1), "Original: 192.0.2.5, Now: 192.0.2.99");
    EXPECT_EQ(Text(0, 5), "Online/IP different");
    EXPECT_EQ(Background(0, 0).color(), QColor(215, 190, 255));

    // An address change alone does not beep.
    Frame->BeepTick();
    EXPECT_TRUE(Ui.Beeps.empty());

    EXPECT_FALSE(Frame->m_ClearError->isEnabled());
    Frame->SelectRow(0, true);
    EXPECT_TRUE(Frame->m_ClearError->isEnabled());
    Frame->SelectRow(0, false);
    EXPECT_FALSE(Frame->m_ClearError->isEnabled());
    Frame->SelectRow(0, true);
    Frame->m_ClearError->click();
    EXPECT_EQ(Text(0, 1), "192.0.2.99");
    EXPECT_EQ(Text(0, 5), "Online");
    EXPECT_EQ(Frame->GetStatusFlags(d), 0u);
    EXPECT_EQ(Row(0)->Ip, 0xC0000263u);
    EXPECT_EQ(Background(0, 0), QBrush());

    Frame->PollAll();
    ReplyFrom(d, 0xC0000263u, 0, PingBody(0, 0));
    EXPECT_EQ(Text(0, 5), "Online");
}

// Every cell of a row, its colours, image, status bits and tool tip follow
// the row's state, and each report changes the row once (told to the list
// at the end of the frame).
TEST_F(StatusFrame, RowCellsFollowEachReport)
{
    Intp::TDevice* d = AddDevice(5, 1);
    Frame->AddDevice(d);
    QAbstractItemModel* model = Frame->m_List->model();
    std::vector<std::pair<QModelIndex, QModelIndex>> changes;
    QObject::connect(model, &QAbstractItemModel::dataChanged,
                     [&changes](const QModelIndex& a, const QModelIndex& b) { changes.emplace_back(a, b); });
    auto tip = [&](const QString& ip, const QString& time, const QString& status) {
        return "IP Address: " + ip + "\nMAC Address: " + Text(0, 2) + "\nDevice Model: " + Text(0, 3) +
               "\nLast Reported Time: " + time + "\nStatus: " + status;
    };
    auto brush = [](const QModelIndex& index, int role) {
        const QVariant v = index.data(role);
        return v.isValid() ? v.value<QBrush>().color() : QColor();
    };
    // The row's look in every column: its background, text colour, status bits and tool tip.
    auto expectRow = [&](const QColor& background, uint32_t bits, const QString& tipText) {
        for (int c = 0; c < TStatusRow::ColumnCount; ++c) {
            const QModelIndex index = model->index(0, c);
            EXPECT_EQ(brush(index, Qt::BackgroundRole), background) << c;
            EXPECT_EQ(brush(index, Qt::ForegroundRole), StatusTextColor(bits)) << c;
            EXPECT_EQ(index.data(StatusBitsRole).toUInt(), bits) << c;
            EXPECT_EQ(index.data(Qt::ToolTipRole).toString(), tipText) << c;
            EXPECT_EQ(index.data(Qt::DecorationRole).isNull(), c != 0) << c;
        }
    };
    expectRow(QColor(), 0, tip("192.0.2.5", "(No response yet)", "Online"));
    const qint64 online = Icon(0, 0).cacheKey();

    const QString time = QLocale().toString(Now, QLocale::ShortFormat);
    ReplyFrom(d, 0xC0000263u, 0, PingBody(1, 1u << 7));   // now 192.0.2.99
    EXPECT_TRUE(changes.empty());
    Frame->Model()->FlushChanges();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].first, model->index(0, 0));
    EXPECT_EQ(changes[0].second, model->index(0, TStatusRow::ColumnCount - 1));
    const QString status = "Online/power1 fail/port 8 fail/IP different";
    EXPECT_EQ(Text(0, 5), status);
    expectRow(QColor(215, 190, 255), StatusIpDifferent | StatusAlarm,
              tip("Original: 192.0.2.5, Now: 192.0.2.99", time, status));
    EXPECT_EQ(Foreground(0, 1).color(), QColor(Qt::black));

    // A silent switch keeps its last time and address note.
    changes.clear();
    Frame->PollAll();
    Transport->Advance(5000);
    Frame->Model()->FlushChanges();
    EXPECT_EQ(changes.size(), 1u);
    EXPECT_EQ(Text(0, 1), "Original: 192.0.2.5, Now: 192.0.2.99");
    EXPECT_EQ(Text(0, 4), time);
    expectRow(QColor(255, 190, 190), StatusOffline | StatusIpDifferent | StatusAlarm,
              tip("Original: 192.0.2.5, Now: 192.0.2.99", time, "Offline"));
    EXPECT_NE(Icon(0, 0).cacheKey(), online);
}

// The clock gives UTC; the list shows local time.
TEST_F(StatusFrame, TimeIsShownInLocalTime)
{
    const QByteArray savedTz = qgetenv("TZ");   // null when not set
    qputenv("TZ", "XST-5");                     // five hours east of UTC
    tzset();
    const QDate date(2026, 5, 1);
    Frame->SetClock([date] { return QDateTime(date, QTime(12, 30), Qt::UTC).toMSecsSinceEpoch(); });
    Intp::TDevice* d = AddDevice(5, 1);
    Frame->AddDevice(d);
    Deliver(d, 6, 0, PingBody(0, 0));
    const QString text = Text(0, 4);
    savedTz.isNull() ? qunsetenv("TZ") : qputenv("TZ", savedTz);
    tzset();
    EXPECT_EQ(text, QLocale().toString(QDateTime(date, QTime(17, 30), Qt::UTC), QLocale::ShortFormat));
}

TEST_F(StatusFrame, PollPeriodAndTimeoutBounds)
{
    Frame->AddDevice(AddDevice(5, 1));
    Frame->AddDevice(AddDevice(6, 1));
    EXPECT_EQ(PingsSent(), 2u);

    Frame->m_Timeout->setValue(9);
    Frame->m_Period->setValue(5);
    EXPECT_EQ(Frame->m_Timeout->maximum(), 4);
    EXPECT_EQ(Frame->m_Timeout->value(), 4);
    EXPECT_EQ(Frame->m_TimeoutRange->text(), "(1 - 4)");

    // A poll pass sends one Ping2 per row with the new time-out and restarts
    // the timer at the new period.
    Frame->m_PollTimer->stop();
    QMetaObject::invokeMethod(Frame->m_PollTimer, "timeout");
    EXPECT_EQ(PingsSent(), 4u);
    EXPECT_EQ(Transport->TimerInterval(Intp::SessionList().back()), 4000u);
    EXPECT_TRUE(Frame->m_PollTimer->isActive());
    EXPECT_EQ(Frame->m_PollTimer->interval(), 5000);

    Frame->m_Period->setValue(86400);
    EXPECT_EQ(Frame->m_Timeout->maximum(), 86399);
    Frame->m_Refresh->click();
    EXPECT_EQ(PingsSent(), 6u);
    EXPECT_EQ(Frame->m_PollTimer->interval(), 86400000);
    EXPECT_EQ(Frame->Refresh(true), 0);
    EXPECT_EQ(PingsSent(), 8u);
}

TEST_F(StatusFrame, DeletedDevicesAreRecreatedAtTheirRecordedAddress)
{
    Intp::TDevice* d = AddDevice(5, 1);
    Frame->AddDevice(d);
    Intp::DeleteAllDevices();
    ASSERT_EQ(Intp::GetDevice(TestSupport::Mac(5), false), nullptr);
    Frame->PollAll();
    Intp::TDevice* again = Intp::GetDevice(TestSupport::Mac(5), false);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->GetIp(), 0xC0000205u);
    EXPECT_EQ(LastSent().Ip, 0xC0000205u);
    EXPECT_EQ(LastSent().Command(), 6);
}

TEST_F(StatusFrame, BeepsWhileASwitchIsInTrouble)
{
    Intp::TDevice* d = AddDevice(5, 1);
    Frame->AddDevice(d);
    Frame->m_Beep->setChecked(true);
    EXPECT_TRUE(Frame->m_BeepTimer->isActive());
    QMetaObject::invokeMethod(Frame->m_BeepTimer, "timeout");
    EXPECT_TRUE(Ui.Beeps.empty());

    Transport->Advance(5000);   // offline
    QMetaObject::invokeMethod(Frame->m_BeepTimer, "timeout");
    ASSERT_EQ(Ui.Beeps.size(), 1u);
    EXPECT_EQ(Ui.Beeps[0].Frequency, 341);
    EXPECT_EQ(Ui.Beeps[0].Duration, 100);

    Frame->m_Beep->setChecked(false);
    EXPECT_FALSE(Frame->m_BeepTimer->isActive());
}

TEST_F(StatusFrame, SortsByColumns)
{
    Frame->AddDevice(AddDevice(9, 1, 0x0A000000u));   // 10.0.0.9
    Frame->AddDevice(AddDevice(5, 1, 0xC0000200u));   // 192.0.2.5
    Frame->AddDevice(AddDevice(7, 1, 0x0B000000u));   // 11.0.0.7
    auto column = [this](int c) {
        QStringList out;
        for (int i = 0; i < Frame->RowCount(); ++i)
            out << Text(i, c);
        return out;
    };
    // Each click sorts by the clicked column, the other way round when it was
    // the column sorted by already.
    auto sortBy = [&](int clicked, int shown, const QStringList& expected) {
        Frame->m_List->header()->sectionClicked(clicked);
        EXPECT_EQ(column(shown), expected) << clicked;
    };
    sortBy(1, 1, {"10.0.0.9", "11.0.0.7", "192.0.2.5"});
    sortBy(1, 1, {"192.0.2.5", "11.0.0.7", "10.0.0.9"});
    sortBy(2, 0, {"2", "3", "1"});
    sortBy(0, 0, {"1", "2", "3"});

    // By time (no answer first) and by status text.
    Deliver(Intp::GetDevice(TestSupport::Mac(5), false), 6, 0, PingBody(1, 0));
    Now = Now.addSecs(-3600);
    Deliver(Intp::GetDevice(TestSupport::Mac(7), false), 6, 0, PingBody(0, 0));
    sortBy(4, 0, {"1", "3", "2"});
    sortBy(4, 0, {"2", "3", "1"});
    sortBy(5, 5, {"Online", "Online", "Online/power1 fail"});
    EXPECT_EQ(column(0).last(), "2");
    sortBy(0, 0, {"1", "2", "3"});

    // The same with the mouse on the header itself.
    Frame->resize(900, 400);
    Frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame.get()));
    QHeaderView* header = Frame->m_List->header();
    auto click = [header](int section) {
        const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    };
    click(1);
    EXPECT_EQ(column(1), (QStringList{"10.0.0.9", "11.0.0.7", "192.0.2.5"}));
    click(1);
    EXPECT_EQ(column(1), (QStringList{"192.0.2.5", "11.0.0.7", "10.0.0.9"}));
    click(0);
    EXPECT_EQ(column(0), (QStringList{"1", "2", "3"}));
}

TEST_F(StatusFrame, PageInterface)
{
    Frame->Notify(nullptr, EventPageShown, 0);
    EXPECT_TRUE(Frame->isVisible());
    EXPECT_TRUE(Frame->Leave(false));
    EXPECT_FALSE(Frame->isVisible());
    Frame->Notify(nullptr, 0x0104, 0);
    EXPECT_FALSE(Frame->isVisible());
}

// A batch of found switches is one insertion; the changes of a frame reach
// the list as one range, when the frame ends, whatever the number of rows.
TEST_F(StatusFrame, BatchesAreOneInsertionAndAFramesChangesOneRange)
{
    QAbstractItemModel* model = Frame->m_List->model();
    std::vector<std::pair<int, int>> inserted;
    std::vector<std::pair<QModelIndex, QModelIndex>> changes;
    QObject::connect(model, &QAbstractItemModel::rowsInserted,
                     [&inserted](const QModelIndex&, int first, int last) { inserted.emplace_back(first, last); });
    QObject::connect(model, &QAbstractItemModel::dataChanged,
                     [&changes](const QModelIndex& a, const QModelIndex& b) { changes.emplace_back(a, b); });
    std::vector<Intp::TDevice*> devices;
    for (uint8_t i = 0; i < 6; ++i)
        devices.push_back(AddDevice(uint8_t(10 + i), 1));
    Frame->AddDevices({devices[0], devices[1], devices[0], nullptr, devices[2], devices[3], devices[4]});
    Frame->AddDevices({devices[4], devices[5]});
    EXPECT_EQ(inserted, (std::vector<std::pair<int, int>>{{0, 4}, {5, 5}}));
    ASSERT_EQ(Frame->RowCount(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(Frame->FindRow(devices[size_t(i)]->GetMac()), Row(i)) << i;
    EXPECT_EQ(Text(5, 0), "6");
    EXPECT_EQ(PingsSent(), 6u);

    Deliver(devices[3], 6, 0, PingBody(1, 0));
    Deliver(devices[1], 6, 0, PingBody(0, 0));
    Deliver(devices[2], 6, 0, PingBody(0, 1));
    // Shown at once when asked for, told to the views when the frame ends.
    EXPECT_EQ(Text(3, 5), "Online/power1 fail");
    EXPECT_TRUE(changes.empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !changes.empty(); }, 2000));
    QCoreApplication::processEvents();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].first, model->index(1, 0));
    EXPECT_EQ(changes[0].second, model->index(3, TStatusRow::ColumnCount - 1));
    EXPECT_FALSE(Frame->Model()->ChangesPending());

    // Clear Error on a selection of single cells clears each row once.
    changes.clear();
    Frame->m_List->selectionModel()->select(model->index(2, 3), QItemSelectionModel::Select);
    Frame->m_List->selectionModel()->select(model->index(3, 1), QItemSelectionModel::Select);
    Frame->ClearErrors();
    Frame->Model()->FlushChanges();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].first.row(), 2);
    EXPECT_EQ(changes[0].second.row(), 3);
    EXPECT_EQ(Frame->GetStatusFlags(devices[3]), 0u);
    EXPECT_EQ(Frame->GetStatusFlags(devices[2]), 0u);
    EXPECT_EQ(Text(2, 5), "Online");
}

// A sort keeps the selection and the current row on their switches, and a
// change gathered before the sort reaches the row where it went.
TEST_F(StatusFrame, SelectionSurvivesASort)
{
    Frame->AddDevice(AddDevice(9, 1, 0x0A000000u));   // 10.0.0.9
    Frame->AddDevice(AddDevice(5, 1, 0xC0000200u));   // 192.0.2.5
    Frame->AddDevice(AddDevice(7, 1, 0x0B000000u));   // 11.0.0.7
    Frame->AddDevice(AddDevice(3, 1, 0x0C000000u));   // 12.0.0.3
    QItemSelectionModel* selection = Frame->m_List->selectionModel();
    Frame->SelectRow(1);
    Frame->SelectRow(3);
    selection->setCurrentIndex(Frame->m_List->model()->index(3, 2), QItemSelectionModel::NoUpdate);
    auto selectedMacs = [&] {
        std::set<Intp::TMacAddr> out;
        for (const QModelIndex& index : selection->selectedRows())
            out.insert(Row(index.row())->Mac);
        return out;
    };
    const std::set<Intp::TMacAddr> chosen = {TestSupport::Mac(5), TestSupport::Mac(3)};
    ASSERT_EQ(selectedMacs(), chosen);

    ReplyFrom(Intp::GetDevice(TestSupport::Mac(5), false), 0xC0000263u, 0, PingBody(0, 0));
    std::vector<std::pair<QModelIndex, QModelIndex>> changes;
    QObject::connect(Frame->m_List->model(), &QAbstractItemModel::dataChanged,
                     [&changes](const QModelIndex& a, const QModelIndex& b) { changes.emplace_back(a, b); });
    Frame->m_List->header()->sectionClicked(1);   // by address: 9, 7, 3, 5
    EXPECT_EQ(Text(0, 0), "1");
    EXPECT_EQ(Text(3, 0), "2");
    EXPECT_EQ(selectedMacs(), chosen);
    EXPECT_EQ(selection->currentIndex(), Frame->m_List->model()->index(2, 2));
    Frame->Model()->FlushChanges();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_LE(changes[0].first.row(), 3);
    EXPECT_GE(changes[0].second.row(), 3);

    Frame->m_List->header()->sectionClicked(1);   // the other way round
    EXPECT_EQ(Text(0, 0), "2");
    EXPECT_EQ(selectedMacs(), chosen);
    EXPECT_EQ(selection->currentIndex().row(), 1);

    // Clear Error acts on the selected switches where they are now.
    Frame->ClearErrors();
    EXPECT_EQ(Frame->FindRow(TestSupport::Mac(5))->Ip, 0xC0000263u);
    EXPECT_EQ(Frame->FindRow(TestSupport::Mac(9))->Ip, 0x0A000009u);

    // A switch found later goes at the end, and the list stays as sorted.
    Frame->AddDevice(AddDevice(1, 1, 0x0D000000u));
    EXPECT_EQ(Text(4, 0), "5");
    EXPECT_EQ(Text(0, 0), "2");
    EXPECT_EQ(selectedMacs(), chosen);
}

namespace {

// Records the parts of a widget that get painted.
class TPaintLog final : public QObject {
public:
    QRegion Painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            Painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

} // namespace

// A report changes the row on screen once the frame's changes are told.
TEST_F(StatusFrame, ChangedRowIsPaintedAfterTheFrame)
{
    Intp::TDevice* quiet = AddDevice(5, 1);
    Intp::TDevice* alarm = AddDevice(6, 1);
    Frame->AddDevices({quiet, alarm});
    Frame->resize(900, 300);
    Frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame.get()));
    QWidget* viewport = Frame->m_List->viewport();
    const QRect row = Frame->m_List->visualRect(Frame->m_List->model()->index(1, TStatusRow::ColStatus));
    ASSERT_TRUE(row.isValid());
    TPaintLog log;
    viewport->installEventFilter(&log);
    // The row as shown is painted before the report, so that a paint of it
    // seen afterwards is the report's.
    viewport->update();
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Painted.contains(row.center()); }, 2000));
    log.Painted = QRegion();
    Deliver(alarm, 6, 0, PingBody(2, 0));
    EXPECT_TRUE(QTest::qWaitFor([&] { return log.Painted.contains(row.center()); }, 2000));
    viewport->removeEventFilter(&log);
    const QImage image = viewport->grab().toImage();
    EXPECT_EQ(QColor(image.pixel(row.right() - 4, row.center().y())), StatusColor(StatusAlarm));
}
