// "Port Auth": the 802.1x authorisation mode of each port.
#pragma once

#include "ModulePage.h"

class TPageList;
class TRowEditors;

class TModuleSecurity8021xPort final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleSecurity8021xPort(QWidget* parent);

protected:
    Intp::TSession* NewGetSession(Intp::TDevice* device, bool shown) override;
    void Clear() override;
    void Fill(Intp::TDevice* device) override;
    Intp::TSession* NewSetSession(Intp::TDevice* device) override;

private:
    TPageList* m_ListView;
    TRowEditors* m_Editors;
};
