// "Community": the switch's fixed table of SNMP community names and their
// privileges.
#pragma once

#include "ModulePage.h"

#include <string>
#include <vector>

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
    // Each row's name as read, by row index: a name whose text was not
    // changed goes back byte for byte.
    std::vector<std::string> m_ReadNames;
};
