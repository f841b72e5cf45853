#include "Configuration/ConfigurationManager.h"

#include "Configuration/StoreKeys.h"
#include "Configuration/UserDefaults.h"

#include <QDateTime>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcConfigurationManager, "com.ostavel.app.ConfigurationManager")

ConfigurationManager::ConfigurationManager(QObject* parent)
    : QObject(parent)
{
    // Anything unreadable falls back to the defaults as a whole; the stored value is kept aside
    // before the first assignment replaces it.
    const QVariant stored = UserDefaults::value(StoreKeys::configuration);
    if (!stored.isValid())
        return;
    QString why = QStringLiteral("it is not stored as data");
    if (stored.typeId() == QMetaType::QByteArray) {
        if (std::optional<Configuration> decoded =
                Configuration::fromJson(stored.toByteArray(), &why)) {
            m_config = *decoded;
            return;
        }
    }
    keepUnreadable(stored, why);
}

void ConfigurationManager::keepUnreadable(const QVariant& stored, const QString& why)
{
    const QStringList kept = UserDefaults::keys(StoreKeys::configurationUnreadablePrefix);
    QString key;
    for (const QString& earlier : kept) {
        if (UserDefaults::value(earlier) == stored)
            key = earlier;
    }
    const bool keptBefore = !key.isEmpty();
    if (!keptBefore) {
        // A copy of another value kept earlier in the same second keeps its key.
        const QString base =
            StoreKeys::configurationUnreadablePrefix +
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
        key = base;
        for (int n = 2; kept.contains(key); ++n)
            key = base + QLatin1Char('-') + QString::number(n);
        m_unreadable = stored;
        m_unreadableKey = key;
        keepAside();
    }
    qCWarning(lcConfigurationManager).noquote()
        << QStringLiteral("The stored configuration could not be read (%1); Ostavel runs on the "
                          "defaults. The unreadable value is kept under \"%2\" in %3")
               .arg(why, key, UserDefaults::fileName());
}

bool ConfigurationManager::keepAside()
{
    if (m_unreadableKey.isEmpty())
        return true;
    if (!UserDefaults::setValue(m_unreadableKey, m_unreadable))
        return false;
    m_unreadable.clear();
    m_unreadableKey.clear();
    return true;
}

void ConfigurationManager::setConfig(const Configuration& config)
{
    m_config = config;
    // Saved before observers hear of it, so an observer that assigns again has the last word.
    save();
    emit configChanged(m_config);
}

void ConfigurationManager::save()
{
    std::optional<QByteArray> json = m_config.toJson();
    if (!json)
        return;
    // The unreadable value is replaced only once its copy is safe.
    noteSave(keepAside() && UserDefaults::setValue(StoreKeys::configuration, *json));
}

void ConfigurationManager::noteSave(bool saved)
{
    if (saved == !m_saveFailed)
        return;
    m_saveFailed = !saved;
    emit saveFailedChanged(m_saveFailed);
}
