// "Trap Settings": the trap receivers, added and deleted one at a time.
#pragma once

#include "ModulePage.h"

class QLineEdit;
class QPushButton;
class QRadioButton;
class TInetAddrEdit;
class TPageList;

class TModuleSnmpTrap final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleSnmpTrap(QWidget* parent);

private:
    void FillRows(Intp::TDevice* device);
    void EventOnListSelect(int row);
    void ButtonRule();
    void EventOnAddClick();
    void EventOnDeleteClick();

    TPageList* m_List;
    TInetAddrEdit* m_ServerIp;
    QLineEdit* m_Community;
    QRadioButton* m_V1;
    QRadioButton* m_V2c;
    QPushButton* m_Add;
    QPushButton* m_Delete;
};
