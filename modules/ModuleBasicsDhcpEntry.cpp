#include "ModuleBasicsDhcpEntry.h"

#include "IntpDhcp.h"
#include "PageList.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {

enum : int { ColNumber, ColIp, ColClient, ColType, ColStatus, ColLease };

} // namespace

QString TModuleBasicsDhcpEntry::TypeText(uint32_t type)
{
    static const char* const texts[] = {"Error", "BootpTab", "Dynamic ", "Sniffed ", "Dbase   "};
    return type < std::size(texts) ? QString::fromLatin1(texts[type]) : QString();
}

QString TModuleBasicsDhcpEntry::StatusText(uint32_t status)
{
    static const char* const texts[] = {"Unassigned", "Bootp", "DhcpOffer", "Dhcp"};
    return status < std::size(texts) ? QString::fromLatin1(texts[status]) : QString();
}

TModuleBasicsDhcpEntry::TModuleBasicsDhcpEntry(QWidget* parent) : TModulePage(QStringLiteral("Client Entries"), parent)
{
    m_Total = new QLabel(this);
    m_Total->setObjectName("m_Total");
    PageLayout()->addWidget(m_Total);
    m_List = new TPageList({QString(), QStringLiteral("IP Address"), QStringLiteral("Client ID"), QStringLiteral("Type"),
                            QStringLiteral("Status"), QStringLiteral("Lease")},
                           this);
    m_List->setObjectName("m_List");
    m_List->setShowGrid(true);
    m_List->SetColumnWidths({32, 110, 130, 80, 90});
    // No sort column until the first header click, which sorts rising.
    m_List->SetSortRule(TPageList::SortShared, -1, 1);
    m_List->SetCompare([](const TPageRow& a, const TPageRow& b, int column) {
        switch (column) {
        case ColNumber: return CompareNumbers(a.Key, b.Key);
        case ColIp: return CompareNumbers(a.Loaded.at(0), b.Loaded.at(0));
        case -1: return 0;
        default: return CompareText(a.Texts.value(column), b.Texts.value(column));
        }
    });
    PageLayout()->addWidget(m_List, 1);
    AddDeviceControl(m_Total);
    AddDeviceControl(m_List);
    Reads<Intp::TSessionBasicsDhcpEntry>();
    OnClear([this] { m_List->Clear(); });
    OnFill([this](Intp::TDevice* device) { FillRows(device); });
    OnReloaded([this](Intp::TDevice*) {
        m_Total->setText(QString::asprintf("Total %d client entries:", m_List->RowCount()));
    });
    OnLeaving([this] { m_List->Clear(); });
}

void TModuleBasicsDhcpEntry::FillRows(Intp::TDevice* device)
{
    const Intp::TPropertyBasicsDhcpEntry& record = Intp::GetPropertyBasicsDhcpEntry(device);
    if (!record.Valid)
        return;
    std::vector<TPageRow> rows;
    rows.reserve(record.Rows.size());
    int64_t number = 0;
    for (const Intp::TPropertyBasicsDhcpEntryEntry& entry : record.Rows) {
        TPageRow row;
        row.Key = ++number;
        row.Loaded = {int64_t(entry.Ip)};
        row.Texts = {QString::number(number), QString::fromStdString(Intp::IpToText(entry.Ip)),
                     QString::fromStdString(Intp::MacToText(entry.ClientId)), TypeText(entry.Type),
                     StatusText(entry.Status), QString::number(entry.Lease)};
        rows.push_back(std::move(row));
    }
    m_List->Model()->Append(std::move(rows));
}
