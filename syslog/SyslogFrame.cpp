#include "SyslogFrame.h"
#include "SyslogForm.h"
#include "SyslogListView.h"

#include "Intp.h"
#include "ListColumns.h"
#include "MessageBoxes.h"
#include "Resources.h"
#include "SaveFile.h"
#include "SyslogParser.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>
#include <QXmlStreamWriter>

#include <algorithm>
#include <ctime>

namespace Syslog {

namespace {

bool IsXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

QString DottedIp(uint32_t ip) { return QString::fromStdString(Intp::IpToText(ip)); }

constexpr qint64 SpillBytes = 1 << 20;
// Event records copied for a save per turn of the window's event loop.
constexpr size_t SnapshotSlice = 256 * 1024;

// A text element whose carriage returns survive reading back: a reader turns
// a literal CR (and CR LF) into LF, so each CR is written as a reference.
void WriteKeptText(QXmlStreamWriter& xml, const QString& name, const QString& text)
{
    if (!text.contains(QLatin1Char('\r'))) {
        xml.writeTextElement(name, text);
        return;
    }
    xml.writeStartElement(name);
    qsizetype from = 0;
    for (qsizetype cr = text.indexOf(QLatin1Char('\r')); cr >= 0; cr = text.indexOf(QLatin1Char('\r'), from)) {
        if (cr > from)
            xml.writeCharacters(text.mid(from, cr - from));
        xml.writeEntityReference(QStringLiteral("#xD"));
        from = cr + 1;
    }
    if (from < text.size())
        xml.writeCharacters(text.mid(from));
    xml.writeEndElement();
}

} // namespace

QString XmlSafeText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            out.append(c);
            out.append(text[++i]);
            continue;
        }
        const char32_t u = c.unicode();
        if (IsXmlChar(u) && !c.isSurrogate())
            out.append(c);
        else if (u < 0x20)
            out.append(QChar(char16_t(0x2400 + u)));
        else
            out.append(QChar(QChar::ReplacementCharacter));
    }
    return out;
}

bool WriteEntriesFile(const QString& fileName, const TXmlEntrySource& next, QString* error)
{
    // The document goes to a temporary file that replaces the target only
    // once it is complete, so a failed save never leaves a truncated file.
    TSaveFile file(fileName);
    if (!file.Open()) {
        if (error)
            *error = file.ErrorString();
        return false;
    }
    // The writer fills a buffer in memory that goes to the file each time it
    // holds a megabyte: one large write instead of many small ones.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    auto spill = [&] {
        if (buffer.size() != 0 && !file.Write(buffer.data().constData(), buffer.size()))
            return false;
        buffer.buffer().clear();
        buffer.seek(0);
        return true;
    };
    QXmlStreamWriter xml(&buffer);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument(QStringLiteral("1.0"));
    xml.writeStartElement(QStringLiteral("Syslog"));
    TXmlEntry entry;
    bool written = true;
    while (written && !xml.hasError() && next(entry)) {
        xml.writeStartElement(QStringLiteral("Entry"));
        xml.writeAttribute(QStringLiteral("EventId"), QString::number(entry.EventId));
        xml.writeTextElement(QStringLiteral("Facility"), QString::number(entry.Facility));
        xml.writeTextElement(QStringLiteral("Severity"), QString::number(entry.Severity));
        xml.writeTextElement(QStringLiteral("Address"), DottedIp(entry.Sender));
        WriteKeptText(xml, QStringLiteral("Time"), XmlSafeText(entry.Time));
        WriteKeptText(xml, QStringLiteral("Message"), XmlSafeText(entry.Message));
        xml.writeEndElement();
        if (buffer.size() >= SpillBytes)
            written = spill();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    written = written && spill();
    if (!written || xml.hasError() || !file.Commit()) {
        if (error)
            *error = file.ErrorString();
        file.Cancel();
        return false;
    }
    return true;
}

} // namespace Syslog

using namespace Syslog;

