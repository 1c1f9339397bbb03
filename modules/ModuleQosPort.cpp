#include "ModuleQosPort.h"

#include "IntpQos.h"
#include "PageEditors.h"

TModuleQosPort::TModuleQosPort(QWidget* parent)
    : TQosLevelPage(QStringLiteral("Port Based Priority"), QStringLiteral("Port No."), parent)
{
    Reads<Intp::TSessionQosPortGet>();
    DeclareRows([](Intp::TDevice* device) { return device->GetPortCount(); }, PortCaption,
                [](Intp::TDevice* device) -> const uint32_t* {
                    const auto& record = Intp::GetPropertyQosPort(device);
                    return record.Valid && record.QueueLevel.size() >= device->GetPortCount() ? record.QueueLevel.data()
                                                                                               : nullptr;
                },
                [](std::span<const uint8_t> levels) {
                    return NewFilledSet<Intp::TSessionQosPortSet>(levels, int(levels.size()));
                });
}
