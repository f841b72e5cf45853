#include "Views/MenuBarHintView.h"
#include "Views/ToolWindowType.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <algorithm>

namespace {
constexpr int hintWidth = 320;
constexpr int hintHeight = 60;
constexpr int gap = 4;
} // namespace

MenuBarHintView::MenuBarHintView(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(hintWidth, hintHeight);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 16, 12);
    // The application's icon, so the hint is recognisably Ostavel's.
    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    layout->addWidget(icon);
    auto* label = new QLabel(text, this);
    QFont font = label->font();
    font.setPixelSize(13);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    ToolWindowType::apply(*this);
}

void MenuBarHintView::showNear(const QRect& anchor)
{
    QScreen* screen = anchor.isValid() ? QGuiApplication::screenAt(anchor.center()) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);

    QPoint pos;
    if (anchor.isValid()) {
        pos = QPoint(anchor.center().x() - width() / 2, anchor.bottom() + gap);
        // A tray at the bottom of the screen: open upwards instead.
        if (pos.y() + height() > area.bottom())
            pos.setY(anchor.top() - gap - height());
    } else {
        pos = QPoint(area.right() - width() - gap, area.top() + gap);
    }
    pos.setX(std::clamp(pos.x(), area.left(), std::max(area.left(), area.right() - width())));
    pos.setY(std::clamp(pos.y(), area.top(), std::max(area.top(), area.bottom() - height())));
    move(pos);
    show();
    raise();
}

void MenuBarHintView::paintEvent(QPaintEvent*)
{
    // Square corners: without a compositor, transparent corners would show black.
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
