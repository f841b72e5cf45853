#include "Configuration/ConfigurationManager.h"

#include "Configuration/StoreKeys.h"
#include "Configuration/UserDefaults.h"

ConfigurationManager::ConfigurationManager(QObject* parent)
    : QObject(parent)
{
    // Anything unreadable falls back to the defaults as a whole; the stored value stays until the
    // first assignment replaces it.
    const QVariant stored = UserDefaults::value(StoreKeys::configuration);
    if (stored.typeId() == QMetaType::QByteArray) {
        if (std::optional<Configuration> decoded = Configuration::fromJson(stored.toByteArray()))
            m_config = *decoded;
    }
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
    if (std::optional<QByteArray> json = m_config.toJson())
        UserDefaults::setValue(StoreKeys::configuration, *json);
}
