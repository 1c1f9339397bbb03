#include "ModuleLldp.h"

#include "IntpIgmpLldp.h"
#include "PageEditors.h"
#include "PortTexts.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int DefaultInterval = 30;
}

TModuleLldp::TModuleLldp(QWidget* parent) : TModulePage(QStringLiteral("LLDP"), parent)
{
    auto* form = new QFormLayout;
    m_Enable = NewChoice(OnOffTexts(), this);
    m_Enable->setObjectName("m_Enable");
    // The interval travels in 16 bits: a typed value goes to the nearer of
    // its limits, so that what the field shows is what is sent.
    m_Interval = new TLimitSpin(0, 0xFFFF, DefaultInterval, this);
    m_Interval->setObjectName("m_Interval");
    auto* interval = new QHBoxLayout;
    interval->addWidget(m_Interval);
    interval->addWidget(new QLabel(QStringLiteral("(sec)"), this));
    interval->addWidget(m_Interval->LimitLabel());
    interval->addStretch(1);
    AddFormRow(form, QStringLiteral("LLDP &Protocol:"), m_Enable);
    auto* label = new QLabel(QStringLiteral("&Interval:"), this);
    label->setBuddy(m_Interval);
    form->addRow(label, interval);
    PageLayout()->addLayout(form);
    PageLayout()->addStretch(1);
    AddApplyButton();
    SetFillsWhileShown(true);
    Reads<Intp::TSessionLldpGet>();
    OnFill([this](Intp::TDevice* device) {
        const auto& record = Intp::GetPropertyLldp(device);
        if (!record.Valid)
            return;   // the defaults, shown with Apply disabled
        m_Enable->SetFlag(record.Enabled);
        m_Interval->SetReadValue(record.Interval);
    });
    OnWrite([this](Intp::TDevice*) -> Intp::TSession* {
        auto* set = new Intp::TSessionLldpSet;
        set->SetData({m_Enable->Flag(), 0, uint16_t(m_Interval->value())});
        return set;
    });
}

