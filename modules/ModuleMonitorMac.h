// "MAC Address Table": the addresses the switch has learnt on the chosen
// port, with the port's dynamic and static counts, and a button that clears
// the table on the switch.
#pragma once

#include "ModulePage.h"

class QComboBox;
class QLabel;
class QPushButton;
class TPageList;

class TModuleMonitorMac final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleMonitorMac(QWidget* parent);

    QComboBox* Port() const { return m_Port; }
    QLabel* Dynamic() const { return m_Dynamic; }
    QLabel* Static() const { return m_Static; }
    TPageList* List() const { return m_List; }
    QPushButton* ClearButton() const { return m_Clear; }

    void EventOnPortChange();
    void EventOnClearClick();

private:
    // The port choice from the port configuration, named by the port names,
    // the first port shown.
    void FillPorts(Intp::TDevice* device);

    QComboBox* m_Port;
    QLabel* m_Dynamic;
    QLabel* m_Static;
    TPageList* m_List;
    QPushButton* m_Clear;
};
