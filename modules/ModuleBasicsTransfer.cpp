#include "ModuleBasicsTransfer.h"

#include "MessageBoxes.h"
#include "PageEditors.h"
#include "PageList.h"
#include "PageReads.h"
#include "Resources.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// Keeps the field's text within `bytes` bytes of UTF-8, cutting what is
// typed or pasted past the limit on a character boundary.
void LimitUtf8Bytes(QLineEdit* field, size_t bytes)
{
    field->setMaxLength(int(bytes));
    QObject::connect(field, &QLineEdit::textChanged, field, [field, bytes](const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        if (size_t(utf8.size()) <= bytes)
            return;
        const size_t fit = Intp::Utf8FitLength(std::string_view(utf8.constData(), size_t(utf8.size())), bytes);
        field->setText(QString::fromUtf8(utf8.constData(), qsizetype(fit)));
    });
}

} // namespace

TModuleBasicsTransfer::TModuleBasicsTransfer(const TShape& shape, QWidget* parent)
    : TModuleDeviceList(shape.Caption, parent), m_Shape(shape)
{
    m_TopPanel = new QWidget(this);
    m_TopPanel->setObjectName("m_TopPanel");
    auto* grid = new QGridLayout(m_TopPanel);
    grid->setContentsMargins(0, 0, 0, 0);
    m_rbLocal = new QRadioButton(QStringLiteral("Use &build-in support:"), m_TopPanel);
    m_rbLocal->setObjectName("m_rbLocal");
    m_rbLocal->setChecked(true);
    m_Local = new QLineEdit(m_TopPanel);
    m_Local->setObjectName(shape.Backup ? "m_LocalDir" : "m_LocalFile");
    m_Local->setReadOnly(true);
    m_Local->setAccessibleName(shape.Backup ? QStringLiteral("Local folder") : QStringLiteral("Local file"));
    m_Open = new QPushButton(Resources::Icon("RC_BITMAP_16X16_OPEN"), shape.PickerCaption, m_TopPanel);
    m_Open->setObjectName("m_Open");
    m_rbRemote = new QRadioButton(QStringLiteral("Use &remote tftp server:"), m_TopPanel);
    m_rbRemote->setObjectName("m_rbRemote");
    m_ServerIp = new TIpEdit(m_TopPanel);
    m_ServerIp->setObjectName("m_ServerIp");
    if (shape.ServerMaxLength > 0)
        m_ServerIp->setMaxLength(shape.ServerMaxLength);
    m_ServerLabel = new QLabel(QStringLiteral("&TFTP Server IP:"), m_TopPanel);
    m_ServerLabel->setBuddy(m_ServerIp);
    m_Name = new QLineEdit(m_TopPanel);
    m_NameLabel = new QLabel(shape.Backup ? QStringLiteral("&Filename Prefix:") : QStringLiteral("&File Name:"), m_TopPanel);
    m_NameLabel->setBuddy(m_Name);
    if (shape.Backup) {
        // The prefix and the address make the remote file name, which must
        // fit the request's 32 bytes whole.
        m_Name->setObjectName("m_Prefix");
        LimitUtf8Bytes(m_Name, 12);
        m_Name->setText(QStringLiteral("backup_"));
    } else {
        // The switch asks the server for exactly this name.
        m_Name->setObjectName("m_RemoteFile");
        LimitUtf8Bytes(m_Name, sizeof(Intp::TRemoteRequest::FileName));
    }
    grid->addWidget(m_rbLocal, 0, 0, 1, 3);
    grid->addWidget(m_Local, 1, 0, 1, 2);
    grid->addWidget(m_Open, 1, 2);
    grid->addWidget(m_rbRemote, 2, 0, 1, 3);
    grid->addWidget(m_ServerLabel, 3, 0);
    grid->addWidget(m_ServerIp, 3, 1);
    grid->addWidget(m_NameLabel, 4, 0);
    grid->addWidget(m_Name, 4, 1);
    grid->setColumnStretch(1, 1);
    PageLayout()->insertWidget(0, m_TopPanel);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_Action = new QPushButton(Resources::Icon(shape.ActionBitmap), shape.ActionCaption, this);
    m_Action->setObjectName(shape.ActionName);
    buttons->addWidget(m_Action);
    if (!shape.RebootCaption.isEmpty()) {
        m_Reboot = new QPushButton(Resources::Icon("RC_BITMAP_16X16_REBOOT"), shape.RebootCaption, this);
        m_Reboot->setObjectName("m_Reboot");
        buttons->addWidget(m_Reboot);
        connect(m_Reboot, &QPushButton::clicked, this, &TModuleBasicsTransfer::EventOnRebootClick);
    }
    PageLayout()->addLayout(buttons);
    SetDefaultButton(m_Action);
    OnReloaded([this](Intp::TDevice*) { EnableInputs(); });

    connect(m_rbLocal, &QRadioButton::toggled, this, &TModuleBasicsTransfer::ApplySchemeRule);
    connect(m_ServerIp, &QLineEdit::textChanged, this, &TModuleBasicsTransfer::ApplyServerRule);
    connect(m_Name, &QLineEdit::textChanged, this, &TModuleBasicsTransfer::ApplyServerRule);
    connect(m_Open, &QPushButton::clicked, this, &TModuleBasicsTransfer::EventOnOpenClick);
    connect(m_Action, &QPushButton::clicked, this, &TModuleBasicsTransfer::EventOnActionClick);
}

