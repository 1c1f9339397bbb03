// The event store, the list, clearing and saving, and the XML export.
#include "FailingSaves.h"
#include "FakeUserInterface.h"
#include "SyslogFrame.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QXmlStreamReader>

#include <ctime>
#include <fcntl.h>
#include <optional>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace Syslog;

namespace {

constexpr uint32_t Ip(int a, int b, int c, int d) { return uint32_t(a) << 24 | uint32_t(b) << 16 | uint32_t(c) << 8 | uint32_t(d); }

class SyslogFrameTest : public ::testing::Test {
protected:
    TestSupport::TFakeUserInterface Ui;
    TSyslogFrame Frame;
    QAbstractItemModelTester Tester{Frame.Model(), QAbstractItemModelTester::FailureReportingMode::Fatal};

    // Answers the clear question, then (for Yes) the save dialog.
    void Clear(int answer, const QString& path = QString())
    {
        Ui.Answers.push_back(answer);
        Ui.Paths.push_back(path);
        Frame.EventOnClearClick();
        Ui.Paths.clear();
    }
    QTemporaryDir Dir;

    void AddThree()
    {
        Frame.AddDatagram(Ip(10, 0, 0, 2), "<13>Oct 11 22:14:15 sw2 first");
        Frame.AddDatagram(Ip(10, 0, 0, 1), "<12>Oct 11 22:14:16 sw1 second");
        Frame.AddDatagram(Ip(10, 0, 0, 2), "no header");
    }
    QString ListText(int row, int column) const
    {
        return Frame.Model()->index(row, column).data().toString();
    }
};

QDomDocument ReadXml(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QXmlStreamReader strict(bytes);
    while (!strict.atEnd())
        strict.readNext();
    EXPECT_FALSE(strict.hasError()) << strict.errorString().toStdString();
    QDomDocument doc;
    QString message;
    EXPECT_TRUE(doc.setContent(bytes, &message)) << message.toStdString();
    return doc;
}

} // namespace

TEST_F(SyslogFrameTest, StoresInSenderOrderAndListsInArrivalOrder)
{
    AddThree();
    EXPECT_EQ(Frame.CountEvents(Ip(10, 0, 0, 2)), 2u);
    EXPECT_EQ(Frame.CountEvents(Ip(10, 0, 0, 1)), 1u);
    EXPECT_EQ(Frame.CountEvents(Ip(10, 0, 0, 3)), 0u);

    TSyslogList all;
    Frame.GetEntries(0, all, false);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].Sender, Ip(10, 0, 0, 1));
    EXPECT_EQ(all[0].EventId, 2u);
    EXPECT_EQ(all[1].EventId, 1u);
    EXPECT_EQ(all[2].EventId, 3u);
    EXPECT_EQ(all[1].Message, "first");
    EXPECT_EQ(all[2].Message, "no header");
    EXPECT_EQ(all[2].Facility, 16u);
    EXPECT_EQ(all[2].Severity, 3u);
    EXPECT_EQ(all[0].Read, 0);
    EXPECT_TRUE(all[0].ReceiveTime.isValid());

    // The list catches up in one batch and keeps arrival order.
    EXPECT_EQ(Frame.Model()->rowCount(), 0);
    QSignalSpy inserted(Frame.Model(), &QAbstractItemModel::rowsInserted);
    Frame.FlushList();
    EXPECT_EQ(inserted.count(), 1);
    ASSERT_EQ(Frame.Model()->rowCount(), 3);
    EXPECT_EQ(Frame.NumLabel()->text(), "3");
    EXPECT_EQ(ListText(0, 0), "1");
    EXPECT_EQ(ListText(1, 0), "2");
    EXPECT_EQ(ListText(1, 1), "user-level messages");
    EXPECT_EQ(ListText(1, 2), "Warning");
    EXPECT_EQ(ListText(1, 3), "10.0.0.1");
    EXPECT_EQ(ListText(1, 6), "second");
    EXPECT_EQ(ListText(2, 1), "local use");
    EXPECT_EQ(ListText(2, 2), "Error");
    EXPECT_FALSE(Frame.Model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    const QStringList headers = {"Event ID", "Facility", "Severity", "Host", "Date", "Time", "Messages"};
    for (int c = 0; c < headers.size(); ++c)
        EXPECT_EQ(Frame.Model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), headers[c]);
}

