#include "TempXdgEnvironment.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace {
const char* const variables[4] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                  "XDG_RUNTIME_DIR"};
}

TempXdgEnvironment::TempXdgEnvironment()
{
    const QString folders[4] = {configHome(), dataHome(), m_dir.path() + QStringLiteral("/cache"),
                                runtimeDir()};
    for (int i = 0; i < 4; ++i) {
        m_saved[i] = qgetenv(variables[i]);
        QDir().mkpath(folders[i]);
        qputenv(variables[i], QFile::encodeName(folders[i]));
    }
    QFile::setPermissions(runtimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TempXdgEnvironment::~TempXdgEnvironment()
{
    for (int i = 0; i < 4; ++i) {
        if (m_saved[i].isNull())
            qunsetenv(variables[i]);
        else
            qputenv(variables[i], m_saved[i]);
    }
}
