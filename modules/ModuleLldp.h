// "LLDP": LLDP on or off and its transmit interval.
#pragma once

#include "EditTable.h"

class QComboBox;
class QSpinBox;

class TModuleLldp final : public TReadPage {
    Q_OBJECT
public:
    explicit TModuleLldp(QWidget* parent);

    QComboBox* Enable() const { return m_Enable; }
    QSpinBox* Interval() const { return m_Interval; }

protected:
    void Fill(Intp::TDevice* device) override;
    Intp::TSession* NewSetSession(Intp::TDevice* device) override;

private:
    QComboBox* m_Enable;
    QSpinBox* m_Interval;
};
