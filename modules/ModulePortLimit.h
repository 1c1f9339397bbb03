// "Rate Limit": the ingress frame type and the ingress and egress rates of
// every port.
#pragma once

#include "EditTable.h"

class QComboBox;
class TWideSpin;

class TModulePortLimit final : public TEditTablePage {
    Q_OBJECT
public:
    explicit TModulePortLimit(QWidget* parent);

    QComboBox* Type() const { return m_Type; }
    TWideSpin* Ingress() const { return m_Ingress; }
    TWideSpin* Egress() const { return m_Egress; }

private:
    QComboBox* m_Type;
    TWideSpin* m_Ingress;
    TWideSpin* m_Egress;
};
