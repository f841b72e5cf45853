#pragma once

#include <QDateTime>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <optional>

class BreakManager;
class Clock;

// One screen's cover during a break: a window the window manager does not manage, over the whole
// screen and above everything, titled "Ostavel Break". The main screen's window has the engine,
// takes the keyboard and turns two Tab presses less than 0.4 s apart into a skip; the others never
// take the keyboard and let the mouse through to the windows beneath. Without a compositor the
// dimmed fill is opaque, and an opaque cover takes the clicks that would land on hidden windows.
// A `managed` main window (where only such a window can get the keys) is instead a full-screen,
// undecorated window kept above the others, which the window manager places and activates.
// The others are tool windows of the ToolWindowType kind. Main thread.
class BreakWindow : public QWidget {
    Q_OBJECT

public:
    static inline const QString title = QStringLiteral("Ostavel Break");
    static constexpr qint64 doubleTabMs = 400;

    // `engine` only for the main screen's window, `managed` only for that one.
    BreakWindow(QScreen* screen, BreakManager* engine, const Clock& clock, bool opaque,
                bool managed = false);

    // Null once the screen is gone.
    QScreen* targetScreen() const { return m_screen; }
    bool isMain() const { return m_engine != nullptr; }
    void followScreenGeometry();

signals:
    // The first frame is drawn: the window is mapped and shows something.
    void firstPainted();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void tabPressed();

    // Guarded: a screen removed during a break is freed before the windows follow, and its
    // address may be reused by the next screen.
    QPointer<QScreen> m_screen;
    BreakManager* m_engine;
    const Clock& m_clock;
    bool m_opaque;
    bool m_painted = false;
    // The last Tab press not yet used for a skip.
    std::optional<QDateTime> m_lastTabTime;
};
