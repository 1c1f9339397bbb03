#include "ModuleQosCos.h"

#include "EditTable.h"
#include "IntpQos.h"
#include "PageEditors.h"
#include "QosLevels.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

// "Priority.%02d", counted from 0.
QString PriorityText(uint32_t priority) { return QString::asprintf("Priority.%02u", priority); }

} // namespace

TModuleQosCos::TModuleQosCos(QWidget* parent) : TModulePage(QStringLiteral("COS Settings"), parent)
{
    m_Cos = new TEditTable({QStringLiteral("Priority"), QStringLiteral("Mapping")}, this, QStringLiteral("COS/802.1p:"));
    m_Cos->setObjectName("m_CosPanel");
    m_CosMapping = m_Cos->AddChoice(1, QStringLiteral("&Mapping:"), QueueLevelTexts());
    QStringList priorities;
    for (uint32_t p = 0; p < Intp::QosCosPriorityCount; ++p)
        priorities << PriorityText(p);
    m_Port = new TEditTable({QStringLiteral("Port No."), QStringLiteral("Priority")}, this,
                            QStringLiteral("COS Port Default:"));
    m_Port->setObjectName("m_PortPanel");
    m_PortPriority = m_Port->AddChoice(1, QStringLiteral("&Priority:"), priorities);
    auto* panels = new QHBoxLayout;
    panels->addWidget(m_Cos);
    panels->addWidget(m_Port);
    PageLayout()->addLayout(panels, 1);
    AddDeviceControl(m_Cos->List());
    AddDeviceControl(m_Port->List());
    AddApplyButton();
    Reads<Intp::TSessionQosCosGet>();
    OnClear([this] {
        m_Cos->Clear();
        m_Port->Clear();
    });
    OnFill([this](Intp::TDevice* device) {
        const auto& record = Intp::GetPropertyQosCos(device);
        const uint32_t ports = device->GetPortCount();
        const bool valid = record.Valid && record.DefaultPriority.size() >= ports;
        for (uint32_t p = 0; p < Intp::QosCosPriorityCount; ++p)
            m_Cos->AddRow(PriorityText(p), {valid ? record.QueueLevel[p] : 0}, p);
        for (uint32_t p = 0; p < ports; ++p)
            m_Port->AddRow(PortCaption(p), {valid ? record.DefaultPriority[p] : 0}, p);
    });
    // The priorities' levels, then the ports' default priorities.
    OnWrite([this](Intp::TDevice*) {
        std::vector<uint8_t> request = m_Cos->EditedBytes(0);
        const std::vector<uint8_t> ports = m_Port->EditedBytes(0);
        request.insert(request.end(), ports.begin(), ports.end());
        return NewFilledSet<Intp::TSessionQosCosSet>(std::span<const uint8_t>(request), int(ports.size()));
    });
}

