// "SNMP": the switch's SNMP agent version.
#pragma once

#include "ModulePage.h"

class QComboBox;

class TModuleSnmp final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleSnmp(QWidget* parent);

protected:
    Intp::TSession* NewGetSession(Intp::TDevice* device, bool shown) override;
    void Fill(Intp::TDevice* device) override;
    Intp::TSession* NewSetSession(Intp::TDevice* device) override;

private:
    QComboBox* m_Version;
};
