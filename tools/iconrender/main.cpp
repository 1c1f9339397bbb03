// Writes one of the console's images to a PNG file, or as SVG to a file
// whose name ends in ".svg":
//   iconrender RC_ICON_32X32_DEVICE switchconsole.png
//   iconrender RC_ICON_256X256_DEVICE switchconsole.svg
// Runs without a display (the offscreen platform unless one is chosen).
#include "Resources.h"

#include <QFile>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s RESOURCE_NAME OUTPUT.png\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The platform's start-up notes (no runtime directory and the like) are
    // noise in the build's output; this tool reports its own failures.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    });
    QGuiApplication app(argc, argv);
    const QString name = QString::fromLocal8Bit(argv[1]), output = QString::fromLocal8Bit(argv[2]);
    if (output.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        const QByteArray svg = Resources::Svg(name);
        QFile file(output);
        if (svg.isEmpty()) {
            std::fprintf(stderr, "%s: no image named %s\n", argv[0], argv[1]);
            return 1;
        }
        if (!file.open(QIODevice::WriteOnly) || file.write(svg) != svg.size() || !file.flush()) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
            return 1;
        }
        return 0;
    }
    const QPixmap pixmap = Resources::Bitmap(QString::fromLocal8Bit(argv[1]));
    if (pixmap.isNull()) {
        std::fprintf(stderr, "%s: no image named %s\n", argv[0], argv[1]);
        return 1;
    }
    if (!pixmap.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    return 0;
}
