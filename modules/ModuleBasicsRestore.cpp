#include "ModuleBasicsRestore.h"

TModuleBasicsRestore::TModuleBasicsRestore(QWidget* parent)
    : TModuleUploadPage(UploadShape(QStringLiteral("Restore"), QStringLiteral("Select Configuration Image ..."),
                                    "RC_BITMAP_16X16_RESTORE", QStringLiteral("Re&boot"),
                                    Intp::TSessionBasicsRestoreBuildin::Command, Intp::TSessionBasicsRestoreTftp::Command),
                        parent)
{
}
