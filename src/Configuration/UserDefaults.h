#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

// The one persistent store: QSettings for organisation and application "Ostavel" (native format,
// $XDG_CONFIG_HOME/Ostavel/Ostavel.conf). Each write is synced at once so nothing waits for exit.
// A write answers whether it reached the file; a refused one (full disk, the file replaced by a
// folder) leaves the file as it was and is logged once until a write succeeds again.
namespace UserDefaults {
QVariant value(const QString& key);
bool contains(const QString& key);
// The stored keys that start with `prefix`.
QStringList keys(const QString& prefix);
bool setValue(const QString& key, const QVariant& value);
bool remove(const QString& key);
// The file the store lives in, for messages.
QString fileName();
// The last write did not reach the file.
bool writesFailing();
} // namespace UserDefaults
