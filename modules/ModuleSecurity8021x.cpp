#include "ModuleSecurity8021x.h"

#include "IntpSecurity.h"
#include "PageFields.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr size_t RadiusTextWidth = 32;

} // namespace

TModuleSecurity8021x::TModuleSecurity8021x(QWidget* parent) : TModulePage(QStringLiteral("802.1x"), parent)
{
    QLabel* protocolLabel;
    m_Protocol = AddChoiceForm(PageLayout(), QStringLiteral("802.1&x Protocol:"), DisableEnableItems(), "m_Protocol",
                               protocolLabel);
    AddDeviceControl(protocolLabel);
    AddDeviceControl(m_Protocol);

    QLabel* server = NewHeading(QStringLiteral("Radius Server Settings:"), this);
    PageLayout()->addWidget(server);
    auto* form = new QFormLayout;
    PageLayout()->addLayout(form);
    m_Sections.push_back(server);
    auto text = [&](QLineEdit* field, const QString& caption, const char* name) {
        field->setObjectName(name);
        m_Sections.push_back(AddFormRow(form, caption, field));
        m_Sections.push_back(field);
        connect(field, &QLineEdit::textChanged, this, &TModuleSecurity8021x::EventOnProtocolChange);
    };
    auto spin = [&](QFormLayout* in, const QString& caption, int minimum, int maximum, int value, const char* name) {
        QLabel* label = nullptr;
        TLimitSpin* s = AddLimitRow(in, caption, minimum, maximum, value, &label);
        s->setObjectName(name);
        m_Sections.insert(m_Sections.end(), {label, s, s->LimitLabel()});
        return s;
    };
    m_ServerIp = new TInetAddrEdit(this);
    text(m_ServerIp, QStringLiteral("Radius Server &IP:"), "m_ServerIp");
    m_ServerPort = spin(form, QStringLiteral("Server &Port:"), 1, 65535, 1812, "m_ServerPort");
    m_AccountingPort = spin(form, QStringLiteral("A&ccounting Port:"), 1, 65535, 1813, "m_AccountingPort");
    m_SharedKey = new TFixedTextEdit(RadiusTextWidth, this);
    m_SharedKey->setMaxLength(int(RadiusTextWidth));
    text(m_SharedKey, QStringLiteral("Shared &Key:"), "m_SharedKey");
    m_NasId = new TFixedTextEdit(RadiusTextWidth, this);
    m_NasId->setMaxLength(int(RadiusTextWidth));
    text(m_NasId, QStringLiteral("&NAS Identifier:"), "m_NasId");

    QLabel* advanced = NewHeading(QStringLiteral("Advanced Settings:"), this);
    PageLayout()->addWidget(advanced);
    m_Sections.push_back(advanced);
    auto* timers = new QFormLayout;
    PageLayout()->addLayout(timers);
    m_Quiet = spin(timers, QStringLiteral("&Quiet Period:"), 0, 65535, 60, "m_Quiet");
    m_TX = spin(timers, QStringLiteral("&TX Period:"), 0, 65535, 30, "m_TX");
    m_Supplicant = spin(timers, QStringLiteral("S&upplicant Timeout:"), 1, 300, 30, "m_Supplicant");
    m_ServerTimeout = spin(timers, QStringLiteral("Server Time&out:"), 1, 300, 30, "m_ServerTimeout");
    m_MaxRequest = spin(timers, QStringLiteral("&Max Requests:"), 1, 10, 2, "m_MaxRequest");
    {
        // Four bytes on the wire: a period read past the int range is kept
        // as read, so this one spinner covers the unsigned range.
        auto* field = new QWidget(this);
        m_ReAuth = new TWideSpin(1, 999999, 3600, field);
        m_ReAuth->setObjectName("m_ReAuth");
        auto* row = new QHBoxLayout(field);
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(m_ReAuth);
        row->addWidget(m_ReAuth->LimitLabel());
        row->addStretch(1);
        QLabel* label = AddFormRow(timers, QStringLiteral("&Re-Auth Period:"), field);
        label->setBuddy(m_ReAuth);
        m_Sections.insert(m_Sections.end(), {label, m_ReAuth, m_ReAuth->LimitLabel()});
    }
    AddApplyButton();
    Reads<Intp::TSessionSecurity8021xGet>();
    OnClear([this] { m_Protocol->setCurrentIndex(0); });
    OnFill([this](Intp::TDevice* device) { FillValues(device); });
    OnReloaded([this](Intp::TDevice*) { EventOnProtocolChange(); });
    OnWrite([this](Intp::TDevice*) { return NewRequest<Intp::TSessionSecurity8021xSet>(BuildRequest()); });
    connect(m_Protocol, &QComboBox::currentIndexChanged, this, &TModuleSecurity8021x::EventOnProtocolChange);
}

void TModuleSecurity8021x::FillValues(Intp::TDevice* device)
{
    const auto& r = Intp::GetPropertySecurity8021x(device);
    if (!r.Valid) {
        // Shown only: the page says its read failed and keeps Apply
        // disabled, so these never go over the switch's settings.
        m_ServerIp->setText(QStringLiteral("0.0.0.0"));
        m_SharedKey->setText(QStringLiteral("40271956"));
        m_NasId->setText(QStringLiteral("NAS_L2_SWITCH"));
        return;   // the spinners already show their defaults
    }
    m_Protocol->SetFlag(r.Enabled);
    m_ServerIp->setText(QString::fromStdString(Intp::IpToText(r.RadiusServer)));
    m_ServerPort->SetReadValue(r.ServerPort);
    m_AccountingPort->SetReadValue(r.AccountingPort);
    m_SharedKey->SetReadBytes(r.SharedKey);
    m_NasId->SetReadBytes(r.NasIdentifier);
    m_Quiet->SetReadValue(r.QuietPeriod);
    m_TX->SetReadValue(r.TxPeriod);
    m_Supplicant->SetReadValue(r.SupplicantTimeout);
    m_ServerTimeout->SetReadValue(r.ServerTimeout);
    m_MaxRequest->SetReadValue(r.MaxRequests);
    m_ReAuth->SetReadValue(r.ReauthPeriod);
}

void TModuleSecurity8021x::EventOnProtocolChange()
{
    const bool on = m_Protocol->currentIndex() == 1;
    for (QWidget* w : m_Sections)
        w->setEnabled(on);
    bool ready = true;
    if (on)
        ready = Intp::IsUsableIp(m_ServerIp->Value()) && !m_SharedKey->text().isEmpty() && !m_NasId->text().isEmpty();
    ApplyButton()->setEnabled(ready && CurrentDevice());
}

Intp::TPropertySecurity8021x TModuleSecurity8021x::BuildRequest() const
{
    Intp::TPropertySecurity8021x request;
    request.Enabled = m_Protocol->Flag();
    request.RadiusServer = m_ServerIp->Value();
    request.ServerPort = uint32_t(m_ServerPort->value());
    request.AccountingPort = uint32_t(m_AccountingPort->value());
    request.SharedKey = m_SharedKey->FieldBytes();
    request.NasIdentifier = m_NasId->FieldBytes();
    request.QuietPeriod = uint32_t(m_Quiet->value());
    request.TxPeriod = uint32_t(m_TX->value());
    request.SupplicantTimeout = uint32_t(m_Supplicant->value());
    request.ServerTimeout = uint32_t(m_ServerTimeout->value());
    request.MaxRequests = uint32_t(m_MaxRequest->value());
    request.ReauthPeriod = uint32_t(m_ReAuth->Value());
    return request;
}
