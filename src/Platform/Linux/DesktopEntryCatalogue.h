#pragma once

#include "Platform/Linux/DesktopEntry.h"
#include "Platform/Linux/DesktopEntryParser.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QStringList>
#include <memory>
#include <optional>

// The applications installed for this user: every valid desktop entry in the XDG application
// folders, the first folder winning for each id (a Hidden entry there hides the id). Built on
// first use, then kept until rebuild(); thread-safe. Building reads a few hundred small files,
// so it belongs on a background thread. Shared by the running-application resolver and the
// settings' application picker; DesktopEntryCatalogueWatcher rebuilds it when a folder changes.
class DesktopEntryCatalogue {
public:
    // `applicationDirs` in precedence order; `locale` as for DesktopEntryParser::localizedValue.
    explicit DesktopEntryCatalogue(QStringList applicationDirs = standardApplicationDirs(),
                                   QString locale = DesktopEntryParser::messagesLocale());

    // $XDG_DATA_HOME/applications, then each of $XDG_DATA_DIRS/applications.
    static QStringList standardApplicationDirs();
    const QStringList& applicationDirs() const { return m_dirs; }

    // Visible and NoDisplay entries alike (pickers skip noDisplay), sorted by id.
    QList<DesktopEntry> entries() const;
    std::optional<DesktopEntry> entry(const QString& id) const;
    std::optional<DesktopEntry> entryForFile(const QString& filePath) const;
    // The entry whose Exec program or TryExec has this file name ("firefox-esr"). Launchers and
    // interpreters (sh, python3, flatpak, ...) name no entry, since they run many.
    std::optional<DesktopEntry> entryForExecutable(const QString& fileName) const;

    // Reads the folders again, unless nothing was ever asked (the first use reads them anyway).
    // Lookups answer from the old contents until the new ones are complete. Const: what is
    // installed is the catalogue's to know, whoever holds it.
    void rebuild() const;
    // Grows with every rebuild, so that answers derived from the catalogue can be dropped.
    quint64 generation() const;

private:
    struct Index;
    std::shared_ptr<const Index> index() const;
    std::shared_ptr<const Index> build() const;

    QStringList m_dirs;
    QString m_locale;
    mutable QMutex m_mutex;
    mutable std::shared_ptr<const Index> m_index;
    mutable quint64 m_generation = 0;
    // One build at a time, so that a later rebuild never loses to an earlier one.
    mutable QMutex m_buildMutex;
};
