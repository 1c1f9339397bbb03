#include "WizardGroupFwFrame.h"

#include "IntpBasics.h"
#include "IntpTransfer.h"
#include "MessageBoxes.h"
#include "PageEditors.h"
#include "Resources.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

QStringList DeviceTexts(Intp::TDevice* d)
{
    const auto& settings = Intp::GetPropertyBasicsSettings(d);
    auto version = [&](uint32_t v) {
        return settings.Valid ? QString::fromStdString(Intp::VersionText(v)) : QStringLiteral("Invalid");
    };
    return {QString::fromStdString(d->GetTypeName()), version(settings.KernelVersion),
            version(settings.FirmwareVersion), QString::fromStdString(Intp::MacToText(d->GetMac())),
            QString::fromStdString(Intp::IpToText(d->GetIp()))};
}

} // namespace

TWizardGroupFwFrame::TWizardGroupFwFrame(QWidget* parent)
    : TWizardSteps(QStringLiteral("Group Firmware Update"), QStringLiteral("Group Firmware Update Wizard"),
                   QStringLiteral("&Upgrade"), parent)
{
    AddStep(QString(), NewDescription({"This wizard helps you to update firmware for a group of devices.", "",
                                       "STEP 1. Select one or more devices to be configured.", "",
                                       "STEP 2. Select the upgrade method, local firmware image or remote tftp server.",
                                       "", "STEP 3. Apply to upgrade selected firmware"},
                                      this));

    TDevicePicker* picker = AddPickerStep({QStringLiteral("Model"), QStringLiteral("Kernel Ver."),
                                           QStringLiteral("Firmware Ver."), QStringLiteral("MAC"), QStringLiteral("IP")},
                                          [](Intp::TDevice* d) { return d->IsLoggedIn(); }, DeviceTexts);
    picker->SetMoveCheck([picker](const std::vector<const TPageRow*>& moving) {
        const TPageList* chosen = picker->Chosen();
        const int64_t model = chosen->RowCount() > 0 ? chosen->Row(0).Loaded[0] : moving.front()->Loaded[0];
        for (const TPageRow* row : moving)
            if (row->Loaded[0] != model) {
                ShowError(QStringLiteral("You cannot select devices of different model!"));
                return false;
            }
        return true;
    });

    QWidget* settings = NewSettings();
    auto* grid = static_cast<QGridLayout*>(settings->layout());
    m_Builtin = new QRadioButton(QStringLiteral("Use &build-in support:"), settings);
    m_Builtin->setChecked(true);
    m_Path = new QLineEdit(settings);
    m_Browse = new QPushButton(Resources::Icon("RC_BITMAP_16X16_OPEN"), QString(), settings);
    m_Path->setAccessibleName(QStringLiteral("Firmware file"));
    m_Browse->setAccessibleName(QStringLiteral("Browse"));
    m_Tftp = new QRadioButton(QStringLiteral("Use &remote tftp server:"), settings);
    m_Server = new TIpEdit(settings);
    m_FileName = new QLineEdit(settings);
    auto* serverLabel = new QLabel(QStringLiteral("&Server:"), settings);
    serverLabel->setBuddy(m_Server);
    auto* fileLabel = new QLabel(QStringLiteral("&Filename:"), settings);
    fileLabel->setBuddy(m_FileName);
    grid->addWidget(m_Builtin, 0, 0, 1, 3);
    grid->addWidget(m_Path, 1, 1);
    grid->addWidget(m_Browse, 1, 2);
    grid->addWidget(m_Tftp, 2, 0, 1, 3);
    grid->addWidget(serverLabel, 3, 0);
    grid->addWidget(m_Server, 3, 1);
    grid->addWidget(fileLabel, 4, 0);
    grid->addWidget(m_FileName, 4, 1);
    m_Settings = {m_Builtin, m_Path, m_Browse, m_Tftp, serverLabel, m_Server, fileLabel, m_FileName};
    AddSettingsStep(QStringLiteral("Select the upgrade method, local firmware image or remote tftp server."), settings,
                    {QStringLiteral("Model"), QStringLiteral("Kernel Ver."), QStringLiteral("Firmware Ver."),
                     QStringLiteral("MAC"), QStringLiteral("IP Address")});

    connect(m_Builtin, &QRadioButton::toggled, this, &TWizardGroupFwFrame::EventOnChoiceClick);
    connect(m_Browse, &QPushButton::clicked, this, &TWizardGroupFwFrame::EventOnBrowseClick);
    // The path is checked again on every edit, not only when it is chosen.
    connect(m_Path, &QLineEdit::textChanged, this, &TWizardGroupFwFrame::UpdateNext);
    connect(m_Server, &TIpEdit::ValueChanged, this, &TWizardGroupFwFrame::UpdateNext);
    connect(m_FileName, &QLineEdit::textChanged, this, &TWizardGroupFwFrame::UpdateNext);
    EventOnChoiceClick();

    OnSettingsEntered([this] {
        m_Images.assign(size_t(Preview()->RowCount()), -1);
        EventOnChoiceClick();
    });
    OnSettingsReady([this] {
        if (m_Builtin->isChecked())
            return !m_Path->text().isEmpty() && QFileInfo(m_Path->text()).isFile();
        return Intp::IsUsableIp(m_Server->Value()) && !m_FileName->text().isEmpty();
    });
    OnEnableSettings([this](bool on) {
        for (QWidget* w : m_Settings)
            w->setEnabled(on);
        if (on)
            EventOnChoiceClick();
    });
    OnFinish([this] { Upgrade(); });
    OnRowReport([this](int row, Intp::TDevice* device, int command, uint16_t status, void* data) {
        ShowUpgradeState(row, device, command, status, data);
    });
}

