// "LLDP": LLDP on or off and its transmit interval.
#pragma once

#include "ModulePage.h"
#include "PageEditors.h"

class QComboBox;
class TLimitSpin;

class TModuleLldp final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleLldp(QWidget* parent);

    QComboBox* Enable() const { return m_Enable; }
    TLimitSpin* Interval() const { return m_Interval; }

private:
    TChoice* m_Enable;
    TLimitSpin* m_Interval;
};
