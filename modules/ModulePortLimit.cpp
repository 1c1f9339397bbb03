#include "ModulePortLimit.h"

#include "EditTable.h"
#include "IntpPort.h"
#include "PageEditors.h"

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include <climits>
#include <cstring>

TModulePortLimit::TModulePortLimit(QWidget* parent)
    : TEditTablePage(QStringLiteral("Rate Limit"),
                     {QStringLiteral("Port No."), QStringLiteral("Ingress Limit Frame Type"),
                      QStringLiteral("Ingress(kbps)"), QStringLiteral("Egress(kbps)")},
                     parent)
{
    auto* description = new QLabel(
        QStringLiteral("Rate range is from 100 kbps to 102400 kbps (i.e. 100Mbps) for mega-ports, or 256000 kbps "
                       "(i.e. 250Mbps) for giga-ports. Zero means no limit."),
        this);
    description->setObjectName("m_Description");
    description->setWordWrap(true);
    PageLayout()->insertWidget(0, description);
    TEditTable* table = Table();
    m_Type = table->AddChoice(1, QStringLiteral("&Type:"),
                                {QStringLiteral("All"), QStringLiteral("Broadcast/Multicast/Flooded Unicast"),
                                 QStringLiteral("Broadcast/Multicast"), QStringLiteral("Broadcast Only")});
    // A rate is never negative; the page sets no upper bound beyond the
    // field's own (the switch checks the rates of its ports).
    m_Ingress = table->AddWideSpin(2, QStringLiteral("&Ingress:"), 0, UINT32_MAX);
    m_Egress = table->AddWideSpin(3, QStringLiteral("&Egress:"), 0, UINT32_MAX);
    m_Ingress->setObjectName("m_Ingress");
    m_Egress->setObjectName("m_Egress");
    AddApplyButton();
    Reads<Intp::TSessionPortLimitGet>();
    OnFill([this](Intp::TDevice* device) {
        const auto& record = Intp::GetPropertyPortLimit(device);
        for (uint32_t p = 0; p < device->GetPortCount(); ++p) {
            Intp::TPortLimitRow row{3, 8192, 0};
            if (record.Valid && p < record.Rows.size())
                row = record.Rows[p];
            Table()->AddRow(PortCaption(p), {row.FrameType, row.Ingress, row.Egress}, p);
        }
    });
    // Every row's frame type and rates, in list order.
    OnWrite([this](Intp::TDevice*) {
        const int n = Table()->List()->RowCount();
        std::vector<uint8_t> buffer(Intp::PortLimitRowSize * size_t(n));
        for (int r = 0; r < n; ++r) {
            uint8_t* at = buffer.data() + Intp::PortLimitRowSize * size_t(r);
            const uint32_t rates[2] = {uint32_t(Table()->Edited(r, 1)), uint32_t(Table()->Edited(r, 2))};
            at[0] = uint8_t(Table()->Edited(r, 0));
            std::memcpy(at + 1, rates, sizeof rates);
        }
        return NewFilledSet<Intp::TSessionPortLimitSet>(buffer.data(), buffer.size(), n);
    });
}

