// The drawn icons as the desktop and the user meet them: every size the
// icon theme expects (and a scalable one), overlays and marks that stand
// out on light and dark backgrounds, and a font for the Control Pictures
// with which control characters are shown.
#include "Resources.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGlyphRun>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

const QColor Light(255, 255, 255), Dark(42, 42, 46);

// The image drawn on `background`.
QImage On(const QPixmap& pixmap, const QColor& background)
{
    QImage image(pixmap.size(), QImage::Format_RGB32);
    image.fill(background);
    QPainter(&image).drawPixmap(0, 0, pixmap);
    return image;
}

int Distance(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

// Pixels of the image that stand out from `background`.
int Marked(const QImage& image, const QColor& background)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += Distance(image.pixelColor(x, y), background) > 150 ? 1 : 0;
    return n;
}

// Pixels in which two images differ clearly.
int Differ(const QImage& a, const QImage& b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += Distance(a.pixelColor(x, y), b.pixelColor(x, y)) > 150 ? 1 : 0;
    return n;
}

} // namespace

TEST(Icons, TheApplicationIconComesInEveryThemeSize)
{
    const std::vector<int> expected = {16, 22, 24, 32, 48, 64, 128, 256};
    EXPECT_EQ(Resources::ThemeIconSizes(), expected);
    const QIcon icon = Resources::Icon("RC_ICON_16X16_DEVICE");
    QList<int> sizes;
    for (const QSize& size : icon.availableSizes())
        sizes << size.width();
    for (int size : expected) {
        EXPECT_TRUE(sizes.contains(size)) << size;
        const QPixmap pixmap = icon.pixmap(size, size);
        EXPECT_EQ(pixmap.width(), size);
        // Drawn across the size, not a small image in a corner.
        EXPECT_GE(Marked(On(pixmap, Light), Light), size * size / 8) << size;
    }
    // A plain bitmap stays one image.
    EXPECT_EQ(Resources::Icon("RC_BITMAP_16X16_SAVE").availableSizes().size(), 1);
}

TEST(Icons, TheScalableIconIsAnSvgOfTheSameDrawing)
{
    EXPECT_TRUE(Resources::Svg("RC_ICON_16X16_NO_SUCH").isEmpty());
    const QByteArray svg = Resources::Svg("RC_ICON_256X256_DEVICE");
    QXmlStreamReader xml(svg);
    int paths = 0;
    QStringList fills;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("svg")) {
            EXPECT_EQ(xml.attributes().value("viewBox").toString(), "0 0 256 256");
            EXPECT_EQ(xml.namespaceUri().toString(), "http://www.w3.org/2000/svg");
        } else if (xml.name() == QLatin1String("path")) {
            ++paths;
            fills << xml.attributes().value("fill").toString();
            EXPECT_FALSE(xml.attributes().value("d").isEmpty());
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    // The case and its four lights, in the bitmap's colours, at the scale of
    // the view box (the case spans most of it).
    EXPECT_EQ(paths, 5);
    EXPECT_TRUE(fills.contains("#a0aab9")) << fills.join(' ').toStdString();
    EXPECT_EQ(fills.count("#28963c"), 4);
    EXPECT_TRUE(svg.contains("M16 80 L240 80 L240 192 L16 192")) << svg.toStdString();
}

#ifdef ICON_THEME_DIR
// What the install puts in the icon theme: a PNG in every size under
// hicolor/NxN/apps and the scalable one under hicolor/scalable/apps.
TEST(Icons, TheBuildRendersTheIconThemeTree)
{
    const QDir theme(QStringLiteral(ICON_THEME_DIR));
    for (int size : Resources::ThemeIconSizes()) {
        const QString path = theme.filePath(QStringLiteral("%1x%1/apps/switchconsole.png").arg(size));
        QImageReader reader(path);
        EXPECT_EQ(reader.size(), QSize(size, size)) << path.toStdString();
    }
    QFile svg(theme.filePath("scalable/apps/switchconsole.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly)) << svg.fileName().toStdString();
    EXPECT_EQ(svg.readAll(), Resources::Svg("RC_ICON_256X256_DEVICE"));
}
#endif

// The overlays of a device node are seen at a glance at 16 x 16 on light
// and dark backgrounds, and the logout key does not vanish on a dark one.
TEST(Icons, OverlaysAndTheLogoutKeyStandOutOnLightAndDark)
{
    const QPixmap plain = Resources::Bitmap("RC_BITMAP_16X16_DEVICE");
    for (const QColor& background : {Light, Dark}) {
        const QImage device = On(plain, background);
        const QImage login = On(Resources::Bitmap("RC_BITMAP_16X16_DEVICE_LOGIN"), background);
        const QImage warning = On(Resources::Bitmap("RC_BITMAP_16X16_DEVICE_WARNING"), background);
        const QImage both = On(Resources::Bitmap("RC_BITMAP_16X16_DEVICE_LOGIN_WARNING"), background);
        const char* name = background == Light ? "light" : "dark";
        EXPECT_GE(Differ(login, device), 24) << name;
        EXPECT_GE(Differ(warning, device), 24) << name;
        EXPECT_GE(Differ(login, warning), 40) << name;
        EXPECT_GE(Differ(both, login), 20) << name;
        EXPECT_GE(Differ(both, warning), 20) << name;
        // Each overlay stands out from the background around it.
        EXPECT_GE(Marked(login, background), Marked(device, background) + 16) << name;

        for (const char* key : {"RC_BITMAP_16X16_LOGOUT", "RC_BITMAP_24X24_LOGOUT", "RC_BITMAP_16X16_LOGIN"}) {
            const QPixmap pixmap = Resources::Bitmap(key);
            EXPECT_GE(Marked(On(pixmap, background), background), pixmap.width() * pixmap.width() / 6)
                << key << " on " << name;
        }
    }
}

// The red cross of an offline switch or a failure keeps a light rim: it
// stays visible on a red row and on a dark selection.
TEST(Icons, TheCrossStandsOutOnRedAndOnTheSelection)
{
    const QPixmap cross = Resources::Bitmap("RC_BITMAP_16X16_CANCEL");
    for (const QColor& background : {QColor(255, 0, 0), QColor(200, 50, 40), QColor(255, 190, 190), QColor(64, 64, 64),
                                      QColor(48, 140, 198), Light, Dark})
        EXPECT_GE(Marked(On(cross, background), background), 24) << background.name().toStdString();
}

// Control characters are shown as Control Pictures: a font of the system
// must draw every one of them, reached from the console's usual font.
TEST(Fonts, ControlPicturesHaveGlyphs)
{
    const QFont font(QStringLiteral("DejaVu Sans"), 10);
    QStringList missing;
    for (char32_t c = 0x2400; c <= 0x2421; ++c) {
        QTextLayout layout(QString::fromUcs4(&c, 1), font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        bool drawn = false;
        for (const QGlyphRun& run : layout.glyphRuns())
            for (quint32 glyph : run.glyphIndexes())
                drawn = drawn || (glyph != 0 && run.rawFont().supportsCharacter(c));
        if (!drawn)
            missing << QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
    }
    EXPECT_TRUE(missing.isEmpty()) << "no font draws " << missing.join(' ').toStdString()
                                   << " (scripts/deps installs fonts-freefont-ttf)";
}
