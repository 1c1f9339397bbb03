#include "ModuleMonitorPort.h"

#include "IntpMonitor.h"
#include "IntpPort.h"
#include "PageEditors.h"
#include "PortTexts.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int FirstCounter = 4;

// The caption, type, link and state by text, case folded; the counters
// (kept as the row's values) as numbers.
int CompareStatisticsRows(const TPageRow& a, const TPageRow& b, int column)
{
    if (column < FirstCounter)
        return CompareNoCase(a.Texts.value(column), b.Texts.value(column));
    const size_t slot = size_t(column - FirstCounter);
    return slot < a.Loaded.size() && slot < b.Loaded.size() ? CompareNumbers(a.Loaded[slot], b.Loaded[slot]) : 0;
}

} // namespace

TModuleMonitorPort::TModuleMonitorPort(QWidget* parent)
    : TListPage(QStringLiteral("Port Statistics"),
                {QStringLiteral("Port"), QStringLiteral("Type"), QStringLiteral("Link"), QStringLiteral("State"),
                 QStringLiteral("TX Good"), QStringLiteral("TX Bad"), QStringLiteral("RX Good"), QStringLiteral("RX Bad"),
                 QStringLiteral("TX Abort"), QStringLiteral("Collision")},
                parent, false)
{
    for (int c = FirstCounter; c < List()->Model()->columnCount(); ++c)
        List()->Model()->SetAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    List()->SetSortRule(TPageList::SortPerColumn);
    List()->SetCompare(CompareStatisticsRows);
    m_Clear = NewClearButton(this);
    AddRightRow(PageLayout(), m_Clear);
    AddDeviceControl(m_Clear);
    SetDefaultButton(m_Clear);
    AddChainStep(Intp::TPropertyPortStatus::GetCommand, [](Intp::TDevice* device) -> Intp::TSession* {
        return Intp::GetPropertyPortStatus(device).Valid ? new Intp::TSessionMonitorPortGet : nullptr;
    });
    // Shown: the port status first, whose report starts the counters' read.
    OnRead([](Intp::TDevice*, bool shown) -> Intp::TSession* {
        return shown ? static_cast<Intp::TSession*>(new Intp::TSessionPortStatusGet) : new Intp::TSessionMonitorPortGet;
    });
    AddReloadCode(Intp::TPropertyMonitorPort::GetCommand);
    ReadsRecord<Intp::TPropertyPortStatus>();
    ReadsRecord<Intp::TPropertyMonitorPort>();
    OnFill([this](Intp::TDevice* device) { FillCounters(device); });
    connect(m_Clear, &QPushButton::clicked, this, &TModuleMonitorPort::EventOnClearClick);
}

void TModuleMonitorPort::FillCounters(Intp::TDevice* device)
{
    const auto& status = Intp::GetPropertyPortStatus(device);
    const auto& counters = Intp::GetPropertyMonitorPort(device);
    if (!status.Valid || !counters.Valid)
        return;
    std::vector<TPageRow> rows;
    for (size_t p = 0; p < status.Rows.size() && p < counters.Rows.size(); ++p) {
        const Intp::TPortStatusRow& s = status.Rows[p];
        const Intp::TPropertyMonitorPortRow& c = counters.Rows[p];
        TPageRow row;
        row.Key = int64_t(p);
        row.Loaded = {c.TxGood, c.TxBad, c.RxGood, c.RxBad, c.TxAbort, c.Collision};
        row.Texts = {PortCaption(uint32_t(p)), CodeText(PortTypeTexts(), s.Type), LinkText(s.Link),
                     CodeText(OnOffTexts(), s.State)};
        for (int64_t counter : row.Loaded)
            row.Texts << QString::number(counter);
        rows.push_back(std::move(row));
    }
    List()->Model()->Append(std::move(rows));
    List()->Sort();
}

void TModuleMonitorPort::EventOnClearClick()
{
    if (m_Clear->isEnabled())
        StartOnCurrentDevices([](Intp::TDevice*) { return new Intp::TSessionMonitorPortClear; });
}