QIcon TWizardGroupFwFrame::Image(int image)
{
    static const char* const names[] = {"RC_BITMAP_16X16_FIRMWARE", "RC_BITMAP_16X16_ACCEPT", "RC_BITMAP_16X16_CANCEL",
                                        "RC_BITMAP_16X16_TIMER", "RC_BITMAP_16X16_SAVE"};
    return image >= 0 && image <= ImageWritingFlash ? Resources::Icon(names[image]) : QIcon();
}

int TWizardGroupFwFrame::RowImage(int row) const
{
    return row >= 0 && size_t(row) < m_Images.size() ? m_Images[size_t(row)] : -1;
}

void TWizardGroupFwFrame::SetImage(int row, int image)
{
    if (row < 0 || size_t(row) >= m_Images.size() || m_Images[size_t(row)] == image)
        return;
    m_Images[size_t(row)] = image;
    static const char* const texts[] = {"transmitting", "done", "failed", "no answer", "writing flash"};
    Preview()->Model()->SetIcon(row, Image(image),
                                image >= 0 && image <= ImageWritingFlash ? QString::fromLatin1(texts[image]) : QString());
}

void TWizardGroupFwFrame::EventOnChoiceClick()
{
    const bool builtin = m_Builtin->isChecked();
    m_Path->setEnabled(builtin);
    m_Browse->setEnabled(builtin);
    for (QWidget* w : {static_cast<QWidget*>(m_Server), static_cast<QWidget*>(m_FileName)})
        w->setEnabled(!builtin);
    for (QWidget* w : m_Settings)
        if (auto* label = qobject_cast<QLabel*>(w))
            label->setEnabled(!builtin);
    UpdateNext();
}

void TWizardGroupFwFrame::EventOnBrowseClick()
{
    const QString path = UserInterface().GetOpenFileName(QStringLiteral("Open"), m_Path->text(), QString());
    if (!path.isEmpty())
        m_Path->setText(path);
}

void TWizardGroupFwFrame::Upgrade()
{
    m_RunBuiltin = m_Builtin->isChecked();
    const QByteArray name = m_FileName->text().toUtf8();
    const Intp::TRemoteRequest request = Intp::MakeRemoteRequest(
        m_Server->Value(), 69, std::string_view(name.constData(), size_t(name.size())));
    const std::string path = m_Path->text().toStdString();

    m_Images.assign(size_t(Preview()->RowCount()), -1);
    RunRows(
        [&](int) -> Intp::TSession* {
            if (m_RunBuiltin) {
                auto* upload = new Intp::TSessionBasicsUpgradeBuildin;
                if (upload->OpenFile(path))
                    return upload;
                delete upload;
                return nullptr;
            }
            auto* tftp = new Intp::TSessionBasicsUpgradeTftp;
            tftp->SetRequest(request);
            return tftp;
        },
        [this](int row, bool started) { SetImage(row, started ? ImageTransmitting : ImageError); });
}

void TWizardGroupFwFrame::ShowUpgradeState(int row, Intp::TDevice* device, int command, uint16_t status, void* data)
{
    if (!device || command != (m_RunBuiltin ? 0x0100 : 0x010B) || RowImage(row) < 0)
        return;
    if (status == 0) {
        uint32_t state = 0xFFFFFFFFu;
        if (data)
            state = m_RunBuiltin ? static_cast<const Intp::TUploadReplyData*>(data)->State
                                 : *static_cast<const uint32_t*>(data);
        if (state == 2)
            SetImage(row, ImageDone);
        else if (state == 4)
            SetImage(row, ImageError);
        else if (state == 1)
            SetImage(row, ImageWritingFlash);
    } else {
        SetImage(row, status == 0xFF00 ? ImageTimeout : ImageError);
    }
    for (int image : m_Images)
        if (image == ImageTransmitting || image == ImageWritingFlash)
            return;
    EndRun();
}
