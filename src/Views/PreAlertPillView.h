#pragma once

#include <QWidget>

class BreakManager;
class OstavelButton;
class QLabel;
class SnoozeButton;

// The pre-alert card: whether the coming break is long or short and when it starts, how long the
// user has worked, and Start Now, Snooze, Skip and close, each calling the engine's command.
// The view is the whole panel: the card sits at its top and the window is shaped to the card,
// so the panel's empty rest neither shows nor takes clicks. It redraws when the engine's values
// change and never closes itself (the engine's callbacks do). Main thread.
class PreAlertPillView : public QWidget {
    Q_OBJECT

public:
    static constexpr int panelWidth = 480; // the card's width; see PreAlertWindowController
    static constexpr int panelHeight = 350;
    static constexpr int cornerRadius = 20;
    static inline const QString startNowText = QStringLiteral("Start Now");
    static inline const QString skipText = QStringLiteral("Skip");

    PreAlertPillView(BreakManager& breakManager, bool isCompositing, QWidget* parent = nullptr);

    static QString titleText(bool isNextBreakLong, bool isAwaitingActivityCooldown,
                             double preAlertCountdown);
    static QString reassuranceText(bool isNextBreakLong);
    // Work seconds as whole minutes rounded up ("You have been working for 2 minutes.").
    static QString workText(bool isNextBreakLong, double workSeconds);

    QRect cardRect() const;
    OstavelButton* startNowButton() const { return m_startNow; }
    OstavelButton* skipButton() const { return m_skip; }
    OstavelButton* closeButton() const { return m_close; }
    SnoozeButton* snoozeButton() const { return m_snooze; }
    // Title, reassurance and work line, top to bottom.
    QStringList texts() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    void placeCloseButton();
    void updateShape();

    BreakManager& m_breakManager;
    bool m_isCompositing;
    QWidget* m_card;
    QLabel* m_title;
    QLabel* m_reassurance;
    QLabel* m_work;
    OstavelButton* m_startNow;
    SnoozeButton* m_snooze;
    OstavelButton* m_skip;
    OstavelButton* m_close;
};
