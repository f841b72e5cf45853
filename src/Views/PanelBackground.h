#pragma once

#include <QColor>
#include <QRegion>

class QPainter;
class QRect;
class QRectF;
class QWidget;

// The dark rounded cards of the warning panels. Where a compositor blends windows, the card is
// translucent with antialiased corners and the window is shaped to the card's rectangle; where
// none runs, clear pixels would show stale screen contents, so the card is opaque and the window
// is shaped to the card's rounded outline instead. The shape also keeps the panel's empty parts
// from catching clicks.
namespace PanelBackground {
struct Card {
    QColor fill;   // as drawn over a compositor
    QColor opaque; // the same card where no compositor runs
    QColor border; // transparent for none
    qreal radius = 0;
};

// Sets the window attributes the card needs; call before the window is first shown.
void prepareWindow(QWidget& window, bool isCompositing);
void paint(QPainter& painter, const QRectF& cardRect, const Card& card, bool isCompositing);
// The window shape for a card at `cardRect` (window coordinates).
QRegion shape(const QRect& cardRect, qreal radius, bool isCompositing);
} // namespace PanelBackground
