#include "ModulePortTrunkStatus.h"

#include "IntpPort.h"
#include "PageEditors.h"
#include "PortTexts.h"

TModulePortTrunkStatus::TModulePortTrunkStatus(QWidget* parent)
    : TListPage(QStringLiteral("Port Trunk Status"),
                {QStringLiteral("Group ID"), QStringLiteral("Type"), QStringLiteral("Member Ports")}, parent, true)
{
    List()->SetSortRule(TPageList::SortPerColumn);
    // Only the read for a shown page: Refresh(false) starts nothing.
    OnRead([](Intp::TDevice*, bool shown) -> Intp::TSession* { return shown ? new Intp::TSessionPortTrunkGet : nullptr; });
    SetReloadCodes({Intp::TPropertyPortTrunk::GetCommand});
    ReadsRecord<Intp::TPropertyPortTrunk>();
    OnFill([this](Intp::TDevice* device) {
        const auto& record = Intp::GetPropertyPortTrunk(device);
        if (!record.Valid)
            return;
        for (uint32_t g = 0; g < record.Rows.size(); ++g)
            List()->AddRow({TrunkCaption(g), CodeText(TrunkTypeTexts(), record.Rows[g].Type ? 1 : 0),
                            MemberListText(record.Rows[g].Mask)},
                           g);
        List()->Sort();
    });
}

