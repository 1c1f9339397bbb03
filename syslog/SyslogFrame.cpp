#include "SyslogFrame.h"
#include "SyslogForm.h"

#include "Intp.h"
#include "ListColumns.h"
#include "MessageBoxes.h"
#include "Resources.h"
#include "SyslogParser.h"

#include <QDomDocument>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>
#include <QVBoxLayout>

namespace Syslog {

namespace {

bool IsXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

QString DottedIp(uint32_t ip) { return QString::fromStdString(Intp::IpToText(ip)); }

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

QByteArray EntriesToXml(const TSyslogList& list)
{
    QDomDocument doc;
    doc.appendChild(doc.createProcessingInstruction(QStringLiteral("xml"),
                                                    QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
    QDomElement root = doc.createElement(QStringLiteral("Syslog"));
    doc.appendChild(root);
    auto addChild = [&doc](QDomElement& parent, const QString& name, const QString& text) {
        QDomElement element = doc.createElement(name);
        element.appendChild(doc.createTextNode(text));
        parent.appendChild(element);
    };
    for (const TSyslogListNode& event : list) {
        QDomElement entry = doc.createElement(QStringLiteral("Entry"));
        entry.setAttribute(QStringLiteral("EventId"), QString::number(event.EventId));
        addChild(entry, QStringLiteral("Facility"), QString::number(event.Facility));
        addChild(entry, QStringLiteral("Severity"), QString::number(event.Severity));
        addChild(entry, QStringLiteral("Address"), DottedIp(event.Sender));
        addChild(entry, QStringLiteral("Time"),
                 XmlSafeText(EventDateText(event.ReceiveTime) + QLatin1Char(' ') + EventTimeText(event.ReceiveTime)));
        addChild(entry, QStringLiteral("Message"), XmlSafeText(event.Message));
        root.appendChild(entry);
    }
    return doc.toByteArray(2);
}

} // namespace Syslog

using namespace Syslog;

TSyslogFrame::TSyslogFrame(QWidget* parent) : QFrame(parent)
{
    m_Label1 = new QLabel(QStringLiteral("Num events:"), this);
    m_Num = new QLabel(QStringLiteral("0"), this);
    m_Clear = new QPushButton(Resources::Icon(QStringLiteral("RC_BITMAP_16X16_CLEAR")), QStringLiteral("&Clear"), this);
    m_Save = new QPushButton(Resources::Icon(QStringLiteral("RC_BITMAP_16X16_SAVE")), QStringLiteral("&Save"), this);

    m_Model = new TSyslogModel(this);
    m_ListView = new QTableView(this);
    m_ListView->setModel(m_Model);
    m_ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ListView->setShowGrid(true);
    m_ListView->setWordWrap(false);
    m_ListView->setSortingEnabled(false);
    m_ListView->setIconSize(QSize(16, 16));
    // Every row has the same fixed height, so the view never measures rows.
    QHeaderView* rows = m_ListView->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 6);
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
    top->addStretch(1);
    top->addWidget(m_Clear);
    top->addWidget(m_Save);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_ListView, 1);

    connect(m_Clear, &QPushButton::clicked, this, &TSyslogFrame::EventOnClearClick);
    connect(m_Save, &QPushButton::clicked, this, [this] { EventOnSaveClick(); });
    connect(m_ListView, &QTableView::doubleClicked, this, &TSyslogFrame::EventOnListViewDblClick);
    connect(m_Model, &TSyslogModel::RowsFlushed, this, [this](int) { m_Num->setText(QString::number(m_Store.size())); });
}

TSyslogFrame::~TSyslogFrame() = default;

void TSyslogFrame::ClearEvents()
{
    m_Store.clear();
    m_Counts.clear();
    m_Model->Clear();
    m_Num->setText(QStringLiteral("0"));
    m_EventCounter = 0;
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
    TSyslogListNode event;
    ParseMessage(text, event);
    event.EventId = ++m_EventCounter;
    event.ReceiveTime = QDateTime::currentDateTime();
    event.Sender = sender;
    event.Read = 0;

    m_Model->Append(TSyslogRow{sender, event.EventId, event.Facility, event.Severity, event.Message,
                               event.ReceiveTime});
    // A multimap inserts after the equal keys, so one sender's events keep
    // their arrival order.
    m_Store.emplace_hint(m_Store.end(), sender, std::move(event));
    ++m_Counts[sender];
}

uint32_t TSyslogFrame::CountEvents(uint32_t sender)
{
    const auto it = m_Counts.find(sender);
    return it == m_Counts.end() ? 0 : it->second;
}

QString TSyslogFrame::GetFacilityName(uint32_t facility)
{
    return QString::fromLatin1(FacilityName(facility));
}

QString TSyslogFrame::GetSeverityName(uint32_t severity)
{
    const char* name = SeverityName(severity);
    return name ? QString::fromLatin1(name) : QString();
}

void TSyslogFrame::GetEntries(uint32_t sender, TSyslogList& list, bool markRead)
{
    auto first = m_Store.begin(), last = m_Store.end();
    if (sender != 0)
        std::tie(first, last) = m_Store.equal_range(sender);
    for (auto it = first; it != last; ++it) {
        if (markRead)
            it->second.Read = 1;
        list.push_back(it->second);
    }
}

bool TSyslogFrame::SaveEntries(const TSyslogList& list, const QString& fileName, QString* error)
{
    // The document goes to a temporary file that replaces the target only
    // once it is complete, so a failed save never leaves a truncated file.
    QSaveFile file(fileName);
    const QByteArray bytes = EntriesToXml(list);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
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
            ClearEvents();
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
    TSyslogList list;
    GetEntries(0, list, false);
    QString error;
    if (!SaveEntries(list, name, &error)) {
        ShowError(QStringLiteral("Cannot save the syslog messages to \"%1\": %2").arg(name, error));
        return false;
    }
    return true;
}

void TSyslogFrame::EventOnListViewDblClick(const QModelIndex& index)
{
    if (!index.isValid() || index.row() >= m_Model->rowCount())
        return;
    const TSyslogRow& row = m_Model->Row(index.row());
    const uint32_t sender = row.Sender, eventId = row.EventId;
    TSyslogList list;
    GetEntries(sender, list, true);
    if (m_ViewerHook)
        m_ViewerHook(this, sender, eventId, list);
    else
        TSyslogForm::Show(this, list, QString::fromStdString(Intp::IpToText(sender)), eventId);
}
