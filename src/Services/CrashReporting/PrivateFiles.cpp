#include "Services/CrashReporting/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
constexpr QFile::Permissions folderMode = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions fileMode = QFile::ReadOwner | QFile::WriteOwner;
} // namespace

namespace PrivateFiles {

bool makeFolder(const QString& folder)
{
    return QDir().mkpath(folder) && QFile::setPermissions(folder, folderMode);
}

void restrictFolder(const QString& folder)
{
    if (!QFileInfo(folder).isDir())
        return;
    QFile::setPermissions(folder, folderMode);
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks))
        QFile::setPermissions(dir.filePath(name), fileMode);
}

} // namespace PrivateFiles
