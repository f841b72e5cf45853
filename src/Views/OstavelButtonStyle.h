#pragma once

#include <QColor>
#include <QFont>

// The one look of the break surfaces' buttons: a white label on a translucent white or accent
// capsule or circle. This is the single table of paddings, fills and borders; OstavelButton paints
// from it and the tests read it.
struct OstavelButtonStyle {
    enum class Size { regular, large };
    enum class Shape { pill, circle };

    Size size = Size::regular;
    Shape shape = Shape::pill;
    bool isAccent = false;

    struct Padding {
        int horizontal;
        int vertical;
    };
    struct Border {
        QColor color;
        qreal width;
    };

    static constexpr qreal pressedScale = 0.95;
    static constexpr int hoverAnimationMs = 150;
    static constexpr int pressAnimationMs = 100;

    Padding padding() const;
    // The fill at rest, hovered or pressed; pressed wins over hovered.
    QColor fill(bool pressed, bool hovered) const;
    // The same fill part way through the hover and press animations (0 = off, 1 = on).
    QColor fill(qreal pressedness, qreal hoveredness) const;
    // The ring round the shape: visible only while pressed, centred on the outline.
    static Border border(bool pressed);
    static Border border(qreal pressedness);
    // Callout (regular) or title 2 (large), semibold.
    QFont font() const;
    // A fixed blue, so the accent looks the same under every desktop theme.
    static QColor accentColor();
};
