#pragma once

#include "Configuration/Configuration.h"

#include <QObject>

// The single owner of the live Configuration. Created first, lives for the whole process, used
// on the main thread only. Every assignment is written to the store before it returns; when the
// store refuses the write the live record still changes, and saveFailed() says so until a later
// save succeeds.
class ConfigurationManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(Configuration config READ config WRITE setConfig NOTIFY configChanged)
    Q_PROPERTY(bool saveFailed READ saveFailed NOTIFY saveFailedChanged)

public:
    explicit ConfigurationManager(QObject* parent = nullptr);

    const Configuration& config() const { return m_config; }
    // Publishes and saves even when the value is unchanged.
    void setConfig(const Configuration& config);

    // The last save did not reach the store.
    bool saveFailed() const { return m_saveFailed; }
    // The outcome of a write of another setting to the same store (launch at login, the update
    // channel), so that the settings window tells of that refusal too.
    void noteSave(bool saved);

signals:
    void configChanged(const Configuration& config);
    void saveFailedChanged(bool failed);

private:
    void keepUnreadable(const QVariant& stored, const QString& why);
    bool keepAside();
    void save();

    Configuration m_config;
    bool m_saveFailed = false;
    // An unreadable stored value not yet kept aside, and the key it goes under.
    QVariant m_unreadable;
    QString m_unreadableKey;
};
