#include "ModuleWarningSyslog.h"

#include "IntpWarning.h"
#include "PageEditors.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace {

enum : int64_t { ModeDisable, ModeClient, ModeServer, ModeBoth };

} // namespace

TModuleWarningSyslog::TModuleWarningSyslog(QWidget* parent) : TModulePage(QStringLiteral("Syslog Settings"), parent)
{
    auto* form = new QFormLayout;
    m_Mode = NewChoice({QStringLiteral("Disable"), QStringLiteral("Client Only"), QStringLiteral("Server Only"),
                        QStringLiteral("Both")},
                       this);
    m_Mode->setObjectName("m_Mode");
    m_ModeLabel = AddFormRow(form, QStringLiteral("&Mode:"), m_Mode);
    m_Address = new TIpEdit(this);
    m_Address->setObjectName("m_Address");
    m_AddressLabel = AddFormRow(form, QStringLiteral("Server IP &Address:"), m_Address);
    PageLayout()->addLayout(form);
    PageLayout()->addStretch(1);
    AddApplyButton();
    AddDeviceControl(m_Mode);
    AddDeviceControl(m_ModeLabel);
    SetFillsWhileShown(true);
    Reads<Intp::TSessionWarningSyslogGet>();
    OnClear([this] { m_Address->SetValue(0); });
    OnFill([this](Intp::TDevice* device) {
        const auto& record = Intp::GetPropertyWarningSyslog(device);
        if (!record.Valid)
            return;
        // A reported mode without an item shows as its number and goes back
        // as it was until another mode is picked.
        SetChoiceValue(m_Mode, record.Mode);
        m_Address->SetReadValue(record.Server);
    });
    OnReloaded([this](Intp::TDevice* device) {
        ApplyModeRule();
        if (!device)
            ApplyButton()->setEnabled(false);
    });
    OnWrite([this](Intp::TDevice*) -> Intp::TSession* {
        Intp::TPropertyWarningSyslog request;
        request.Mode = uint32_t(std::max<int64_t>(0, ChoiceValue(m_Mode)));
        request.Server = m_Address->SentValue();
        auto* set = new Intp::TSessionWarningSyslogSet;
        set->SetData(request);
        return set;
    });

    connect(m_Mode, &QComboBox::currentIndexChanged, this, &TModuleWarningSyslog::ApplyModeRule);
    connect(m_Address, &TIpEdit::ValueChanged, this, &TModuleWarningSyslog::ApplyModeRule);
}

void TModuleWarningSyslog::ApplyModeRule()
{
    const int64_t mode = ChoiceValue(m_Mode);
    const bool server = mode == ModeServer || mode == ModeBoth;
    m_Address->setEnabled(server);
    m_AddressLabel->setEnabled(server);
    const bool open = mode == ModeDisable || mode == ModeClient;
    ApplyButton()->setEnabled(CurrentDevice() && (open || Intp::IsUsableIp(m_Address->Value())));
}
