#include "ModuleBasicsDhcp.h"

#include "IntpDhcp.h"
#include "PageEditors.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <climits>

// --- TModuleBasicsDhcp -------------------------------------------------------------

TModuleBasicsDhcp::TModuleBasicsDhcp(QWidget* parent) : TModulePage(QStringLiteral("DHCP Server"), parent)
{
    auto* form = new QFormLayout;
    m_Server = NewChoice({QStringLiteral("Disable"), QStringLiteral("Enable")}, this);
    m_Server->setObjectName("m_Server");
    m_ServerLabel = AddFormRow(form, QStringLiteral("&DHCP Server:"), m_Server);
    m_Start = new TIpEdit(this);
    m_End = new TIpEdit(this);
    m_Mask = new QLineEdit(QStringLiteral("0.0.0.0"), this);
    m_Mask->setMaxLength(15);
    m_Gateway = new TIpEdit(this);
    m_Dns = new TIpEdit(this);
    m_Lease = new TLimitSpin(1, INT_MAX, 1, this);
    auto* unit = new QLabel(QStringLiteral("sec"), this);
    auto* leaseRow = new QHBoxLayout;
    leaseRow->addWidget(m_Lease);
    leaseRow->addWidget(unit);
    leaseRow->addWidget(m_Lease->LimitLabel());
    leaseRow->addStretch(1);
    m_PoolControls = {
        AddFormRow(form, QStringLiteral("&Start IP Address:"), m_Start), m_Start,
        AddFormRow(form, QStringLiteral("&End IP Address:"), m_End), m_End,
        AddFormRow(form, QStringLiteral("Subnet &Mask:"), m_Mask), m_Mask,
        AddFormRow(form, QStringLiteral("&Gateway:"), m_Gateway), m_Gateway,
        AddFormRow(form, QStringLiteral("D&NS:"), m_Dns), m_Dns,
    };
    auto* leaseLabel = new QLabel(QStringLiteral("&Lease Time:"), this);
    leaseLabel->setBuddy(m_Lease);
    form->addRow(leaseLabel, leaseRow);
    m_PoolControls.insert(m_PoolControls.end(), {leaseLabel, m_Lease, unit, m_Lease->LimitLabel()});
    PageLayout()->addLayout(form);
    PageLayout()->addStretch(1);
    AddApplyButton();
    Reads<Intp::TSessionBasicsDhcpGet>();
    OnFill([this](Intp::TDevice* device) { ShowServer(device); });
    OnWrite([this](Intp::TDevice*) -> Intp::TSession* {
        Intp::TBasicsDhcpRequest request;
        request.ServerEnabled = m_Server->currentIndex() == 1 ? 1 : 0;
        request.StartIp = m_Start->Value();
        request.EndIp = m_End->Value();
        request.Netmask = MaskValue();
        request.Gateway = m_Gateway->Value();
        request.Dns = m_Dns->Value();
        request.LeaseTime = uint32_t(m_Lease->value());
        auto* set = new Intp::TSessionBasicsDhcpSet;
        set->SetValue(request);
        return set;
    });
    OnReloaded([this](Intp::TDevice* device) {
        m_HasDevice = device != nullptr;
        if (!device)
            m_Server->setCurrentIndex(0);
        m_Server->setEnabled(m_HasDevice);
        m_ServerLabel->setEnabled(m_HasDevice);
        ServerRule();
    });

    connect(m_Mask, &QLineEdit::editingFinished, this,
            [this] { m_Mask->setText(QString::fromStdString(Intp::IpToText(MaskValue()))); });
    connect(m_Server, &QComboBox::currentIndexChanged, this, &TModuleBasicsDhcp::ServerRule);
    for (QLineEdit* field : {static_cast<QLineEdit*>(m_Start), static_cast<QLineEdit*>(m_End),
                             static_cast<QLineEdit*>(m_Mask)})
        connect(field, &QLineEdit::textChanged, this, &TModuleBasicsDhcp::ServerRule);
    ServerRule();
}

uint32_t TModuleBasicsDhcp::MaskValue() const
{
    uint32_t mask = 0;
    return Intp::ParseIp(m_Mask->text().trimmed().toStdString(), mask) && Intp::IsValidNetmask(mask) ? mask : 0;
}

bool TModuleBasicsDhcp::EntriesValid() const
{
    return m_Start->Value() != 0 && m_End->Value() != 0 && MaskValue() != 0 && m_Start->Value() < m_End->Value();
}

void TModuleBasicsDhcp::ShowServer(Intp::TDevice* device)
{
    m_Server->setCurrentIndex(0);
    const Intp::TPropertyBasicsDhcp& record = Intp::GetPropertyBasicsDhcp(device);
    // A record that could not be read shows no addresses rather than those
    // of the switch shown before, which Apply would write into this one.
    const Intp::TPropertyBasicsDhcp shown = record.Valid ? record : Intp::TPropertyBasicsDhcp{};
    if (shown.ServerEnabled)
        m_Server->setCurrentIndex(1);
    m_Start->SetValue(shown.StartIp);
    m_End->SetValue(shown.EndIp);
    m_Mask->setText(QString::fromStdString(Intp::IpToText(shown.Netmask)));
    m_Gateway->SetValue(shown.Gateway);
    m_Dns->SetValue(shown.Dns);
    if (record.Valid)
        m_Lease->setValue(int(std::min<uint32_t>(record.LeaseTime, INT_MAX)));
}

void TModuleBasicsDhcp::ServerRule()
{
    const bool on = m_Server->currentIndex() == 1;
    for (QWidget* w : m_PoolControls)
        w->setEnabled(on);
    if (ApplyButton())
        ApplyButton()->setEnabled(m_HasDevice && (!on || EntriesValid()));
}
