#include "ModuleSnmpCommunity.h"

#include "IntpSnmp.h"
#include "PageFields.h"
#include "PageList.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

// The privilege's value slot; the edited name is the row's column text.
constexpr int SlotPrivilege = 0;
constexpr int ColumnName = 1;

} // namespace

TModuleSnmpCommunity::TModuleSnmpCommunity(QWidget* parent) : TModulePage(QStringLiteral("Community"), parent)
{
    m_List = new TPageList({QString(), QStringLiteral("Community String"), QStringLiteral("Privilege")}, this);
    m_List->setObjectName("m_List");
    // Room for a whole name of 32 characters.
    m_List->SetColumnWidths({0, m_List->TextWidth(int(Intp::SnmpTextWidth))});
    PageLayout()->addWidget(m_List, 1);
    auto* form = new QFormLayout;
    PageLayout()->addLayout(form);
    m_Community = new QLineEdit(this);
    m_Community->setObjectName("m_Community");
    auto* privilege = NewChoice({QStringLiteral("Read Only"), QStringLiteral("Read And Write")}, this);
    privilege->setObjectName("m_Privilege");
    m_Editors = new TRowEditors(m_List);
    m_Editors->AddControl(AddFormRow(form, QStringLiteral("&Community:"), m_Community));
    m_Editors->AddControl(m_Community);
    m_Editors->BindChoice(2, SlotPrivilege, privilege, AddFormRow(form, QStringLiteral("&Privilege:"), privilege));
    AddDeviceControl(m_List);
    AddApplyButton();
    OnRead([](Intp::TDevice*, bool) -> Intp::TSession* { return new Intp::TSessionSnmpCommunityGet; });
    SetReloadCodes({Intp::TPropertySnmpCommunity::GetCommand});
    ReadsRecord<Intp::TPropertySnmpCommunity>();
    OnClear([this] {
        m_List->Clear();
        m_Editors->Reset();
        m_ReadNames.clear();
    });
    OnFill([this](Intp::TDevice* device) {
        const auto& record = Intp::GetPropertySnmpCommunity(device);
        const uint32_t count = device->GetSnmpCommunityCount();
        m_ReadNames.assign(count, std::string());
        for (uint32_t i = 0; i < count; ++i) {
            const bool valid = record.Valid && i < record.Entries.size();
            if (valid)
                m_ReadNames[i] = record.Entries[i].Name.substr(0, Intp::SnmpTextWidth);
            const int row =
                m_Editors->AddRow(QString::number(i), {valid ? record.Entries[i].Privilege : Intp::SnmpReadOnly}, i);
            m_List->Model()->SetText(row, ColumnName, QString::fromStdString(m_ReadNames[i]));
        }
    });
    OnWrite([this](Intp::TDevice*) {
        std::vector<Intp::TPropertySnmpCommunityEntry> rows;
        for (const TPageRow& row : m_List->Model()->Rows()) {
            const QString name = row.Texts.value(ColumnName);
            const size_t index = size_t(row.Key);
            const bool asRead = index < m_ReadNames.size() && name == QString::fromStdString(m_ReadNames[index]);
            rows.push_back({asRead ? m_ReadNames[index] : FixedFieldText(name, Intp::SnmpTextWidth),
                            uint32_t(row.Edited[SlotPrivilege])});
        }
        return NewRequest<Intp::TSessionSnmpCommunitySet>(rows);
    });

    connect(m_List, &TPageList::RowSelected, this, [this](int row) {
        if (row >= 0) {
            QSignalBlocker block(m_Community);
            m_Community->setText(m_List->Text(row, ColumnName));
        }
    });
    connect(m_Community, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_List->Model()->SetText(m_List->SelectedRow(), ColumnName, text);
    });
}
