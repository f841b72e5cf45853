#pragma once

#include "SoundPlayer.h"

#include <QObject>
#include <QString>

// Plays "<name>.mp3" from the sounds folder with Qt Multimedia: one player per sound, deleted
// when it ends or fails, so sounds may overlap. A missing file is logged and nothing else
// happens.
class MediaSoundPlayer final : public QObject, public SoundPlayer {
    Q_OBJECT

public:
    // Empty: the installed or build-tree folder (defaultSoundsDirectory()).
    explicit MediaSoundPlayer(QString soundsDirectory = {}, QObject* parent = nullptr);

    void play(const QString& name) override;
    QString soundsDirectory() const { return m_directory; }
    // Players still alive; for tests.
    int activePlayerCount() const;

    // <binary>/../share/ostavel/sounds (installed prefix and build tree alike), else the first
    // "ostavel/sounds" folder in the XDG data dirs. Looked up once per process; empty if none.
    static QString defaultSoundsDirectory();

private:
    QString m_directory;
};
