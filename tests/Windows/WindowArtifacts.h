#pragma once

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

// Saves what the X server shows of `window` (with the window manager's frame) into the build's
// test-artifacts folder, for a person to look at.
inline bool saveWindowScreenshot(QWidget* window, const QString& fileName)
{
    if (!window || !QTest::qWaitForWindowExposed(window))
        return false;
    QTest::qWait(300); // the frame and the first paint
    QScreen* screen = window->screen();
    if (!screen)
        return false;
    const QRect frame = window->frameGeometry();
    const QPixmap shot = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    QDir().mkpath(QStringLiteral(OSTAVEL_TEST_ARTIFACTS_DIR));
    return shot.save(QStringLiteral(OSTAVEL_TEST_ARTIFACTS_DIR "/") + fileName);
}