TEST_F(SyslogFrameTest, ListAppendsInBatchesFromTheEventLoop)
{
    QSignalSpy inserted(Frame.Model(), &QAbstractItemModel::rowsInserted);
    for (int i = 0; i < 1000; ++i)
        Frame.AddDatagram(Ip(10, 0, 0, 1), "x");
    EXPECT_EQ(Frame.Model()->rowCount(), 0);
    EXPECT_TRUE(inserted.wait(2000));
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(Frame.Model()->rowCount(), 1000);
    EXPECT_EQ(Frame.NumLabel()->text(), "1000");
}

TEST_F(SyslogFrameTest, GetEntriesMarksOneSenderRead)
{
    AddThree();
    TSyslogList mine;
    Frame.GetEntries(Ip(10, 0, 0, 2), mine, true);
    ASSERT_EQ(mine.size(), 2u);
    EXPECT_EQ(mine[0].Read, 1);
    EXPECT_EQ(mine[1].Read, 1);
    TSyslogList all;
    Frame.GetEntries(0, all, false);
    EXPECT_EQ(all[0].Read, 0); // 10.0.0.1 untouched
    EXPECT_EQ(all[1].Read, 1);
    EXPECT_EQ(all[2].Read, 1);
    // Appends to what the list already holds.
    Frame.GetEntries(Ip(10, 0, 0, 1), all, false);
    EXPECT_EQ(all.size(), 4u);
}

TEST_F(SyslogFrameTest, DoubleClickOpensViewerOnTheSenderAndMarksRead)
{
    AddThree();
    Frame.FlushList();
    uint32_t seenSender = 0, seenId = 0;
    size_t seenCount = 0;
    Frame.SetViewerHook([&](QWidget*, uint32_t sender, uint32_t id, const TSyslogList& list) {
        seenSender = sender, seenId = id, seenCount = list.size();
        for (const auto& e : list)
            EXPECT_EQ(e.Read, 1);
    });
    Frame.EventOnListViewDblClick(Frame.Model()->index(2, 3));
    EXPECT_EQ(seenSender, Ip(10, 0, 0, 2));
    EXPECT_EQ(seenId, 3u);
    EXPECT_EQ(seenCount, 2u);
    TSyslogList all;
    Frame.GetEntries(Ip(10, 0, 0, 2), all, false);
    for (const auto& e : all)
        EXPECT_EQ(e.Read, 1);
    Frame.EventOnListViewDblClick(QModelIndex()); // no row: nothing
}