TSyslogFrame::TSyslogFrame(QWidget* parent) : QFrame(parent)
{
    m_Label1 = new QLabel(QStringLiteral("Num events:"), this);
    m_Num = new QLabel(QStringLiteral("0"), this);
    m_Dropped = new QLabel(this);
    m_Dropped->hide();
    m_Clear = new QPushButton(Resources::Icon(QStringLiteral("RC_BITMAP_16X16_CLEAR")), QStringLiteral("&Clear"), this);
    m_Save = new QPushButton(Resources::Icon(QStringLiteral("RC_BITMAP_16X16_SAVE")), QStringLiteral("&Save"), this);

    m_Model = new TSyslogModel(this);
    m_ListView = new TSyslogListView(this);
    m_ListView->setModel(m_Model);
    m_ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ListView->setShowGrid(true);
    m_ListView->setWordWrap(false);
    m_ListView->setSortingEnabled(false);
    m_ListView->setIconSize(QSize(16, 16));
    // Every row has the same fixed height, so the view never measures rows.
    m_ListView->SetRowHeight(fontMetrics().height() + 6);
    QHeaderView* columns = m_ListView->horizontalHeader();
    columns->setHighlightSections(false);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    // Columns as wide as their headers and contents, "Messages" filling the
    // rest; control characters of a message shown as symbols, a message cut
    // off shown in full as its tool tip.
    FitColumns(m_ListView);
    ShowCutTextTips(m_ListView);

    auto* top = new QHBoxLayout;
    top->addWidget(m_Label1);
    top->addWidget(m_Num);
    top->addSpacing(12);
    top->addWidget(m_Dropped);
    top->addStretch(1);
    top->addWidget(m_Clear);
    top->addWidget(m_Save);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_ListView, 1);

    connect(m_Clear, &QPushButton::clicked, this, &TSyslogFrame::EventOnClearClick);
    connect(m_Save, &QPushButton::clicked, this, [this] { EventOnSaveClick(); });
    connect(m_ListView, &QAbstractItemView::doubleClicked, this, &TSyslogFrame::EventOnListViewDblClick);
    connect(m_Model, &TSyslogModel::RowsFlushed, this, [this](int) { ShowCounts(); });
}

void TSyslogFrame::ShowCounts()
{
    m_Num->setText(QString::number(EventCount()));
    if (m_DroppedCount != 0)
        m_Dropped->setText(QStringLiteral("Dropped events: %1").arg(m_DroppedCount));
    m_Dropped->setVisible(m_DroppedCount != 0);
}

TSyslogFrame::~TSyslogFrame() = default;

void TSyslogFrame::ClearEvents()
{
    m_Model->Clear();
    m_Num->setText(QStringLiteral("0"));
    m_EventCounter = 0;
    m_DroppedCount = 0;
    m_Dropped->hide();
}

void TSyslogFrame::ClearSavedEvents(uint32_t lastSavedId)
{
    TSyslogStore& store = m_Model->Store();
    size_t saved = 0;
    while (saved < store.Size() && store.At(saved).EventId <= lastSavedId)
        ++saved;
    if (saved == store.Size()) {
        ClearEvents();
        return;
    }
    m_Model->DropOldest(saved);
    m_Model->Flush();
    for (size_t i = 0; i < store.Size(); ++i)
        store.At(i).EventId = uint32_t(i + 1);
    m_EventCounter = uint32_t(store.Size());
    m_DroppedCount = 0;
    emit m_Model->dataChanged(m_Model->index(0, 0), m_Model->index(m_Model->rowCount() - 1, 0));
    ShowCounts();
}

void TSyslogFrame::AddDropped(uint64_t count)
{
    if (count == 0)
        return;
    m_DroppedCount += count;
    // Shown with the next batch of the list, beside the number of events.
}

void TSyslogFrame::CountDropped(uint64_t count) { AddDropped(count); }

void TSyslogFrame::SetStoreLimit(size_t bytes)
{
    AddDropped(m_Model->SetLimit(bytes));
    ShowCounts();
}

bool TSyslogFrame::ParseMessage(std::string_view text, TSyslogListNode& event)
{
    const std::string_view s = DatagramText(text.data(), text.size());
    TParsedSyslog parsed;
    const bool ok = ParseSyslogText(s, parsed);
    event.Facility = parsed.Facility;
    event.Severity = parsed.Severity;
    // Invalid UTF-8 sequences become U+FFFD here.
    event.Message = QString::fromUtf8(parsed.Message.data(), qsizetype(parsed.Message.size()));
    return ok;
}

