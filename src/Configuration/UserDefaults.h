#pragma once

#include <QString>
#include <QVariant>

// The one persistent store: QSettings for organisation and application "Ostavel" (native format,
// $XDG_CONFIG_HOME/Ostavel/Ostavel.conf). Each write is synced at once so nothing waits for exit.
namespace UserDefaults {
QVariant value(const QString& key);
bool contains(const QString& key);
void setValue(const QString& key, const QVariant& value);
void remove(const QString& key);
} // namespace UserDefaults
