// The discovery filter's view of the host's networks, from the kernel's
// route, address and interface tables.
#pragma once

#include "FilterForm.h"

class TLocalNetProvider final : public Filter::TNetProvider {
public:
    void GetLocalNetworks(Filter::TIpMaskVector& networks) override;
    bool GetBestRoute(uint32_t address, Filter::TBestRoute& route) override;
};
