#include "Resources.h"

#include <QHash>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

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
// The overlays of a device node: large enough to read at 16 x 16, each with
// a white rim and a dark edge, so that they stand out on light and dark
// backgrounds, and each with a sign of its own besides its colour.
// Logged in: a green disc with a white tick, top right.
void DrawLoginBadge(QPainter& p)
{
    const QRectF disc(8.5, 0.5, 7, 7);
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(Qt::white);
    p.drawEllipse(disc);
    p.setPen(QPen(QColor(20, 90, 35), 0.8));
    p.setBrush(QColor(30, 150, 60));
    p.drawEllipse(disc);
    p.setPen(QPen(Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(10.3, 4.1), QPointF(11.6, 5.4), QPointF(13.8, 2.6)}));
}
// Warning: a red triangle with a white "!", bottom left.
void DrawWarningBadge(QPainter& p)
{
    const QPolygonF tri({QPointF(0.5, 15.5), QPointF(4.75, 7.5), QPointF(9, 15.5)});
    p.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPolygon(tri);
    p.setPen(QPen(QColor(120, 20, 15), 0.8, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
    p.setBrush(QColor(215, 40, 30));
    p.drawPolygon(tri);
    p.setPen(QPen(Qt::white, 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4.75, 10.3), QPointF(4.75, 12.6));
    p.drawPoint(QPointF(4.75, 14.4));
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
// A light key struck through: it keeps its shape on a dark background too
// (with the rim every halo glyph gets).
void DrawLogout(QPainter& p) { DrawKey(p, QColor(170, 175, 185)); p.setPen(QPen(Red, 2)); p.drawLine(2, 2, 14, 14); }
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

// Glyphs of thin strokes in strong colours that rows and tool bars of any
// colour must not swallow (the red cross of a failure or an offline switch
// on a red row or the selection, the logout key on a dark palette): they get
// a white rim about a sixteenth of their size wide.
bool HasHalo(const QString& glyph) { return glyph == QLatin1String("CANCEL") || glyph == QLatin1String("LOGOUT"); }

// The image with a rim of `color` around everything drawn in it.
QImage WithHalo(const QImage& source, const QColor& color, int radius)
{
    const QImage src = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = src.width(), h = src.height();
    // The greatest alpha within `radius`, across and then down.
    std::vector<int> across(size_t(w) * size_t(h), 0), alpha(size_t(w) * size_t(h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int a = 0;
            for (int dx = std::max(0, x - radius); dx <= std::min(w - 1, x + radius); ++dx)
                a = std::max(a, qAlpha(src.pixel(dx, y)));
            across[size_t(y) * size_t(w) + size_t(x)] = a;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int a = 0;
            for (int dy = std::max(0, y - radius); dy <= std::min(h - 1, y + radius); ++dy)
                a = std::max(a, across[size_t(dy) * size_t(w) + size_t(x)]);
            alpha[size_t(y) * size_t(w) + size_t(x)] = a;
        }
    QImage out(src.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int a = alpha[size_t(y) * size_t(w) + size_t(x)];
            out.setPixel(x, y, qRgba(color.red() * a / 255, color.green() * a / 255, color.blue() * a / 255, a));
        }
    QPainter p(&out);
    p.drawImage(0, 0, src);
    return out;
}

QPixmap Draw(TGlyph glyph, QSize size, bool halo = false)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size.width() / 16.0, size.height() / 16.0);
        glyph(p);
    }
    if (halo)
        return QPixmap::fromImage(WithHalo(pixmap.toImage(), Qt::white, std::max(1, size.width() / 16)));
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
            pixmap = Draw(glyph, QSize(m.captured(1).toInt(), m.captured(2).toInt()), HasHalo(m.captured(3)));
    }
    cache.insert(name, pixmap);
    return pixmap;
}

QIcon Icon(const QString& name)
{
    QPixmap pixmap = Bitmap(name);
    if (pixmap.isNull())
        return QIcon();
    QIcon icon(pixmap);
    // An icon resource holds its image in every size the desktop asks for
    // (window decorations, task switchers, docks).
    static const QRegularExpression iconPattern("^RC_ICON_\\d+X\\d+_(\\w+)$");
    if (const auto m = iconPattern.match(name); m.hasMatch())
        for (int size : ThemeIconSizes())
            if (size != pixmap.width())
                icon.addPixmap(Bitmap(QStringLiteral("RC_ICON_%1X%1_%2").arg(size).arg(m.captured(1))));
    return icon;
}

const std::vector<int>& ThemeIconSizes()
{
    static const std::vector<int> sizes = {16, 22, 24, 32, 48, 64, 128, 256};
    return sizes;
}

