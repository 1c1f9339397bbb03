// "VLAN Table": the switch's VLANs with their member ports, from the
// port-based table or the 802.1Q membership table as the VLAN mode says.
#pragma once

#include "ModulePage.h"

class TPageList;

class TModuleVlanTable final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleVlanTable(QWidget* parent);

    // Only the page on view reads: the mode, then the mode's table.
    int Refresh(bool shown) override;

    TPageList* List() const { return m_List; }

private:
    void AddVlanRow(uint32_t vlanId, uint32_t untagged, const QString& tagged);
    void FillRows(Intp::TDevice* device);

    TPageList* m_List;
};
