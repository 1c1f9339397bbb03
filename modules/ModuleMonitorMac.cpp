#include "ModuleMonitorMac.h"

#include "EditTable.h"
#include "IntpMonitor.h"
#include "IntpPort.h"
#include "PageEditors.h"
#include "PageList.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

// Column 0 by the row numbers, the others by their texts, case folded.
int CompareMacRows(const TPageRow& a, const TPageRow& b, int column)
{
    return column == 0 ? CompareNumbers(a.Key, b.Key) : CompareNoCase(a.Texts.value(column), b.Texts.value(column));
}

} // namespace

TModuleMonitorMac::TModuleMonitorMac(QWidget* parent) : TModulePage(QStringLiteral("MAC Address Table"), parent)
{
    auto* form = new QFormLayout;
    m_Port = new QComboBox(this);
    m_Port->setObjectName("m_Port");
    m_Dynamic = new QLabel(QStringLiteral("0"), this);
    m_Dynamic->setObjectName("m_Dynamic");
    m_Static = new QLabel(QStringLiteral("0"), this);
    m_Static->setObjectName("m_Static");
    QLabel* labels[] = {AddFormRow(form, QStringLiteral("&Port No.:"), m_Port),
                              AddFormRow(form, QStringLiteral("Dynamic Address Count:"), m_Dynamic),
                              AddFormRow(form, QStringLiteral("Static Address Count:"), m_Static)};
    PageLayout()->addLayout(form);
    m_List = new TPageList({QString(), QStringLiteral("MAC Address"), QStringLiteral("Type")}, this);
    m_List->setObjectName("m_List");
    m_List->SetColumnWidths({32, 140});
    m_List->SetSortRule(TPageList::SortPerColumn);
    m_List->SetCompare(CompareMacRows);
    PageLayout()->addWidget(m_List, 1);
    m_Clear = NewClearButton(this);
    AddRightRow(PageLayout(), m_Clear);
    for (QLabel* label : labels)
        AddDeviceControl(label);
    for (QWidget* w : std::initializer_list<QWidget*>{m_Port, m_Dynamic, m_Static, m_List, m_Clear})
        AddDeviceControl(w);
    SetDefaultButton(m_Clear);
    // Port names, then the port configuration, then the table.
    UsePortNames([](Intp::TDevice* device) -> Intp::TSession* {
        return Intp::GetPropertyPortConfig(device).Valid ? new Intp::TSessionMonitorMacGet : nullptr;
    });
    OnRead([](Intp::TDevice*, bool) -> Intp::TSession* { return new Intp::TSessionMonitorMacGet; });
    AddReloadCode(Intp::TPropertyMonitorMac::GetCommand);
    ReadsRecord<Intp::TPropertyMonitorMac>();
    // Emptied on every reload and when the page is left.
    const auto empty = [this] {
        const QSignalBlocker block(m_Port);
        m_Port->clear();
        m_List->Clear();
        m_Dynamic->setText(QStringLiteral("0"));
        m_Static->setText(QStringLiteral("0"));
    };
    OnClear(empty);
    OnLeaving(empty);
    OnFill([this](Intp::TDevice* device) { FillPorts(device); });
    connect(m_Port, &QComboBox::currentIndexChanged, this, &TModuleMonitorMac::EventOnPortChange);
    connect(m_Clear, &QPushButton::clicked, this, &TModuleMonitorMac::EventOnClearClick);
}

void TModuleMonitorMac::FillPorts(Intp::TDevice* device)
{
    const auto& config = Intp::GetPropertyPortConfig(device);
    const auto& names = Intp::GetPropertyPortName(device);
    if (!config.Valid || !names.Valid)
        return;
    {
        const QSignalBlocker block(m_Port);
        for (uint32_t i = 0; i < config.Count && i < config.Rows.size(); ++i) {
            const uint32_t port = config.Rows[i].Port;
            m_Port->addItem(port < names.Names.size() ? QString::fromStdString(names.Names[port]) : QString(), port);
        }
        m_Port->setCurrentIndex(m_Port->count() ? 0 : -1);
    }
    EventOnPortChange();
}

void TModuleMonitorMac::EventOnPortChange()
{
    m_List->Clear();
    Intp::TDevice* device = CurrentDevice();
    int counts[2] = {0, 0};
    if (device && m_Port->currentIndex() >= 0) {
        const auto& record = Intp::GetPropertyMonitorMac(device);
        if (record.Valid) {
            const auto [from, to] = record.Entries.equal_range(m_Port->currentData().toInt());
            std::vector<TPageRow> rows;
            for (auto it = from; it != to; ++it) {
                const Intp::TPropertyMonitorMacEntry& entry = it->second;
                TPageRow row;
                row.Key = int64_t(rows.size()) + 1;
                row.Texts = {QString::number(row.Key), QString::fromStdString(Intp::MacToText(entry.Address)),
                             entry.Static ? QStringLiteral("Static") : QStringLiteral("Dynamic")};
                ++counts[entry.Static ? 1 : 0];
                rows.push_back(std::move(row));
            }
            // Record order; only a header click sorts.
            m_List->Model()->Append(std::move(rows));
        }
    }
    m_Dynamic->setText(QString::number(counts[0]));
    m_Static->setText(QString::number(counts[1]));
}

void TModuleMonitorMac::EventOnClearClick()
{
    if (m_Clear->isEnabled())
        StartOnCurrentDevices([](Intp::TDevice*) { return new Intp::TSessionMonitorMacClear; });
}
