#include "Platform/Linux/QtScreenList.h"

#include <QGuiApplication>
#include <QScreen>

namespace {
// Qt keeps a screen's native origin and divides only its size by the scale factor.
QRect nativeFrame(const QScreen* screen)
{
    const QRect frame = screen->geometry();
    const qreal ratio = screen->devicePixelRatio();
    return QRect(frame.topLeft(), (QSizeF(frame.size()) * ratio).toSize());
}
} // namespace

QList<QRect> QtScreenList::screenFrames() const
{
    QList<QRect> frames;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return frames;
    frames << nativeFrame(primary);
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary)
            frames << nativeFrame(screen);
    }
    return frames;
}
