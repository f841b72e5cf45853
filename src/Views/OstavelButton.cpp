#include "Views/OstavelButton.h"

#include "Views/TimingCurve.h"

#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>
#include <algorithm>

namespace {
QVariantAnimation* makeAnimation(QObject* parent, int durationMs)
{
    auto* animation = new QVariantAnimation(parent);
    animation->setDuration(durationMs);
    animation->setEasingCurve(TimingCurve::easeInOut());
    return animation;
}
} // namespace

OstavelButton::OstavelButton(OstavelButtonStyle style, const QString& text, QWidget* parent)
    : QAbstractButton(parent)
    , m_style(style)
    , m_hoverAnimation(makeAnimation(this, OstavelButtonStyle::hoverAnimationMs))
    , m_pressAnimation(makeAnimation(this, OstavelButtonStyle::pressAnimationMs))
{
    setText(text);
    setFont(m_style.font());
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setIconSize(QSize(font().pixelSize(), font().pixelSize()));

    connect(m_hoverAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_hoveredness = v.toReal();
        update();
    });
    connect(m_pressAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_pressedness = v.toReal();
        update();
    });
    connect(this, &QAbstractButton::pressed, this,
            [this] { animate(m_pressAnimation, m_pressedness, true); });
    connect(this, &QAbstractButton::released, this,
            [this] { animate(m_pressAnimation, m_pressedness, false); });
}

OstavelButton::OstavelButton(OstavelButtonStyle style, const QIcon& icon, QWidget* parent)
    : OstavelButton(style, QString(), parent)
{
    setIcon(icon);
}

OstavelButton::~OstavelButton() = default;

QSize OstavelButton::contentSize() const
{
    if (!icon().isNull() && text().isEmpty())
        return iconSize();
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()), metrics.height()};
}

QSize OstavelButton::sizeHint() const
{
    const OstavelButtonStyle::Padding padding = m_style.padding();
    const QSize content = contentSize();
    QSize size(content.width() + 2 * padding.horizontal, content.height() + 2 * padding.vertical);
    if (m_style.shape == OstavelButtonStyle::Shape::circle) {
        const int side = std::max(size.width(), size.height());
        size = QSize(side, side);
    }
    return size;
}

bool OstavelButton::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

void OstavelButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    // Shrink about the centre while pressed.
    const qreal scale = 1.0 - (1.0 - OstavelButtonStyle::pressedScale) * m_pressedness;
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);

    const QRectF bounds(rect());
    QPainterPath shape;
    if (m_style.shape == OstavelButtonStyle::Shape::circle) {
        const qreal side = std::min(bounds.width(), bounds.height());
        shape.addEllipse(QRectF(0, 0, side, side).translated(centre - QPointF(side, side) / 2));
    } else {
        const qreal radius = bounds.height() / 2;
        shape.addRoundedRect(bounds, radius, radius);
    }
    painter.fillPath(shape, m_style.fill(m_pressedness, m_hoveredness));

    // The ring sits on the outline, half of it outside the fill.
    const OstavelButtonStyle::Border border = OstavelButtonStyle::border(m_pressedness);
    if (border.color.alpha() > 0)
        painter.strokePath(shape, QPen(border.color, border.width));

    if (!icon().isNull() && text().isEmpty()) {
        const qreal dpr = devicePixelRatioF();
        QPixmap pixmap = icon().pixmap(iconSize(), dpr);
        {
            // Symbols take the label's colour: white.
            QPainter tint(&pixmap);
            tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
            tint.fillRect(pixmap.rect(), Qt::white);
        }
        const QSizeF logical = QSizeF(pixmap.size()) / pixmap.devicePixelRatio();
        painter.drawPixmap(QRectF(centre - QPointF(logical.width(), logical.height()) / 2, logical),
                           pixmap, QRectF(pixmap.rect()));
    } else {
        painter.setPen(Qt::white);
        painter.setFont(font());
        painter.drawText(bounds, Qt::AlignCenter, text());
    }
}

void OstavelButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    setHovered(true);
}

void OstavelButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    setHovered(false);
}

void OstavelButton::setHovered(bool hovered)
{
    if (m_hovered == hovered)
        return;
    m_hovered = hovered;
    animate(m_hoverAnimation, m_hoveredness, hovered);
}

void OstavelButton::animate(QVariantAnimation* animation, qreal& value, bool on)
{
    animation->stop();
    const qreal target = on ? 1.0 : 0.0;
    if (!isVisible()) {
        // Nothing to watch: take the end state at once.
        value = target;
        return;
    }
    animation->setStartValue(value);
    animation->setEndValue(target);
    animation->start();
}
