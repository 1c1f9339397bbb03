#include "ModuleIgmpTable.h"

#include "IntpIgmpLldp.h"
#include "PageEditors.h"

namespace {

// Each row keeps its number (the key) and, as loaded values, the group
// address, the VLAN ID and the member mask, which its columns sort by.
enum { SlotGroup, SlotVlan, SlotMask };

int CompareIgmpRows(const TPageRow& a, const TPageRow& b, int column)
{
    if (column == 0)
        return CompareNumbers(a.Key, b.Key);
    const size_t slot = size_t(column - 1);
    return slot < a.Loaded.size() && slot < b.Loaded.size() ? CompareNumbers(a.Loaded[slot], b.Loaded[slot]) : 0;
}

} // namespace

TModuleIgmpTable::TModuleIgmpTable(QWidget* parent)
    : TListPage(QStringLiteral("IGMP Snooping Table"),
                {QString(), QStringLiteral("IP Address"), QStringLiteral("VLAN ID"), QStringLiteral("Member Port")},
                parent, true)
{
    List()->setShowGrid(true);
    List()->SetColumnWidths({32, 120, 70});
    List()->Model()->SetAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    List()->SetSortRule(TPageList::SortPerColumn);
    List()->SetCompare(CompareIgmpRows);
    Reads<Intp::TSessionIgmpTable>();
    OnFill([this](Intp::TDevice* device) {
        const auto& record = device->GetProperty<Intp::TPropertyIgmpTable>();
        if (!record.Valid)
            return;
        std::vector<TPageRow> rows;
        rows.reserve(record.Rows.size());
        for (const Intp::TPropertyIgmpTableEntry& entry : record.Rows) {
            TPageRow row;
            row.Key = int64_t(rows.size()) + 1;
            row.Texts = {QString::number(row.Key), QString::fromStdString(Intp::IpToText(entry.GroupIp)),
                         QString::number(entry.VlanId), MemberListText(entry.PortMask, device->GetPortCount())};
            row.Loaded = {entry.GroupIp, entry.VlanId, entry.PortMask};
            rows.push_back(std::move(row));
        }
        // Record order; only a header click sorts.
        List()->Model()->Append(std::move(rows));
    });
}

