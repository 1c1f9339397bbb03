// "Port Trunk Status": the type and member ports of every trunk group,
// read-only; each column sorts in its own direction.
#pragma once

#include "EditTable.h"

class TModulePortTrunkStatus final : public TListPage {
    Q_OBJECT
public:
    explicit TModulePortTrunkStatus(QWidget* parent);
};
