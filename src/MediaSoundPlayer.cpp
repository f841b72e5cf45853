#include "MediaSoundPlayer.h"

#include "AppLog.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

namespace {
// A player whose backend never reports an end is released after this long.
constexpr int playerLifetimeLimitMs = 60'000;
} // namespace

MediaSoundPlayer::MediaSoundPlayer(QString soundsDirectory, QObject* parent)
    : QObject(parent)
    , m_directory(soundsDirectory.isEmpty() ? defaultSoundsDirectory() : std::move(soundsDirectory))
{
}

QString MediaSoundPlayer::defaultSoundsDirectory()
{
    static const QString directory = [] {
        const QString beside = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                               QStringLiteral("/../share/ostavel/sounds"));
        if (QFileInfo(beside).isDir())
            return beside;
        return QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                      QStringLiteral("ostavel/sounds"),
                                      QStandardPaths::LocateDirectory);
    }();
    return directory;
}

int MediaSoundPlayer::activePlayerCount() const
{
    return int(findChildren<QMediaPlayer*>(QString(), Qt::FindDirectChildrenOnly).size());
}

void MediaSoundPlayer::play(const QString& name)
{
    const QString path = m_directory.isEmpty()
                             ? QString()
                             : m_directory + QLatin1Char('/') + name + QStringLiteral(".mp3");
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        qCCritical(lcApp, "Sound file not found: %s.mp3", qUtf8Printable(name));
        return;
    }

    auto* player = new QMediaPlayer(this);
    auto* output = new QAudioOutput(player);
    player->setAudioOutput(output);
    auto release = [player] { player->deleteLater(); };
    connect(player, &QMediaPlayer::mediaStatusChanged, player,
            [release](QMediaPlayer::MediaStatus status) {
                if (status == QMediaPlayer::EndOfMedia || status == QMediaPlayer::InvalidMedia)
                    release();
            });
    connect(player, &QMediaPlayer::errorOccurred, player, release);
    QTimer::singleShot(playerLifetimeLimitMs, player, release);
    player->setSource(QUrl::fromLocalFile(path));
    player->play();
}
