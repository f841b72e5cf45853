#include "Views/SymbolImage.h"

#include "Views/RenderedIconEngine.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <cmath>

namespace {
QString resourcePath(const QString& name)
{
    return QStringLiteral(":/ostavel/symbols/%1.svg").arg(name);
}
} // namespace

bool SymbolImage::exists(const QString& name)
{
    return QFile::exists(resourcePath(name));
}

QImage SymbolImage::render(const QString& name, int pixelSize, const QColor& color,
                           qreal devicePixelRatio)
{
    QSvgRenderer renderer(resourcePath(name));
    if (!renderer.isValid() || pixelSize <= 0)
        return {};
    const int side = int(std::lround(pixelSize * devicePixelRatio));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, side, side));
        // The SVGs are drawn in black; keep their shape and take the wanted colour.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), color);
    }
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

QIcon SymbolImage::icon(const QString& name, const QColor& color,
                        std::initializer_list<int> pixelSizes)
{
    return RenderedIconEngine::icon([name, color](int side) { return render(name, side, color); },
                                    QList<int>(pixelSizes));
}
