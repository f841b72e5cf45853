#include "Views/OstavelButtonStyle.h"

#include "Views/TextStyle.h"

namespace {
struct FillAlphas {
    qreal pressed;
    qreal hovered;
    qreal resting;
};

constexpr FillAlphas accentAlphas{0.7, 1.0, 0.85};
constexpr FillAlphas whiteAlphas{0.18, 0.3, 0.18};

constexpr OstavelButtonStyle::Padding pillRegular{20, 10};
constexpr OstavelButtonStyle::Padding pillLarge{32, 12};
constexpr OstavelButtonStyle::Padding circleAny{8, 8};

qreal mix(qreal from, qreal to, qreal t)
{
    return from + (to - from) * t;
}
} // namespace

OstavelButtonStyle::Padding OstavelButtonStyle::padding() const
{
    if (shape == Shape::circle)
        return circleAny;
    return size == Size::large ? pillLarge : pillRegular;
}

QColor OstavelButtonStyle::fill(bool pressed, bool hovered) const
{
    return fill(pressed ? 1.0 : 0.0, hovered ? 1.0 : 0.0);
}

QColor OstavelButtonStyle::fill(qreal pressedness, qreal hoveredness) const
{
    const FillAlphas& alphas = isAccent ? accentAlphas : whiteAlphas;
    const qreal unpressed = mix(alphas.resting, alphas.hovered, hoveredness);
    QColor color = isAccent ? accentColor() : QColor(Qt::white);
    color.setAlphaF(float(mix(unpressed, alphas.pressed, pressedness)));
    return color;
}

OstavelButtonStyle::Border OstavelButtonStyle::border(bool pressed)
{
    return border(pressed ? 1.0 : 0.0);
}

OstavelButtonStyle::Border OstavelButtonStyle::border(qreal pressedness)
{
    QColor gray(142, 142, 147);
    gray.setAlphaF(float(mix(0.0, 0.6, pressedness)));
    return {gray, mix(1.5, 2.5, pressedness)};
}

QFont OstavelButtonStyle::font() const
{
    QFont font = textStyleFont(size == Size::large ? TextStyle::title2 : TextStyle::callout);
    font.setWeight(QFont::DemiBold);
    return font;
}

QColor OstavelButtonStyle::accentColor()
{
    return QColor(10, 132, 255);
}
