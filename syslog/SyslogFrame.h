// The "Syslog Events" page: the event store of received syslog datagrams,
// its list, and the XML export.
#pragma once

#include "Module.h"
#include "SyslogListView.h"
#include "SyslogModel.h"

#include <QDateTime>
#include <QFrame>
#include <QString>

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

class QLabel;
class QPushButton;

namespace Syslog {

// One stored event.
struct TSyslogListNode {
    uint32_t Facility = 16;
    uint32_t Severity = 3;
    QString Message;
    uint32_t EventId = 0;
    QDateTime ReceiveTime;
    uint32_t Sender = 0; // IPv4, host byte order
    uint8_t Read = 0;
};

// Copies of stored events, owned by whoever asked for them.
using TSyslogList = std::vector<TSyslogListNode>;

// The syslog frame as other parts of the console see it.
class TSyslogServer {
public:
    virtual ~TSyslogServer() = default;
    virtual void ClearEvents() = 0;
    virtual bool ParseMessage(std::string_view text, TSyslogListNode& event) = 0;
    virtual void AddDatagram(uint32_t sender, std::string_view text) = 0;
    virtual uint32_t CountEvents(uint32_t sender) = 0;
    virtual QString GetFacilityName(uint32_t facility) = 0;
    // A null text for severities of 8 and above.
    virtual QString GetSeverityName(uint32_t severity) = 0;
    // Sender 0: every event. Store order: by sender address, then arrival.
    virtual void GetEntries(uint32_t sender, TSyslogList& list, bool markRead) = 0;
    // False (with the reason in error) when the file could not be written;
    // an existing file is then left as it was.
    virtual bool SaveEntries(const TSyslogList& list, const QString& fileName, QString* error = nullptr) = 0;
    // Datagrams that were received but could not be kept (the receive queue
    // was full); they are counted with the dropped events.
    virtual void CountDropped(uint64_t count) { (void)count; }
};

// Makes an XML-safe copy of a message. XML 1.0 allows neither most control
// characters nor U+FFFE/U+FFFF, not even as character references, so:
// - U+0001..U+001F other than tab, line feed and carriage return become the
//   matching "control picture" U+2401..U+241F (U+0000 becomes U+2400);
// - U+FFFE, U+FFFF and unpaired surrogates become U+FFFD;
// - everything else (tab, line feed, carriage return, DEL and the C1 range
//   included) is kept and written escaped where XML needs it.
// Bytes of a datagram that are not valid UTF-8 were already replaced with
// U+FFFD when the datagram was decoded.
QString XmlSafeText(const QString& text);

// One "Entry" of the XML export.
struct TXmlEntry {
    uint32_t EventId = 0;
    uint32_t Facility = 0;
    uint32_t Severity = 0;
    uint32_t Sender = 0;
    QString Time;    // local date and time text
    QString Message;
};
// Fills the next entry; false when there is none left.
using TXmlEntrySource = std::function<bool(TXmlEntry&)>;

// Streams the export document into fileName: the entries are written as
// they come, so the document is never held in memory whole. The file is
// replaced only once it is complete; false (with the reason in error) when
// it could not be written, the old file then left as it was.
bool WriteEntriesFile(const QString& fileName, const TXmlEntrySource& next, QString* error = nullptr);

} // namespace Syslog

class TSyslogFrame : public QFrame, public TModule, public Syslog::TSyslogServer {
    Q_OBJECT
public:
    // Questions, the save dialog and error boxes go through UserInterface().
    explicit TSyslogFrame(QWidget* parent = nullptr);
    ~TSyslogFrame() override;

    // Syslog::TSyslogServer
    void ClearEvents() override;
    bool ParseMessage(std::string_view text, Syslog::TSyslogListNode& event) override;
    void AddDatagram(uint32_t sender, std::string_view text) override;
    uint32_t CountEvents(uint32_t sender) override;
    QString GetFacilityName(uint32_t facility) override;
    QString GetSeverityName(uint32_t severity) override;
    void GetEntries(uint32_t sender, Syslog::TSyslogList& list, bool markRead) override;
    bool SaveEntries(const Syslog::TSyslogList& list, const QString& fileName, QString* error = nullptr) override;
    void CountDropped(uint64_t count) override;

    // TModule: the "Syslog Events" page of the main tree.
    QString GetCaption() const override;
    QWidget* GetControl() override;
    void Notify(Intp::TDevice* device, uint16_t code, uint16_t status) override;
    bool Leave(bool force) override;
    int Refresh(bool shown) override;

    // Opens the message viewer on the events of one sender, with the
    // double-clicked event selected; the list is released afterwards.
    using TViewerHook = std::function<void(QWidget* parent, uint32_t sender, uint32_t eventId, const Syslog::TSyslogList& list)>;
    void SetViewerHook(TViewerHook hook) { m_ViewerHook = std::move(hook); }

    // Shows every event stored so far in the list now (normally the list
    // catches up in batches).
    void FlushList();

    uint32_t EventCount() const { return uint32_t(m_Model->Store().Size()); }
    // Events that were received but are no longer stored (the oldest that
    // gave way to the store's limit, and datagrams the receive queue could
    // not take) since the last clear; shown beside the number of events.
    uint64_t DroppedCount() const { return m_DroppedCount; }
    // The bytes the event store may hold (a generous default).
    void SetStoreLimit(size_t bytes);
    size_t StoreBytes() const { return m_Model->Store().Bytes(); }
    // Writes every stored event (by sender, then arrival) to fileName. The
    // document is written by a worker thread while the window keeps
    // handling its events; answers when the file is complete.
    bool ExportEvents(const QString& fileName, QString* error = nullptr);
    bool IsSaving() const { return m_Saving; }
    Syslog::TSyslogModel* Model() const { return m_Model; }
    Syslog::TSyslogListView* ListView() const { return m_ListView; }
    QLabel* NumLabel() const { return m_Num; }
    QLabel* DroppedLabel() const { return m_Dropped; }

    void EventOnClearClick();
    // True when the events were written to a file.
    bool EventOnSaveClick();
    void EventOnListViewDblClick(const QModelIndex& index);

private:
    void AddDropped(uint64_t count);
    // The number of events, and of dropped ones when there are any.
    void ShowCounts();
    // Clears after a save: events stored while the file was being written
    // stay, numbered from 1 again.
    void ClearSavedEvents(uint32_t lastSavedId);

    uint32_t m_EventCounter = 0;
    uint64_t m_DroppedCount = 0;
    uint32_t m_LastSavedId = 0;
    bool m_Saving = false;
    TViewerHook m_ViewerHook;

    QLabel* m_Label1;
    QLabel* m_Num;
    QLabel* m_Dropped;
    QPushButton* m_Clear;
    QPushButton* m_Save;
    Syslog::TSyslogListView* m_ListView;
    Syslog::TSyslogModel* m_Model;
};
