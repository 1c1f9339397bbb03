#include "ModuleBasicsBackup.h"

namespace {

TModuleBasicsTransfer::TShape BackupShape()
{
    TModuleBasicsTransfer::TShape shape;
    shape.Caption = QStringLiteral("Backup");
    shape.Backup = true;
    shape.PickerCaption = QStringLiteral("&Save ...");
    shape.PickerTitle = QStringLiteral("Save in ...");
    shape.ActionName = QStringLiteral("m_Backup");
    shape.ActionCaption = QStringLiteral("&Backup");
    shape.ActionBitmap = "RC_BITMAP_16X16_BACKUP";
    shape.BuiltinCode = Intp::TSessionBasicsBackupBuildin::Command;
    shape.RemoteCode = Intp::TSessionBasicsBackupTftp::Command;
    return shape;
}

} // namespace

TModuleBasicsBackup::TModuleBasicsBackup(QWidget* parent) : TModuleBasicsTransfer(BackupShape(), parent) {}

Intp::TSession* TModuleBasicsBackup::NewBuiltinSession(int row, Intp::TDevice* device, bool& ready)
{
    auto* session = new (std::nothrow) Intp::TSessionBasicsBackupBuildin;
    if (!session)
        return nullptr;
    ready = !SharesAddressWithEarlierRow(row);
    if (ready)
        session->OpenFile(Intp::BackupFileName(LocalPath(), NameText().toStdString(), device->GetIp()));
    return session;
}

Intp::TSession* TModuleBasicsBackup::NewRemoteSession(int row, Intp::TDevice* device, bool& ready)
{
    auto* session = new (std::nothrow) Intp::TSessionBasicsBackupTftp;
    if (!session)
        return nullptr;
    ready = !SharesAddressWithEarlierRow(row);
    session->SetRequest(RemoteRequest(NameText() + QString::fromStdString(Intp::IpToText(device->GetIp())) +
                                      QStringLiteral(".bin")));
    return session;
}

uint32_t TModuleBasicsBackup::ReportedState(const void* data, bool builtin) const
{
    if (builtin)
        return data ? static_cast<const Intp::TBackupReplyData*>(data)->State : uint32_t(Intp::BackupStateProgress);
    return UploadState(data, false);
}

QString TModuleBasicsBackup::StartFailureReason(const Intp::TSession* session) const
{
    const auto* backup = dynamic_cast<const Intp::TSessionBasicsBackupBuildin*>(session);
    return backup && backup->FileError() != 0 ? SystemErrorText(backup->FileError()) : QString();
}
