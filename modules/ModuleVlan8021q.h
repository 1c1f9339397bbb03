// "802.1Q VLAN": GVRP and the management VLAN of switches in 802.1Q mode.
// Also the VLAN unit's read of the VLAN mode, which every VLAN page starts
// before the table it needs.
#pragma once

#include "ModulePage.h"
#include "PageEditors.h"

class QComboBox;
class QLabel;
class TLimitSpin;

// Starts "VlanGet" on every current device; returns the number started.
int RequestVlanMode();

class TModuleVlan8021q final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleVlan8021q(QWidget* parent);

    // Shown: the VLAN mode first (its report goes on to the settings).
    int Refresh(bool shown) override;

    QComboBox* Gvrp() const { return m_Gvrp; }
    TLimitSpin* ManagementVlan() const { return m_ManagementVlan; }

private:
    TChoice* m_Gvrp;
    TLimitSpin* m_ManagementVlan;
    std::vector<QWidget*> m_Controls;
};
