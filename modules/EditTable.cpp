#include "EditTable.h"

#include "PageEditors.h"
#include "Resources.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

TEditTable::TEditTable(QStringList headers, QWidget* parent, const QString& title) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (!title.isEmpty()) {
        m_Title = new QLabel(title, this);
        layout->addWidget(m_Title);
    }
    m_List = new TPageList(std::move(headers), this);
    m_List->setObjectName("m_ListView");
    if (m_Title)
        m_Title->setBuddy(m_List);   // names the list
    layout->addWidget(m_List, 1);
    m_Editors = new TRowEditors(m_List);
    m_Form = new QFormLayout;
    layout->addLayout(m_Form);
}

QComboBox* TEditTable::AddChoice(int column, const QString& label, const QStringList& items, bool cycles)
{
    QComboBox* box = NewChoice(items, this);
    m_Editors->BindChoice(column, column - 1, box, AddFormRow(m_Form, label, box), cycles);
    return box;
}

QSpinBox* TEditTable::AddSpin(int column, const QString& label, int minimum, int maximum)
{
    auto* spin = new QSpinBox(this);
    spin->setRange(minimum, maximum);
    m_Editors->BindSpin(column, column - 1, spin, AddFormRow(m_Form, label, spin));
    return spin;
}

TWideSpin* TEditTable::AddWideSpin(int column, const QString& label, int64_t minimum, int64_t maximum)
{
    auto* spin = new TWideSpin(minimum, maximum, minimum, this);
    QLabel* l = AddSpinRow(m_Form, label, spin, spin->LimitLabel());
    m_Editors->BindSpin(column, column - 1, spin, l);
    m_Editors->AddControl(spin->LimitLabel());
    return spin;
}

int TEditTable::AddRow(const QString& caption, std::vector<int64_t> values, int64_t key)
{
    return m_Editors->AddRow(caption, std::move(values), key);
}

void TEditTable::Clear()
{
    m_List->Clear();
    m_Editors->Reset();
}

int64_t TEditTable::Edited(int row, int slot) const
{
    const auto& edited = m_List->Row(row).Edited;
    return slot >= 0 && slot < int(edited.size()) ? edited[size_t(slot)] : 0;
}

std::vector<uint8_t> TEditTable::EditedBytes(int slot) const
{
    std::vector<uint8_t> bytes;
    bytes.reserve(size_t(m_List->RowCount()));
    for (int row = 0; row < m_List->RowCount(); ++row)
        bytes.push_back(uint8_t(Edited(row, slot)));
    return bytes;
}

TListPage::TListPage(QString caption, QStringList headers, QWidget* parent, bool emptyOnLeave)
    : TModulePage(std::move(caption), parent)
{
    m_List = new TPageList(std::move(headers), this);
    m_List->setObjectName("m_List");
    PageLayout()->addWidget(m_List, 1);
    AddDeviceControl(m_List);
    OnClear([this] { m_List->Clear(); });
    if (emptyOnLeave)
        OnLeaving([this] { m_List->Clear(); });
}

TEditTablePage::TEditTablePage(QString caption, QStringList headers, QWidget* parent)
    : TModulePage(std::move(caption), parent)
{
    m_Table = new TEditTable(std::move(headers), this);
    PageLayout()->addWidget(m_Table, 1);
    AddDeviceControl(m_Table->List());
    OnClear([this] { m_Table->Clear(); });
}

QString YesText(int64_t mark) { return mark ? QStringLiteral("Yes") : QString(); }

int CompareNoCase(const QString& a, const QString& b) { return CompareNumbers(QString::compare(a, b, Qt::CaseInsensitive), 0); }

QPushButton* NewClearButton(QWidget* parent)
{
    auto* button = new QPushButton(Resources::Icon("RC_BITMAP_16X16_CLEAR"), QStringLiteral("&Clear"), parent);
    button->setObjectName("m_Clear");
    return button;
}

QHBoxLayout* AddRightRow(QBoxLayout* layout, QWidget* widget)
{
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(widget);
    layout->addLayout(row);
    return row;
}
