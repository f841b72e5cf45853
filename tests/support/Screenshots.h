#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <functional>

// Screenshots for a person to look at, saved into the build's test-artifacts folder
// (OSTAVEL_TEST_ARTIFACTS_DIR) as the X server shows them: with the window manager's frame and
// what a compositor blends in. Main thread only.

// Where `fileName` goes in the artifacts folder, which is made if need be.
inline QString artifactPath(const QString& fileName)
{
    const QString dir = QStringLiteral(OSTAVEL_TEST_ARTIFACTS_DIR);
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + fileName;
}

// `area()` of `screen` (all of it when empty) once the picture has stopped changing: the frame,
// the first paint, a slide and the compositor each come in their own time. Two grabs 100 ms apart
// that match end the wait; after `timeoutMs` the last grab stands.
inline QImage grabSettled(QScreen* screen, const std::function<QRect()>& area = {},
                          int timeoutMs = 5000)
{
    const auto grab = [&] {
        const QRect rect = area ? area() : QRect();
        const QPixmap shot =
            rect.isEmpty() ? screen->grabWindow(0)
                           : screen->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height());
        return shot.toImage().convertToFormat(QImage::Format_RGB32);
    };
    QImage last = grab();
    QElapsedTimer sinceGrab;
    sinceGrab.start();
    (void)QTest::qWaitFor(
        [&] {
            if (sinceGrab.elapsed() < 100)
                return false;
            QImage next = grab();
            sinceGrab.restart();
            const bool settled = next == last;
            last = std::move(next);
            return settled;
        },
        timeoutMs);
    return last;
}

// The whole of `screen` (the primary one when null), saved as `fileName` and returned for checks.
inline QImage saveScreenScreenshot(const QString& fileName, QScreen* screen = nullptr)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QImage shot = grabSettled(screen);
    shot.save(artifactPath(fileName));
    return shot;
}

// `window` with its frame, once shown; false when it is not shown or the file cannot be written.
inline bool saveWindowScreenshot(QWidget* window, const QString& fileName)
{
    if (!window || !QTest::qWaitForWindowExposed(window))
        return false;
    QScreen* screen = window->screen();
    if (!screen)
        return false;
    const QImage shot = grabSettled(screen, [window] { return window->frameGeometry(); });
    return !shot.isNull() && shot.save(artifactPath(fileName));
}
