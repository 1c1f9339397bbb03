// The status monitor: polls every found switch with Ping2 at a fixed period
// and lists whether it answers, whether its power inputs or ports report a
// fault, and whether its IP address has changed.
#pragma once

#include "Intp.h"
#include "ModuleFrame.h"
#include "StatusModel.h"
#include "StatusServer.h"

#include <QFrame>
#include <functional>
#include <vector>

class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class QSpinBox;
class QTimer;
class QTreeView;

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
    // The rows as the list shows them, top to bottom.
    int RowCount() const;
    Status::TStatusRow* RowAt(int i) const;
    // Selects (or deselects) the whole row at place i of the list.
    void SelectRow(int i, bool selected = true);
    Status::TStatusModel* Model() const { return m_Model; }

    QTreeView* m_List = nullptr;
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
    Status::TStatusModel* m_Model = nullptr;
    int m_SortColumn = -1;
    bool m_SortAscending = true;
    std::function<qint64()> m_Clock;
};
