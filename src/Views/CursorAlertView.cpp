#include "Views/CursorAlertView.h"

#include "BreakManager/BreakManager.h"
#include "Views/PanelBackground.h"
#include "Views/TextStyle.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace {
const PanelBackground::Card card{QColor(30, 30, 32, int(std::lround(0.92 * 255))),
                                 QColor(30, 30, 32), QColor(255, 255, 255, 26), 16};

QLabel* makeLabel(const QString& text, int pixelSize, QFont::Weight weight, const QColor& color,
                  QWidget* parent)
{
    QFont font = QApplication::font("QLabel");
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    QLabel* label = makeTextLabel(font, color, parent);
    label->setText(text);
    return label;
}
} // namespace

CursorAlertView::CursorAlertView(BreakManager& breakManager, bool isCompositing, QWidget* parent)
    : QWidget(parent)
    , m_breakManager(breakManager)
    , m_isCompositing(isCompositing)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 14, 20, 14);
    layout->setSpacing(2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_title = makeLabel(QString(), 14, QFont::DemiBold, Qt::white, this);
    layout->addWidget(m_title);
    layout->addWidget(makeLabel(subtitle, 12, QFont::Normal, QColor(255, 255, 255, 128), this));

    connect(&m_breakManager, &BreakManager::cursorAlertCountdownChanged, this,
            &CursorAlertView::refresh);
    connect(&m_breakManager, &BreakManager::isAwaitingActivityCooldownChanged, this,
            &CursorAlertView::refresh);
    refresh();
}

QString CursorAlertView::title(bool isAwaitingActivityCooldown, double cursorAlertCountdown)
{
    if (isAwaitingActivityCooldown)
        return QStringLiteral("Your break is about to begin\u2026");
    const double n = std::isfinite(cursorAlertCountdown) ? std::trunc(cursorAlertCountdown) : 0;
    return QStringLiteral("Break starts in %1s").arg(qint64(n));
}

void CursorAlertView::refresh()
{
    m_title->setText(
        title(m_breakManager.isAwaitingActivityCooldown(), m_breakManager.cursorAlertCountdown()));
}

void CursorAlertView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PanelBackground::paint(painter, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), card,
                           m_isCompositing);
}

void CursorAlertView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    setMask(PanelBackground::shape(rect(), card.radius, m_isCompositing));
}
