#include "ModuleIgmp.h"

#include "IntpIgmpLldp.h"
#include "PageEditors.h"
#include "PortTexts.h"

#include <QComboBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

TModuleIgmp::TModuleIgmp(QWidget* parent) : TModulePage(QStringLiteral("IGMP Snooping"), parent)
{
    auto* form = new QFormLayout;
    m_Snooping = NewChoice(OnOffTexts(), this);
    m_Snooping->setObjectName("m_Snooping");
    m_QueryMode = NewChoice({QStringLiteral("Disable"), QStringLiteral("Enable"), QStringLiteral("Auto")}, this);
    m_QueryMode->setObjectName("m_QueryMode");
    AddFormRow(form, QStringLiteral("&Snooping:"), m_Snooping);
    AddFormRow(form, QStringLiteral("&Query Mode:"), m_QueryMode);
    PageLayout()->addLayout(form);
    PageLayout()->addStretch(1);
    AddApplyButton();
    Reads<Intp::TSessionIgmpGet>();
    OnFill([this](Intp::TDevice* device) {
        const auto& record = device->GetProperty<Intp::TPropertyIgmp>();
        if (!record.Valid)
            return;   // the defaults, shown with Apply disabled
        m_Snooping->SetFlag(record.Snooping);
        SetChoiceValue(m_QueryMode, record.QueryMode);
    });
    // This page keeps its controls enabled, with or without a device: with
    // none, Apply has nobody to send to.
    OnReloaded([this](Intp::TDevice*) { ApplyButton()->setEnabled(true); });
    OnWrite([this](Intp::TDevice*) -> Intp::TSession* {
        auto* set = new Intp::TSessionIgmpSet;
        set->SetValue({m_Snooping->Flag(), uint8_t(std::max<int64_t>(0, ChoiceValue(m_QueryMode)))});
        return set;
    });
}

