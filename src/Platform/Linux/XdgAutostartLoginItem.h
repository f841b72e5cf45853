#pragma once

#include "Platform/LoginItem.h"

#include <QString>

// Launch at login through an XDG autostart entry, $XDG_CONFIG_HOME/autostart/ostavel.desktop,
// whose Exec= runs this very binary by its absolute path. Registered means the file exists and
// does not say Hidden=true (the desktop's own way of turning an entry off, which a start-up
// registration respects).
class XdgAutostartLoginItem final : public LoginItem {
public:
    // Defaults: the running binary, and the user's autostart folder.
    explicit XdgAutostartLoginItem(QString executablePath = {}, QString autostartDirectory = {});

    bool registerItem() override;
    bool registerAtStartUp() override;
    bool unregisterItem() override;
    bool isRegistered() const override;

    QString entryPath() const;
    // The complete text written for `executablePath`.
    static QString entryText(const QString& executablePath);
    // One argument of an Exec= line, quoted and escaped as desktop entries require.
    static QString execArgument(const QString& argument);
    // Whether the [Desktop Entry] group of `text` sets Hidden=true.
    static bool isHiddenEntry(const QString& text);

private:
    QString m_executablePath;
    QString m_directory;
};
