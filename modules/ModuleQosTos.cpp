#include "ModuleQosTos.h"

#include "IntpQos.h"

TModuleQosTos::TModuleQosTos(QWidget* parent)
    : TQosLevelPage(QStringLiteral("TOS Settings"), QStringLiteral("DSCP"), parent)
{
    Reads<Intp::TSessionQosTosGet>();
    // 64 rows captioned with the DSCP value.
    DeclareRows([](Intp::TDevice*) { return uint32_t(Intp::QosTosCount); },
                [](uint32_t d) { return QString::number(d); },
                [](Intp::TDevice* device) -> const uint32_t* {
                    const auto& record = Intp::GetPropertyQosTos(device);
                    return record.Valid ? record.QueueLevel.data() : nullptr;
                },
                [](std::span<const uint8_t> levels) { return NewFilledSet<Intp::TSessionQosTosSet>(levels); });
}
