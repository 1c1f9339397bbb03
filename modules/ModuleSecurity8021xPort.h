// "Port Auth": the 802.1x authorisation mode of each port.
#pragma once

#include "ModulePage.h"

class TPageList;
class TRowEditors;

class TModuleSecurity8021xPort final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleSecurity8021xPort(QWidget* parent);

private:
    TPageList* m_ListView;
    TRowEditors* m_Editors;
};
