// "Restore": loads a configuration file into each listed switch, sent by the
// console itself (built-in) or fetched by the switch from a TFTP server.
#pragma once

#include "ModuleBasicsTransfer.h"

class TModuleBasicsRestore final
    : public TModuleUploadPage<Intp::TSessionBasicsRestoreBuildin, Intp::TSessionBasicsRestoreTftp> {
    Q_OBJECT
public:
    explicit TModuleBasicsRestore(QWidget* parent);
};
