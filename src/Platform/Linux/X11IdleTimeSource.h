#pragma once

#include "Platform/IdleTimeSource.h"

#include <QByteArray>
#include <memory>

// Idle time from the X server's MIT-SCREEN-SAVER extension. Holds its own X connection for its
// whole life (never one per read); use it on one thread only. Under XWayland it sees only input
// to X clients.
class X11IdleTimeSource final : public IdleTimeSource {
public:
    // Null when the display cannot be opened or lacks the extension. An empty name means $DISPLAY.
    static std::unique_ptr<X11IdleTimeSource> open(const QByteArray& displayName = {});
    ~X11IdleTimeSource() override;
    X11IdleTimeSource(const X11IdleTimeSource&) = delete;
    X11IdleTimeSource& operator=(const X11IdleTimeSource&) = delete;

    std::optional<double> idleSeconds() override;
    QString name() const override;

private:
    struct Connection;
    explicit X11IdleTimeSource(std::unique_ptr<Connection> connection);

    std::unique_ptr<Connection> m_connection;
};
