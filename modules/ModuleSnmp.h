// "SNMP": the switch's SNMP agent version.
#pragma once

#include "ModulePage.h"

class QComboBox;

class TModuleSnmp final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleSnmp(QWidget* parent);

private:
    QComboBox* m_Version;
};
