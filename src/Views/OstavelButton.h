#pragma once

#include "Views/OstavelButtonStyle.h"

#include <QAbstractButton>

class QVariantAnimation;

// A button of the break surfaces, drawn with OstavelButtonStyle: label or icon in white on the
// style's fill, brighter while the mouse is over it (also in windows that are not active), dimmed,
// ringed and shrunk while pressed, with the pointing-hand cursor. It takes no keyboard focus.
// Hover follows enter and leave events only: the X server sends them also when a window maps or
// moves under a resting pointer, so the button never has to ask where the pointer is.
// Its two animations run only while the look is changing. Main thread.
class OstavelButton : public QAbstractButton {
    Q_OBJECT

public:
    OstavelButton(OstavelButtonStyle style, const QString& text, QWidget* parent = nullptr);
    OstavelButton(OstavelButtonStyle style, const QIcon& icon, QWidget* parent = nullptr);
    ~OstavelButton() override;

    const OstavelButtonStyle& style() const { return m_style; }
    bool isHovered() const { return m_hovered; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    void setHovered(bool hovered);
    void animate(QVariantAnimation* animation, qreal& value, bool on);
    QSize contentSize() const;

    OstavelButtonStyle m_style;
    bool m_hovered = false;
    // 0..1, driven by the animations and read by paintEvent.
    qreal m_hoveredness = 0;
    qreal m_pressedness = 0;
    QVariantAnimation* m_hoverAnimation;
    QVariantAnimation* m_pressAnimation;
};
