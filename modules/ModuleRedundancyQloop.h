// The ring page (captioned with the ring protocol's name): the ring on or
// off, the master flag, the two ring ports, and the coupling and dual homing
// ports.
#pragma once

#include "ModulePage.h"

class QCheckBox;
class QComboBox;
class QLabel;

class TModuleRedundancyQloop final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleRedundancyQloop(QWidget* parent);

private:
    // The ports' choices, then the switch's values or the defaults.
    void FillPorts(Intp::TDevice* device);
    void UpdateEnabling();
    // "Duplicated Ports!" when two of the ports in use are the same.
    bool PortsDiffer();
    Intp::TSession* NewRingSet() const;

    QCheckBox* m_LegacyMode;
    QCheckBox* m_Master;
    QComboBox* m_1stPort;
    QComboBox* m_2ndPort;
    QCheckBox* m_CoupleMode;
    QComboBox* m_CouplingPort;
    QComboBox* m_ControlPort;
    QCheckBox* m_HomingMode;
    QComboBox* m_HomingPort;
    QLabel* m_1stLabel;
    QLabel* m_2ndLabel;
    QLabel* m_CouplingLabel;
    QLabel* m_ControlLabel;
    QLabel* m_HomingLabel;
};
