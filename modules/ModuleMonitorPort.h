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

protected:
    // Shown: the port status first, whose report starts the counters' read.
    Intp::TSession* NewGetSession(Intp::TDevice* device, bool shown) override;
    void Fill(Intp::TDevice* device) override;

private:
    QPushButton* m_Clear;
};
