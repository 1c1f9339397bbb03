// "Port Configuration": state, speed/duplex, flow control and security of
// every logical port, its rows named by the switch's port names and kept
// sorted by name.
#pragma once

#include "EditTable.h"

class QComboBox;

class TModulePortConfig final : public TEditTablePage {
    Q_OBJECT
public:
    explicit TModulePortConfig(QWidget* parent);

    QComboBox* State() const { return m_State; }
    QComboBox* Duplex() const { return m_Duplex; }

private:
    // One row per logical port, named by the port names, sorted by name.
    void FillRows(Intp::TDevice* device);

    QComboBox* m_State;
    QComboBox* m_Duplex;
    QComboBox* m_Flow;
    QComboBox* m_Security;
};
