#include "ModuleWarningFault.h"

#include "IntpWarning.h"
#include "PageEditors.h"
#include "PageList.h"

#include <QVBoxLayout>

#include <QHeaderView>
#include <QLabel>

#include <algorithm>

namespace {

// A check list under its label, without a header.
TPageList* NewCheckList(const QString& caption, TModulePage* page, QWidget*& label)
{
    auto* list = new TPageList({caption}, page);
    list->horizontalHeader()->hide();
    auto* l = new QLabel(caption, page);
    l->setBuddy(list);
    page->PageLayout()->addWidget(l);
    page->PageLayout()->addWidget(list, 1);
    label = l;
    return list;
}

void AddCheckRow(TPageList* list, const QString& text)
{
    TPageRow row;
    row.Texts = {text};
    row.Key = list->RowCount();
    row.Check = Qt::Unchecked;
    list->Model()->Append(std::move(row));
}

// Item i is bit i.
void SetCheckedMask(TPageList* list, uint32_t mask)
{
    for (int i = 0; i < list->RowCount(); ++i)
        list->Model()->SetChecked(i, i < 32 && (mask & (1u << i)));
}

// The ticked items' bits over `read`, whose bits beyond the items are kept.
uint32_t CheckedMask(const TPageList* list, uint32_t read)
{
    const int items = std::min(list->RowCount(), 32);
    uint32_t mask = items >= 32 ? 0 : read & ~((1u << items) - 1);
    for (int i = 0; i < list->RowCount() && i < 32; ++i)
        if (list->Model()->Checked(i))
            mask |= 1u << i;
    return mask;
}

} // namespace

TModuleWarningFault::TModuleWarningFault(QWidget* parent) : TModulePage(QStringLiteral("Fault Alarm"), parent)
{
    QWidget* sysLabel = nullptr;
    QWidget* portLabel = nullptr;
    m_SysList = NewCheckList(QStringLiteral("&System Failure:"), this, sysLabel);
    m_SysList->setObjectName("m_SysList");
    AddCheckRow(m_SysList, QStringLiteral("Power 1 Failure"));
    AddCheckRow(m_SysList, QStringLiteral("Power 2 Failure"));
    m_PortList = NewCheckList(QStringLiteral("&Port Link Down/Broken:"), this, portLabel);
    m_PortList->setObjectName("m_PortList");
    AddApplyButton();
    for (QWidget* w : {static_cast<QWidget*>(m_SysList), sysLabel, static_cast<QWidget*>(m_PortList), portLabel})
        AddDeviceControl(w);
    Reads<Intp::TSessionWarningFaultGet>();
    OnClear([this] {
        m_PortList->Clear();
        m_ReadSystem = m_ReadPorts = 0;
    });
    OnFill([this](Intp::TDevice* device) {
        for (uint32_t port = 0; port < device->GetPortCount(); ++port)
            AddCheckRow(m_PortList, PortCaption(port));
        const auto& record = Intp::GetPropertyWarningFault(device);
        if (record.Valid) {
            m_ReadSystem = record.SystemAlarms;
            m_ReadPorts = record.PortAlarms;
        }
        SetCheckedMask(m_SysList, m_ReadSystem);
        SetCheckedMask(m_PortList, m_ReadPorts);
    });
    OnWrite([this](Intp::TDevice*) -> Intp::TSession* {
        Intp::TPropertyWarningFault request;
        request.SystemAlarms = CheckedMask(m_SysList, m_ReadSystem);
        request.PortAlarms = CheckedMask(m_PortList, m_ReadPorts);
        auto* set = new Intp::TSessionWarningFaultSet;
        set->SetData(request);
        return set;
    });
}
