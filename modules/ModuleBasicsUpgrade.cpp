#include "ModuleBasicsUpgrade.h"

namespace {

TModuleBasicsTransfer::TShape UpgradeShape()
{
    auto shape = TModuleBasicsTransfer::UploadShape(
        QStringLiteral("Upgrade"), QString(), "RC_BITMAP_16X16_FIRMWARE", QStringLiteral("&Reboot"),
        Intp::TSessionBasicsUpgradeBuildin::Command, Intp::TSessionBasicsUpgradeTftp::Command);
    shape.ServerMaxLength = 15;   // the server field of this page only
    return shape;
}

} // namespace

TModuleBasicsUpgrade::TModuleBasicsUpgrade(QWidget* parent) : TModuleUploadPage(UpgradeShape(), parent) {}
