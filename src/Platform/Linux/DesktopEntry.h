#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

// One application from a desktop-entry file.
struct DesktopEntry {
    // The desktop-file id: the path below the applications folder, '/' turned into '-', without
    // ".desktop" ("org.gnome.Terminal", "kde4-konsole").
    QString id;
    QString filePath;
    // Name in the catalogue's locale.
    QString name;
    QString icon;
    // The Exec key, unescaped, and the program it runs (the first argument after `env` and its
    // assignments); empty when the entry is only D-Bus activatable.
    QString exec;
    QString program;
    QString tryExec;
    // The Flatpak application id of an exported Flatpak entry.
    QString flatpakId;
    // Not to be offered in menus or pickers, but still an application.
    bool noDisplay = false;
    // Deleted: the id exists only to hide entries of the same id from later folders.
    bool hidden = false;

    // The [Desktop Entry] group of an Application. A Hidden=true file gives a hidden entry
    // whatever else it holds; other files need Type=Application and a Name. Nothing for text
    // that is not a valid desktop entry.
    static std::optional<DesktopEntry> parse(QByteArrayView text, const QString& id,
                                             const QString& locale);
};
