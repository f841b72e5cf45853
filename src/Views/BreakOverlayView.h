#pragma once

#include <QWidget>
#include <functional>

class BreakManager;
class Clock;
class QLabel;
class QTimer;

// What the main screen shows during a break: the time of day, a motivation line, the countdown,
// "Skip" and "Lock Screen", and the double-Tab hint. Transparent itself: the window paints the
// dimmed background. The countdown is redrawn when its text changes (once a second), the clock at
// each minute's start; nothing runs once the view is gone.
class BreakOverlayView : public QWidget {
    Q_OBJECT

public:
    static inline const QString hintText = QStringLiteral("or press \u21E5 Tab twice to skip");

    BreakOverlayView(BreakManager& engine, const Clock& clock, const QString& motivationText,
                     std::function<void()> lockScreen, QWidget* parent = nullptr);

private:
    void updateCountdown();
    void updateClock();

    BreakManager& m_engine;
    const Clock& m_clock;
    QLabel* m_clockLabel;
    QLabel* m_countdownLabel;
    QTimer* m_minuteTimer;
};
