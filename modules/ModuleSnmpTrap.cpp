#include "ModuleSnmpTrap.h"

#include "IntpSnmp.h"
#include "PageFields.h"
#include "PageList.h"
#include "PageReads.h"

#include <QFormLayout>
#include <QLabel>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

enum { ColumnNumber, ColumnServer, ColumnCommunity, ColumnVersion };

} // namespace

TModuleSnmpTrap::TModuleSnmpTrap(QWidget* parent) : TModulePage(QStringLiteral("Trap Settings"), parent)
{
    m_List = new TPageList({QString(), QStringLiteral("Server IP"), QStringLiteral("Community"),
                            QStringLiteral("Trap Version")},
                           this);
    m_List->setObjectName("m_List");
    // Room for a whole address and a whole community name of 32 characters.
    m_List->SetColumnWidths({0, m_List->TextWidth(15), m_List->TextWidth(int(Intp::SnmpTextWidth))});
    m_List->Model()->SetAlignment(ColumnVersion, Qt::AlignCenter);
    m_List->SetSortRule(TPageList::SortPerColumn);
    // The row number and the address (kept in Loaded) compare as numbers.
    m_List->SetCompare([](const TPageRow& a, const TPageRow& b, int column) {
        if (column == ColumnNumber)
            return CompareNumbers(a.Key, b.Key);
        if (column == ColumnServer)
            return CompareNumbers(a.Loaded[0], b.Loaded[0]);
        return CompareText(a.Texts.value(column), b.Texts.value(column));
    });
    PageLayout()->addWidget(m_List, 1);

    auto* form = new QFormLayout;
    PageLayout()->addLayout(form);
    m_ServerIp = new TInetAddrEdit(this);
    m_ServerIp->setObjectName("m_ServerIp");
    m_Community = new QLineEdit(this);
    m_Community->setObjectName("m_Community");
    m_Community->setMaxLength(int(Intp::SnmpTextWidth));
    m_V1 = new QRadioButton(QStringLiteral("V1"), this);
    m_V2c = new QRadioButton(QStringLiteral("V2c"), this);
    m_V1->setObjectName("m_V1");
    m_V2c->setObjectName("m_V2c");
    auto* versions = new QWidget(this);
    auto* versionRow = new QHBoxLayout(versions);
    versionRow->setContentsMargins(0, 0, 0, 0);
    versionRow->addWidget(m_V1);
    versionRow->addWidget(m_V2c);
    versionRow->addStretch(1);
    for (QWidget* w : std::initializer_list<QWidget*>{AddFormRow(form, QStringLiteral("Server &IP:"), m_ServerIp),
                                                      AddFormRow(form, QStringLiteral("&Community:"), m_Community),
                                                      AddFormRow(form, QStringLiteral("&Trap Version:"), versions),
                                                      m_List, m_ServerIp, m_Community, m_V1, m_V2c})
        AddDeviceControl(w);
    AddAddDeleteButtons(PageLayout(), this, m_Add, m_Delete);
    Reads<Intp::TSessionSnmpTrapGet>();
    OnClear([this] {
        m_List->Clear();
        m_ServerIp->setText(QStringLiteral("0.0.0.0"));
        m_Community->clear();
        m_V1->setChecked(true);
        m_Add->setEnabled(false);
        m_Delete->setEnabled(false);
    });
    OnFill([this](Intp::TDevice* device) { FillRows(device); });
    OnLeaving([this] { m_List->Clear(); });

    connect(m_List, &TPageList::RowSelected, this, &TModuleSnmpTrap::EventOnListSelect);
    connect(m_ServerIp, &TInetAddrEdit::Changed, this, &TModuleSnmpTrap::ButtonRule);
    connect(m_Community, &QLineEdit::textChanged, this, &TModuleSnmpTrap::ButtonRule);
    connect(m_Add, &QPushButton::clicked, this, &TModuleSnmpTrap::EventOnAddClick);
    connect(m_Delete, &QPushButton::clicked, this, &TModuleSnmpTrap::EventOnDeleteClick);
}

void TModuleSnmpTrap::FillRows(Intp::TDevice* device)
{
    const auto& record = Intp::GetPropertySnmpTrap(device);
    if (!record.Valid)
        return;
    std::vector<TPageRow> rows(record.Rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& entry = record.Rows[i];
        rows[i].Key = int64_t(i) + 1;
        rows[i].Loaded = {entry.Server};
        rows[i].Texts = {QString::number(i + 1), QString::fromStdString(Intp::IpToText(entry.Server)),
                         QString::fromStdString(entry.Community),
                         entry.Version == Intp::SnmpTrapV2c ? QStringLiteral("V2c") : QStringLiteral("V1")};
    }
    m_List->Model()->Append(std::move(rows));
    m_List->Sort();
}

void TModuleSnmpTrap::EventOnListSelect(int row)
{
    if (row < 0)
        return;
    m_ServerIp->setText(m_List->Text(row, ColumnServer));
    m_Community->setText(m_List->Text(row, ColumnCommunity));
    (m_List->Text(row, ColumnVersion) == QStringLiteral("V1") ? m_V1 : m_V2c)->setChecked(true);
    ButtonRule();
}

void TModuleSnmpTrap::ButtonRule()
{
    bool add = false, del = false;
    if (Intp::IsUsableIp(m_ServerIp->Value()) && !m_Community->text().isEmpty()) {
        bool exists = false;
        for (int row = 0; row < m_List->RowCount() && !exists; ++row)
            exists = m_List->Text(row, ColumnServer) == m_ServerIp->text();
        add = !exists;
        del = exists;
    }
    m_Add->setEnabled(add);
    m_Delete->setEnabled(del);
}

void TModuleSnmpTrap::EventOnAddClick()
{
    const Intp::TPropertySnmpTrapEntry entry{m_ServerIp->Value(),
                                             FixedFieldText(m_Community->text(), Intp::SnmpTextWidth),
                                             m_V2c->isChecked() ? Intp::SnmpTrapV2c : Intp::SnmpTrapV1};
    StartOnCurrentDevices([&entry](Intp::TDevice*) { return NewRequest<Intp::TSessionSnmpTrapAdd>(entry); });
}

void TModuleSnmpTrap::EventOnDeleteClick()
{
    const uint32_t server = m_ServerIp->Value();
    StartOnCurrentDevices([server](Intp::TDevice*) { return NewRequest<Intp::TSessionSnmpTrapDel>(server); });
}