TEST_F(SyslogFrameTest, EntriesOfOneSenderAreExactlyItsEventsInArrivalOrderAtTheirLocalTimes)
{
    // Three senders interleaved unevenly, with receive times set far apart
    // (across days and months) so that local time changes between them.
    const uint32_t senders[] = {Ip(10, 0, 0, 7), Ip(10, 0, 0, 3), Ip(192, 168, 1, 1)};
    for (int n = 0; n < 600; ++n)
        Frame.AddDatagram(senders[(n * n) % 7 % 3], "<13>Oct 11 22:14:15 sw message " + std::to_string(n));
    TSyslogStore& store = Frame.Model()->Store();
    for (size_t i = 0; i < store.Size(); ++i)
        store.At(i).ReceiveMs = 1700000000000LL + int64_t(i) * 37 * 3600 * 1000 + int64_t(i % 1000);
    for (uint32_t sender : senders) {
        TSyslogList list;
        Frame.GetEntries(sender, list, false);
        std::vector<const TStoredEvent*> expected;
        for (size_t i = 0; i < store.Size(); ++i)
            if (store.At(i).Sender == sender)
                expected.push_back(&store.At(i));
        ASSERT_EQ(list.size(), expected.size());
        for (size_t k = 0; k < list.size(); ++k) {
            const TStoredEvent& e = *expected[k];
            ASSERT_EQ(list[k].EventId, e.EventId);
            EXPECT_EQ(list[k].Sender, sender);
            EXPECT_EQ(list[k].Message.toStdString(), std::string(e.Message()));
            const QDateTime local = QDateTime::fromMSecsSinceEpoch(e.ReceiveMs);
            EXPECT_EQ(list[k].ReceiveTime.toMSecsSinceEpoch(), e.ReceiveMs);
            EXPECT_EQ(list[k].ReceiveTime.date(), local.date()) << e.ReceiveMs;
            EXPECT_EQ(list[k].ReceiveTime.time(), local.time()) << e.ReceiveMs;
        }
    }
}

// Local times looked up once per quarter hour agree with the system's own
// conversion minute by minute across daylight-saving changes, in zones with
// whole-hour and half-hour offsets.
TEST(SyslogLocalTimes, AgreeWithTheSystemAcrossClockChanges)
{
    const QByteArray saved = qgetenv("TZ");
    const bool had = qEnvironmentVariableIsSet("TZ");
    struct TZone {
        const char* Name;
        int64_t FromMs;   // an hour or so before a change
    } zones[] = {
        {"Europe/Berlin", 1711846800000LL - 2 * 3600000},    // 2024-03-31 01:00 UTC
        {"Europe/Berlin", 1729990800000LL - 2 * 3600000},    // 2024-10-27 01:00 UTC
        {"America/St_Johns", 1710048600000LL - 2 * 3600000}, // 2024-03-10 05:30 UTC
        {"America/St_Johns", 1730608200000LL - 2 * 3600000}, // 2024-11-03 04:30 UTC
    };
    for (const TZone& zone : zones) {
        // The zone data comes with the tzdata package (scripts/deps); without
        // it every zone would be UTC and nothing here would be checked.
        if (!QFile::exists(QStringLiteral("/usr/share/zoneinfo/") + QLatin1String(zone.Name))) {
            ADD_FAILURE() << "no time zone data for " << zone.Name << ": install tzdata";
            continue;
        }
        qputenv("TZ", zone.Name);
        ::tzset();
        TLocalTimes times;
        int changes = 0, lastOffset = 0;
        for (int64_t ms = zone.FromMs; ms < zone.FromMs + 4 * 3600000; ms += 60000 + 7) {
            const QDateTime expected = QDateTime::fromMSecsSinceEpoch(ms);
            const QDateTime got = times.At(ms);
            ASSERT_EQ(got.toMSecsSinceEpoch(), ms) << zone.Name;
            ASSERT_EQ(got.date(), expected.date()) << zone.Name << " " << ms;
            ASSERT_EQ(got.time(), expected.time()) << zone.Name << " " << ms;
            changes += ms != zone.FromMs && expected.offsetFromUtc() != lastOffset;
            lastOffset = expected.offsetFromUtc();
        }
        EXPECT_EQ(changes, 1) << zone.Name << ": the clock change lies in the range";
    }
    if (had)
        qputenv("TZ", saved);
    else
        qunsetenv("TZ");
    ::tzset();
}