TModuleBasicsTransfer::TShape TModuleBasicsTransfer::UploadShape(const QString& kind, const QString& pickerTitle,
                                                                 const char* actionBitmap, const QString& rebootCaption,
                                                                 uint16_t builtinCode, uint16_t remoteCode)
{
    TShape shape;
    shape.Caption = kind;
    shape.PickerCaption = QStringLiteral("&Open");
    shape.PickerTitle = pickerTitle;
    shape.ActionName = QStringLiteral("m_") + kind;
    shape.ActionCaption = QStringLiteral("&") + kind;
    shape.ActionBitmap = actionBitmap;
    shape.RebootCaption = rebootCaption;
    shape.BuiltinCode = builtinCode;
    shape.RemoteCode = remoteCode;
    return shape;
}

bool TModuleBasicsTransfer::IsBuiltin() const { return m_rbLocal->isChecked(); }

bool TModuleBasicsTransfer::IsRemoteBackup() const { return m_Shape.Backup && !IsBuiltin(); }

std::string TModuleBasicsTransfer::LocalPath() const { return m_Local->text().toStdString(); }

QString TModuleBasicsTransfer::NameText() const { return m_Name->text(); }

Intp::TRemoteRequest TModuleBasicsTransfer::RemoteRequest(const QString& fileName) const
{
    const QByteArray utf8 = fileName.toUtf8();
    return Intp::MakeRemoteRequest(m_ServerIp->Value(), Intp::TftpServerPort,
                                   std::string_view(utf8.constData(), size_t(utf8.size())));
}

uint32_t TModuleBasicsTransfer::UploadState(const void* data, bool builtin)
{
    if (!data)
        return Intp::TftpStateTransmitting;
    if (builtin)
        return static_cast<const Intp::TUploadReplyData*>(data)->State;
    return *static_cast<const uint32_t*>(data);
}

bool TModuleBasicsTransfer::SharesAddressWithEarlierRow(int row) const
{
    const Intp::TDevice* device = RowDevice(row);
    if (!device)
        return false;
    for (int earlier = 0; earlier < row; ++earlier) {
        const Intp::TDevice* other = RowDevice(earlier);
        if (other && other->GetIp() == device->GetIp())
            return true;
    }
    return false;
}

void TModuleBasicsTransfer::EnableInputs()
{
    bool sameModel = true;
    for (int row = 1; row < RowCount(); ++row) {
        const Intp::TDevice* first = RowDevice(0);
        const Intp::TDevice* device = RowDevice(row);
        if (first && device && device->GetType() != first->GetType())
            sameModel = false;
    }
    m_InputsEnabled = RowCount() > 0 && (m_Shape.Backup || sameModel);
    m_TopPanel->setEnabled(true);
    for (QWidget* w : std::initializer_list<QWidget*>{m_rbLocal, m_rbRemote, m_Local, m_Open, m_ServerLabel,
                                                      m_ServerIp, m_NameLabel, m_Name})
        w->setEnabled(m_InputsEnabled);
    m_Action->setEnabled(false);
    if (m_Reboot)
        m_Reboot->setEnabled(false);
    ApplySchemeRule();
}

bool TModuleBasicsTransfer::LocalReady() const
{
    const QFileInfo info(m_Local->text());
    return !m_Local->text().isEmpty() && (m_Shape.Backup ? info.isDir() : info.isFile());
}

void TModuleBasicsTransfer::ApplySchemeRule()
{
    if (!m_InputsEnabled || IsBusy())
        return;
    const bool local = IsBuiltin();
    m_Local->setEnabled(local);
    m_Open->setEnabled(local);
    m_ServerLabel->setEnabled(!local);
    m_ServerIp->setEnabled(!local);
    m_NameLabel->setEnabled(m_Shape.Backup || !local);
    m_Name->setEnabled(m_Shape.Backup || !local);
    if (local)
        m_Action->setEnabled(LocalReady());
    else
        ApplyServerRule();
}

