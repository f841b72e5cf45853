#include "Views/BreakOverlayView.h"

#include "BreakManager/BreakManager.h"
#include "Platform/Clock.h"
#include "Views/DurationText.h"
#include "Views/OstavelButton.h"
#include "Views/TextStyle.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QRegularExpression>
#include <QTimer>
#include <QVBoxLayout>

namespace {
QLabel* makeLabel(const QString& text, int pixelSize, QFont::Weight weight, qreal opacity,
                  QWidget* parent, bool monospaced = false)
{
    QFont font =
        monospaced ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QGuiApplication::font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    QColor color(Qt::white);
    color.setAlphaF(float(opacity));
    QLabel* label = makeTextLabel(font, color, parent);
    label->setText(text);
    label->setAlignment(Qt::AlignCenter);
    return label;
}
// The locale's short time without seconds: the line changes only once a minute, and some locales'
// short formats (C among them) carry seconds.
QString shortTimeFormat()
{
    static const QRegularExpression seconds(QStringLiteral("[.:]?s+"));
    return QLocale().timeFormat(QLocale::ShortFormat).remove(seconds);
}
} // namespace

BreakOverlayView::BreakOverlayView(BreakManager& engine, const Clock& clock,
                                   const QString& motivationText, std::function<void()> lockScreen,
                                   QWidget* parent)
    : QWidget(parent)
    , m_engine(engine)
    , m_clock(clock)
    , m_clockLabel(makeLabel({}, 24, QFont::Medium, 0.7, this))
    , m_countdownLabel(makeLabel({}, 96, QFont::Light, 1.0, this, true))
    , m_minuteTimer(new QTimer(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(32);
    layout->addStretch();
    layout->addWidget(m_clockLabel);
    layout->addWidget(makeLabel(motivationText, 48, QFont::Bold, 1.0, this));
    layout->addWidget(m_countdownLabel);

    const OstavelButtonStyle style{OstavelButtonStyle::Size::large, OstavelButtonStyle::Shape::pill,
                                   false};
    auto* skip = new OstavelButton(style, QStringLiteral("Skip"), this);
    auto* lock = new OstavelButton(style, QStringLiteral("Lock Screen"), this);
    connect(skip, &QAbstractButton::clicked, this, [this] { m_engine.skipBreak(); });
    connect(lock, &QAbstractButton::clicked, this, [lockScreen = std::move(lockScreen)] {
        if (lockScreen)
            lockScreen();
    });
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(16);
    buttons->addStretch();
    buttons->addWidget(skip);
    buttons->addWidget(lock);
    buttons->addStretch();
    layout->addLayout(buttons);

    layout->addWidget(makeLabel(hintText, 14, QFont::Normal, 0.5, this));
    layout->addStretch();

    m_minuteTimer->setSingleShot(true);
    m_minuteTimer->setTimerType(Qt::PreciseTimer);
    connect(m_minuteTimer, &QTimer::timeout, this, &BreakOverlayView::updateClock);
    connect(&m_engine, &BreakManager::breakTimeRemainingChanged, this,
            &BreakOverlayView::updateCountdown);
    updateClock();
    updateCountdown();
}

void BreakOverlayView::updateCountdown()
{
    // The engine publishes once a tick; set the text only when it changes, so nothing is redrawn
    // more than once a second.
    const QString text = DurationText::clock(m_engine.breakTimeRemaining());
    if (m_countdownLabel->text() != text)
        m_countdownLabel->setText(text);
}

void BreakOverlayView::updateClock()
{
    const QDateTime now = m_clock.now();
    m_clockLabel->setText(QStringLiteral("It's ") +
                          QLocale().toString(now.time(), shortTimeFormat()));
    const QTime time = now.time();
    const int intoMinute = time.second() * 1000 + time.msec();
    m_minuteTimer->start(60000 - intoMinute);
}