TEST_F(SyslogFrameTest, ClearAnsweredCancelKeepsNoEmpties)
{
    AddThree();
    Frame.FlushList();
    Clear(IUserInterface::Cancel);
    EXPECT_EQ(Frame.EventCount(), 3u);
    ASSERT_EQ(Ui.Boxes.size(), 1u);
    EXPECT_EQ(Ui.Boxes[0].Text, "Would you like to save these messages?");
    EXPECT_EQ(Ui.Boxes[0].Buttons, IUserInterface::Yes | IUserInterface::No | IUserInterface::Cancel);

    Clear(IUserInterface::No);
    EXPECT_EQ(Frame.EventCount(), 0u);
    EXPECT_EQ(Frame.Model()->rowCount(), 0);
    EXPECT_EQ(Frame.NumLabel()->text(), "0");
    EXPECT_EQ(Frame.CountEvents(Ip(10, 0, 0, 2)), 0u);
    Frame.AddDatagram(Ip(10, 0, 0, 1), "again");
    TSyslogList all;
    Frame.GetEntries(0, all, false);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].EventId, 1u);
}

TEST_F(SyslogFrameTest, ClearAnsweredYesClearsOnlyAfterASuccessfulSave)
{
    AddThree();
    // Save dialog cancelled: nothing is cleared.
    Clear(IUserInterface::Yes);
    EXPECT_EQ(Frame.EventCount(), 3u);
    EXPECT_EQ(Ui.Boxes.size(), 1u);

    // Save failing: the user is told and nothing is cleared.
    Clear(IUserInterface::Yes, Dir.filePath("missing/sub/syslog.log"));
    EXPECT_EQ(Frame.EventCount(), 3u);
    ASSERT_EQ(Ui.Boxes.size(), 3u);
    EXPECT_EQ(Ui.Boxes[2].Icon, IUserInterface::IconError);
    EXPECT_TRUE(Ui.Boxes[2].Text.contains("missing/sub/syslog.log"));

    // Save succeeding: the file (given the default extension) holds the
    // events, then they are cleared.
    Clear(IUserInterface::Yes, Dir.filePath("saved"));
    EXPECT_EQ(Frame.EventCount(), 0u);
    EXPECT_EQ(ReadXml(Dir.filePath("saved.log")).documentElement().elementsByTagName("Entry").count(), 3);
    EXPECT_EQ(Ui.Boxes.size(), 4u);

    // An event that arrives while the file is being written is not in the
    // file, so the clear keeps it, numbered from 1 again; the next is 2.
    AddThree();
    Frame.FlushList();
    QTimer::singleShot(0, &Frame, [this] {
        EXPECT_TRUE(Frame.IsSaving());
        Frame.AddDatagram(Ip(10, 0, 0, 9), "<13>Oct 11 22:14:15 sw9 late");
    });
    Clear(IUserInterface::Yes, Dir.filePath("again.log"));
    EXPECT_EQ(ReadXml(Dir.filePath("again.log")).documentElement().elementsByTagName("Entry").count(), 3);
    Frame.AddDatagram(Ip(10, 0, 0, 9), "<13>Oct 11 22:14:15 sw9 later");
    TSyslogList kept;
    Frame.GetEntries(0, kept, false);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].Message, "late");
    EXPECT_EQ(kept[0].EventId, 1u);
    EXPECT_EQ(kept[1].EventId, 2u);
    Frame.FlushList();
    EXPECT_EQ(Frame.Model()->rowCount(), 2);
    EXPECT_EQ(ListText(0, 0), "1");
}

// Events that arrive while a save runs keep the store within its limit; the
// file holds what was stored when the save began, and every event is either
// stored or counted as dropped.
TEST_F(SyslogFrameTest, EventsArrivingDuringASaveStayWithinTheLimitAndAreCounted)
{
    Frame.SetStoreLimit(64 * 1024);
    for (int i = 0; i < 2000; ++i)
        Frame.AddDatagram(Ip(10, 0, 0, 1), "<13>Oct 11 22:14:15 sw1 " + std::string(40, 'a' + i % 26));
    const uint64_t droppedBefore = Frame.DroppedCount();
    EXPECT_GT(droppedBefore, 0u);
    const uint32_t stored = Frame.EventCount();
    QTimer::singleShot(0, &Frame, [&] {
        for (int i = 0; i < 2000; ++i)
            Frame.AddDatagram(Ip(10, 0, 0, 2), "<13>Oct 11 22:14:15 sw2 " + std::string(40, 'x'));
    });
    QString error;
    ASSERT_TRUE(Frame.ExportEvents(Dir.filePath("held.log"), &error)) << error.toStdString();
    EXPECT_EQ(ReadXml(Dir.filePath("held.log")).documentElement().elementsByTagName("Entry").count(), int(stored));
    EXPECT_LE(Frame.StoreBytes(), 64u * 1024);
    EXPECT_EQ(Frame.EventCount() + Frame.DroppedCount(), 4000u);
}

