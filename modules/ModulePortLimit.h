// "Rate Limit": the ingress frame type and the ingress and egress rates of
// every port.
#pragma once

#include "EditTable.h"

class QComboBox;
class QSpinBox;

class TModulePortLimit final : public TEditTablePage {
    Q_OBJECT
public:
    explicit TModulePortLimit(QWidget* parent);

    QComboBox* Type() const { return m_Type; }
    QSpinBox* Ingress() const { return m_Ingress; }
    QSpinBox* Egress() const { return m_Egress; }

private:
    QComboBox* m_Type;
    QSpinBox* m_Ingress;
    QSpinBox* m_Egress;
};
