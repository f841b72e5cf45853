#pragma once

#include <QColor>
#include <QImage>
#include <QString>

// The small symbols the views name ("figure.stand", "moon.zzz", ...), our own SVGs in the
// ":/ostavel/symbols" resource, drawn in one colour.
namespace SymbolImage {
bool exists(const QString& name);
// A square image of `pixelSize` at `devicePixelRatio`; null for an unknown name.
QImage render(const QString& name, int pixelSize, const QColor& color,
              qreal devicePixelRatio = 1.0);
} // namespace SymbolImage
