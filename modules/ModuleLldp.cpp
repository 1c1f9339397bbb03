#include "ModuleLldp.h"

#include "IntpIgmpLldp.h"
#include "PageEditors.h"
#include "PortTexts.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
constexpr int DefaultInterval = 30;
}

TModuleLldp::TModuleLldp(QWidget* parent) : TModulePage(QStringLiteral("LLDP"), parent)
{
    auto* form = new QFormLayout;
    m_Enable = NewChoice(OnOffTexts(), this);
    m_Enable->setObjectName("m_Enable");
    // The interval travels in 16 bits: the spinner keeps it within them.
    m_Interval = new QSpinBox(this);
    m_Interval->setObjectName("m_Interval");
    m_Interval->setRange(0, 0xFFFF);
    m_Interval->setValue(DefaultInterval);
    auto* interval = new QHBoxLayout;
    interval->addWidget(m_Interval);
    interval->addWidget(new QLabel(QStringLiteral("(sec)"), this));
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
        m_Enable->setCurrentIndex(record.Valid && record.Enabled ? 1 : 0);
        m_Interval->setValue(record.Valid ? int(record.Interval) : DefaultInterval);
    });
    OnWrite([this](Intp::TDevice*) -> Intp::TSession* {
        auto* set = new Intp::TSessionLldpSet;
        set->SetData({uint8_t(m_Enable->currentIndex() == 1 ? 1 : 0), 0, uint16_t(m_Interval->value())});
        return set;
    });
}

