#include "Views/TextStyle.h"

#include <QGuiApplication>
#include <QLabel>

namespace {
struct StyleMetrics {
    int pixelSize;
    QFont::Weight weight;
};

StyleMetrics metrics(TextStyle style)
{
    switch (style) {
    case TextStyle::largeTitle:
        return {26, QFont::Normal};
    case TextStyle::title:
        return {22, QFont::Normal};
    case TextStyle::title2:
        return {17, QFont::Normal};
    case TextStyle::title3:
        return {15, QFont::Normal};
    case TextStyle::headline:
        return {13, QFont::DemiBold};
    case TextStyle::body:
        return {13, QFont::Normal};
    case TextStyle::callout:
        return {12, QFont::Normal};
    case TextStyle::subheadline:
        return {11, QFont::Normal};
    case TextStyle::footnote:
    case TextStyle::caption:
    case TextStyle::caption2:
        return {10, QFont::Normal};
    }
    return {13, QFont::Normal};
}
} // namespace

QFont textStyleFont(TextStyle style)
{
    const StyleMetrics m = metrics(style);
    QFont font = QGuiApplication::font();
    font.setPixelSize(m.pixelSize);
    font.setWeight(m.weight);
    return font;
}

QLabel* makeTextLabel(const QFont& font, const QColor& color, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    label->setTextFormat(Qt::PlainText);
    return label;
}
