#include "Configuration/UserDefaults.h"

#include <QLoggingCategory>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>
#include <sys/stat.h>

Q_LOGGING_CATEGORY(lcUserDefaults, "com.ostavel.app.UserDefaults")

namespace {
// Far above anything Ostavel stores; a larger file is not ours.
constexpr qint64 maxFileBytes = 16 * 1024 * 1024;

QSettings realStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Ostavel"),
                     QStringLiteral("Ostavel"));
}

// Only what can block or read without end is refused. Whatever cannot be opened at all (missing,
// a folder, no permission) is left to QSettings, which creates the file or reports an access
// error.
bool safeToOpen(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return true;
    return S_ISREG(st.st_mode) && st.st_size <= maxFileBytes;
}

// Main thread only, like every writer of the store: whether the real file is being left alone,
// and whether the last write failed.
bool s_refused = false;
bool s_failing = false;

// Another program of the user can replace the file, or the lock file QSettings takes beside it,
// with a FIFO that nobody writes or a link to /dev/zero; QSettings would block or read without
// end on the main thread. While that is so the real file is left alone: the store runs on a
// scratch file of this run, and no write counts as saved.
bool realFileRefused()
{
    const QString path = UserDefaults::fileName();
    const bool refused = !safeToOpen(path) || !safeToOpen(path + QStringLiteral(".lock"));
    if (refused && !s_refused)
        qCWarning(lcUserDefaults).noquote()
            << "Settings are not read from" << path
            << "(it or its lock file is not a regular file of at most 16 MiB); changes apply only "
               "until Ostavel quits";
    s_refused = refused;
    return refused;
}

QSettings store()
{
    if (!realFileRefused())
        return realStore();
    static std::unique_ptr<QTemporaryDir> scratch;
    if (!scratch)
        scratch = std::make_unique<QTemporaryDir>();
    return QSettings(scratch->filePath(QStringLiteral("Ostavel.conf")), QSettings::NativeFormat);
}

bool finish(QSettings& settings)
{
    settings.sync();
    // FormatError only says that the file held lines QSettings could not parse; the write itself
    // went through. A refused write is AccessError.
    const bool saved = !s_refused && settings.status() != QSettings::AccessError;
    if (saved == !s_failing)
        return saved;
    s_failing = !saved;
    if (saved)
        qCInfo(lcUserDefaults).noquote() << "Settings are saved again to" << settings.fileName();
    else if (!s_refused)
        qCWarning(lcUserDefaults).noquote()
            << "Settings could not be saved to" << settings.fileName()
            << "(the file or its folder cannot be written); changes apply only until Ostavel quits";
    return saved;
}
} // namespace

QVariant UserDefaults::value(const QString& key)
{
    return store().value(key);
}

bool UserDefaults::contains(const QString& key)
{
    return store().contains(key);
}

QStringList UserDefaults::keys(const QString& prefix)
{
    QStringList matching;
    for (const QString& key : store().childKeys()) {
        if (key.startsWith(prefix))
            matching << key;
    }
    return matching;
}

bool UserDefaults::setValue(const QString& key, const QVariant& value)
{
    QSettings settings = store();
    settings.setValue(key, value);
    return finish(settings);
}

bool UserDefaults::remove(const QString& key)
{
    QSettings settings = store();
    settings.remove(key);
    return finish(settings);
}

// Where QSettings puts it, worked out without QSettings, which would open the file.
QString UserDefaults::fileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Ostavel/Ostavel.conf");
}

bool UserDefaults::writesFailing()
{
    return s_failing;
}
