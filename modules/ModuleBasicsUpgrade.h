// "Upgrade": loads a firmware image into each listed switch, sent by the
// console itself (built-in) or fetched by the switch from a TFTP server.
#pragma once

#include "ModuleBasicsTransfer.h"

class TModuleBasicsUpgrade final
    : public TModuleUploadPage<Intp::TSessionBasicsUpgradeBuildin, Intp::TSessionBasicsUpgradeTftp> {
    Q_OBJECT
public:
    explicit TModuleBasicsUpgrade(QWidget* parent);
};
