#include "ModuleVlan8021q.h"

#include "IntpVlan.h"
#include "PageEditors.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

int RequestVlanMode()
{
    return StartOnCurrentDevices([](Intp::TDevice*) { return new Intp::TSessionVlanGet; });
}

namespace {

// The 802.1Q pages are usable while the mode is 802.1Q or not known yet.
bool VlanModeAllows8021q(Intp::TDevice* device)
{
    const auto& mode = Intp::GetPropertyVlan(device);
    return !mode.Valid || mode.Mode == Intp::VlanMode8021q;
}

} // namespace

TModuleVlan8021q::TModuleVlan8021q(QWidget* parent) : TModulePage(QStringLiteral("802.1Q VLAN"), parent)
{
    auto* form = new QFormLayout;
    m_Gvrp = NewChoice({QStringLiteral("Disable"), QStringLiteral("Enable")}, this);
    m_Gvrp->setObjectName("m_Gvrp");
    QLabel* gvrpLabel = AddFormRow(form, QStringLiteral("&GVRP Mode:"), m_Gvrp);
    m_ManagementVlan = new TLimitSpin(0, int(Intp::VlanIdMax), 0, this);
    m_ManagementVlan->setObjectName("m_ManagementVlan");
    auto* vlanRow = new QWidget(this);
    auto* vlanLayout = new QHBoxLayout(vlanRow);
    vlanLayout->setContentsMargins(0, 0, 0, 0);
    auto* hint = new QLabel(QStringLiteral(", 0 for disable"), vlanRow);
    m_ManagementVlan->setParent(vlanRow);
    vlanLayout->addWidget(m_ManagementVlan);
    vlanLayout->addWidget(hint);
    vlanLayout->addWidget(m_ManagementVlan->LimitLabel());
    vlanLayout->addStretch(1);
    QLabel* vlanLabel = AddFormRow(form, QStringLiteral("&Management VLAN ID:"), vlanRow);
    vlanLabel->setBuddy(m_ManagementVlan);
    PageLayout()->addLayout(form);
    PageLayout()->addStretch(1);
    AddApplyButton();

    m_Controls = {m_Gvrp, gvrpLabel, m_ManagementVlan, vlanLabel, hint, m_ManagementVlan->LimitLabel(), ApplyButton()};
    for (QWidget* w : m_Controls)
        AddDeviceControl(w);
    SetFillsWhileShown(true);
    Reads<Intp::TSessionVlan8021qGet>();
    ReadsRecord<Intp::TPropertyVlan>();
    AddChainStep(Intp::TPropertyVlan::GetCommand, [](Intp::TDevice* device) -> Intp::TSession* {
        return Intp::GetPropertyVlan(device).Valid ? new Intp::TSessionVlan8021qGet : nullptr;
    });
    OnFill([this](Intp::TDevice* device) {
        const auto& record = Intp::GetPropertyVlan8021q(device);
        if (!VlanModeAllows8021q(device) || !record.Valid)
            return;
        // A management VLAN past the field's limits is shown and sent back
        // as read until the user changes it.
        m_Gvrp->SetFlag(record.Gvrp);
        m_ManagementVlan->SetReadValue(record.ManagementVlan);
    });
    OnReloaded([this](Intp::TDevice* device) {
        const bool enabled = device && VlanModeAllows8021q(device);
        for (QWidget* w : m_Controls)
            w->setEnabled(enabled);
    });
    OnWrite([this](Intp::TDevice*) -> Intp::TSession* {
        auto* set = new Intp::TSessionVlan8021qSet;
        set->SetData(m_Gvrp->Flag(), uint16_t(m_ManagementVlan->value()));
        return set;
    });
}

int TModuleVlan8021q::Refresh(bool shown) { return shown ? RequestVlanMode() : TModulePage::Refresh(false); }