void TModuleBasicsTransfer::ApplyServerRule()
{
    if (!m_InputsEnabled || IsBusy() || IsBuiltin())
        return;
    m_Action->setEnabled(Intp::IsUsableIp(m_ServerIp->Value()) && (m_Shape.Backup || !m_Name->text().isEmpty()));
}

void TModuleBasicsTransfer::EventOnOpenClick()
{
    const QString path = m_Shape.Backup ? UserInterface().GetExistingDirectory(m_Shape.PickerTitle, m_Local->text())
                                        : UserInterface().GetOpenFileName(m_Shape.PickerTitle, m_Local->text(), QString());
    if (path.isEmpty())
        return;
    m_Local->setText(path);
    ApplySchemeRule();
}

void TModuleBasicsTransfer::EventOnRebootClick() { StartRebootSessions(nullptr); }

void TModuleBasicsTransfer::EventOnActionClick()
{
    if (!m_Action->isEnabled() || IsBusy())
        return;
    ClearRowImages();
    if (StartFrom(0) == 0)
        return;   // the rows say why
    SetBusy(true);
    EnableRunControls(false);
}

void TModuleBasicsTransfer::EnableRunControls(bool on)
{
    m_Action->setEnabled(on);
    m_TopPanel->setEnabled(on);
    if (m_Reboot)
        m_Reboot->setEnabled(on);
}

int TModuleBasicsTransfer::StartFrom(int row)
{
    const bool builtin = IsBuiltin();
    const TRowFactory make = [this, builtin, &row](Intp::TDevice* device, bool& ready) {
        return builtin ? NewBuiltinSession(row, device, ready) : NewRemoteSession(row, device, ready);
    };
    const QString running = QStringLiteral("Transmitting");
    if (IsRemoteBackup()) {
        for (; row < RowCount(); ++row)
            if (StartRow(row, make, running))
                return 1;
        return 0;
    }
    int started = 0;
    for (; row < RowCount() && started < BatchSize; ++row)
        started += StartRow(row, make, running) ? 1 : 0;
    return started;
}

void TModuleBasicsTransfer::OnRunEvent(Intp::TDevice* device, int command, uint16_t status, void* data)
{
    const bool builtin = IsBuiltin();
    if (!IsBusy() || !device || command != (builtin ? m_Shape.BuiltinCode : m_Shape.RemoteCode))
        return;
    // The page stays busy while any row is transmitting or writing flash.
    bool busy = false;
    int running = 0;
    int next = -1;
    int backupAfter = -1;
    for (int row = 0; row < RowCount(); ++row) {
        if (!IsRowOf(row, device)) {
            const int image = RowImage(row);
            if (image == ImageRunning) {
                busy = true;
                ++running;
            } else if (image == ImageFlash) {
                busy = true;
            } else if (image == ImageNone && next < 0) {
                next = row;
            }
            continue;
        }
        bool ended = true;
        if (status != Intp::StatusOk) {
            SetRowFailure(row, status);
            // A backup file that could not be written: the system's reason.
            const int fileError = m_Shape.Backup && builtin && data && status == Intp::StatusTableError
                                      ? static_cast<const Intp::TBackupReplyData*>(data)->FileError
                                      : 0;
            if (fileError != 0)
                SetRowState(row, ImageFailed,
                            QStringLiteral("Error: 0x%1 (%2)")
                                .arg(status, 4, 16, QLatin1Char('0'))
                                .arg(SystemErrorText(fileError)));
        } else {
            switch (ReportedState(data, builtin)) {
            case Intp::UploadStateDone:
                SetRowState(row, ImageDone, QStringLiteral("Done"));
                break;
            case Intp::UploadStateError:
                SetRowState(row, ImageFailed, QStringLiteral("Error"));
                break;
            case Intp::UploadStateWriting:
                SetRowState(row, ImageFlash, QStringLiteral("Writing flash"));
                busy = true;
                ended = false;
                break;
            default:   // a block went through
                ++running;
                busy = true;
                ended = false;
                break;
            }
        }
        if (ended && IsRemoteBackup())
            backupAfter = row + 1;
    }
    if (IsRemoteBackup()) {
        if (backupAfter >= 0 && StartFrom(backupAfter) > 0)
            busy = true;
    } else if (running == 0 && next >= 0 && StartFrom(next) > 0) {
        busy = true;
    }
    SetBusy(busy);
    EnableRunControls(!busy);
}
