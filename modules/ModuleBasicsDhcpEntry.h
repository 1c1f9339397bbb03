// "Client Entries": the read-only list of the switch's DHCP clients.
#pragma once

#include "ModulePage.h"

class QLabel;
class TPageList;

class TModuleBasicsDhcpEntry final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleBasicsDhcpEntry(QWidget* parent);

    // The texts of an entry's type (0 to 4) and status (0 to 3).
    static QString TypeText(uint32_t type);
    static QString StatusText(uint32_t status);

    QLabel* m_Total;
    TPageList* m_List;

private:
    void FillRows(Intp::TDevice* device);
};
