// The table model behind the syslog event list. Rows are plain records
// (never a widget per row); new rows wait in a pending batch and are
// inserted together, so a burst of events costs one insertion per batch.
#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QIcon>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <vector>

namespace Syslog {

// One list row: what the row shows and its key {sender, event id}.
struct TSyslogRow {
    uint32_t Sender = 0;
    uint32_t EventId = 0;
    uint32_t Facility = 0;
    uint32_t Severity = 0;
    QString Message;
    QDateTime ReceiveTime;
};

// Date and time texts of an event: the system's short date format and its
// long time format. The list and the XML export both use them.
QString EventDateText(const QDateTime& time);
QString EventTimeText(const QDateTime& time);

// The three severity images (0: severity 0-3, 1: severity 4, 2: 5-7).
const QIcon& SeverityIcon(int index);

class TSyslogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn { ColEventId, ColFacility, ColSeverity, ColHost, ColDate, ColTime, ColMessage, ColCount };

    // Pending rows are inserted at the latest batchMs after the first of them.
    explicit TSyslogModel(QObject* parent = nullptr, int batchMs = 50);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Queues a row at the end; it is shown with the next batch.
    void Append(TSyslogRow row);
    // Inserts every pending row now.
    void Flush();
    // Removes every row, pending ones included.
    void Clear();

    int PendingCount() const { return int(m_Pending.size()); }
    const TSyslogRow& Row(int row) const { return m_Rows[size_t(row)]; }

signals:
    // After each batch, with the number of rows now shown.
    void RowsFlushed(int rows);

private:
    std::deque<TSyslogRow> m_Rows; // grows without moving what it holds
    std::vector<TSyslogRow> m_Pending;
    QTimer m_BatchTimer;
};

} // namespace Syslog