void TSyslogFrame::AddDatagram(uint32_t sender, std::string_view text)
{
    TParsedSyslog parsed;
    const std::string_view s = DatagramText(text.data(), text.size());
    ParseSyslogText(s, parsed);
    TStoredEvent event;
    event.Facility = parsed.Facility;
    event.Severity = parsed.Severity;
    event.EventId = ++m_EventCounter;
    // UTC from the system clock: no time-zone work per datagram.
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    event.ReceiveMs = int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    event.Sender = sender;
    event.Read = 0;
    // Bytes that are not valid UTF-8 become U+FFFD when the message is read.
    AddDropped(m_Model->Append(event, parsed.Message));
}

uint32_t TSyslogFrame::CountEvents(uint32_t sender) { return m_Model->Store().Count(sender); }

QString TSyslogFrame::GetFacilityName(uint32_t facility)
{
    return QString::fromLatin1(FacilityName(facility));
}

QString TSyslogFrame::GetSeverityName(uint32_t severity)
{
    const char* name = SeverityName(severity);
    return name ? QString::fromLatin1(name) : QString();
}

namespace {

TSyslogListNode ListNode(const TStoredEvent& event, TLocalTimes& times)
{
    TSyslogListNode node;
    node.Facility = event.Facility;
    node.Severity = event.Severity;
    node.Message = QString::fromUtf8(event.Text, qsizetype(event.Length));
    node.EventId = event.EventId;
    node.ReceiveTime = times.At(event.ReceiveMs);
    node.Sender = event.Sender;
    node.Read = event.Read;
    return node;
}

} // namespace

void TSyslogFrame::GetEntries(uint32_t sender, TSyslogList& list, bool markRead)
{
    TSyslogStore& store = m_Model->Store();
    std::vector<TStoredEvent*> picked;
    picked.reserve(sender != 0 ? store.Count(sender) : store.Size());
    for (size_t i = 0; i < store.Size(); ++i)
        if (sender == 0 || store.At(i).Sender == sender)
            picked.push_back(&store.At(i));
    if (sender == 0)
        std::stable_sort(picked.begin(), picked.end(),
                         [](const TStoredEvent* a, const TStoredEvent* b) { return a->Sender < b->Sender; });
    list.reserve(list.size() + picked.size());
    TLocalTimes times;
    for (TStoredEvent* event : picked) {
        if (markRead)
            event->Read = 1;
        list.push_back(ListNode(*event, times));
    }
}

bool TSyslogFrame::SaveEntries(const TSyslogList& list, const QString& fileName, QString* error)
{
    size_t next = 0;
    return WriteEntriesFile(
        fileName,
        [&](TXmlEntry& entry) {
            if (next == list.size())
                return false;
            const TSyslogListNode& event = list[next++];
            entry.EventId = event.EventId;
            entry.Facility = event.Facility;
            entry.Severity = event.Severity;
            entry.Sender = event.Sender;
            entry.Time = EventDateText(event.ReceiveTime) + QLatin1Char(' ') + EventTimeText(event.ReceiveTime);
            entry.Message = event.Message;
            return true;
        },
        error);
}

