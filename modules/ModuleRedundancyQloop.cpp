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
        auto* box = new QComboBox(this);
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
    OnClear([this] { m_LegacyMode->setChecked(false); });
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
    // A port number the switch reports beyond the model's ports selects the
    // first entry, as an unread record does: an empty choice would go out as
    // 0xFF or look like a duplicate.
    auto place = [device](QComboBox* box, uint32_t port) {
        box->setCurrentIndex(Intp::IsValidRingPort(device, port) ? int(port) : 0);
    };
    place(m_1stPort, record.FirstRingPort);
    place(m_2ndPort, record.SecondRingPort);
    place(m_ControlPort, record.CouplingControlPort);
    place(m_CouplingPort, record.CouplingPort);
    place(m_HomingPort, record.HomingPort);
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
    std::vector<int> used{m_1stPort->currentIndex(), m_2ndPort->currentIndex()};
    if (m_CoupleMode->isChecked()) {
        used.push_back(m_ControlPort->currentIndex());
        used.push_back(m_CouplingPort->currentIndex());
    }
    if (m_HomingMode->isChecked())
        used.push_back(m_HomingPort->currentIndex());
    std::sort(used.begin(), used.end());
    if (std::adjacent_find(used.begin(), used.end()) != used.end()) {
        ShowError(QStringLiteral("Duplicated Ports!"));
        return false;
    }
    return true;
}

Intp::TSession* TModuleRedundancyQloop::NewRingSet() const
{
    Intp::TRedundancyQloopRequest request;   // ring off: nine zero bytes
    if (m_LegacyMode->isChecked()) {
        request.RingEnabled = 1;
        request.RingMaster = m_Master->isChecked() ? 1 : 0;
        request.FirstRingPort = uint8_t(m_1stPort->currentIndex());
        request.SecondRingPort = uint8_t(m_2ndPort->currentIndex());
        if (m_CoupleMode->isChecked()) {
            request.CouplingEnabled = 1;
            request.CouplingControlPort = uint8_t(m_ControlPort->currentIndex());
            request.CouplingPort = uint8_t(m_CouplingPort->currentIndex());
        }
        if (m_HomingMode->isChecked()) {
            request.HomingEnabled = 1;
            request.HomingPort = uint8_t(m_HomingPort->currentIndex());
        }
    }
    return NewRequest<Intp::TSessionRedundancyQloopSet>(request);
}
