#pragma once

#include <QPalette>
#include <QPushButton>

// The one filled button of a form (its main action): the accent colour with the highlighted-text
// colour, faded while disabled.
inline void makeProminent(QPushButton* button)
{
    const QPalette palette = button->palette();
    const QColor accent = palette.color(QPalette::Highlight);
    const QColor text = palette.color(QPalette::HighlightedText);
    button->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid %3; "
                       "border-radius: 6px; padding: 5px 16px; } "
                       "QPushButton:hover { background: %4; } "
                       "QPushButton:pressed { background: %3; } "
                       "QPushButton:disabled { background: %5; color: %6; border-color: %5; } "
                       "QPushButton:focus { border-color: %6; }")
            .arg(accent.name(), text.name(), accent.darker(120).name(), accent.lighter(110).name(),
                 palette.color(QPalette::Disabled, QPalette::Button).name(),
                 palette.color(QPalette::Disabled, QPalette::ButtonText).name()));
}
