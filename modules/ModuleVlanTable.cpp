#include "ModuleVlanTable.h"

#include "IntpVlan.h"
#include "MessageBoxes.h"
#include "ModuleVlan8021q.h"
#include "PageEditors.h"
#include "PageList.h"

#include <QVBoxLayout>

namespace {

enum { ColRow, ColVlan, ColUntagged, ColTagged };

// "1,2,5" for the mask 0x13.
QString PortListText(uint32_t mask) { return MemberListText(mask).remove(u' '); }

} // namespace

TModuleVlanTable::TModuleVlanTable(QWidget* parent) : TModulePage(QStringLiteral("VLAN Table"), parent)
{
    m_List = new TPageList({QString(), QStringLiteral("VLAN ID"), QStringLiteral("Untagged Ports"),
                            QStringLiteral("Tagged Ports")},
                           this);
    m_List->setObjectName("m_ListView");
    m_List->SetColumnWidths({40, 70, 160});
    m_List->SetSortRule(TPageList::SortPerColumn);
    // The row number and the VLAN ID compare as numbers (the row's key and
    // its value), the port lists as texts.
    m_List->SetCompare([](const TPageRow& a, const TPageRow& b, int column) {
        switch (column) {
        case ColRow: return CompareNumbers(a.Key, b.Key);
        case ColVlan: return CompareNumbers(a.Loaded.at(0), b.Loaded.at(0));
        default: return CompareText(a.Texts.value(column), b.Texts.value(column));
        }
    });
    PageLayout()->addWidget(m_List, 1);
    AddDeviceControl(m_List);
    SetFillsWhileShown(true);
    SetReloadCodes({Intp::TPropertyVlanPort::GetCommand, Intp::TPropertyVlan8021qPort::GetCommand});
    ReadsRecord<Intp::TPropertyVlan>();
    AddChainStep(Intp::TPropertyVlan::GetCommand, [](Intp::TDevice* device) -> Intp::TSession* {
        const auto& mode = Intp::GetPropertyVlan(device);
        if (mode.Valid && mode.Mode == Intp::VlanModePortBased)
            return new Intp::TSessionVlanPortGet;
        if (mode.Valid && mode.Mode == Intp::VlanMode8021q)
            return new Intp::TSessionVlan8021qPortGet;
        return nullptr;
    });
    OnClear([this] { m_List->Clear(); });
    OnFill([this](Intp::TDevice* device) { FillRows(device); });
    OnLeaving([this] { m_List->Clear(); });
}

int TModuleVlanTable::Refresh(bool shown) { return shown ? RequestVlanMode() : 0; }

void TModuleVlanTable::AddVlanRow(uint32_t vlanId, uint32_t untagged, const QString& tagged)
{
    TPageRow row;
    row.Key = m_List->RowCount() + 1;
    row.Loaded = {vlanId};
    row.Texts = {QString::number(row.Key), QString::number(vlanId), PortListText(untagged), tagged};
    m_List->Model()->Append(std::move(row));
}

void TModuleVlanTable::FillRows(Intp::TDevice* device)
{
    const auto& mode = Intp::GetPropertyVlan(device);
    if (!mode.Valid)
        return;
    if (mode.Mode == Intp::VlanModePortBased) {
        const auto& table = Intp::GetPropertyVlanPort(device);
        if (table.Valid)
            for (const auto& entry : table.Rows)
                AddVlanRow(entry.VlanId, entry.Mask, QString());
    } else if (mode.Mode == Intp::VlanMode8021q) {
        const auto& table = Intp::GetPropertyVlan8021qPort(device);
        if (table.Valid)
            for (const auto& entry : table.Rows)
                AddVlanRow(entry.VlanId, entry.UntaggedMask, PortListText(entry.TaggedMask));
    } else {
        ShowError(QStringLiteral("VLAN Not Enabled!"));
        return;
    }
    m_List->Sort();
}
