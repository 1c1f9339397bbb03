#include "ModuleRedundancyRstp.h"

#include "IntpRedundancy.h"
#include "PageFields.h"
#include "PageList.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>

#include <cstring>

namespace {

// Value slots of a port row.
enum { SlotCost, SlotPriority, SlotP2p, SlotEdge, SlotNonStp };

const QStringList FalseTrue{QStringLiteral("False"), QStringLiteral("True")};

} // namespace

TModuleRedundancyRstp::TModuleRedundancyRstp(QWidget* parent) : TModulePage(QStringLiteral("RSTP Settings"), parent)
{
    QLabel* modeLabel;
    m_Mode = AddChoiceForm(PageLayout(), QStringLiteral("&RSTP Mode:"), DisableEnableItems(), "m_Mode", modeLabel);
    AddDeviceControl(modeLabel);
    AddDeviceControl(m_Mode);

    QLabel* bridgeHeading = NewHeading(QStringLiteral("Bridge Configuration:"), this);
    PageLayout()->addWidget(bridgeHeading);
    auto* bridge = new QFormLayout;
    PageLayout()->addLayout(bridge);
    QLabel *l1, *l2, *l3, *l4;
    m_BridgePriority = AddLimitRow(bridge, QStringLiteral("&Priority:"), 0, 61440, 32768, &l1, 4096);
    m_BridgePriority->SetArrowsOnly(true);
    m_BridgeAge = AddLimitRow(bridge, QStringLiteral("&Max Age Time:"), 6, 40, 20, &l2);
    m_BridgeHello = AddLimitRow(bridge, QStringLiteral("&Hello Time:"), 1, 10, 2, &l3);
    m_BridgeDelay = AddLimitRow(bridge, QStringLiteral("&Forward Delay Time:"), 4, 30, 15, &l4);
    m_BridgePriority->setObjectName("m_BridgePriority");
    m_BridgeAge->setObjectName("m_BridgeAge");
    m_BridgeHello->setObjectName("m_BridgeHello");
    m_BridgeDelay->setObjectName("m_BridgeDelay");
    m_BridgePriority->LimitLabel()->setObjectName("m_BridgePriorityLimit");
    m_BridgeAge->LimitLabel()->setObjectName("m_BridgeAgeLimit");
    m_BridgeHello->LimitLabel()->setObjectName("m_BridgeHelloLimit");
    m_BridgeDelay->LimitLabel()->setObjectName("m_BridgeDelayLimit");

    QLabel* portHeading = NewHeading(QStringLiteral("Port Configuration:"), this);
    PageLayout()->addWidget(portHeading);
    m_ListView = new TPageList({QStringLiteral("Port No."), QStringLiteral("Path Cost"), QStringLiteral("Priority"),
                                QStringLiteral("Admin P2P"), QStringLiteral("Admin Edge"), QStringLiteral("Admin Non STP")},
                               this);
    m_ListView->setObjectName("m_ListView");
    PageLayout()->addWidget(m_ListView, 1);

    auto* editors = new QFormLayout;
    PageLayout()->addLayout(editors);
    QLabel *costLabel, *priorityLabel;
    m_PortCost = AddLimitRow(editors, QStringLiteral("Path &Cost:"), 1, 200000000, 200000, &costLabel);
    m_PortPriority = AddLimitRow(editors, QStringLiteral("Priority:"), 0, 240, 128, &priorityLabel, 16);
    m_PortPriority->SetArrowsOnly(true);
    m_PortCost->setObjectName("m_PortCost");
    m_PortPriority->setObjectName("m_PortPriority");
    m_PortCost->LimitLabel()->setObjectName("m_PortCostLimit");
    m_PortPriority->LimitLabel()->setObjectName("m_PortPriorityLimit");
    auto* p2p = NewChoice({QStringLiteral("False"), QStringLiteral("True"), QStringLiteral("Auto")}, this);
    auto* edge = NewChoice(FalseTrue, this);
    auto* stp = NewChoice(FalseTrue, this);
    p2p->setObjectName("m_PortP2p");
    edge->setObjectName("m_PortEdge");
    stp->setObjectName("m_PortStp");

    m_Editors = new TRowEditors(m_ListView);
    m_Editors->BindSpin(1, SlotCost, m_PortCost, costLabel);
    m_Editors->BindSpin(2, SlotPriority, m_PortPriority, priorityLabel);
    m_Editors->AddControl(m_PortCost->LimitLabel());
    m_Editors->AddControl(m_PortPriority->LimitLabel());
    m_Editors->BindChoice(3, SlotP2p, p2p, AddFormRow(editors, QStringLiteral("Admin P2P:"), p2p));
    m_Editors->BindChoice(4, SlotEdge, edge, AddFormRow(editors, QStringLiteral("Admin &Edge:"), edge));
    m_Editors->BindChoice(5, SlotNonStp, stp, AddFormRow(editors, QStringLiteral("Admin Non STP:"), stp));
    AddApplyButton();

    m_ModeControls = {bridgeHeading, l1, l2, l3, l4, m_BridgePriority, m_BridgeAge, m_BridgeHello, m_BridgeDelay,
                      m_BridgePriority->LimitLabel(), m_BridgeAge->LimitLabel(), m_BridgeHello->LimitLabel(),
                      m_BridgeDelay->LimitLabel(), portHeading, m_ListView};
    Reads<Intp::TSessionRedundancyRstpGet>();
    OnClear([this] {
        m_ListView->Clear();
        m_Editors->Reset();
    });
    OnFill([this](Intp::TDevice* device) { FillBridgeAndPorts(device); });
    OnReloaded([this](Intp::TDevice*) { EventOnModeChange(); });
    OnWrite([this](Intp::TDevice*) { return NewRstpSet(); });
    connect(m_Mode, &QComboBox::currentIndexChanged, this, &TModuleRedundancyRstp::EventOnModeChange);
    connect(m_ListView, &TPageList::HeaderClicked, this, &TModuleRedundancyRstp::EventOnListViewHeaderClick);
}

