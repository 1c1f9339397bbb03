#include "ModulePortConfig.h"

#include "EditTable.h"
#include "IntpPort.h"
#include "PortTexts.h"

#include <QComboBox>
#include <QPushButton>
#include <QVBoxLayout>

TModulePortConfig::TModulePortConfig(QWidget* parent)
    : TEditTablePage(QStringLiteral("Port Configuration"),
                     {QStringLiteral("Port No."), QStringLiteral("State"), QStringLiteral("Speed/Duplex"),
                      QStringLiteral("Flow Control"), QStringLiteral("Security")},
                     parent)
{
    TEditTable* table = Table();
    m_State = table->AddChoice(1, QStringLiteral("&State:"), OnOffTexts());
    m_Duplex = table->AddChoice(2, QStringLiteral("Speed/&Duplex:"), SpeedDuplexTexts());
    m_Flow = table->AddChoice(3, QStringLiteral("&Flow Control:"), FlowControlTexts());
    m_Security = table->AddChoice(4, QStringLiteral("S&ecurity:"), OnOffTexts());
    AddApplyButton();
    // Port names first; Refresh(false) reads the configuration alone.
    UsePortNames();
    Reads<Intp::TSessionPortConfigGet>();
    OnFill([this](Intp::TDevice* device) { FillRows(device); });
    OnReloaded([this](Intp::TDevice*) {
        if (Table()->List()->RowCount() == 0)
            ApplyButton()->setEnabled(false);
    });
    // Every row's port and settings, in list order; nothing without rows.
    OnWrite([this](Intp::TDevice*) -> Intp::TSession* {
        const int n = Table()->List()->RowCount();
        if (n == 0)
            return nullptr;
        std::vector<uint8_t> buffer(Intp::PortConfigHeadSize, 0);
        for (int r = 0; r < n; ++r) {
            buffer.push_back(uint8_t(Table()->List()->Row(r).Key));
            buffer.push_back(Table()->Edited(r, 0) == 1 ? 1 : 0);
            buffer.push_back(uint8_t(Table()->Edited(r, 1)));
            buffer.push_back(uint8_t(Table()->Edited(r, 2)));
            buffer.push_back(Table()->Edited(r, 3) == 1 ? 1 : 0);
        }
        return NewFilledSet<Intp::TSessionPortConfigSet>(buffer.data(), buffer.size(), n);
    });
}

void TModulePortConfig::FillRows(Intp::TDevice* device)
{
    const auto& config = Intp::GetPropertyPortConfig(device);
    const auto& names = Intp::GetPropertyPortName(device);
    if (!config.Valid || !names.Valid)
        return;
    for (uint32_t i = 0; i < config.Count && i < config.Rows.size(); ++i) {
        const Intp::TPortConfigRow& row = config.Rows[i];
        const QString caption = row.Port < names.Names.size() ? QString::fromStdString(names.Names[row.Port]) : QString();
        Table()->AddRow(caption, {row.State, row.Speed, row.Flow, row.Security}, row.Port);
    }
    Table()->List()->Model()->StableSort(
        [](const TPageRow& a, const TPageRow& b) { return CompareText(a.Texts.value(0), b.Texts.value(0)) < 0; });
}
