#include "ModuleSnmp.h"

#include "IntpSnmp.h"
#include "PageEditors.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>

TModuleSnmp::TModuleSnmp(QWidget* parent) : TModulePage(QStringLiteral("SNMP"), parent)
{
    auto* form = new QFormLayout;
    PageLayout()->addLayout(form);
    m_Version = NewChoice({QStringLiteral("SNMP V1/V2c"), QStringLiteral("SNMP V3")}, this);
    m_Version->setObjectName("m_Version");
    AddDeviceControl(AddFormRow(form, QStringLiteral("Agent &Version:"), m_Version));
    AddDeviceControl(m_Version);
    PageLayout()->addStretch(1);
    AddApplyButton();
    SetFillsWhileShown(true);
    SetReloadCodes({Intp::TPropertySnmp::GetCommand});
}

Intp::TSession* TModuleSnmp::NewGetSession(Intp::TDevice*, bool) { return new Intp::TSessionSnmpGet; }

void TModuleSnmp::Fill(Intp::TDevice* device)
{
    const auto& record = Intp::GetPropertySnmp(device);
    m_Version->setCurrentIndex(record.Valid && record.Version == Intp::SnmpVersionV3 ? 1 : 0);
}

Intp::TSession* TModuleSnmp::NewSetSession(Intp::TDevice*)
{
    auto* set = new Intp::TSessionSnmpSet;
    set->SetData(uint8_t(m_Version->currentIndex()));
    return set;
}
