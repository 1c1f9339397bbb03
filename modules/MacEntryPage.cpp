#include "MacEntryPage.h"

#include "PageFields.h"
#include "PageList.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TMacEntryPage::TMacEntryPage(const QString& caption, QWidget* parent, const QStringList& headers, int macColumn,
                             bool upper)
    : TModulePage(caption, parent), m_MacColumn(macColumn), m_Upper(upper)
{
    m_List = new TPageList(headers, this);
    m_List->setObjectName("m_List");
    PageLayout()->addWidget(m_List, 1);
    m_Form = new QFormLayout;
    PageLayout()->addLayout(m_Form);
    m_MAC = NewMacField(this, upper);
    m_MAC->setObjectName("m_MAC");
    QLabel* macLabel = AddFormRow(m_Form, QStringLiteral("&MAC Address:"), m_MAC);
    AddAddDeleteButtons(PageLayout(), this, m_Add, m_Delete);
    for (QWidget* w : std::initializer_list<QWidget*>{m_List, macLabel, m_MAC})
        AddDeviceControl(w);
    OnClear([this] { EmptyEntries(); });
    OnReloaded([this](Intp::TDevice*) { AddressRule(); });
    OnLeaving([this] { EmptyList(); });
    connect(m_MAC, &QLineEdit::textChanged, this, &TMacEntryPage::AddressRule);
    connect(m_List, &TPageList::RowSelected, this, &TMacEntryPage::EventOnListSelect);
    connect(m_Add, &QPushButton::clicked, this, [this] { Send(true); });
    connect(m_Delete, &QPushButton::clicked, this, [this] { Send(false); });
}

void TMacEntryPage::EmptyList()
{
    m_Emptying = true;
    m_List->Clear();
    m_Emptying = false;
}

void TMacEntryPage::EmptyEntries()
{
    EmptyList();
    m_MAC->clear();
}

void TMacEntryPage::AddressRule()
{
    m_Kept = ParseMacText(m_MAC->text());
    const bool listed = m_Kept && m_Listed && m_Listed(*m_Kept);
    m_Add->setEnabled(m_Kept && !listed);
    m_Delete->setEnabled(listed);
}

void TMacEntryPage::EventOnListSelect(int row)
{
    if (m_Emptying)
        return;
    if (row >= 0 && m_Picked)
        m_Picked(row);
    const QString digits = row >= 0 ? m_List->Text(row, m_MacColumn).remove(QLatin1Char(':')) : QString();
    m_MAC->setText(m_Upper ? digits.toUpper() : digits.toLower());
    AddressRule();
}

void TMacEntryPage::Send(bool add)
{
    if (!m_Kept)
        return;
    const Intp::TMacAddr mac = *m_Kept;
    // The page changes nothing itself: the Get after each reply reloads it.
    const TMacRequest& request = add ? m_AddRequest : m_DelRequest;
    if (request)
        StartOnCurrentDevices([&](Intp::TDevice*) { return request(mac); });
}
