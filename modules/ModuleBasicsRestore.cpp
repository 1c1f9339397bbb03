#include "ModuleBasicsRestore.h"

namespace {

TModuleBasicsTransfer::TShape RestoreShape()
{
    TModuleBasicsTransfer::TShape shape;
    shape.Caption = QStringLiteral("Restore");
    shape.PickerCaption = QStringLiteral("&Open");
    shape.PickerTitle = QStringLiteral("Select Configuration Image ...");
    shape.ActionName = QStringLiteral("m_Restore");
    shape.ActionCaption = QStringLiteral("&Restore");
    shape.ActionBitmap = "RC_BITMAP_16X16_RESTORE";
    shape.RebootCaption = QStringLiteral("Re&boot");
    shape.ServerMaxLength = 0;
    shape.BuiltinCode = Intp::TSessionBasicsRestoreBuildin::Command;
    shape.RemoteCode = Intp::TSessionBasicsRestoreTftp::Command;
    return shape;
}

} // namespace

TModuleBasicsRestore::TModuleBasicsRestore(QWidget* parent) : TModuleUploadPage(RestoreShape(), parent) {}
