// The handler registry and the helpers the handlers share.
#include "SimSwitch.h"

namespace Sim {

namespace {
std::map<uint16_t, THandler>& Registry()
{
    static std::map<uint16_t, THandler> registry;
    return registry;
}
} // namespace

void RegisterHandler(uint16_t command, THandler handler) { Registry()[command] = std::move(handler); }

const THandler* FindHandler(uint16_t command)
{
    auto& r = Registry();
    auto it = r.find(command);
    return it == r.end() ? nullptr : &it->second;
}

bool RequireLogin(TSimSwitch& sw, std::vector<TSimReply>& out)
{
    if (sw.LoggedIn)
        return true;
    out.push_back(Reply(3));
    return false;
}

TSimReply Reply(uint16_t status, std::vector<uint8_t> body)
{
    TSimReply r;
    r.Status = status;
    r.Body = std::move(body);
    return r;
}

uint32_t TSimSwitch::ProductId() const
{
    if (Model >= 1 && Model <= 6)
        return Intp::ProductIdOf(Intp::BuiltinModels[Model - 1].ModelCode);
    return Intp::ProductIdOf("0000-XX");
}

const Intp::TDeviceTypeDesc& TSimSwitch::ModelDesc() const
{
    static const Intp::TDeviceTypeDesc none{};
    return Model >= 1 && Model <= 6 ? Intp::BuiltinModels[Model - 1].Desc : none;
}

uint32_t TSimSwitch::PortCount() const { return ModelDesc().PortCount; }

uint32_t TSimSwitch::LogicalPortCount() const { return ModelDesc().PortCount + ModelDesc().TrunkCount; }

} // namespace Sim
