// "IGMP Snooping Table": the switch's multicast groups with their VLAN and
// member ports, read-only; each column sorts in its own direction.
#pragma once

#include "EditTable.h"

class TModuleIgmpTable final : public TListPage {
    Q_OBJECT
public:
    explicit TModuleIgmpTable(QWidget* parent);
};
