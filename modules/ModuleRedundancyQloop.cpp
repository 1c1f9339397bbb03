#include "ModuleRedundancyQloop.h"

#include "IntpRedundancy.h"
#include "MessageBoxes.h"
#include "PageFields.h"
#include "Resources.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>

#include <algorithm>
#include <vector>

TModuleRedundancyQloop::TModuleRedundancyQloop(QWidget* parent)
    : TModulePage(Resources::String(Resources::StrRingProtocol), parent)
{
    auto* form = new QFormLayout;
    PageLayout()->addLayout(form);
    auto check = [&](const QString& text, const char* name) {
        auto* box = new QCheckBox(text, this);
        box->setObjectName(name);
        form->addRow(box);
        return box;
    };
    auto port = [&](const QString& caption, const char* name, QLabel*& label) {
        auto* box = new TChoice(this);
        box->setObjectName(name);
        label = AddFormRow(form, caption, box);
        return box;
    };
    m_LegacyMode = check(QStringLiteral("&Legacy Mode"), "m_LegacyMode");
    m_Master = check(QStringLiteral("Ring Master"), "m_Master");
    m_1stPort = port(QStringLiteral("1st Ring Port:"), "m_1stPort", m_1stLabel);
    m_2ndPort = port(QStringLiteral("2nd Ring Port:"), "m_2ndPort", m_2ndLabel);
    m_CoupleMode = check(QStringLiteral("&Coupling Ring"), "m_CoupleMode");
    m_CouplingPort = port(QStringLiteral("Coupling Port:"), "m_CouplingPort", m_CouplingLabel);
    m_ControlPort = port(QStringLiteral("Control Port:"), "m_ControlPort", m_ControlLabel);
    m_HomingMode = check(QStringLiteral("Dual &Homing"), "m_HomingMode");
    m_HomingPort = port(QStringLiteral("Homing Port:"), "m_HomingPort", m_HomingLabel);
    AddDeviceControl(m_LegacyMode);
    AddApplyButton();
    Reads<Intp::TSessionRedundancyQloopGet>();
    // Nothing of the switch shown before stays on show.
    OnClear([this] {
        for (QCheckBox* box : {m_LegacyMode, m_Master, m_CoupleMode, m_HomingMode})
            box->setChecked(false);
        for (QComboBox* box : {m_1stPort, m_2ndPort, m_CouplingPort, m_ControlPort, m_HomingPort})
            box->clear();
    });
    OnFill([this](Intp::TDevice* device) { FillPorts(device); });
    OnReloaded([this](Intp::TDevice*) { UpdateEnabling(); });
    OnCheck([this] { return PortsDiffer(); });
    OnWrite([this](Intp::TDevice*) { return NewRingSet(); });
    for (QCheckBox* box : {m_LegacyMode, m_CoupleMode, m_HomingMode})
        connect(box, &QCheckBox::toggled, this, &TModuleRedundancyQloop::UpdateEnabling);
}

void TModuleRedundancyQloop::FillPorts(Intp::TDevice* device)
{
    const uint32_t ports = device->GetPortCount();
    QStringList captions;
    for (uint32_t p = 0; p < ports; ++p)
        captions << PortCaption(p);
    for (QComboBox* box : {m_1stPort, m_2ndPort, m_CouplingPort, m_ControlPort, m_HomingPort}) {
        box->clear();
        box->addItems(captions);
        box->setCurrentIndex(captions.isEmpty() ? -1 : 0);
    }
    const auto& record = Intp::GetPropertyRedundancyQloop(device);
    const bool valid = record.Valid;
    m_LegacyMode->setChecked(valid && record.RingEnabled);
    m_Master->setChecked(valid && record.RingMaster);
    m_CoupleMode->setChecked(valid && record.CouplingEnabled);
    m_HomingMode->setChecked(valid && record.HomingEnabled);
    if (!valid)
        return;
    // A port number beyond the model's ports shows as its number and goes
    // back as read unless another port is chosen.
    SetChoiceValue(m_1stPort, record.FirstRingPort);
    SetChoiceValue(m_2ndPort, record.SecondRingPort);
    SetChoiceValue(m_ControlPort, record.CouplingControlPort);
    SetChoiceValue(m_CouplingPort, record.CouplingPort);
    SetChoiceValue(m_HomingPort, record.HomingPort);
}

void TModuleRedundancyQloop::UpdateEnabling()
{
    const bool ring = m_LegacyMode->isChecked();
    const bool coupling = ring && m_CoupleMode->isChecked();
    const bool homing = ring && m_HomingMode->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{m_Master, m_1stLabel, m_1stPort, m_2ndLabel, m_2ndPort,
                                                      m_CoupleMode, m_HomingMode})
        w->setEnabled(ring);
    for (QWidget* w : std::initializer_list<QWidget*>{m_CouplingLabel, m_CouplingPort, m_ControlLabel, m_ControlPort})
        w->setEnabled(coupling);
    m_HomingLabel->setEnabled(homing);
    m_HomingPort->setEnabled(homing);
}

bool TModuleRedundancyQloop::PortsDiffer()
{
    if (!m_LegacyMode->isChecked())
        return true;
    std::vector<int64_t> used{ChoiceValue(m_1stPort), ChoiceValue(m_2ndPort)};
    if (m_CoupleMode->isChecked()) {
        used.push_back(ChoiceValue(m_ControlPort));
        used.push_back(ChoiceValue(m_CouplingPort));
    }
    if (m_HomingMode->isChecked())
        used.push_back(ChoiceValue(m_HomingPort));
    std::sort(used.begin(), used.end());
    if (std::adjacent_find(used.begin(), used.end()) != used.end()) {
        ShowError(QStringLiteral("Duplicated Ports!"));
        return false;
    }
    return true;
}

Intp::TSession* TModuleRedundancyQloop::NewRingSet() const
{
    // Every value as shown, greyed ones included: turning the ring (or
    // coupling, or homing) off keeps its settings on the switch, so that
    // turning it on again restores them.
    auto port = [](const QComboBox* box) { return uint8_t(std::max<int64_t>(ChoiceValue(box), 0)); };
    Intp::TRedundancyQloopRequest request;
    request.RingEnabled = m_LegacyMode->isChecked() ? 1 : 0;
    request.RingMaster = m_Master->isChecked() ? 1 : 0;
    request.FirstRingPort = port(m_1stPort);
    request.SecondRingPort = port(m_2ndPort);
    request.CouplingEnabled = m_CoupleMode->isChecked() ? 1 : 0;
    request.CouplingControlPort = port(m_ControlPort);
    request.CouplingPort = port(m_CouplingPort);
    request.HomingEnabled = m_HomingMode->isChecked() ? 1 : 0;
    request.HomingPort = port(m_HomingPort);
    return NewRequest<Intp::TSessionRedundancyQloopSet>(request);
}
