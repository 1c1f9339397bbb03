// "Community": the switch's fixed table of SNMP community names and their
// privileges.
#pragma once

#include "ModulePage.h"

class QLineEdit;
class TPageList;
class TRowEditors;

class TModuleSnmpCommunity final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleSnmpCommunity(QWidget* parent);

private:
    TPageList* m_List;
    TRowEditors* m_Editors;
    QLineEdit* m_Community;
};
