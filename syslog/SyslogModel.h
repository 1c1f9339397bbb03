// The table model behind the syslog event list. It owns the event store and
// shows its events directly (never a copy, never a widget per row); new
// events are inserted into the view in batches, so a burst of events costs
// one insertion per batch.
#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QIcon>
#include <QString>
#include <QTimer>

#include "SyslogStore.h"

#include <cstdint>

namespace Syslog {

// Date and time texts of an event: the system's short date format and its
// long time format. The list and the XML export both use them.
QString EventDateText(const QDateTime& time);
QString EventTimeText(const QDateTime& time);
// The local date-time of a UTC receive time.
QDateTime EventLocalTime(int64_t receiveMs);

// Local date-times of many receive times. Looking the local time zone up
// is slow (it goes through the C library's time-zone rules), so the offset
// from UTC is looked up once per quarter hour of receive time: offsets
// change only at a quarter hour of UTC in every zone. The date-times carry
// that fixed offset, so they show local wall-clock time and still stand for
// the same instant.
class TLocalTimes {
public:
    QDateTime At(int64_t receiveMs);
    // The offset from UTC in milliseconds at that receive time.
    int64_t OffsetMs(int64_t receiveMs);

private:
    static constexpr int64_t SlotMs = 15 * 60 * 1000;
    int64_t m_Slot = INT64_MIN;
    int64_t m_OffsetMs = 0;
};

// The three severity images (0: severity 0-3, 1: severity 4, 2: 5-7).
const QIcon& SeverityIcon(int index);

class TSyslogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn { ColEventId, ColFacility, ColSeverity, ColHost, ColDate, ColTime, ColMessage, ColCount };

    // Pending rows are inserted at the latest batchMs after the first of them.
    explicit TSyslogModel(QObject* parent = nullptr, int batchMs = 25);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Stores an event at the end; its row is shown with the next batch.
    // When the store passes its limit the oldest events give way; answers
    // how many did.
    size_t Append(const TStoredEvent& event, std::string_view message);
    // Inserts every pending row now.
    void Flush();
    // Removes every event, pending ones included.
    void Clear();
    // Removes the n oldest events.
    void DropOldest(size_t n);
    // Sets the store's byte limit; answers how many events gave way.
    size_t SetLimit(size_t bytes);
    // While held, no event gives way to the limit (the store's positions
    // stay as they are); the release lets the excess go and answers how
    // many events did.
    void HoldLimit() { m_Held = true; }
    size_t ReleaseLimit();
    // Changes with every Clear.
    uint64_t ClearCount() const { return m_Clears; }

    int PendingCount() const { return int(m_Store.Size() - m_Shown); }
    const TStoredEvent& Row(int row) const { return m_Store.At(size_t(row)); }
    TSyslogStore& Store() { return m_Store; }
    const TSyslogStore& Store() const { return m_Store; }

signals:
    // After each batch, with the number of rows now shown.
    void RowsFlushed(int rows);

private:
    // The date and time texts of a receive time. Local time and the
    // locale's formats are looked up once per second of receive time (rows
    // in sight mostly share a second), not for every cell painted.
    const QString& DateText(int64_t receiveMs) const;
    const QString& TimeText(int64_t receiveMs) const;
    void CacheTimeTexts(int64_t receiveMs) const;

    mutable int64_t m_CachedSecond = INT64_MIN;
    mutable QString m_CachedDate, m_CachedTime;
    TSyslogStore m_Store;
    size_t m_Shown = 0; // the first m_Shown events are the rows
    bool m_Held = false;
    uint64_t m_Clears = 0;
    QTimer m_BatchTimer;
};

} // namespace Syslog
