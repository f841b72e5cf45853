#pragma once

#include "Configuration/Configuration.h"

#include <QObject>

// The single owner of the live Configuration. Created first, lives for the whole process, used
// on the main thread only. Every assignment is written to the store before it returns.
class ConfigurationManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(Configuration config READ config WRITE setConfig NOTIFY configChanged)

public:
    explicit ConfigurationManager(QObject* parent = nullptr);

    const Configuration& config() const { return m_config; }
    // Publishes and saves even when the value is unchanged.
    void setConfig(const Configuration& config);

signals:
    void configChanged(const Configuration& config);

private:
    void save();

    Configuration m_config;
};
