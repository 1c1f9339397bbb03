// What pages need of the discovery filter: its settings and the server
// interface the main window reaches through the module callback.
#pragma once

#include "LocalNet.h"

#include <cstdint>

namespace Filter {

using Intp::TIpMask;
using Intp::TIpMaskList;
using Intp::TIpMaskVector;

enum : uint8_t {
    MethodLocalSubnet = 0,
    MethodPrimaryInterface = 1,
    MethodCustom = 2,
};

struct TFilterSettings {
    TIpMaskVector LocalNetworks;   // primary interface first
    TIpMaskList Unicasts;          // {address, 255.255.255.255}, in list order
    uint8_t Method = MethodCustom;
    uint32_t Address = 0;
    uint32_t Mask = 0;
    uint32_t RangeBegin = 0;
    uint32_t RangeEnd = 0xFFFFFFFFu;
};

class TFilterServer {
public:
    virtual ~TFilterServer() = default;
    virtual const TFilterSettings& GetSettings() const = 0;
    virtual bool IsAccepted(uint32_t address) const = 0;
    // Appends the discovery targets; each is sent to address | ~mask.
    virtual void GetTargets(TIpMaskList& targets) const = 0;
};

} // namespace Filter
