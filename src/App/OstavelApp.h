#pragma once

#include "App/AppComponents.h"
#include "Platform/Clock.h"

#include <QApplication>
#include <QLockFile>
#include <memory>

class AppDelegate;

// The application type: the one place that picks the platform, wires the Linux implementations
// into the delegate and runs the event loop. Ostavel lives in the tray, so closing its last
// window never quits it.
class OstavelApp : public QApplication {
    Q_OBJECT

public:
    // Call before the application exists. A Wayland session runs Ostavel through XWayland: the
    // tray icon, the override-redirect break windows and the pointer queries all need X11. An
    // explicit QT_QPA_PLATFORM wins.
    static void selectPlatform();

    OstavelApp(int& argc, char** argv);
    ~OstavelApp() override;

    // Builds the delegate, launches it once the event loop runs, and runs the loop. When another
    // instance already runs in this user session, logs so and returns 0 at once instead.
    int run();

    // The lock that keeps one instance per user session: in $XDG_RUNTIME_DIR.
    static QString instanceLockPath();

    // The production parts: Linux implementations behind every interface the delegate uses.
    static AppComponents linuxComponents(const Clock& clock);

private:
    // False when a live instance holds the lock. A lock left by an instance that died is taken
    // over; a lock that cannot be made at all does not keep Ostavel from running.
    bool holdInstanceLock();

    std::unique_ptr<QLockFile> m_instanceLock;
    SystemClock m_clock;
    std::unique_ptr<AppDelegate> m_delegate;
};