void TModuleRedundancyRstp::FillBridgeAndPorts(Intp::TDevice* device)
{
    const auto& record = Intp::GetPropertyRedundancyRstp(device);
    const uint32_t ports = device->GetPortCount();
    const bool valid = record.Valid && record.Ports.size() >= ports;
    m_Mode->SetFlag(valid && record.Enabled);
    // Values beyond the limits stay as read until edited (the reload set the
    // defaults before).
    if (valid) {
        m_BridgePriority->SetReadValue(record.BridgePriority);
        m_BridgeAge->SetReadValue(record.MaxAge);
        m_BridgeHello->SetReadValue(record.HelloTime);
        m_BridgeDelay->SetReadValue(record.ForwardDelay);
    }
    for (uint32_t p = 0; p < ports; ++p) {
        Intp::TPropertyRedundancyRstpPort row;
        if (valid)
            row = record.Ports[p];
        else
            row = {200000, 128, 0, 0, 0};
        m_Editors->AddRow(PortCaption(p), {row.PathCost, row.Priority, row.AdminP2p, row.AdminEdge, row.AdminNonStp}, p);
    }
}

void TModuleRedundancyRstp::EventOnModeChange()
{
    const bool on = m_Mode->currentIndex() == 1;
    for (QWidget* w : m_ModeControls)
        w->setEnabled(on);
}

void TModuleRedundancyRstp::EventOnListViewHeaderClick(int column)
{
    // Path cost and priority: the first row's value plus the editor's step,
    // wrapping past the maximum to the minimum. The pick-list columns cycle
    // through their choices in the row editors.
    TLimitSpin* spin = column == 1 ? m_PortCost : column == 2 ? m_PortPriority : nullptr;
    if (!spin || m_ListView->RowCount() == 0)
        return;
    const int slot = column == 1 ? SlotCost : SlotPriority;
    int64_t next = m_ListView->Row(0).Edited[size_t(slot)] + spin->singleStep();
    if (next > spin->Maximum() || next < spin->Minimum())
        next = spin->Minimum();
    for (int row = 0; row < m_ListView->RowCount(); ++row)
        m_Editors->SetRowValue(row, slot, next);
    if (m_ListView->SelectedRow() >= 0)
        spin->SetReadValue(next);
}

Intp::TSession* TModuleRedundancyRstp::NewRstpSet() const
{
    const int n = m_ListView->RowCount();
    std::vector<uint8_t> buffer(Intp::RstpHeadSize + Intp::RstpRowSize * size_t(n), 0);
    buffer[0] = m_Mode->Flag();
    const uint16_t priority = uint16_t(m_BridgePriority->value());
    std::memcpy(&buffer[1], &priority, 2);
    buffer[3] = uint8_t(m_BridgeAge->value());
    buffer[4] = uint8_t(m_BridgeHello->value());
    buffer[5] = uint8_t(m_BridgeDelay->value());
    for (int i = 0; i < n; ++i) {
        const auto& edited = m_ListView->Row(i).Edited;
        uint8_t* row = &buffer[Intp::RstpHeadSize + Intp::RstpRowSize * size_t(i)];
        const uint32_t cost = uint32_t(edited[SlotCost]);
        std::memcpy(row, &cost, 4);
        row[4] = uint8_t(edited[SlotPriority]);
        row[5] = uint8_t(edited[SlotP2p]);
        row[6] = edited[SlotEdge] ? 1 : 0;
        row[7] = edited[SlotNonStp] ? 1 : 0;
    }
    return NewRequest<Intp::TSessionRedundancyRstpSet>(buffer, n);
}
