// "Syslog Settings": the switch's syslog mode and server.
#pragma once

#include "ModulePage.h"

class QComboBox;
class QLabel;
class TIpEdit;

class TModuleWarningSyslog final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleWarningSyslog(QWidget* parent);

    QComboBox* Mode() const { return m_Mode; }
    TIpEdit* Address() const { return m_Address; }

private:
    // Enables the address for the server modes and decides Apply.
    void ApplyModeRule();

    QComboBox* m_Mode;
    QLabel* m_ModeLabel;
    TIpEdit* m_Address;
    QLabel* m_AddressLabel;
};