TEST_F(SyslogFrameTest, SaveDialogOffersSyslogAndAsksBeforeReplacingTheCompletedName)
{
    AddThree();
    EXPECT_FALSE(Frame.EventOnSaveClick()); // cancelled
    ASSERT_EQ(Ui.FileDialogs.size(), 1u);
    EXPECT_EQ(Ui.FileDialogs[0].Title, "Save syslog messages to ...");
    EXPECT_EQ(Ui.FileDialogs[0].Path, "syslog");
    EXPECT_EQ(Ui.FileDialogs[0].Filter, "Log file (*.log);;All files (*.*)");

    // "old" becomes old.log, which exists: the user is asked first.
    const QString path = Dir.filePath("old.log");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    Ui.Paths.push_back(Dir.filePath("old"));
    Ui.Answers.push_back(IUserInterface::No);
    EXPECT_FALSE(Frame.EventOnSaveClick());
    ASSERT_EQ(Ui.Boxes.size(), 1u);
    EXPECT_EQ(Ui.Boxes[0].Text, "old.log already exists.\nDo you want to replace it?");
    EXPECT_EQ(Ui.Boxes[0].Buttons, IUserInterface::Yes | IUserInterface::No);
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), "old contents");
    }
    // Declining the replacement keeps the events when clearing too.
    Ui.Answers = {IUserInterface::Yes, IUserInterface::No};
    Ui.Paths.push_back(Dir.filePath("old"));
    Frame.EventOnClearClick();
    EXPECT_EQ(Frame.EventCount(), 3u);

    Ui.Paths.push_back(Dir.filePath("old"));
    Ui.Answers.push_back(IUserInterface::Yes);
    EXPECT_TRUE(Frame.EventOnSaveClick());
    EXPECT_EQ(ReadXml(path).documentElement().elementsByTagName("Entry").count(), 3);

    // A name with its own extension is the dialog's business alone.
    const size_t boxes = Ui.Boxes.size();
    Ui.Paths.push_back(path);
    EXPECT_TRUE(Frame.EventOnSaveClick());
    EXPECT_EQ(Ui.Boxes.size(), boxes);
}

TEST_F(SyslogFrameTest, PageInterface)
{
    TModule& page = Frame;
    EXPECT_EQ(page.GetCaption(), "Syslog Events");
    EXPECT_EQ(Frame.GetCaption(), "Syslog Events");
    EXPECT_EQ(Frame.GetControl(), &Frame);
    EXPECT_EQ(Frame.Refresh(true), 0);
    Frame.Notify(nullptr, 0xFF01, 0);
    EXPECT_TRUE(Frame.isVisible());
    EXPECT_TRUE(Frame.Leave(false));
    EXPECT_FALSE(Frame.isVisible());
    EXPECT_EQ(Frame.GetFacilityName(3), "system daemons");
    EXPECT_TRUE(Frame.GetSeverityName(8).isNull());
    EXPECT_EQ(Frame.GetSeverityName(6), "Informational");
}

