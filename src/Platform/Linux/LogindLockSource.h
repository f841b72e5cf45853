#pragma once

#include "Platform/ScreenLockSource.h"

#include <QDBusConnection>
#include <QVariantMap>
#include <optional>

// Follows the LockedHint property of this user's logind session, which lock screens set on most
// desktops. The session is looked up asynchronously ("auto": ours, or the user's display
// session), so construction never waits on the system bus; until the answer arrives nothing is
// followed.
class LogindLockSource final : public ScreenLockSource {
    Q_OBJECT

public:
    // The bus is the system bus in production; tests pass a private one.
    explicit LogindLockSource(QDBusConnection bus, QObject* parent = nullptr);
    ~LogindLockSource() override;

    bool isFollowingSession() const { return !m_sessionPath.isEmpty(); }

    // The new LockedHint from one PropertiesChanged signal, when it carries one for a session.
    static std::optional<bool> lockedHintChange(const QString& interface,
                                                const QVariantMap& changed);

private slots:
    void onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated);

private:
    void followSession(const QString& sessionPath);

    QDBusConnection m_bus;
    QString m_sessionPath;
};
