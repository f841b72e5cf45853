#pragma once

#include <QSettings>

// QSettings resolves its folder once per process, so tests start clean by clearing the store
// rather than by moving XDG_CONFIG_HOME.
inline void resetUserDefaults()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Ostavel"),
                       QStringLiteral("Ostavel"));
    settings.clear();
    settings.sync();
}
