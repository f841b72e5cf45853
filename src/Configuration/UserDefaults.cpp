#include "Configuration/UserDefaults.h"

#include <QSettings>

namespace {
QSettings store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Ostavel"),
                     QStringLiteral("Ostavel"));
}
} // namespace

QVariant UserDefaults::value(const QString& key)
{
    return store().value(key);
}

bool UserDefaults::contains(const QString& key)
{
    return store().contains(key);
}

void UserDefaults::setValue(const QString& key, const QVariant& value)
{
    QSettings settings = store();
    settings.setValue(key, value);
    settings.sync();
}

void UserDefaults::remove(const QString& key)
{
    QSettings settings = store();
    settings.remove(key);
    settings.sync();
}