bool TSyslogFrame::ExportEvents(const QString& fileName, QString* error)
{
    if (m_Saving) {
        if (error)
            *error = QStringLiteral("a save is already running");
        return false;
    }
    m_Saving = true;
    m_Clear->setEnabled(false);
    m_Save->setEnabled(false);
    struct TDone {
        TSyslogFrame* Frame;
        ~TDone()
        {
            Frame->m_Saving = false;
            Frame->m_Clear->setEnabled(true);
            Frame->m_Save->setEnabled(true);
            ReturnFreeMemory();
        }
    } done{this};

    // The records are copied, a slice at a time with the window's events
    // handled between slices; meanwhile no event gives way to the store's
    // limit, so the positions hold still. The message bytes are shared with
    // the store, which may let them go later without freeing them under the
    // writer.
    const TSyslogStore& store = m_Model->Store();
    const uint64_t clears = m_Model->ClearCount();
    const size_t total = store.Size();
    TStoreSnapshot snapshot = store.BeginSnapshot();
    m_Model->HoldLimit();
    for (size_t first = 0; first < total && m_Model->ClearCount() == clears;) {
        const size_t last = std::min(total, first + SnapshotSlice);
        store.SnapshotEvents(snapshot, first, last);
        first = last;
        if (first < total)
            QCoreApplication::processEvents();
    }
    AddDropped(m_Model->ReleaseLimit());
    ShowCounts();
    if (m_Model->ClearCount() != clears) {
        if (error)
            *error = QStringLiteral("the events were cleared while saving");
        return false;
    }
    const uint32_t lastId = snapshot.Events.empty() ? m_EventCounter : snapshot.Events.back().EventId;
    bool ok = false;
    QString reason;
    QThread* writer = QThread::create([&] {
        const std::vector<uint32_t> order = SenderOrder(snapshot.Events);
        size_t next = 0;
        int64_t cachedSecond = INT64_MIN;
        QString cachedTime;
        ok = WriteEntriesFile(
            fileName,
            [&](TXmlEntry& entry) {
                if (next == order.size())
                    return false;
                const TStoredEvent& event = snapshot.Events[order[next++]];
                entry.EventId = event.EventId;
                entry.Facility = event.Facility;
                entry.Severity = event.Severity;
                entry.Sender = event.Sender;
                // One local-time conversion per second of receive time.
                const int64_t second = event.ReceiveMs / 1000;
                if (second != cachedSecond) {
                    const QDateTime local = EventLocalTime(event.ReceiveMs);
                    cachedTime = EventDateText(local) + QLatin1Char(' ') + EventTimeText(local);
                    cachedSecond = second;
                }
                entry.Time = cachedTime;
                entry.Message = QString::fromUtf8(event.Text, qsizetype(event.Length));
                return true;
            },
            &reason);
    });
    writer->setObjectName(QStringLiteral("syslog-save"));
    // The window keeps handling its events (and storing new ones) while the
    // file is written; a second save or a clear waits for this one.
    QEventLoop loop;
    connect(writer, &QThread::finished, &loop, &QEventLoop::quit);
    writer->start();
    loop.exec();
    writer->wait();
    delete writer;
    snapshot = {};
    if (ok)
        m_LastSavedId = lastId;
    else if (error)
        *error = reason;
    return ok;
}

QString TSyslogFrame::GetCaption() const { return QStringLiteral("Syslog Events"); }

QWidget* TSyslogFrame::GetControl() { return this; }

void TSyslogFrame::Notify(Intp::TDevice*, uint16_t, uint16_t) { show(); }

bool TSyslogFrame::Leave(bool)
{
    hide();
    return true;
}

int TSyslogFrame::Refresh(bool) { return 0; }

void TSyslogFrame::FlushList() { m_Model->Flush(); }

void TSyslogFrame::EventOnClearClick()
{
    const int answer = UserInterface().Message(IUserInterface::IconQuestion, AppTitle,
                                               QStringLiteral("Would you like to save these messages?"),
                                               IUserInterface::Yes | IUserInterface::No | IUserInterface::Cancel);
    if (answer == IUserInterface::Yes) {
        // Events that were not written stay: a cancelled or failed save
        // keeps them.
        if (EventOnSaveClick())
            ClearSavedEvents(m_LastSavedId);
    } else if (answer == IUserInterface::No) {
        ClearEvents();
    }
}

bool TSyslogFrame::EventOnSaveClick()
{
    const QString title = QStringLiteral("Save syslog messages to ...");
    QString name = UserInterface().GetSaveFileName(title, QStringLiteral("syslog"),
                                                   QStringLiteral("Log file (*.log);;All files (*.*)"));
    if (name.isEmpty())
        return false;
    if (QFileInfo(name).suffix().isEmpty()) {
        // The default extension. The dialog asked about the name as typed,
        // so an existing file of the completed name is asked about here.
        name += QStringLiteral(".log");
        if (QFileInfo::exists(name)
            && UserInterface().Message(IUserInterface::IconWarning, title,
                                       QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                           .arg(QFileInfo(name).fileName()),
                                       IUserInterface::Yes | IUserInterface::No)
                   != IUserInterface::Yes)
            return false;
    }
    QString error;
    if (!ExportEvents(name, &error)) {
        ShowError(QStringLiteral("Cannot save the syslog messages to \"%1\": %2").arg(name, error));
        return false;
    }
    return true;
}

void TSyslogFrame::EventOnListViewDblClick(const QModelIndex& index)
{
    if (!index.isValid() || index.row() >= m_Model->rowCount())
        return;
    const TStoredEvent& row = m_Model->Row(index.row());
    const uint32_t sender = row.Sender, eventId = row.EventId;
    TSyslogList list;
    GetEntries(sender, list, true);
    if (m_ViewerHook)
        m_ViewerHook(this, sender, eventId, list);
    else
        TSyslogForm::Show(this, list, QString::fromStdString(Intp::IpToText(sender)), eventId);
}
