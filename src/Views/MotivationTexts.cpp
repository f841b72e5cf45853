#include "Views/MotivationTexts.h"

#include <QRandomGenerator>

QString MotivationTexts::pick(bool isLongBreak)
{
    const QStringList& texts = isLongBreak ? longBreak : shortBreak;
    if (texts.isEmpty())
        return QStringLiteral("Time for a Break");
    return texts.at(QRandomGenerator::system()->bounded(int(texts.size())));
}