namespace {

// A paint device that writes what is painted on it as SVG shapes: the
// glyphs above use only paths, polygons, rectangles, ellipses, lines and
// points in solid colours.
class TSvgEngine final : public QPaintEngine {
public:
    TSvgEngine() : QPaintEngine(AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void updateState(const QPaintEngineState& state) override
    {
        if (state.state() & DirtyPen)
            m_Pen = state.pen();
        if (state.state() & DirtyBrush)
            m_Brush = state.brush();
        if (state.state() & DirtyTransform)
            m_Transform = state.transform();
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        QPainterPath path;
        path.addPolygon(QPolygonF(QList<QPointF>(points, points + count)));
        if (mode != PolylineMode)
            path.closeSubpath();
        path.setFillRule(mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
        Shape(path, mode != PolylineMode);
    }
    void drawPath(const QPainterPath& path) override { Shape(path, true); }

    QByteArray Body;

private:
    static QByteArray Colour(const QColor& c) { return c.name(QColor::HexRgb).toLatin1(); }
    static QByteArray Number(qreal v) { return QByteArray::number(v, 'g', 6); }

    void Shape(const QPainterPath& source, bool filled)
    {
        const QPainterPath path = m_Transform.map(source);
        QByteArray d;
        for (int i = 0; i < path.elementCount(); ++i) {
            const QPainterPath::Element e = path.elementAt(i);
            if (e.isMoveTo()) {
                d += "M" + Number(e.x) + " " + Number(e.y) + " ";
            } else if (e.isLineTo()) {
                d += "L" + Number(e.x) + " " + Number(e.y) + " ";
            } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
                const QPainterPath::Element c2 = path.elementAt(i + 1), to = path.elementAt(i + 2);
                d += "C" + Number(e.x) + " " + Number(e.y) + " " + Number(c2.x) + " " + Number(c2.y) + " " +
                     Number(to.x) + " " + Number(to.y) + " ";
                i += 2;
            }
        }
        if (source.elementCount() > 1 && source.elementAt(0) == source.elementAt(source.elementCount() - 1))
            d += "Z";
        QByteArray fill = "none", stroke = "none", extra;
        if (filled && m_Brush.style() != Qt::NoBrush && m_Brush.color().alpha() > 0) {
            fill = Colour(m_Brush.color());
            if (m_Brush.color().alpha() < 255)
                extra += " fill-opacity=\"" + Number(m_Brush.color().alphaF()) + "\"";
            if (path.fillRule() == Qt::OddEvenFill)
                extra += " fill-rule=\"evenodd\"";
        }
        if (m_Pen.style() != Qt::NoPen && m_Pen.color().alpha() > 0) {
            stroke = Colour(m_Pen.color());
            const qreal scale = std::sqrt(std::abs(m_Transform.determinant()));
            const qreal width = m_Pen.isCosmetic() ? 1 : m_Pen.widthF() * scale;
            extra += " stroke-width=\"" + Number(width) + "\"";
            extra += m_Pen.capStyle() == Qt::RoundCap  ? " stroke-linecap=\"round\""
                     : m_Pen.capStyle() == Qt::FlatCap ? " stroke-linecap=\"butt\""
                                                       : " stroke-linecap=\"square\"";
            extra += m_Pen.joinStyle() == Qt::RoundJoin   ? " stroke-linejoin=\"round\""
                     : m_Pen.joinStyle() == Qt::MiterJoin ? " stroke-linejoin=\"miter\""
                                                          : " stroke-linejoin=\"bevel\"";
        }
        Body += "  <path d=\"" + d.trimmed() + "\" fill=\"" + fill + "\" stroke=\"" + stroke + "\"" + extra + "/>\n";
    }

    QPen m_Pen;
    QBrush m_Brush;
    QTransform m_Transform;
};

class TSvgDevice final : public QPaintDevice {
public:
    explicit TSvgDevice(QSize size) : m_Size(size) {}
    QPaintEngine* paintEngine() const override { return &m_Engine; }
    QByteArray Body() const { return m_Engine.Body; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return m_Size.width();
        case PdmHeight: return m_Size.height();
        case PdmWidthMM: return m_Size.width() * 254 / 960;
        case PdmHeightMM: return m_Size.height() * 254 / 960;
        case PdmNumColors: return INT_MAX;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return QPaintDevice::metric(metric);
        }
    }

private:
    QSize m_Size;
    mutable TSvgEngine m_Engine;
};

} // namespace

QByteArray Svg(const QString& name)
{
    static const QRegularExpression pattern("^RC_(?:BITMAP|ICON)_(\\d+)X(\\d+)_(\\w+)$");
    const auto m = pattern.match(name);
    const TGlyph glyph = m.hasMatch() ? Glyphs().value(m.captured(3)) : nullptr;
    if (!glyph)
        return {};
    const QSize size(m.captured(1).toInt(), m.captured(2).toInt());
    TSvgDevice device(size);
    {
        QPainter p(&device);
        p.scale(size.width() / 16.0, size.height() / 16.0);
        glyph(p);
    }
    const QByteArray w = QByteArray::number(size.width()), h = QByteArray::number(size.height());
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h +
           "\">\n" + device.Body() + "</svg>\n";
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
