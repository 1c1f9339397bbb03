#include "ModuleSecurityMac.h"

#include "IntpSecurity.h"
#include "PageFields.h"
#include "PageList.h"

#include <QHeaderView>

TModuleSecurityMac::TModuleSecurityMac(QWidget* parent)
    : TMacEntryPage(QStringLiteral("MAC Blacklist"), parent, {QStringLiteral("MAC Address")}, 0, false)
{
    List()->horizontalHeader()->hide();
    SetReloadCodes({Intp::TPropertySecurityMac::GetCommand});
}

Intp::TSession* TModuleSecurityMac::NewGetSession(Intp::TDevice*, bool) { return new Intp::TSessionSecurityMacGet; }

void TModuleSecurityMac::Fill(Intp::TDevice* device)
{
    const auto& record = Intp::GetPropertySecurityMac(device);
    if (!record.Valid)
        return;
    std::vector<TPageRow> rows(record.Rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i].Texts = QStringList{MacText(record.Rows[i])};
    List()->Model()->Append(std::move(rows));
}

bool TModuleSecurityMac::IsListed(const Intp::TMacAddr& mac) const
{
    const QString text = MacText(mac);
    for (int row = 0; row < List()->RowCount(); ++row)
        if (List()->Text(row, 0) == text)
            return true;
    return false;
}

Intp::TSession* TModuleSecurityMac::NewAddSession(Intp::TDevice*, const Intp::TMacAddr& mac)
{
    auto* add = new Intp::TSessionSecurityMacAdd;
    add->SetData(mac);
    return add;
}

Intp::TSession* TModuleSecurityMac::NewDelSession(Intp::TDevice*, const Intp::TMacAddr& mac)
{
    auto* del = new Intp::TSessionSecurityMacDel;
    del->SetData(mac);
    return del;
}
