// "Port Statistics": every port's type, link and state with its six traffic
// counters, read-only, and a button that clears the counters on the switch.
#pragma once

#include "EditTable.h"

class QPushButton;

class TModuleMonitorPort final : public TListPage {
    Q_OBJECT
public:
    explicit TModuleMonitorPort(QWidget* parent);

    QPushButton* ClearButton() const { return m_Clear; }
    void EventOnClearClick();

private:
    // One row per port: its status texts and its counters.
    void FillCounters(Intp::TDevice* device);

    QPushButton* m_Clear;
};
