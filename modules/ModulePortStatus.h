// "Port Status": the type, link, state, speed/duplex and flow control of
// every port, read-only, sorted by a header click.
#pragma once

#include "EditTable.h"

class TModulePortStatus final : public TListPage {
    Q_OBJECT
public:
    explicit TModulePortStatus(QWidget* parent);
};
