#include "ModuleMonitorMirror.h"

#include "EditTable.h"
#include "IntpMonitor.h"
#include "PageEditors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {
// Row slots: the source TX and source RX marks.
enum { SlotTx, SlotRx };
}

TModuleMonitorMirror::TModuleMonitorMirror(QWidget* parent)
    : TEditTablePage(QStringLiteral("Port Mirroring"),
                     {QStringLiteral("Port No."), QStringLiteral("Source TX"), QStringLiteral("Source RX")}, parent)
{
    auto* destinations = new QFormLayout;
    m_DestTx = new TChoice(this);
    m_DestTx->setObjectName("m_DestTx");
    m_DestRx = new TChoice(this);
    m_DestRx->setObjectName("m_DestRx");
    QLabel* txLabel = AddFormRow(destinations, QStringLiteral("Destination &TX Port:"), m_DestTx);
    QLabel* rxLabel = AddFormRow(destinations, QStringLiteral("Destination &RX Port:"), m_DestRx);
    PageLayout()->insertLayout(0, destinations);
    m_SrcTx = NewMark(1, QStringLiteral("Source TX:"));
    m_SrcRx = NewMark(2, QStringLiteral("Source RX:"));
    m_Clear = NewClearButton(this);
    QHBoxLayout* buttons = AddRightRow(PageLayout(), m_Clear);
    for (QWidget* w : std::initializer_list<QWidget*>{txLabel, rxLabel, m_DestTx, m_DestRx, Table()->List(), m_Clear})
        AddDeviceControl(w);
    AddApplyButton(buttons);
    Reads<Intp::TSessionMonitorMirrorGet>();
    OnClear([this] {
        Table()->Clear();
        m_DestTx->clear();
        m_DestRx->clear();
        m_HiddenTx = m_HiddenRx = 0;
    });
    // A record that is not valid sets nothing: item 0 and no marks, shown
    // while the read state keeps Apply off.
    OnFill([this](Intp::TDevice* device) {
        const auto& record = Intp::GetPropertyMonitorMirror(device);
        const uint32_t ports = device->GetPortCount();
        for (uint32_t i = 0; i < ports; ++i) {
            const bool tx = record.Valid && i < 32 && (record.SourceTxMask >> i) & 1;
            const bool rx = record.Valid && i < 32 && (record.SourceRxMask >> i) & 1;
            Table()->AddRow(PortCaption(i), {tx ? 1 : 0, rx ? 1 : 0}, i);
            m_DestTx->addItem(PortCaption(i));
            m_DestRx->addItem(PortCaption(i));
        }
        if (!record.Valid)
            return;
        const uint32_t shown = ports >= 32 ? ~0u : (1u << ports) - 1;
        m_HiddenTx = record.SourceTxMask & ~shown;
        m_HiddenRx = record.SourceRxMask & ~shown;
        m_DestTx->SetValue(record.DestTx);
        m_DestRx->SetValue(record.DestRx);
    });
    // The destinations as chosen (or as read), the rows' marks and the
    // hidden bits as read.
    OnWrite([this](Intp::TDevice*) {
        Intp::TMonitorMirrorRequest request;
        request.DestRx = uint8_t(std::max<int64_t>(0, m_DestRx->Value()));
        request.DestTx = uint8_t(std::max<int64_t>(0, m_DestTx->Value()));
        request.SourceTxMask = m_HiddenTx;
        request.SourceRxMask = m_HiddenRx;
        for (int row = 0; row < Table()->List()->RowCount() && row < 32; ++row) {
            request.SourceTxMask |= Table()->Edited(row, SlotTx) ? 1u << row : 0;
            request.SourceRxMask |= Table()->Edited(row, SlotRx) ? 1u << row : 0;
        }
        auto* set = new Intp::TSessionMonitorMirrorSet;
        set->SetData(request);
        return set;
    });
    connect(m_Clear, &QPushButton::clicked, this, &TModuleMonitorMirror::EventOnClearClick);
    connect(Table()->List(), &TPageList::HeaderClicked, this, &TModuleMonitorMirror::EventOnListViewColumnClick);
}

QCheckBox* TModuleMonitorMirror::NewMark(int column, const QString& label)
{
    auto* box = new QCheckBox(this);
    const int slot = column - 1;
    Table()->Editors()->BindCustom(column, slot, box, [box](int64_t mark) {
        const QSignalBlocker block(box);
        box->setChecked(mark != 0);
    }, YesText, AddFormRow(Table()->Form(), label, box));
    connect(box, &QCheckBox::clicked, this, [this, slot](bool on) { Table()->Editors()->SetEdited(slot, on ? 1 : 0); });
    return box;
}

void TModuleMonitorMirror::SetAllMarks(int slot, bool mark)
{
    TPageList* list = Table()->List();
    for (int row = 0; row < list->RowCount(); ++row)
        Table()->Editors()->SetRowValue(row, slot, mark ? 1 : 0);
    const int selected = list->SelectedRow();
    if (selected >= 0) {
        const QSignalBlocker blockTx(m_SrcTx), blockRx(m_SrcRx);
        m_SrcTx->setChecked(Table()->Edited(selected, SlotTx) != 0);
        m_SrcRx->setChecked(Table()->Edited(selected, SlotRx) != 0);
    }
}

void TModuleMonitorMirror::EventOnListViewColumnClick(int column)
{
    // "Source TX" or "Source RX": the whole column takes the opposite of the
    // first row's mark.
    if ((column == 1 || column == 2) && Table()->List()->RowCount() > 0)
        SetAllMarks(column - 1, Table()->Edited(0, column - 1) == 0);
}

void TModuleMonitorMirror::EventOnClearClick()
{
    SetAllMarks(SlotTx, false);
    SetAllMarks(SlotRx, false);
}

