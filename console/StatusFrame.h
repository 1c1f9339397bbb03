// The status monitor: polls every found switch with Ping2 at a fixed period
// and lists whether it answers, whether its power inputs or ports report a
// fault, and whether its IP address has changed.
#pragma once

#include "Intp.h"
#include "ModuleFrame.h"
#include "StatusServer.h"

#include <QFrame>
#include <QTreeWidgetItem>
#include <functional>
#include <limits>
#include <map>
#include <vector>

class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QSpinBox;
class QTimer;
class QTreeWidget;

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
// list asks for them; whoever changes the fields calls Changed() once.
class TStatusRow final : public QTreeWidgetItem {
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

    QVariant data(int column, int role) const override;
    bool operator<(const QTreeWidgetItem& other) const override;
    // Tells the list that the row's fields changed (one change for the row).
    void Changed() { emitDataChanged(); }
    QString IpCell() const;
    // "Last Reported Time": the local time of the last answer.
    QString TimeCell() const;
    QString ToolTip() const;

private:
    QString m_Model;   // the model's description (shared with its other rows)
    // TimeCell() for m_TimeOf, formatted when first asked for.
    mutable QString m_TimeText;
    mutable qint64 m_TimeOf = NotReported;
};

} // namespace Status

class TStatusFrame final : public QFrame, public TModule, public Status::TStatusServer, public Intp::TWizard {
    Q_OBJECT
public:
    explicit TStatusFrame(QWidget* parent = nullptr);
    ~TStatusFrame() override;

    // Status::TStatusServer
    void AddDevices(const std::vector<Intp::TDevice*>& devices) override;
    void AddDevice(Intp::TDevice* device) override;
    uint32_t GetStatusFlags(Intp::TDevice* device) override;

    // Intp::TWizard: the Ping2 results.
    void OnSessionEvent(Intp::TDevice* device, int command, uint16_t status, void* data) override;

    // TModule
    QString GetCaption() const override { return QStringLiteral("Status Monitor"); }
    QWidget* GetControl() override { return this; }
    void Notify(Intp::TDevice* device, uint16_t code, uint16_t status) override;
    bool Leave(bool force) override;
    int Refresh(bool shown) override;

    // One poll pass over every row (the poll timer's tick).
    void PollAll();
    // One beep check (the beep timer's tick).
    void BeepTick();
    void ClearErrors();
    // Where "now" comes from, in UTC milliseconds since the epoch (the
    // system clock by default).
    void SetClock(std::function<qint64()> clock) { m_Clock = std::move(clock); }

    Status::TStatusRow* FindRow(const Intp::TMacAddr& mac) const;

    QTreeWidget* m_List = nullptr;
    QSpinBox* m_Period = nullptr;
    QSpinBox* m_Timeout = nullptr;
    QLabel* m_PeriodRange = nullptr;
    QLabel* m_TimeoutRange = nullptr;
    QCheckBox* m_Beep = nullptr;
    QPushButton* m_ClearError = nullptr;
    QPushButton* m_Refresh = nullptr;
    QTimer* m_PollTimer = nullptr;
    QTimer* m_BeepTimer = nullptr;

private:
    void PollRow(Status::TStatusRow* row, unsigned timeoutMs);
    void EventOnPeriodChange(int period);
    void EventOnHeaderClick(int column);
    void UpdateButtons();

    QMenu* m_Menu = nullptr;
    uint32_t m_NextNumber = 1;
    int m_SortColumn = -1;
    bool m_SortAscending = true;
    std::function<qint64()> m_Clock;
    // The rows by MAC address (rows are never removed), so that a report
    // finds its row without walking the whole list.
    std::map<Intp::TMacAddr, Status::TStatusRow*> m_Rows;
};
