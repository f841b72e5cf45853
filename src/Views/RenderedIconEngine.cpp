#include "Views/RenderedIconEngine.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>
#include <cmath>

RenderedIconEngine::RenderedIconEngine(Render render, QList<int> sizes)
    : m_render(std::move(render))
    , m_sizes(std::move(sizes))
{
}

QIcon RenderedIconEngine::icon(Render render, QList<int> sizes)
{
    return QIcon(new RenderedIconEngine(std::move(render), std::move(sizes)));
}

QSize RenderedIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State)
{
    const int side = std::min(size.width(), size.height());
    return {side, side};
}

QPixmap RenderedIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap RenderedIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal)
{
    const int side = std::min(size.width(), size.height());
    if (side <= 0)
        return {};
    auto drawn = m_drawn.find(side);
    if (drawn == m_drawn.end())
        drawn = m_drawn.insert(side, QPixmap::fromImage(m_render(side)));
    QPixmap pixmap = *drawn;
    // Disabled and selected looks come from the style, as for any other icon; they are made
    // rarely enough not to be kept.
    if (mode != QIcon::Normal && !pixmap.isNull()) {
        if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
            QStyleOption option;
            option.palette = QGuiApplication::palette();
            pixmap = app->style()->generatedIconPixmap(mode, pixmap, &option);
        }
    }
    return pixmap;
}

void RenderedIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                               QIcon::State state)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QSize side = actualSize(rect.size(), mode, state);
    const QPixmap pixmap = scaledPixmap(
        QSize(int(std::lround(side.width() * ratio)), int(std::lround(side.height() * ratio))),
        mode, state, ratio);
    if (pixmap.isNull())
        return;
    const QRect target(rect.x() + (rect.width() - side.width()) / 2,
                       rect.y() + (rect.height() - side.height()) / 2, side.width(), side.height());
    painter->drawPixmap(target, pixmap);
}

QList<QSize> RenderedIconEngine::availableSizes(QIcon::Mode, QIcon::State)
{
    QList<QSize> sizes;
    for (int side : std::as_const(m_sizes))
        sizes << QSize(side, side);
    return sizes;
}

QIconEngine* RenderedIconEngine::clone() const
{
    return new RenderedIconEngine(m_render, m_sizes);
}

QString RenderedIconEngine::key() const
{
    return QStringLiteral("RenderedIconEngine");
}

bool RenderedIconEngine::isNull()
{
    return !m_render;
}
