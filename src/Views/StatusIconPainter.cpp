#include "Views/StatusIconPainter.h"

#include "Views/RenderedIconEngine.h"
#include "Views/SymbolImage.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {
const QColor plateColor(38, 38, 38, 235);
const QColor glyphColor(242, 242, 242);
const QColor dotColor(255, 59, 48);
constexpr int iconSizes[] = {16, 22, 24, 32, 48, 64};

void drawCountdown(QPainter& painter, const QString& text, int size)
{
    QFont font = QGuiApplication::font();
    font.setWeight(QFont::Bold);
    font.setStyleHint(QFont::SansSerif);
    // Start large and shrink until the text fits the square with a small margin.
    int pixelSize = std::max(6, int(size * 0.5));
    for (; pixelSize > 6; --pixelSize) {
        font.setPixelSize(pixelSize);
        if (QFontMetricsF(font).horizontalAdvance(text) <= size * 0.9)
            break;
    }
    font.setPixelSize(pixelSize);
    painter.setFont(font);
    painter.setPen(glyphColor);
    painter.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, text);
}
} // namespace

QRectF StatusIconPainter::dotRect(int size)
{
    const qreal d = std::round(size * 0.36);
    return {size - d, 0, d, d};
}

QImage StatusIconPainter::paint(const StatusItemContent& content, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    QPainterPath plate;
    plate.addRoundedRect(QRectF(0, 0, size, size), size * 0.22, size * 0.22);
    painter.fillPath(plate, plateColor);

    switch (content.image) {
    case StatusItemContent::Image::stand:
    case StatusItemContent::Image::moon: {
        const QString symbol = content.image == StatusItemContent::Image::stand
                                   ? QStringLiteral("figure.stand")
                                   : QStringLiteral("moon.zzz");
        const int side = int(std::lround(size * 0.76));
        const QImage glyph = SymbolImage::render(symbol, side, glyphColor);
        const qreal offset = (size - side) / 2.0;
        painter.drawImage(QPointF(offset, offset), glyph);
        break;
    }
    case StatusItemContent::Image::countdown:
        drawCountdown(painter, content.text, size);
        break;
    }

    if (content.redDot) {
        const QRectF dot = dotRect(size);
        painter.setPen(QPen(plateColor, std::max(1.0, size / 24.0)));
        painter.setBrush(dotColor);
        painter.drawEllipse(dot.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    return image;
}

QList<QImage> StatusIconPainter::images(const StatusItemContent& content)
{
    QList<QImage> images;
    for (int size : iconSizes)
        images << paint(content, size);
    return images;
}

QIcon StatusIconPainter::icon(const StatusItemContent& content)
{
    return RenderedIconEngine::icon([content](int side) { return paint(content, side); },
                                    QList<int>(std::begin(iconSizes), std::end(iconSizes)));
}
