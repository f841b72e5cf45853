#pragma once

#include <QWidget>

class BreakManager;
class QLabel;

// The small dark card that follows the pointer in the last seconds before a break: the countdown
// and one line below it. Display only; it redraws when the engine's countdown or cooldown flag
// changes. Main thread.
class CursorAlertView : public QWidget {
    Q_OBJECT

public:
    static inline const QString subtitle =
        QStringLiteral("A quick break now keeps you focused longer.");

    CursorAlertView(BreakManager& breakManager, bool isCompositing, QWidget* parent = nullptr);

    // "Break starts in 9s" for 9.6 s; the waiting form has no number.
    static QString title(bool isAwaitingActivityCooldown, double cursorAlertCountdown);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();

    BreakManager& m_breakManager;
    bool m_isCompositing;
    QLabel* m_title;
};
