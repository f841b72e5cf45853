#pragma once

#include <QFont>

class QColor;
class QLabel;
class QWidget;

// The named text styles of the designs. Sizes are pixels equal to the designs' points, kept in
// this one table so every view agrees.
enum class TextStyle {
    largeTitle,
    title,
    title2,
    title3,
    headline,
    body,
    callout,
    subheadline,
    footnote,
    caption,
    caption2
};

QFont textStyleFont(TextStyle style);

// A label of plain text (never read as rich text) in `font` and `color`, as the panels and the
// break overlay draw their texts.
QLabel* makeTextLabel(const QFont& font, const QColor& color, QWidget* parent);
