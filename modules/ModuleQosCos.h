// "COS Settings": the queue level of every 802.1p priority and the default
// priority of every port, side by side, applied together.
#pragma once

#include "EditTable.h"

class QComboBox;

class TModuleQosCos final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleQosCos(QWidget* parent);

    TEditTable* CosTable() const { return m_Cos; }
    TEditTable* PortTable() const { return m_Port; }
    QComboBox* CosMapping() const { return m_CosMapping; }
    QComboBox* PortPriority() const { return m_PortPriority; }

private:
    TEditTable* m_Cos;
    TEditTable* m_Port;
    QComboBox* m_CosMapping;
    QComboBox* m_PortPriority;
};
