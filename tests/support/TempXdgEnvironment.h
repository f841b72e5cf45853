#pragma once

#include <QString>
#include <QTemporaryDir>

// Points XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME and XDG_RUNTIME_DIR (0700) at fresh
// temporary folders for the object's lifetime, so no test touches the real home. The test mains
// install one for the whole process; a test can make its own to start from empty folders.
class TempXdgEnvironment {
public:
    TempXdgEnvironment();
    ~TempXdgEnvironment();
    TempXdgEnvironment(const TempXdgEnvironment&) = delete;
    TempXdgEnvironment& operator=(const TempXdgEnvironment&) = delete;

    QString root() const { return m_dir.path(); }
    QString configHome() const { return m_dir.path() + QStringLiteral("/config"); }
    QString dataHome() const { return m_dir.path() + QStringLiteral("/data"); }
    QString runtimeDir() const { return m_dir.path() + QStringLiteral("/runtime"); }
    QString settingsFile() const { return configHome() + QStringLiteral("/Ostavel/Ostavel.conf"); }
    QString sessionLogFile() const { return dataHome() + QStringLiteral("/Ostavel/session.log"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_saved[4];
};
