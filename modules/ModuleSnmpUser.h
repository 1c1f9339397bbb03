// "SNMPv3 User": the switch's SNMPv3 users, added and deleted one at a time;
// usable only while the agent runs SNMP V3.
#pragma once

#include "ModulePage.h"

#include <vector>

class QLineEdit;
class QPushButton;
class TPageList;

class TModuleSnmpUser final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleSnmpUser(QWidget* parent);

private:
    void FillRows(Intp::TDevice* device);
    void EventOnFieldChange();
    void EventOnAddClick();
    void EventOnDeleteClick();
    // The last row whose name is the "User Name" field's text, or -1.
    int FindUser() const;
    void Send(bool add);

    TPageList* m_List;
    QLineEdit* m_UserName;
    QLineEdit* m_AuthPassword;
    QLineEdit* m_PrivPassword;
    QPushButton* m_Add;
    QPushButton* m_Delete;
    std::vector<QWidget*> m_Controls;   // enabled while usable
    bool m_Usable = false;
};
