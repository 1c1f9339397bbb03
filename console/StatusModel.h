// The status monitor's rows and the item model its list shows.
//
// Every found switch has one row, and every poll answer changes one, so a
// first discovery of thousands of switches changes thousands of rows within
// a few frames. The model keeps its rows in a vector in view order, each row
// knowing its place, and finds a row by MAC address through a map: a change
// costs no search. Changes are gathered and told to the view once per frame
// as one range of rows, since a view looks up each changed index among all
// of its rows.
#pragma once

#include "Intp.h"
#include "PaintThrottle.h"
#include "StatusServer.h"

#include <QAbstractTableModel>
#include <QBasicTimer>
#include <QColor>
#include <QString>
#include <QVariant>

#include <deque>
#include <limits>
#include <map>
#include <vector>

namespace Status {

// The "Status" text of a row from its status bits and its last Ping2 alarms.
QString StatusText(uint32_t bits, uint32_t powerAlarm, uint32_t portAlarm);
// The row colour: by the first of offline, query failed, IP different,
// alarm; invalid (drawn normally) when no bit is set.
QColor StatusColor(uint32_t bits);
// The text colour on a row of that colour: black or white, whichever reads
// better on it (black on every row colour); invalid when no bit is set.
QColor StatusTextColor(uint32_t bits);
// The colour of a selected row: the row's colour darkened, so that a
// selected row never looks like an unselected one; invalid when no bit is
// set (the list's own selection colour).
QColor SelectedStatusColor(uint32_t bits);
// The list's own selection colour: a dark grey that no row colour is
// mistaken for.
QColor SelectionColor();

// The item data role that holds a row's status bits in each of its cells.
constexpr int StatusBitsRole = Qt::UserRole + 1;

// One monitored switch. Its cells are computed from its fields when the
// list asks for them; whoever changes the fields tells the model once
// (TStatusModel::Changed).
class TStatusRow final {
public:
    enum Column { ColNumber, ColIp, ColMac, ColModel, ColTime, ColStatus, ColumnCount };
    // LastReported before the first answer.
    static constexpr qint64 NotReported = std::numeric_limits<qint64>::min();

    TStatusRow(uint32_t number, uint32_t ip, const Intp::TMacAddr& mac, const QString& model);

    uint32_t Number = 0;
    uint32_t Ip = 0;               // the recorded address
    Intp::TMacAddr Mac;
    uint32_t Bits = 0;
    uint32_t PowerAlarm = 0;       // from the last successful poll
    uint32_t PortAlarm = 0;
    uint32_t NowIp = 0;            // the address of the last answer (shown while StatusIpDifferent)
    qint64 LastReported = NotReported;   // UTC milliseconds since the epoch
    int Image = 0;                 // 0 online, 1 offline

    // What the list shows of the row in a column, for an item data role.
    QVariant Data(int column, int role) const;
    // The text of a cell.
    QString Text(int column) const;
    // The order of a header-click sort by `column`: the number, addresses
    // and time by value (no answer first), the other columns by their text.
    static bool Less(const TStatusRow& a, const TStatusRow& b, int column);
    QString IpCell() const;
    // "Last Reported Time": the local time of the last answer.
    QString TimeCell() const;
    QString ToolTip() const;
    // The row's place in the model (and so in the list).
    int Position() const { return m_Position; }

private:
    friend class TStatusModel;
    int m_Position = 0;
    QString m_Model;   // the model's description (shared with its other rows)
    // TimeCell() for m_TimeOf, formatted when first asked for.
    mutable QString m_TimeText;
    mutable qint64 m_TimeOf = NotReported;
};

// The rows of the status monitor in list order. Rows are never removed.
class TStatusModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    // How long changes are gathered before the view hears of them: as long
    // as the lists wait between paints.
    static constexpr int ChangeIntervalMs = PaintThrottleMs;

    explicit TStatusModel(QObject* parent = nullptr);
    ~TStatusModel() override;

    // A row for each device whose MAC address has none yet (in the order
    // given, numbered on from the last row), added at the end in one
    // insertion. Returns the rows added.
    std::vector<TStatusRow*> Add(const std::vector<Intp::TDevice*>& devices);
    TStatusRow* Find(const Intp::TMacAddr& mac) const;
    int RowCount() const { return int(m_Order.size()); }
    // The row at a place of the list.
    TStatusRow* Row(int position) const { return m_Order[size_t(position)]; }

    // Tells the views that the row's fields changed: at the end of the
    // frame, together with the other rows changed in it.
    void Changed(const TStatusRow* row);
    // Tells the views of the gathered changes now.
    void FlushChanges();
    bool ChangesPending() const { return m_DirtyFirst <= m_DirtyLast; }

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A stable sort by TStatusRow::Less (descending: equal rows keep their
    // order too); selections and other persistent indexes follow their rows.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    static constexpr int NoneDirty = std::numeric_limits<int>::max();

    std::deque<TStatusRow> m_Storage;     // the rows; a deque keeps their addresses
    std::vector<TStatusRow*> m_Order;     // the rows in list order
    std::map<Intp::TMacAddr, TStatusRow*> m_ByMac;
    uint32_t m_NextNumber = 1;
    // The rows changed since the views were last told (none when first > last).
    int m_DirtyFirst = NoneDirty;
    int m_DirtyLast = -1;
    QBasicTimer m_FlushTimer;
};

} // namespace Status
