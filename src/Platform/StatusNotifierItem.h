#pragma once

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QString>
#include <functional>
#include <optional>

// The application's item in a StatusNotifierItem tray: it shows the icon and tooltip it is given
// and reports the host's clicks. Registering with the watcher is asked for whenever a host
// appears (again after a watcher restart); nothing waits for the answer. Main thread.
class StatusNotifierItem {
public:
    // One size of the icon: ARGB32 pixels in network byte order, as the protocol carries them.
    struct Pixmap {
        int width = 0;
        int height = 0;
        QByteArray argb;
    };
    enum class Activation { primary, secondary, context };
    // One entry of a menu that the host draws itself.
    struct MenuEntry {
        enum class Kind { command, text, separator, submenu };
        Kind kind = Kind::command;
        QString label;
        // In QKeySequence's portable text ("Ctrl+Q"); empty for none.
        QString shortcut;
        QList<MenuEntry> children;
        // What choosing a command does; it runs after the host's call has been answered.
        std::function<void()> chosen;
    };

    virtual ~StatusNotifierItem() = default;

    virtual void setIcon(const QList<Pixmap>& sizes, const QString& toolTip) = 0;
    virtual void registerWithWatcher() = 0;
    // Whether the host is handed a menu to draw, with its own keyboard and clicks, instead of
    // reporting clicks for the application's own menu. Fixed for the item's lifetime.
    virtual bool hostDrawsMenu() const = 0;
    // The menu the host draws, now; the host hears of what changed. Ignored unless it draws one.
    virtual void setMenu(const QList<MenuEntry>& entries) = 0;

    // The host's click, with the position it passed when it passed one.
    std::function<void(Activation, std::optional<QPoint>)> onActivated;
    // The watcher accepted the item: its host shows the icon now.
    std::function<void()> onRegistered;
    // The host opened (true) or closed (false) the menu it draws.
    std::function<void(bool)> onMenuShown;
};
