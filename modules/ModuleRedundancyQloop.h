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

protected:
    Intp::TSession* NewGetSession(Intp::TDevice* device, bool shown) override;
    void Clear() override;
    void Fill(Intp::TDevice* device) override;
    bool PrepareApply() override;
    Intp::TSession* NewSetSession(Intp::TDevice* device) override;
    void AfterReload(Intp::TDevice* device) override;

private:
    void UpdateEnabling();

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
