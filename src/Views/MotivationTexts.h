#pragma once

#include <QString>
#include <QStringList>

// The lines the break overlay shows under the clock, one picked at random per break.
namespace MotivationTexts {
inline const QStringList shortBreak = {
    QStringLiteral("Stand up and stretch!"),     QStringLiteral("Rest your eyes for a moment"),
    QStringLiteral("Take a deep breath"),        QStringLiteral("Roll your shoulders back"),
    QStringLiteral("Look away from the screen"), QStringLiteral("Wiggle your fingers and toes"),
    QStringLiteral("Straighten your posture"),   QStringLiteral("Relax your jaw"),
    QStringLiteral("Unclench your hands"),       QStringLiteral("Blink a few times"),
};
inline const QStringList longBreak = {
    QStringLiteral("Go for a short walk"),
    QStringLiteral("Grab a glass of water"),
    QStringLiteral("Step outside for fresh air"),
    QStringLiteral("Do some light stretching"),
    QStringLiteral("Give your eyes a real break"),
    QStringLiteral("Move around for a bit"),
    QStringLiteral("Take a proper break \u2014 you've earned it"),
    QStringLiteral("Refill your water bottle"),
    QStringLiteral("Walk around the room"),
};

// A uniformly random line of the list for this kind of break.
QString pick(bool isLongBreak);
} // namespace MotivationTexts
