// "MAC Blacklist": the addresses the switch refuses.
#pragma once

#include "MacEntryPage.h"

class TModuleSecurityMac final : public TMacEntryPage {
    Q_OBJECT
public:
    explicit TModuleSecurityMac(QWidget* parent);

protected:
    Intp::TSession* NewGetSession(Intp::TDevice* device, bool shown) override;
    void Fill(Intp::TDevice* device) override;
    bool IsListed(const Intp::TMacAddr& mac) const override;
    Intp::TSession* NewAddSession(Intp::TDevice* device, const Intp::TMacAddr& mac) override;
    Intp::TSession* NewDelSession(Intp::TDevice* device, const Intp::TMacAddr& mac) override;
};
