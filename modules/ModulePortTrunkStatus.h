// "Port Trunk Status": the type and member ports of every trunk group,
// read-only; each column sorts in its own direction.
#pragma once

#include "EditTable.h"

class TModulePortTrunkStatus final : public TListPage {
    Q_OBJECT
public:
    explicit TModulePortTrunkStatus(QWidget* parent);

protected:
    // Only the read for a shown page: Refresh(false) starts nothing.
    Intp::TSession* NewGetSession(Intp::TDevice* device, bool shown) override;
    void Fill(Intp::TDevice* device) override;
};
