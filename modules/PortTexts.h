// The texts of the port value codes, shared by the port, statistics and
// other port-indexed pages.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// "Disable", "Enable": state, security and other on/off settings.
const QStringList& OnOffTexts();
// The speed/duplex texts of codes 0-6 (code 7 has none).
const QStringList& SpeedDuplexTexts();
// The flow-control texts of the configuration record: codes 0-2.
const QStringList& FlowControlTexts();
// The port type texts of codes 0-9.
const QStringList& PortTypeTexts();
// The text of `code` in `texts`; empty when there is none.
QString CodeText(const QStringList& texts, int64_t code);
// "Down" or "Up".
QString LinkText(int64_t link);
// "Static", "802.3ad LACP": the trunk group types.
const QStringList& TrunkTypeTexts();
