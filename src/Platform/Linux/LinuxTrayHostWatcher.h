#pragma once

#include "Platform/TrayHostWatcher.h"

#include <QDBusConnection>
#include <memory>

class QDBusServiceWatcher;
class XEmbedTrayWatcher;

// Tray hosts on a Linux desktop. A StatusNotifierItem host counts while a watcher owns
// org.kde.StatusNotifierWatcher and reports IsStatusNotifierHostRegistered, or has announced
// StatusNotifierHostRegistered since it appeared; an XEmbed tray counts while someone owns the
// tray selection (XEmbedTrayWatcher), once the bus has answered. The bus is asked asynchronously
// and heard through signals.
class LinuxTrayHostWatcher final : public TrayHostWatcher {
    Q_OBJECT

public:
    explicit LinuxTrayHostWatcher(QDBusConnection bus = QDBusConnection::sessionBus(),
                                  QObject* parent = nullptr);
    ~LinuxTrayHostWatcher() override;

    bool hasStatusNotifierHost() const override { return m_statusNotifierHost; }
    bool hasXEmbedTray() const override;

private slots:
    void onHostRegistered();
    void onHostUnregistered();

private:
    void askWhetherHostRegistered();
    void answered(bool hostRegistered);
    void setStatusNotifierHost(bool present);

    QDBusConnection m_bus;
    QDBusServiceWatcher* m_serviceWatcher = nullptr;
    bool m_statusNotifierHost = false;
    // Answers to earlier questions are dropped once the watcher has changed hands.
    int m_question = 0;
    bool m_asking = false;
    std::unique_ptr<XEmbedTrayWatcher> m_xembed;
};
