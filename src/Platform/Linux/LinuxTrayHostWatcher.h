#pragma once

#include "Platform/TrayHostWatcher.h"

#include <QDBusConnection>
#include <memory>

class QDBusServiceWatcher;
class XEmbedTrayWatcher;

// Tray hosts on a Linux desktop. A StatusNotifierItem host counts while a watcher owns
// org.kde.StatusNotifierWatcher and reports IsStatusNotifierHostRegistered; its host signals only
// make us ask again. An XEmbed tray counts while someone owns the tray selection
// (XEmbedTrayWatcher), once the bus has answered. The bus is asked asynchronously.
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
    // The question in flight, if any, and whether signals came in since it was asked.
    int m_asking = -1;
    bool m_askAgain = false;
    // Whether the bus has answered since the watcher changed hands (no bus: nothing to wait for).
    bool m_hostKnown = true;
    std::unique_ptr<XEmbedTrayWatcher> m_xembed;
};