TEST_F(SyslogFrameTest, ExportHasTheDocumentStructureInStoreOrder)
{
    AddThree();
    const QString path = Dir.filePath("out.log");
    Ui.Paths.push_back(path);
    ASSERT_TRUE(Frame.EventOnSaveClick());

    QFile raw(path);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\"")) << bytes.left(60).toStdString();
    EXPECT_TRUE(bytes.contains("\n  <Entry")); // indented

    const QDomElement root = ReadXml(path).documentElement();
    EXPECT_EQ(root.tagName(), "Syslog");
    const QDomNodeList entries = root.childNodes();
    ASSERT_EQ(entries.count(), 3);
    const QStringList ids = {"2", "1", "3"};
    const QStringList addresses = {"10.0.0.1", "10.0.0.2", "10.0.0.2"};
    const QStringList messages = {"second", "first", "no header"};
    const QStringList facilities = {"1", "1", "16"}, severities = {"4", "5", "3"};
    for (int i = 0; i < 3; ++i) {
        const QDomElement entry = entries.at(i).toElement();
        EXPECT_EQ(entry.tagName(), "Entry");
        EXPECT_EQ(entry.attribute("EventId"), ids[i]);
        QStringList names;
        for (QDomElement c = entry.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
            names << c.tagName();
        EXPECT_EQ(names, QStringList({"Facility", "Severity", "Address", "Time", "Message"}));
        EXPECT_EQ(entry.firstChildElement("Facility").text(), facilities[i]);
        EXPECT_EQ(entry.firstChildElement("Severity").text(), severities[i]);
        EXPECT_EQ(entry.firstChildElement("Address").text(), addresses[i]);
        EXPECT_EQ(entry.firstChildElement("Message").text(), messages[i]);
        EXPECT_FALSE(entry.firstChildElement("Time").text().isEmpty());
    }
    // Saving does not mark anything read.
    TSyslogList all;
    Frame.GetEntries(0, all, false);
    for (const auto& e : all)
        EXPECT_EQ(e.Read, 0);
}

TEST_F(SyslogFrameTest, ExportEscapesControlCharactersAndBadUtf8)
{
    // C0 controls, DEL, tab/CR/LF, a stray 0xFF byte, an encoded U+FFFF and
    // a four-byte character.
    const char text[] = "<13>Oct 11 22:14:15 sw1 a\x01" "b\x1b[1m\x7f\tc\r\nd\xff" "e\xef\xbf\xbf" "f\xf0\x9f\x98\x80";
    Frame.AddDatagram(Ip(10, 0, 0, 1), std::string_view(text, sizeof text - 1));
    const QString path = Dir.filePath("ctl.log");
    TSyslogList all;
    Frame.GetEntries(0, all, false);
    QString error;
    ASSERT_TRUE(Frame.SaveEntries(all, path, &error)) << error.toStdString();

    const QString back = ReadXml(path).documentElement().firstChildElement("Entry").firstChildElement("Message").text();
    const QString expected = QString::fromUtf8("a\u2401b\u241b[1m\x7f\tc\r\nd\ufffd" "e\ufffd" "f\U0001F600");
    EXPECT_EQ(back, expected);
    // The stored event itself is unchanged apart from the UTF-8 decoding.
    EXPECT_EQ(all[0].Message.at(1), QChar(0x01));
}

TEST(SyslogXml, SafeTextRule)
{
    QString s;
    s += QChar(0x00);
    s += QChar(0x08);
    s += QChar(0x1f);
    s += QChar(0xD800);            // unpaired high surrogate
    s += QChar(0xDC00);            // unpaired... (after another high? no: this pairs with nothing before it)
    s += QChar(0xFFFE);
    s += QStringLiteral("ok\t\n\r");
    const QString out = XmlSafeText(s);
    // D800 followed by DC00 is a valid pair and stays.
    QString expected;
    expected += QChar(0x2400);
    expected += QChar(0x2408);
    expected += QChar(0x241f);
    expected += QChar(0xD800);
    expected += QChar(0xDC00);
    expected += QChar(0xFFFD);
    expected += QStringLiteral("ok\t\n\r");
    EXPECT_EQ(out, expected);
    QString lone;
    lone += QChar(0xDC00);
    lone += QChar(0xD800);
    EXPECT_EQ(XmlSafeText(lone), QString(2, QChar(0xFFFD)));
    QTemporaryDir dir;
    const QString path = dir.filePath("empty.log");
    ASSERT_TRUE(WriteEntriesFile(path, [](TXmlEntry&) { return false; }));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("<Syslog/>"));
}

