#include "Views/PreAlertPillView.h"

#include "BreakManager/BreakManager.h"
#include "Configuration/ConfigurationManager.h"
#include "Views/OstavelButton.h"
#include "Views/OstavelButtonStyle.h"
#include "Views/PanelBackground.h"
#include "Views/SnoozeButton.h"
#include "Views/SymbolImage.h"
#include "Views/TextStyle.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace {
constexpr int inset = 24;
constexpr int closeSymbolSize = 12;

// A dark card in place of a blurred material: dense enough to read over anything behind it.
const PanelBackground::Card card{QColor(28, 28, 30, 224), QColor(36, 36, 38), Qt::transparent,
                                 PreAlertPillView::cornerRadius};

QColor white(qreal opacity)
{
    return QColor(255, 255, 255, int(std::lround(opacity * 255)));
}

QIcon closeIcon()
{
    return SymbolImage::icon(QStringLiteral("xmark"), Qt::white, {closeSymbolSize});
}
} // namespace

PreAlertPillView::PreAlertPillView(BreakManager& breakManager, bool isCompositing, QWidget* parent)
    : QWidget(parent)
    , m_breakManager(breakManager)
    , m_isCompositing(isCompositing)
{
    setFixedSize(panelWidth, panelHeight);

    m_card = new QWidget(this);
    m_card->setFixedWidth(panelWidth);
    auto* cardLayout = new QVBoxLayout(m_card);
    cardLayout->setContentsMargins(0, 0, 0, 0);
    cardLayout->setSpacing(0);

    auto* textBlock = new QVBoxLayout;
    textBlock->setContentsMargins(inset, inset, inset, inset);
    textBlock->setSpacing(4);
    QFont titleFont = QFont();
    titleFont.setPixelSize(18);
    titleFont.setWeight(QFont::DemiBold);
    m_title = makeTextLabel(titleFont, Qt::white, m_card);
    m_reassurance = makeTextLabel(textStyleFont(TextStyle::subheadline), white(0.7), m_card);
    m_work = makeTextLabel(textStyleFont(TextStyle::subheadline), white(0.5), m_card);
    m_reassurance->setWordWrap(true);
    m_work->setWordWrap(true);
    textBlock->addWidget(m_title);
    textBlock->addWidget(m_reassurance);
    textBlock->addWidget(m_work);
    cardLayout->addLayout(textBlock);

    using Style = OstavelButtonStyle;
    m_startNow = new OstavelButton(Style{Style::Size::regular, Style::Shape::pill, true},
                                   startNowText, m_card);
    m_snooze = new SnoozeButton(m_breakManager, m_card);
    m_skip =
        new OstavelButton(Style{Style::Size::regular, Style::Shape::pill, false}, skipText, m_card);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(inset, 0, inset, inset);
    row->setSpacing(16);
    row->addWidget(m_startNow, 0, Qt::AlignTop);
    row->addStretch(1);
    row->addWidget(m_snooze, 0, Qt::AlignTop);
    row->addWidget(m_skip, 0, Qt::AlignTop);
    cardLayout->addLayout(row);

    auto* panelLayout = new QVBoxLayout(this);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    panelLayout->addWidget(m_card, 0, Qt::AlignTop);
    panelLayout->addStretch(1);

    m_close = new OstavelButton(Style{Style::Size::regular, Style::Shape::circle, false},
                                closeIcon(), this);
    m_close->setIconSize(QSize(closeSymbolSize, closeSymbolSize));
    m_close->adjustSize();
    m_close->raise();

    for (QAbstractButton* button :
         {static_cast<QAbstractButton*>(m_startNow), static_cast<QAbstractButton*>(m_skip),
          static_cast<QAbstractButton*>(m_close)})
        button->setFocusPolicy(Qt::NoFocus);
    connect(m_startNow, &QAbstractButton::clicked, this, [this] { m_breakManager.startBreak(); });
    connect(m_skip, &QAbstractButton::clicked, this, [this] { m_breakManager.skipPreAlert(); });
    connect(m_close, &QAbstractButton::clicked, this, [this] { m_breakManager.dismissPreAlert(); });

    m_card->installEventFilter(this);
    for (auto signal :
         {&BreakManager::preAlertCountdownChanged, &BreakManager::isAwaitingActivityCooldownChanged,
          &BreakManager::totalContinuousWorkTimeChanged,
          &BreakManager::workTimeSinceLongBreakChanged, &BreakManager::completedBreakCountChanged,
          &BreakManager::stateChanged})
        connect(&m_breakManager, signal, this, &PreAlertPillView::refresh);
    // Whether the next break is long also follows the long-break settings.
    connect(&m_breakManager.configManager(), &ConfigurationManager::configChanged, this,
            &PreAlertPillView::refresh);
    refresh();
}

QString PreAlertPillView::titleText(bool isNextBreakLong, bool isAwaitingActivityCooldown,
                                    double preAlertCountdown)
{
    const QString kind = isNextBreakLong ? QStringLiteral("long") : QStringLiteral("short");
    if (isAwaitingActivityCooldown)
        return QStringLiteral("Your %1 break is about to begin...").arg(kind);
    const double n = std::isfinite(preAlertCountdown) ? std::trunc(preAlertCountdown) : 0;
    return QStringLiteral("Your %1 break starts in %2s").arg(kind).arg(qint64(n));
}

QString PreAlertPillView::reassuranceText(bool isNextBreakLong)
{
    return isNextBreakLong ? QStringLiteral("You'll come back to this with fresh eyes.")
                           : QStringLiteral("A quick break now keeps you focused longer.");
}

QString PreAlertPillView::workText(bool isNextBreakLong, double workSeconds)
{
    const qint64 minutes =
        std::isfinite(workSeconds) ? qint64(std::ceil(workSeconds / 60.0)) : qint64(0);
    const QString unit = minutes == 1 ? QStringLiteral("minute") : QStringLiteral("minutes");
    if (isNextBreakLong)
        return QStringLiteral("You have been working for %1 %2 since your last long break.")
            .arg(minutes)
            .arg(unit);
    return QStringLiteral("You have been working for %1 %2.").arg(minutes).arg(unit);
}

QRect PreAlertPillView::cardRect() const
{
    return m_card->geometry();
}

QStringList PreAlertPillView::texts() const
{
    return {m_title->text(), m_reassurance->text(), m_work->text()};
}

void PreAlertPillView::refresh()
{
    const bool isLong = m_breakManager.isNextBreakLong();
    m_title->setText(titleText(isLong, m_breakManager.isAwaitingActivityCooldown(),
                               m_breakManager.preAlertCountdown()));
    m_reassurance->setText(reassuranceText(isLong));
    m_work->setText(workText(isLong, isLong ? m_breakManager.workTimeSinceLongBreak()
                                            : m_breakManager.totalContinuousWorkTime()));
}

bool PreAlertPillView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_card && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        placeCloseButton();
        updateShape();
        update();
    }
    return QWidget::eventFilter(watched, event);
}

void PreAlertPillView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PanelBackground::paint(painter, QRectF(cardRect()), card, m_isCompositing);
}

void PreAlertPillView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeCloseButton();
    updateShape();
}

void PreAlertPillView::placeCloseButton()
{
    const QRect c = cardRect();
    m_close->move(c.right() + 1 - inset - m_close->width(), c.top() + inset);
}

void PreAlertPillView::updateShape()
{
    setMask(PanelBackground::shape(cardRect(), cornerRadius, m_isCompositing));
}
