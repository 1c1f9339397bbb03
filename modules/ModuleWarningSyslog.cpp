#include "ModuleWarningSyslog.h"

#include "IntpWarning.h"
#include "PageEditors.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

namespace {

enum : uint32_t { ModeDisable, ModeClient, ModeServer, ModeBoth, ModeItems };

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
    OnClear([this] {
        m_ModeValue = ModeDisable;
        m_Mode->setCurrentIndex(0);
        m_Address->SetValue(0);
    });
    OnFill([this](Intp::TDevice* device) {
        const auto& record = Intp::GetPropertyWarningSyslog(device);
        if (!record.Valid)
            return;
        m_ModeValue = record.Mode;
        m_Mode->setCurrentIndex(record.Mode < ModeItems ? int(record.Mode) : -1);
        m_Address->SetValue(record.Server);
    });
    OnReloaded([this](Intp::TDevice* device) {
        ApplyModeRule();
        if (!device)
            ApplyButton()->setEnabled(false);
    });
    OnWrite([this](Intp::TDevice*) -> Intp::TSession* {
        Intp::TPropertyWarningSyslog request;
        request.Mode = m_ModeValue;
        request.Server = m_Address->Value();
        auto* set = new Intp::TSessionWarningSyslogSet;
        set->SetData(request);
        return set;
    });

    // Only a pick by the administrator changes the mode to send.
    connect(m_Mode, &QComboBox::activated, this, [this](int index) {
        if (index >= 0)
            m_ModeValue = uint32_t(index);
        ApplyModeRule();
    });
    connect(m_Address, &TIpEdit::ValueChanged, this, &TModuleWarningSyslog::ApplyModeRule);
}

void TModuleWarningSyslog::ApplyModeRule()
{
    const bool server = m_ModeValue == ModeServer || m_ModeValue == ModeBoth;
    m_Address->setEnabled(server);
    m_AddressLabel->setEnabled(server);
    const bool open = m_ModeValue == ModeDisable || m_ModeValue == ModeClient;
    ApplyButton()->setEnabled(CurrentDevice() && (open || Intp::IsUsableIp(m_Address->Value())));
}
