// "Port Statistics": every port's type, link and state with its six traffic
// counters, read-only, and a button that clears the counters on the switch.
#pragma once

#include "EditTable.h"

class QPushButton;

class TModuleMonitorPort final : public TListPage {
    Q_OBJECT
public:
    explicit TModuleMonitorPort(QWidget* parent);
    // Shown: the port status first, whose report starts the counters' read.
    int Refresh(bool shown) override { return shown ? RequestPortStatus() : TListPage::Refresh(false); }

    QPushButton* ClearButton() const { return m_Clear; }
    void EventOnClearClick();

protected:
    void Fill(Intp::TDevice* device) override;

private:
    QPushButton* m_Clear;
};
