#pragma once

#include "Platform/Linux/DesktopEntry.h"
#include "Platform/Linux/DesktopEntryParser.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <mutex>

// The applications installed for this user: every valid desktop entry in the XDG application
// folders, the first folder winning for each id (a Hidden entry there hides the id). Built once,
// on first use, then kept; thread-safe. Building reads a few hundred small files, so the first
// use belongs on a background thread. Shared by the running-application resolver and the
// settings' application picker.
class DesktopEntryCatalogue {
public:
    // `applicationDirs` in precedence order; `locale` as for DesktopEntryParser::localizedValue.
    explicit DesktopEntryCatalogue(QStringList applicationDirs = standardApplicationDirs(),
                                   QString locale = DesktopEntryParser::messagesLocale());

    // $XDG_DATA_HOME/applications, then each of $XDG_DATA_DIRS/applications.
    static QStringList standardApplicationDirs();

    // Visible and NoDisplay entries alike (pickers skip noDisplay), sorted by id.
    const QList<DesktopEntry>& entries() const;
    const DesktopEntry* entry(const QString& id) const;
    const DesktopEntry* entryForFile(const QString& filePath) const;
    // The entry whose Exec program or TryExec has this file name ("firefox-esr"). Launchers and
    // interpreters (sh, python3, flatpak, ...) name no entry, since they run many.
    const DesktopEntry* entryForExecutable(const QString& fileName) const;

private:
    void build() const;

    QStringList m_dirs;
    QString m_locale;
    mutable std::once_flag m_built;
    mutable QList<DesktopEntry> m_entries;
    mutable QHash<QString, qsizetype> m_byId;
    mutable QHash<QString, qsizetype> m_byFile;
    mutable QHash<QString, qsizetype> m_byExecutable;
};
