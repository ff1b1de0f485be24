#include "trackplayer.h"

#include "filecause.h"

#include <QAudioOutput>
#include <QDir>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

#include <cerrno>

namespace spartiti {

MediaTrackPlayer::MediaTrackPlayer(QObject *parent)
    : TrackPlayer(parent)
{
}

// The media framework is started on the first play, not at start-up: it looks for a
// sound server, which the editor does not need until a track is asked for.
void MediaTrackPlayer::ensurePlayer()
{
    if (m_player)
        return;
    m_player = new QMediaPlayer(this);
    m_output = new QAudioOutput(this);
    m_player->setAudioOutput(m_output);
    connect(m_player, &QMediaPlayer::playbackStateChanged, this, [this](QMediaPlayer::PlaybackState state) {
        const bool playing = state == QMediaPlayer::PlayingState;
        if (playing != m_playing) {
            m_playing = playing;
            emit playingChanged(playing);
        }
    });
    connect(m_player, &QMediaPlayer::errorOccurred, this, &MediaTrackPlayer::reportError);
}

void MediaTrackPlayer::play(const QString &path)
{
    // Loading and decoding happen in the media framework's own threads: the window
    // never waits for them.
    ensurePlayer();
    m_player->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    m_player->play();
}

void MediaTrackPlayer::stop()
{
    if (m_player)
        m_player->stop();
}

bool MediaTrackPlayer::isPlaying() const
{
    return m_playing;
}

QString MediaTrackPlayer::errorMessage(const QString &path, QMediaPlayer::Error error)
{
    const QFileInfo info(path);
    QString cause;
    if (!info.exists())
        cause = fileErrorCause(ENOENT);
    else if (error == QMediaPlayer::AccessDeniedError || !info.isReadable())
        cause = fileErrorCause(EACCES);
    else if (error == QMediaPlayer::FormatError)
        cause = QStringLiteral("il formato non è supportato o manca il decodificatore MP3");
    else
        cause = QStringLiteral("il file è danneggiato o non contiene audio");
    // Named as the other messages name files, from the working folder.
    const QString relative = QDir().relativeFilePath(path);
    const QString shown = relative.startsWith(QLatin1String("..")) ? path : relative;
    return QStringLiteral("Il file \"%1\" non può essere riprodotto: %2.")
        .arg(QDir::toNativeSeparators(QDir::cleanPath(shown)), cause);
}

void MediaTrackPlayer::reportError()
{
    const QString file = m_player->source().toLocalFile();
    const QMediaPlayer::Error error = m_player->error();
    m_player->stop();
    emit failed(errorMessage(file, error));
}

} // namespace spartiti
