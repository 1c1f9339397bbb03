// System settings and the basic commands: GetSys, SetSys, Reboot, SaveCfg,
// AdminPassword and Default.
//
// The system texts live in Store[0x0104] as the 1024-byte "SetSys" image
// (name, description, location, contact; the name there is unused: the
// switch's Name is the one shown). Gets answer without a login (discovery
// reads them first); the commands need one.
#include "SimSwitch.h"

#include <cstring>

namespace {

constexpr uint16_t SysKey = 0x0104;
constexpr size_t TextWidth = 256;

std::vector<uint8_t>& SysTexts(Sim::TSimSwitch& sw)
{
    auto& texts = sw.Store[SysKey];
    if (texts.size() != 4 * TextWidth) {
        texts.assign(4 * TextWidth, 0);
        Intp::PutFieldText(texts.data() + 1 * TextWidth, TextWidth, "Simulated managed switch");
        Intp::PutFieldText(texts.data() + 2 * TextWidth, TextWidth, "Loopback");
        Intp::PutFieldText(texts.data() + 3 * TextWidth, TextWidth, "nobody@example.com");
    }
    return texts;
}

} // namespace

// Reboot: answers, then stays silent for RebootMs and forgets the login.
SIM_HANDLER(0x0103)
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    sw.LoggedIn = false;
    sw.DownUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(sw.RebootMs);
    out.push_back(Sim::Reply(0));
    return out;
}

// GetSys: versions, the logged-in byte and five 256-byte texts.
SIM_HANDLER(0x0104)
{
    std::vector<uint8_t> body(1289, 0);
    const uint8_t versions[8] = {0x02, 0x05, 0x01, uint8_t(0x10 + sw.Model), 0x01, 0x00, 0x02, 0x0A};
    std::memcpy(body.data(), versions, sizeof versions);
    body[8] = sw.LoggedIn ? 1 : 0;
    Intp::PutFieldText(body.data() + 9, TextWidth, sw.Name);
    const auto& texts = SysTexts(sw);
    std::memcpy(body.data() + 9 + TextWidth, texts.data() + TextWidth, 3 * TextWidth);
    Intp::PutFieldText(body.data() + 9 + 4 * TextWidth, TextWidth, "3." + std::to_string(sw.Model));
    return {Sim::Reply(0, std::move(body))};
}

// SetSys: name, description, location and contact.
SIM_HANDLER(0x0105)
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    if (req.Body.size() < 4 * TextWidth)
        return {Sim::Reply(1)};
    sw.Name = req.View().Text(0, TextWidth);
    SysTexts(sw).assign(req.Body.begin(), req.Body.begin() + 4 * TextWidth);
    out.push_back(Sim::Reply(0));
    return out;
}

// SaveCfg: nothing to keep in a simulator beyond a count.
SIM_HANDLER(0x0108)
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    auto& saves = sw.Store[0x0108];
    saves.push_back(1);
    out.push_back(Sim::Reply(0));
    return out;
}

// AdminPassword: the new 16-byte user name and password.
SIM_HANDLER(0x010C)
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    if (req.Body.size() < 32)
        return {Sim::Reply(1)};
    sw.User = req.View().Text(0, 16);
    sw.Password = req.View().Text(16, 16);
    out.push_back(Sim::Reply(0));
    return out;
}

// Default: forgets every stored setting, the IP settings unless bit 1 keeps
// them, and the account (back to admin/admin) unless bit 0 keeps it. The
// simulated switch keeps its address either way (it has no factory address
// of its own on loopback).
SIM_HANDLER(0x010F)
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    uint32_t keep = req.View().U32(0);
    std::vector<uint8_t> ipConf;
    if (keep & 2) {
        auto it = sw.Store.find(0x0106);
        if (it != sw.Store.end())
            ipConf = it->second;
    } else {
        sw.Netmask = 0xFFFFFF00u;
    }
    sw.Store.clear();
    if (!ipConf.empty())
        sw.Store[0x0106] = std::move(ipConf);
    if (!(keep & 1)) {
        sw.User = "admin";
        sw.Password = "admin";
    }
    out.push_back(Sim::Reply(0));
    return out;
}
