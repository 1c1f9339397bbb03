#include "ModuleSecurityMac.h"

#include "IntpSecurity.h"
#include "PageFields.h"
#include "PageList.h"

#include <QHeaderView>

TModuleSecurityMac::TModuleSecurityMac(QWidget* parent)
    : TMacEntryPage(QStringLiteral("MAC Blacklist"), parent, {QStringLiteral("MAC Address")}, 0, false)
{
    List()->horizontalHeader()->hide();
    Reads<Intp::TSessionSecurityMacGet>();
    OnFill([this](Intp::TDevice* device) {
        const auto& record = Intp::GetPropertySecurityMac(device);
        if (!record.Valid)
            return;
        std::vector<TPageRow> rows(record.Rows.size());
        for (size_t i = 0; i < rows.size(); ++i)
            rows[i].Texts = QStringList{MacText(record.Rows[i])};
        List()->Model()->Append(std::move(rows));
    });
    ListsBy([this](const Intp::TMacAddr& mac) {
        const QString text = MacText(mac);
        for (int row = 0; row < List()->RowCount(); ++row)
            if (List()->Text(row, 0) == text)
                return true;
        return false;
    });
    SendsWith(NewRequest<Intp::TSessionSecurityMacAdd, Intp::TMacAddr>,
              NewRequest<Intp::TSessionSecurityMacDel, Intp::TMacAddr>);
}
