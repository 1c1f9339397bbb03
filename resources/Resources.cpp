#include "Resources.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>

namespace Resources {

namespace {

// One glyph drawn in a 16 x 16 design grid, scaled to the bitmap's size.
using TGlyph = void (*)(QPainter&);

const QColor Blue(40, 90, 170), Green(40, 150, 60), Red(200, 50, 40), Amber(230, 160, 20), Grey(90, 90, 90);

void Box(QPainter& p, QColor c) { p.setPen(QPen(c.darker(150), 1)); p.setBrush(c); }

void DrawDevice(QPainter& p)
{
    Box(p, QColor(160, 170, 185));
    p.drawRect(1, 5, 14, 7);
    p.setPen(Qt::NoPen);
    p.setBrush(Green);
    for (int i = 0; i < 4; ++i)
        p.drawRect(3 + 3 * i, 9, 2, 2);
}
void DrawLoginBadge(QPainter& p)
{
    Box(p, Amber);
    p.drawEllipse(QRectF(9, 0.5, 5, 5));
    p.drawRect(11, 4, 1, 4);
}
void DrawWarningBadge(QPainter& p)
{
    Box(p, Red);
    QPolygonF tri({QPointF(1, 15), QPointF(5, 8), QPointF(9, 15)});
    p.drawPolygon(tri);
}
void DrawDeviceLogin(QPainter& p) { DrawDevice(p); DrawLoginBadge(p); }
void DrawDeviceWarning(QPainter& p) { DrawDevice(p); DrawWarningBadge(p); }
void DrawDeviceLoginWarning(QPainter& p) { DrawDevice(p); DrawLoginBadge(p); DrawWarningBadge(p); }
void DrawRoot(QPainter& p) { Box(p, Blue); p.drawEllipse(2, 2, 12, 12); p.drawLine(2, 8, 14, 8); p.drawLine(8, 2, 8, 14); }
void DrawDevices(QPainter& p)
{
    Box(p, QColor(160, 170, 185));
    p.drawRect(3, 2, 12, 5);
    p.drawRect(1, 9, 12, 5);
}
void DrawMonitor(QPainter& p)
{
    Box(p, QColor(220, 230, 240));
    p.drawRect(1, 2, 14, 10);
    p.setPen(QPen(Green, 1.5));
    p.drawPolyline(QPolygonF({QPointF(2, 9), QPointF(5, 9), QPointF(7, 4), QPointF(9, 11), QPointF(11, 7), QPointF(14, 7)}));
    p.setPen(Grey);
    p.drawLine(5, 14, 11, 14);
}
void DrawLines(QPainter& p, QColor c)
{
    p.setPen(QPen(c, 1.5));
    for (int y = 4; y <= 12; y += 4)
        p.drawLine(3, y, 13, y);
}
void DrawSyslog(QPainter& p) { Box(p, Qt::white); p.drawRect(1, 1, 14, 14); DrawLines(p, Blue); }
void DrawTopology(QPainter& p)
{
    p.setPen(QPen(Grey, 1));
    p.drawLine(8, 4, 3, 12);
    p.drawLine(8, 4, 13, 12);
    p.drawLine(3, 12, 13, 12);
    Box(p, Blue);
    p.drawEllipse(6, 1, 5, 5);
    p.drawEllipse(0, 10, 5, 5);
    p.drawEllipse(11, 10, 5, 5);
}
void DrawWizard(QPainter& p)
{
    p.setPen(QPen(QColor(120, 80, 40), 2));
    p.drawLine(2, 14, 11, 5);
    Box(p, Amber);
    QPolygonF star({QPointF(12, 0), QPointF(13.2, 3), QPointF(16, 4), QPointF(13.2, 5), QPointF(12, 8), QPointF(10.8, 5),
                    QPointF(8, 4), QPointF(10.8, 3)});
    p.drawPolygon(star);
}
void DrawDiscovery(QPainter& p)
{
    p.setPen(QPen(Blue, 2));
    p.setBrush(QColor(200, 225, 250));
    p.drawEllipse(2, 2, 9, 9);
    p.drawLine(10, 10, 14, 14);
}
void DrawFilter(QPainter& p)
{
    Box(p, Blue);
    p.drawPolygon(QPolygonF({QPointF(1, 2), QPointF(15, 2), QPointF(9, 9), QPointF(9, 14), QPointF(7, 14), QPointF(7, 9)}));
}
void DrawKey(QPainter& p, QColor c)
{
    Box(p, c);
    p.drawEllipse(1, 5, 6, 6);
    p.drawRect(7, 7, 8, 2);
    p.drawRect(12, 9, 2, 3);
}
void DrawLogin(QPainter& p) { DrawKey(p, Amber); }
void DrawLogout(QPainter& p) { DrawKey(p, Grey); p.setPen(QPen(Red, 2)); p.drawLine(2, 2, 14, 14); }
void DrawArc(QPainter& p, QColor c)
{
    p.setPen(QPen(c, 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2, 2, 12, 12), 60 * 16, 300 * 16);
    p.setBrush(c);
    p.drawPolygon(QPolygonF({QPointF(9, 0), QPointF(14, 3), QPointF(9, 6)}));
}
void DrawReboot(QPainter& p) { DrawArc(p, Red); }
void DrawRefresh(QPainter& p) { DrawArc(p, Green); }
void DrawRefreshAll(QPainter& p) { DrawArc(p, Green); p.setPen(QPen(Blue, 2)); p.drawPoint(8, 8); p.drawEllipse(6, 6, 4, 4); }
void DrawExit(QPainter& p)
{
    Box(p, QColor(200, 160, 110));
    p.drawRect(2, 1, 8, 14);
    p.setPen(QPen(Red, 2));
    p.drawLine(8, 8, 15, 8);
    p.drawLine(12, 5, 15, 8);
    p.drawLine(12, 11, 15, 8);
}
void DrawAbout(QPainter& p)
{
    Box(p, Blue);
    p.drawEllipse(1, 1, 14, 14);
    p.setPen(QPen(Qt::white, 2));
    p.drawPoint(8, 4);
    p.drawLine(8, 7, 8, 12);
}
void DrawInternet(QPainter& p)
{
    Box(p, QColor(120, 180, 230));
    p.drawEllipse(1, 1, 14, 14);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(5, 1, 6, 14);
    p.drawLine(1, 8, 15, 8);
}
void DrawOpen(QPainter& p)
{
    Box(p, Amber);
    p.drawRect(1, 4, 14, 10);
    p.drawRect(1, 2, 6, 2);
}
void DrawSave(QPainter& p)
{
    Box(p, Blue);
    p.drawRect(1, 1, 14, 14);
    p.setBrush(Qt::white);
    p.drawRect(4, 1, 8, 5);
    p.drawRect(3, 9, 10, 6);
}
void DrawCancel(QPainter& p) { p.setPen(QPen(Red, 2.5)); p.drawLine(3, 3, 13, 13); p.drawLine(13, 3, 3, 13); }
void DrawAccept(QPainter& p) { p.setPen(QPen(Green, 2.5)); p.drawPolyline(QPolygonF({QPointF(2, 8), QPointF(6, 12), QPointF(14, 3)})); }
void DrawAcceptWarning(QPainter& p) { p.setPen(QPen(Amber, 2.5)); p.drawPolyline(QPolygonF({QPointF(2, 8), QPointF(6, 12), QPointF(14, 3)})); DrawWarningBadge(p); }
void DrawAdd(QPainter& p) { p.setPen(QPen(Green, 3)); p.drawLine(8, 2, 8, 14); p.drawLine(2, 8, 14, 8); }
void DrawRemove(QPainter& p) { p.setPen(QPen(Red, 3)); p.drawLine(2, 8, 14, 8); }
void DrawClear(QPainter& p)
{
    Box(p, QColor(240, 200, 200));
    p.drawRect(3, 2, 10, 12);
    p.setPen(QPen(Red, 1.5));
    p.drawLine(5, 5, 11, 11);
    p.drawLine(11, 5, 5, 11);
}
void DrawCopy(QPainter& p) { Box(p, Qt::white); p.drawRect(1, 1, 9, 10); p.drawRect(5, 5, 9, 10); }
void DrawEdit(QPainter& p)
{
    Box(p, Amber);
    p.drawPolygon(QPolygonF({QPointF(2, 14), QPointF(3, 10), QPointF(12, 1), QPointF(15, 4), QPointF(6, 13)}));
}
void DrawBackup(QPainter& p) { DrawSave(p); p.setPen(QPen(Green, 2)); p.drawLine(8, 10, 8, 14); }
void DrawRestore(QPainter& p) { DrawOpen(p); p.setPen(QPen(Green, 2)); p.drawLine(8, 6, 8, 12); p.drawLine(5, 9, 8, 6); p.drawLine(11, 9, 8, 6); }
void DrawFirmware(QPainter& p)
{
    Box(p, QColor(60, 60, 60));
    p.drawRect(3, 3, 10, 10);
    p.setPen(QPen(QColor(200, 170, 60), 1));
    for (int i = 4; i <= 12; i += 2) {
        p.drawLine(i, 1, i, 3);
        p.drawLine(i, 13, i, 15);
    }
}
void DrawArrow(QPainter& p, bool right)
{
    Box(p, Blue);
    QPolygonF a({QPointF(2, 6), QPointF(9, 6), QPointF(9, 2), QPointF(15, 8), QPointF(9, 14), QPointF(9, 10), QPointF(2, 10)});
    if (!right)
        for (auto& pt : a)
            pt.setX(16 - pt.x());
    p.drawPolygon(a);
}
void DrawNext(QPainter& p) { DrawArrow(p, true); }
void DrawPrevious(QPainter& p) { DrawArrow(p, false); }
void DrawTimer(QPainter& p)
{
    Box(p, Qt::white);
    p.drawEllipse(1, 1, 14, 14);
    p.setPen(QPen(Grey, 1.5));
    p.drawLine(8, 8, 8, 3);
    p.drawLine(8, 8, 12, 8);
}
void DrawLogo(QPainter& p)
{
    Box(p, Blue);
    p.drawRoundedRect(QRectF(0.5, 4, 15, 8), 2, 2);
    p.setPen(Qt::white);
    p.drawLine(3, 8, 13, 8);
}

const QHash<QString, TGlyph>& Glyphs()
{
    static const QHash<QString, TGlyph> glyphs = {
        {"DEVICE", DrawDevice}, {"DEVICE_LOGIN", DrawDeviceLogin}, {"DEVICE_WARNING", DrawDeviceWarning},
        {"DEVICE_LOGIN_WARNING", DrawDeviceLoginWarning}, {"ROOT", DrawRoot}, {"DEVICES", DrawDevices},
        {"MONITOR", DrawMonitor}, {"SYSLOG", DrawSyslog}, {"TOPOLOGY", DrawTopology}, {"WIZARD", DrawWizard},
        {"DISCOVERY", DrawDiscovery}, {"FILTER", DrawFilter}, {"LOGIN", DrawLogin}, {"LOGOUT", DrawLogout},
        {"REBOOT", DrawReboot}, {"REFRESH", DrawRefresh}, {"REFRESH_ALL", DrawRefreshAll}, {"EXIT", DrawExit},
        {"ABOUT", DrawAbout}, {"INTERNET", DrawInternet}, {"OPEN", DrawOpen}, {"SAVE", DrawSave},
        {"CANCEL", DrawCancel}, {"ACCEPT", DrawAccept}, {"ACCEPT_WARINIG", DrawAcceptWarning}, {"ADD", DrawAdd},
        {"REMOVE", DrawRemove}, {"CLEAR", DrawClear}, {"COPY", DrawCopy}, {"EDIT", DrawEdit},
        {"BACKUP", DrawBackup}, {"RESTORE", DrawRestore}, {"FIRMWARE", DrawFirmware}, {"NEXT", DrawNext},
        {"PREVIOUS", DrawPrevious}, {"TIMER", DrawTimer}, {"LOGO", DrawLogo},
    };
    return glyphs;
}

QPixmap Draw(TGlyph glyph, QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size.width() / 16.0, size.height() / 16.0);
    glyph(p);
    return pixmap;
}

} // namespace

QPixmap Bitmap(const QString& name)
{
    static QHash<QString, QPixmap> cache;
    auto cached = cache.constFind(name);
    if (cached != cache.constEnd())
        return *cached;

    static const QRegularExpression pattern("^RC_(?:BITMAP|ICON)_(\\d+)X(\\d+)_(\\w+)$");
    QPixmap pixmap;
    if (name == "RC_BITMAP_BANNER_LOGO") {
        pixmap = Draw(DrawLogo, QSize(96, 32));
    } else if (auto m = pattern.match(name); m.hasMatch()) {
        auto glyph = Glyphs().value(m.captured(3));
        if (glyph)
            pixmap = Draw(glyph, QSize(m.captured(1).toInt(), m.captured(2).toInt()));
    }
    cache.insert(name, pixmap);
    return pixmap;
}

QIcon Icon(const QString& name)
{
    QPixmap pixmap = Bitmap(name);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

QString String(int id)
{
    switch (id) {
    case StrTopologyViewer: return QStringLiteral("TopologyView.jar");
    case StrRingProtocol:
    case StrRingChoice: return QStringLiteral("Marlune");
    case StrRingTopologyChange: return QStringLiteral("Marlune Topology Change");
    default: return {};
    }
}

} // namespace Resources
