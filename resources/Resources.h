// The console's images and string table, looked up by resource name.
//
// Every bitmap is drawn here in code (no image files): a simple glyph per
// role, at the size its name gives (RC_BITMAP_16X16_*, RC_BITMAP_24X24_*,
// RC_BITMAP_32X32_*).
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace Resources {

// The bitmap of the given resource name; a null pixmap for an unknown name.
QPixmap Bitmap(const QString& name);
// An icon resource (RC_ICON_*), or a bitmap name as an icon.
QIcon Icon(const QString& name);
// An entry of the string table; empty for an unknown id.
QString String(int id);

// String table entries.
enum : int {
    StrTopologyViewer = 10,   // the topology viewer's file name
    StrRingProtocol = 100,    // the ring redundancy protocol's name
    StrRingTopologyChange = 200,   // the system event of a ring topology change
    StrRingChoice = 300,      // the banner's caption of that protocol
};

} // namespace Resources
