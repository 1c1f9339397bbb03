#include "ModulePortTrunk.h"

#include "EditTable.h"
#include "IntpPort.h"
#include "PageEditors.h"
#include "PortTexts.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include <cstring>

TModulePortTrunk::TModulePortTrunk(QWidget* parent)
    : TEditTablePage(QStringLiteral("Port Trunk"),
                     {QStringLiteral("Group ID"), QStringLiteral("Type"), QStringLiteral("Member Ports")}, parent)
{
    TEditTable* table = Table();
    m_Type = table->AddChoice(1, QStringLiteral("&Type:"), TrunkTypeTexts());
    m_Member = new QListWidget(this);
    m_Member->setObjectName("m_Member");
    table->Editors()->BindCustom(
        2, 1, m_Member, [this](int64_t mask) { LoadMembers(mask); },
        [](int64_t mask) { return MemberListText(uint32_t(mask)); },
        AddFormRow(table->Form(), QStringLiteral("&Members:"), m_Member));
    connect(m_Member, &QListWidget::itemChanged, this, &TModulePortTrunk::EventOnMemberClick);
    AddApplyButton();
    Reads<Intp::TSessionPortTrunkGet>();
    OnClear([this] {
        Table()->Clear();
        m_Loading = true;
        m_Member->clear();
        m_Loading = false;
    });
    OnFill([this](Intp::TDevice* device) {
        FillMembers(device);
        const auto& record = Intp::GetPropertyPortTrunk(device);
        for (uint32_t g = 0; g < device->GetTrunkCount(); ++g) {
            Intp::TPortTrunkRow row;
            if (record.Valid && g < record.Rows.size())
                row = record.Rows[g];
            Table()->AddRow(TrunkCaption(g), {row.Type ? 1 : 0, row.Mask}, g);
        }
    });
    // Every group's member mask and type, in list order.
    OnWrite([this](Intp::TDevice*) {
        const int n = Table()->List()->RowCount();
        std::vector<uint8_t> buffer(Intp::PortTrunkRowSize * size_t(n));
        for (int r = 0; r < n; ++r) {
            uint8_t* at = buffer.data() + Intp::PortTrunkRowSize * size_t(r);
            const uint32_t mask = uint32_t(Table()->Edited(r, 1));
            std::memcpy(at, &mask, sizeof mask);
            at[4] = Table()->Edited(r, 0) == 1 ? 1 : 0;
        }
        return NewFilledSet<Intp::TSessionPortTrunkSet>(buffer.data(), buffer.size(), n);
    });
}

void TModulePortTrunk::FillMembers(Intp::TDevice* device)
{
    m_Loading = true;
    for (uint32_t p = 0; p < device->GetPortCount(); ++p) {
        auto* item = new QListWidgetItem(PortCaption(p), m_Member);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setCheckState(Qt::Unchecked);
    }
    m_Loading = false;
}

void TModulePortTrunk::LoadMembers(int64_t mask)
{
    m_Loading = true;
    for (int k = 0; k < m_Member->count(); ++k)
        m_Member->item(k)->setCheckState(k < 32 && (uint64_t(mask) >> k) & 1 ? Qt::Checked : Qt::Unchecked);
    m_Loading = false;
}

void TModulePortTrunk::EventOnMemberClick(QListWidgetItem*)
{
    if (m_Loading)
        return;
    uint32_t mask = 0;
    for (int k = 0; k < m_Member->count() && k < 32; ++k)
        if (m_Member->item(k)->checkState() == Qt::Checked)
            mask |= 1u << k;
    Table()->Editors()->SetEdited(1, mask);
}

