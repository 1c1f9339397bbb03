// "Backup": saves each listed switch's configuration into a file named from
// the prefix and the switch's address, in a local folder (built-in) or on
// a TFTP server (one switch at a time).
#pragma once

#include "ModuleBasicsTransfer.h"

class TModuleBasicsBackup final : public TModuleBasicsTransfer {
    Q_OBJECT
public:
    explicit TModuleBasicsBackup(QWidget* parent);

protected:
    // A switch on the same address as an earlier row would write the same
    // file: its session is not started ("Fail to send request").
    Intp::TSession* NewBuiltinSession(int row, Intp::TDevice* device, bool& ready) override;
    Intp::TSession* NewRemoteSession(int row, Intp::TDevice* device, bool& ready) override;
    uint32_t ReportedState(const void* data, bool builtin) const override;
    // The system's reason the backup file could not be created.
    QString StartFailureReason(const Intp::TSession* session) const override;
};
