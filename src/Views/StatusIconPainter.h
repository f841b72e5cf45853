#pragma once

#include "Views/StatusItemContent.h"

#include <QIcon>
#include <QImage>
#include <QList>
#include <QRectF>

// Draws the tray icon: a dark rounded square (readable on light and dark panels alike) holding
// the stand figure, the moon, or the short countdown, with the red dot in its top-right corner
// while a blocker is active.
namespace StatusIconPainter {
QImage paint(const StatusItemContent& content, int size);
// The same picture at the sizes tray hosts ask for.
QList<QImage> images(const StatusItemContent& content);
// An icon that draws the picture at whatever size the tray paints it, leaving nothing in
// QPixmapCache: the countdown makes a new one at every change.
QIcon icon(const StatusItemContent& content);
// Where the dot sits in an image of `size`.
QRectF dotRect(int size);
} // namespace StatusIconPainter
