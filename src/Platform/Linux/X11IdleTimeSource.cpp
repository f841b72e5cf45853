#include "Platform/Linux/X11IdleTimeSource.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

struct X11IdleTimeSource::Connection {
    Display* display = nullptr;
    Window root = 0;
    XScreenSaverInfo* info = nullptr;

    ~Connection()
    {
        if (info)
            XFree(info);
        if (display)
            XCloseDisplay(display);
    }
};

std::unique_ptr<X11IdleTimeSource> X11IdleTimeSource::open(const QByteArray& displayName)
{
    auto connection = std::make_unique<Connection>();
    connection->display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!connection->display)
        return nullptr;
    int eventBase = 0;
    int errorBase = 0;
    if (!XScreenSaverQueryExtension(connection->display, &eventBase, &errorBase))
        return nullptr;
    connection->info = XScreenSaverAllocInfo();
    if (!connection->info)
        return nullptr;
    connection->root = DefaultRootWindow(connection->display);

    std::unique_ptr<X11IdleTimeSource> source(new X11IdleTimeSource(std::move(connection)));
    if (!source->idleSeconds())
        return nullptr;
    return source;
}

X11IdleTimeSource::X11IdleTimeSource(std::unique_ptr<Connection> connection)
    : m_connection(std::move(connection))
{
}

X11IdleTimeSource::~X11IdleTimeSource() = default;

std::optional<double> X11IdleTimeSource::idleSeconds()
{
    if (!XScreenSaverQueryInfo(m_connection->display, m_connection->root, m_connection->info))
        return std::nullopt;
    return double(m_connection->info->idle) / 1000.0;
}

QString X11IdleTimeSource::name() const
{
    return QStringLiteral("X11 MIT-SCREEN-SAVER");
}
