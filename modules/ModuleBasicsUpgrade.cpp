#include "ModuleBasicsUpgrade.h"

namespace {

TModuleBasicsTransfer::TShape UpgradeShape()
{
    TModuleBasicsTransfer::TShape shape;
    shape.Caption = QStringLiteral("Upgrade");
    shape.PickerCaption = QStringLiteral("&Open");
    shape.PickerTitle = QString();
    shape.ActionName = QStringLiteral("m_Upgrade");
    shape.ActionCaption = QStringLiteral("&Upgrade");
    shape.ActionBitmap = "RC_BITMAP_16X16_FIRMWARE";
    shape.RebootCaption = QStringLiteral("&Reboot");
    shape.ServerMaxLength = 15;
    shape.BuiltinCode = Intp::TSessionBasicsUpgradeBuildin::Command;
    shape.RemoteCode = Intp::TSessionBasicsUpgradeTftp::Command;
    return shape;
}

} // namespace

TModuleBasicsUpgrade::TModuleBasicsUpgrade(QWidget* parent) : TModuleUploadPage(UpgradeShape(), parent) {}
