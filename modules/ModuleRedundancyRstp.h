// "RSTP Settings": RSTP on or off, the bridge values, and each port's path
// cost, priority and administrative flags.
#pragma once

#include "ModulePage.h"
#include "PageEditors.h"

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

private:
    // The bridge values and a row per port: the switch's, or the defaults.
    void FillBridgeAndPorts(Intp::TDevice* device);
    // The Set of the bridge values and every row's edited values.
    Intp::TSession* NewRstpSet() const;
    void EventOnModeChange();
    void EventOnListViewHeaderClick(int column);

    TChoice* m_Mode;
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
