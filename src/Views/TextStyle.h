#pragma once

#include <QFont>

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
