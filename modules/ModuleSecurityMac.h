// "MAC Blacklist": the addresses the switch refuses.
#pragma once

#include "MacEntryPage.h"

class TModuleSecurityMac final : public TMacEntryPage {
    Q_OBJECT
public:
    explicit TModuleSecurityMac(QWidget* parent);
};
