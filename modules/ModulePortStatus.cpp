#include "ModulePortStatus.h"

#include "IntpPort.h"
#include "PageEditors.h"
#include "PortTexts.h"

TModulePortStatus::TModulePortStatus(QWidget* parent)
    : TListPage(QStringLiteral("Port Status"),
                {QStringLiteral("Port No."), QStringLiteral("Type"), QStringLiteral("Link"), QStringLiteral("State"),
                 QStringLiteral("Speed/Duplex"), QStringLiteral("Flow Control")},
                parent, true)
{
    // First by the port, rising; a click on another column sorts by it
    // rising, on the sorted column turns the direction over.
    List()->SetSortRule(TPageList::SortShared, 0, 1);
    SetFillsWhileShown(true);
    Reads<Intp::TSessionPortStatusGet>();
    OnFill([this](Intp::TDevice* device) {
        const auto& record = Intp::GetPropertyPortStatus(device);
        if (!record.Valid)
            return;
        for (uint32_t p = 0; p < record.Rows.size(); ++p) {
            const Intp::TPortStatusRow& row = record.Rows[p];
            // Flow control is on or off here: "Symmetric" for on.
            List()->AddRow({PortCaption(p), CodeText(PortTypeTexts(), row.Type), LinkText(row.Link),
                            CodeText(OnOffTexts(), row.State), CodeText(SpeedDuplexTexts(), row.Speed),
                            CodeText(FlowControlTexts(), row.Flow ? 1 : 0)},
                           p);
        }
        List()->Sort();
    });
}

