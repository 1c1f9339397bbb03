#include "NetProvider.h"

#include "LocalNet.h"

void TLocalNetProvider::GetLocalNetworks(Filter::TIpMaskVector& networks)
{
    Intp::TIpMaskList list;
    if (Intp::GetLocalAddresses(list) != 0)
        return;
    networks.assign(list.begin(), list.end());
}

bool TLocalNetProvider::GetBestRoute(uint32_t address, Filter::TBestRoute& route)
{
    Intp::TRouteRow row;
    if (Intp::GetBestRoute(address, row) != 0)
        return false;
    std::string name;
    if (Intp::GetIfEntry(row.IfIndex, name) != 0)
        return false;
    route.NextHop = row.NextHop;
    route.IfIndex = row.IfIndex;
    route.IfName = QString::fromStdString(name);
    return true;
}
