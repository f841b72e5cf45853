#pragma once

#include "Windows/WindowController.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <memory>

class BreakManager;
class BreakWindow;
class Clock;
class CompositingState;
class KeyboardFocus;
class QScreen;
class ScreenLocker;

// Covers every screen while a break runs: show() puts one BreakWindow on each screen, in
// QGuiApplication::screens() order, the primary one with the break view, and fades them in;
// dismiss() fades them out and removes them. While shown, screens that come or go get or lose
// their window. Between breaks it holds no window, timer or connection. Main thread.
class BreakWindowController final : public QObject, public WindowController {
    Q_OBJECT

public:
    static constexpr int fadeInMs = 400;
    static constexpr int fadeOutMs = 300;

    BreakWindowController(BreakManager& engine, const Clock& clock,
                          std::unique_ptr<ScreenLocker> locker,
                          std::unique_ptr<KeyboardFocus> keyboardFocus,
                          std::shared_ptr<const CompositingState> compositing);
    ~BreakWindowController() override;

    void show() override;
    void dismiss() override;

    // The windows of the overlay that is up, in screen order; empty while hidden or fading out.
    QList<BreakWindow*> windows() const;

private:
    void syncScreens();
    void scheduleSync();
    BreakWindow* makeWindow(QScreen* screen, bool isMain);
    void fadeIn(BreakWindow* window);
    void takeKeyboard(BreakWindow* window);
    void lockScreen();
    void disconnectScreens();

    BreakManager& m_engine;
    const Clock& m_clock;
    std::unique_ptr<ScreenLocker> m_locker;
    std::unique_ptr<KeyboardFocus> m_keyboardFocus;
    std::shared_ptr<const CompositingState> m_compositing;

    QList<QPointer<BreakWindow>> m_windows;
    QString m_motivationText;
    bool m_opaque = false;
    bool m_syncPending = false;
    // From show() to every window's first frame, for the log.
    QElapsedTimer m_showTimer;
    int m_unpaintedWindows = 0;
    qint64 m_mappedMs = 0;
    QList<QMetaObject::Connection> m_screenConnections;
};
