#include "Views/InfoTip.h"

#include "Views/SymbolImage.h"
#include "Views/TextStyle.h"

#include <QEnterEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace {
constexpr int iconSize = 13;
constexpr int bubbleWidth = 200;
constexpr int bubblePadding = 8;
} // namespace

InfoTip::InfoTip(const QString& text, QWidget* parent)
    : QLabel(parent)
    , m_text(text)
{
    const QColor secondary = palette().color(QPalette::Disabled, QPalette::WindowText);
    setPixmap(QPixmap::fromImage(SymbolImage::render(QStringLiteral("info.circle"), iconSize,
                                                     secondary, devicePixelRatioF())));
    setFixedSize(iconSize, iconSize);
    setAccessibleName(text);
}

InfoTip::~InfoTip()
{
    delete m_bubble;
}

void InfoTip::enterEvent(QEnterEvent* event)
{
    QLabel::enterEvent(event);
    setHovering(true);
}

void InfoTip::leaveEvent(QEvent* event)
{
    QLabel::leaveEvent(event);
    setHovering(false);
}

void InfoTip::hideEvent(QHideEvent* event)
{
    QLabel::hideEvent(event);
    setHovering(false);
}

void InfoTip::setHovering(bool hovering)
{
    if (!hovering) {
        delete m_bubble;
        return;
    }
    if (m_bubble)
        return;
    auto* bubble = new QFrame(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    bubble->setFrameShape(QFrame::StyledPanel);
    bubble->setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(bubble);
    layout->setContentsMargins(bubblePadding, bubblePadding, bubblePadding, bubblePadding);
    auto* label = new QLabel(m_text, bubble);
    label->setFont(textStyleFont(TextStyle::caption));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    // The label's natural width up to the cap, and as many lines as that needs.
    const int textWidth = std::min(label->fontMetrics().horizontalAdvance(m_text) + 1,
                                   bubbleWidth - 2 * bubblePadding);
    label->setFixedWidth(textWidth);
    label->setFixedHeight(label->heightForWidth(textWidth));
    bubble->adjustSize();

    // Above the icon, centred on it, kept on its screen.
    const QPoint anchor = mapToGlobal(QPoint(width() / 2, 0));
    QRect frame(QPoint(anchor.x() - bubble->width() / 2, anchor.y() - bubble->height() - 4),
                bubble->size());
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        frame.moveLeft(std::clamp(frame.left(), area.left(), area.right() - frame.width()));
        if (frame.top() < area.top())
            frame.moveTop(mapToGlobal(QPoint(0, height())).y() + 4);
    }
    bubble->move(frame.topLeft());
    // Our window, which is mapped, as its transient parent: else Qt names its leader window, which
    // never is, and window managers warn about that.
    bubble->winId();
    bubble->windowHandle()->setTransientParent(window()->windowHandle());
    bubble->show();
    m_bubble = bubble;
}
