#include "ModuleSnmp.h"

#include "IntpSnmp.h"
#include "PageFields.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>

TModuleSnmp::TModuleSnmp(QWidget* parent) : TModulePage(QStringLiteral("SNMP"), parent)
{
    QLabel* versionLabel;
    m_Version = AddChoiceForm(PageLayout(), QStringLiteral("Agent &Version:"),
                              {QStringLiteral("SNMP V1/V2c"), QStringLiteral("SNMP V3")}, "m_Version", versionLabel);
    AddDeviceControl(versionLabel);
    AddDeviceControl(m_Version);
    PageLayout()->addStretch(1);
    AddApplyButton();
    SetFillsWhileShown(true);
    Reads<Intp::TSessionSnmpGet>();
    OnFill([this](Intp::TDevice* device) {
        const auto& record = Intp::GetPropertySnmp(device);
        if (record.Valid)
            SetChoiceValue(m_Version, record.Version);
    });
    OnWrite([this](Intp::TDevice*) { return NewRequest<Intp::TSessionSnmpSet>(uint8_t(ChoiceValue(m_Version))); });
}
