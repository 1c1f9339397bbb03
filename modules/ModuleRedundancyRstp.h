// "RSTP Settings": RSTP on or off, the bridge values, and each port's path
// cost, priority and administrative flags.
#pragma once

#include "ModulePage.h"

#include <vector>

class QComboBox;
class QLabel;
class TLimitSpin;
class TPageList;
class TRowEditors;

class TModuleRedundancyRstp final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleRedundancyRstp(QWidget* parent);

protected:
    Intp::TSession* NewGetSession(Intp::TDevice* device, bool shown) override;
    void Clear() override;
    void Fill(Intp::TDevice* device) override;
    Intp::TSession* NewSetSession(Intp::TDevice* device) override;
    void AfterReload(Intp::TDevice* device) override;

private:
    void EventOnModeChange();
    void EventOnListViewHeaderClick(int column);

    QComboBox* m_Mode;
    TLimitSpin* m_BridgePriority;
    TLimitSpin* m_BridgeAge;
    TLimitSpin* m_BridgeHello;
    TLimitSpin* m_BridgeDelay;
    std::vector<QWidget*> m_ModeControls;   // follow "&RSTP Mode:"
    TPageList* m_ListView;
    TRowEditors* m_Editors;
    TLimitSpin* m_PortCost;
    TLimitSpin* m_PortPriority;
};