// A save that cannot complete leaves the old file as it was. The folder is
// made unwritable (immutable where the process would otherwise override
// permissions).
TEST_F(SyslogFrameTest, FailedExportKeepsTheOldFile)
{
    const QString sub = Dir.filePath("locked");
    ASSERT_TRUE(QDir().mkpath(sub));
    const QString path = sub + "/old.log";
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::ExeOwner);
    int dirFd = -1, flags = 0;
    const bool probeWrites = QFile(sub + "/probe").open(QIODevice::WriteOnly);
    if (probeWrites) {
        QFile::remove(sub + "/probe");
        dirFd = ::open(QFile::encodeName(sub).constData(), O_RDONLY | O_DIRECTORY);
        if (dirFd >= 0 && ::ioctl(dirFd, FS_IOC_GETFLAGS, &flags) == 0) {
            int locked = flags | FS_IMMUTABLE_FL;
            if (::ioctl(dirFd, FS_IOC_SETFLAGS, &locked) != 0) {
                ::close(dirFd);
                dirFd = -1;
            }
        }
        if (dirFd < 0) {
            QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            GTEST_SKIP() << "cannot make a folder unwritable here";
        }
    }
    AddThree();
    Ui.Paths.push_back(path);
    EXPECT_FALSE(Frame.EventOnSaveClick());
    if (dirFd >= 0) {
        ::ioctl(dirFd, FS_IOC_SETFLAGS, &flags);
        ::close(dirFd);
    }
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_EQ(Ui.Boxes.size(), 1u);
    EXPECT_EQ(Ui.Boxes[0].Icon, IUserInterface::IconError);
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "old contents");
    EXPECT_EQ(QDir(sub).entryList(QDir::Files), QStringList({"old.log"}));
}

// A long message is listed by its start, cut on a character boundary; the
// stored event keeps all of it.
TEST_F(SyslogFrameTest, ListShowsTheStartOfALongMessage)
{
    std::string message(255, 'a');
    message += "\xc3\xa9";   // a two-byte character across the cut
    message += std::string(60000, 'b');
    Frame.AddDatagram(Ip(10, 0, 0, 1), "<13>Oct 11 22:14:15 sw1 " + message);
    Frame.FlushList();
    EXPECT_EQ(ListText(0, 6), QString(255, QLatin1Char('a')));
    TSyslogList all;
    Frame.GetEntries(0, all, false);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].Message, QString::fromStdString(message));
}

// An export that fails says why in the system's words, and nothing is
// cleared.
TEST_F(SyslogFrameTest, FailedSaveShowsTheSystemsReason)
{
    for (int i = 0; i < 100; ++i)
        AddThree();
    for (const TestSupport::TFailingSave& save : TestSupport::FailingSaves(Dir)) {
        SCOPED_TRACE(save.What);
        if (QFileInfo(save.Path).suffix().isEmpty())
            continue;   // the dialog's default extension would name another file
        Ui.Boxes.clear();
        {
            std::optional<TestSupport::TFileSizeLimit> limit;
            if (save.SizeLimit)
                limit.emplace(1024);
            Clear(IUserInterface::Yes, save.Path);
        }
        EXPECT_EQ(Frame.EventCount(), 300u);
        ASSERT_EQ(Ui.Boxes.size(), 2u);
        EXPECT_EQ(Ui.Boxes[1].Text,
                  QStringLiteral("Cannot save the syslog messages to \"%1\": %2").arg(save.Path, save.Reason));
    }
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plain"});
}
