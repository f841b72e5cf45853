#include "Views/PanelBackground.h"

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

void PanelBackground::prepareWindow(QWidget& window, bool isCompositing)
{
    window.setAttribute(Qt::WA_TranslucentBackground, isCompositing);
    window.setAttribute(Qt::WA_NoSystemBackground, isCompositing);
    window.setAutoFillBackground(false);
}

void PanelBackground::paint(QPainter& painter, const QRectF& cardRect, const Card& card,
                            bool isCompositing)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, isCompositing);
    QPainterPath path;
    path.addRoundedRect(cardRect, card.radius, card.radius);
    if (!isCompositing) {
        // The window is shaped to the outline; fill it all so no edge pixel is left unpainted.
        painter.fillRect(cardRect.toAlignedRect(), card.opaque);
    } else {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillPath(path, card.fill);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (card.border.alpha() > 0) {
        // Centred on the outline: its outer half falls outside the card, as the card's edge does.
        painter.setPen(QPen(card.border, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
    painter.restore();
}

QRegion PanelBackground::shape(const QRect& cardRect, qreal radius, bool isCompositing)
{
    if (isCompositing || cardRect.isEmpty())
        return QRegion(cardRect);
    QBitmap bitmap(cardRect.size());
    bitmap.fill(Qt::color0);
    {
        QPainter painter(&bitmap);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::color1);
        painter.drawRoundedRect(QRectF(QPointF(0, 0), QSizeF(cardRect.size())), radius, radius);
    }
    return QRegion(bitmap).translated(cardRect.topLeft());
}
