// Renders the application icon's SVG into the PNG sizes of the hicolor icon theme, at build time.
//
//   ostavel_render_icon SOURCE.svg OUTPUT_DIR SIZE...
// writes OUTPUT_DIR/<SIZE>x<SIZE>/apps/ostavel.png for each size.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv)
{
    // Rendering needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: ostavel_render_icon SOURCE.svg OUTPUT_DIR SIZE...\n");
        return 2;
    }
    QSvgRenderer renderer(args[0]);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "not a valid SVG: %s\n", qPrintable(args[0]));
        return 1;
    }
    for (const QString& sizeText : args.mid(2)) {
        const int size = sizeText.toInt();
        if (size <= 0) {
            std::fprintf(stderr, "not a size: %s\n", qPrintable(sizeText));
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            renderer.render(&painter, QRectF(0, 0, size, size));
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args[1]).arg(size);
        if (!QDir().mkpath(folder) || !image.save(folder + QStringLiteral("/ostavel.png"))) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
