#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>
#include <initializer_list>

// The small symbols the views name ("figure.stand", "moon.zzz", ...), our own SVGs in the
// ":/ostavel/symbols" resource, drawn in one colour.
namespace SymbolImage {
bool exists(const QString& name);
// A square image of `pixelSize` at `devicePixelRatio`; null for an unknown name.
QImage render(const QString& name, int pixelSize, const QColor& color,
              qreal devicePixelRatio = 1.0);
// An icon of the symbol, drawn at whatever size it is painted; `pixelSizes` are the sizes it
// reports having. It adds nothing to QPixmapCache, so making one per show or per row costs nothing
// beyond its own life.
QIcon icon(const QString& name, const QColor& color, std::initializer_list<int> pixelSizes);
} // namespace SymbolImage
