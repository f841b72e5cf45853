#include "Configuration/UserDefaults.h"

#include <QLoggingCategory>
#include <QSettings>

Q_LOGGING_CATEGORY(lcUserDefaults, "com.ostavel.app.UserDefaults")

namespace {
QSettings store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Ostavel"),
                     QStringLiteral("Ostavel"));
}

// Main thread only, like every writer of the store.
bool s_failing = false;

bool finish(QSettings& settings)
{
    settings.sync();
    // FormatError only says that the file held lines QSettings could not parse; the write itself
    // went through. A refused write is AccessError.
    const bool saved = settings.status() != QSettings::AccessError;
    if (saved == !s_failing)
        return saved;
    s_failing = !saved;
    if (saved)
        qCInfo(lcUserDefaults).noquote() << "Settings are saved again to" << settings.fileName();
    else
        qCWarning(lcUserDefaults).noquote()
            << "Settings could not be saved to" << settings.fileName()
            << "(the file or its folder cannot be written); changes apply only until Ostavel quits";
    return saved;
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

QStringList UserDefaults::keys(const QString& prefix)
{
    QStringList matching;
    for (const QString& key : store().childKeys()) {
        if (key.startsWith(prefix))
            matching << key;
    }
    return matching;
}

bool UserDefaults::setValue(const QString& key, const QVariant& value)
{
    QSettings settings = store();
    settings.setValue(key, value);
    return finish(settings);
}

bool UserDefaults::remove(const QString& key)
{
    QSettings settings = store();
    settings.remove(key);
    return finish(settings);
}

QString UserDefaults::fileName()
{
    return store().fileName();
}
