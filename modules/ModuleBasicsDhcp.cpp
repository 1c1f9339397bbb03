#include "ModuleBasicsDhcp.h"

#include "IntpDhcp.h"
#include "PageEditors.h"

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
    m_Lease = new TWideSpin(1, INT_MAX, 1, this);
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
    // Every field as read unless edited, greyed ones included, so that a
    // server turned off keeps its pool for turning it on again.
    OnWrite([this](Intp::TDevice*) -> Intp::TSession* {
        Intp::TBasicsDhcpRequest request;
        request.ServerEnabled = m_Server->Flag();
        request.StartIp = m_Start->SentValue();
        request.EndIp = m_End->SentValue();
        request.Netmask = MaskSent();
        request.Gateway = m_Gateway->SentValue();
        request.Dns = m_Dns->SentValue();
        request.LeaseTime = uint32_t(m_Lease->Value());
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

    // Leaving the netmask field rewrites it from its value, unless it still
    // shows the netmask as read.
    connect(m_Mask, &QLineEdit::editingFinished, this, [this] {
        if (m_MaskShown.isEmpty() || m_Mask->text() != m_MaskShown)
            m_Mask->setText(QString::fromStdString(Intp::IpToText(MaskValue())));
    });
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

uint32_t TModuleBasicsDhcp::MaskSent() const
{
    return !m_MaskShown.isEmpty() && m_Mask->text() == m_MaskShown ? m_ReadMask : MaskValue();
}

void TModuleBasicsDhcp::ShowServer(Intp::TDevice* device)
{
    const Intp::TPropertyBasicsDhcp& record = Intp::GetPropertyBasicsDhcp(device);
    m_MaskShown.clear();
    if (!record.Valid) {
        // No addresses rather than those of the switch shown before; Apply
        // stays off until a read succeeds.
        for (TIpEdit* field : {m_Start, m_End, m_Gateway, m_Dns})
            field->SetValue(0);
        m_Mask->setText(QStringLiteral("0.0.0.0"));
        return;
    }
    // Every value as read, also addresses that are not usable and a lease
    // outside the spinner's limits: what is not edited goes back unchanged.
    m_Server->SetFlag(record.ServerEnabled);
    m_Start->SetReadValue(record.StartIp);
    m_End->SetReadValue(record.EndIp);
    m_Gateway->SetReadValue(record.Gateway);
    m_Dns->SetReadValue(record.Dns);
    m_ReadMask = record.Netmask;
    m_Mask->setText(QString::fromStdString(Intp::IpToText(record.Netmask)));
    m_MaskShown = m_Mask->text();
    m_Lease->SetReadValue(record.LeaseTime);
}

void TModuleBasicsDhcp::ServerRule()
{
    const bool on = m_Server->Value() == 1;
    for (QWidget* w : m_PoolControls)
        w->setEnabled(on);
    if (ApplyButton())
        ApplyButton()->setEnabled(m_HasDevice && (!on || EntriesValid()));
}
