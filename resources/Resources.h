// The console's images and string table, looked up by resource name.
//
// Every bitmap is drawn here in code (no image files): a simple glyph per
// role, at the size its name gives (RC_BITMAP_16X16_*, RC_BITMAP_24X24_*,
// RC_BITMAP_32X32_*).
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

#include <vector>

namespace Resources {

// The bitmap of the given resource name; a null pixmap for an unknown name.
QPixmap Bitmap(const QString& name);
// An icon resource (RC_ICON_*: its named size and every size of
// ThemeIconSizes), or a bitmap name as an icon.
QIcon Icon(const QString& name);
// The sizes, in pixels, in which the desktop's icon theme expects an
// application icon (besides a scalable one, see Svg).
const std::vector<int>& ThemeIconSizes();
// The image of the given resource name as a scalable SVG document (the same
// drawing as Bitmap, in a view box of the named size); empty for an unknown
// name.
QByteArray Svg(const QString& name);
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
