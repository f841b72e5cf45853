#pragma once

#include <QIconEngine>
#include <QImage>
#include <QList>
#include <QMap>
#include <QPixmap>
#include <functional>

// A square icon drawn on demand, at each pixel size it is asked for, by `render(side)`, and kept
// per size for the icon's own life. QIcon's own pixmap engine files every pixmap it hands out in
// QPixmapCache under that pixmap's serial number, so icons made afresh for each redraw or show
// (the tray's countdown, the pill's close mark) would leave entries there that nobody asks for
// again; this engine leaves none. Main thread.
class RenderedIconEngine : public QIconEngine {
public:
    using Render = std::function<QImage(int side)>;

    // `sizes`: what availableSizes() reports; any other size is drawn too when asked for.
    RenderedIconEngine(Render render, QList<int> sizes);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;
    bool isNull() override;

    // A QIcon that owns a new engine.
    static QIcon icon(Render render, QList<int> sizes);

private:
    Render m_render;
    QList<int> m_sizes;
    QMap<int, QPixmap> m_drawn;
};
