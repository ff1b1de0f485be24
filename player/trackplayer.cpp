#include "trackplayer.h"

#include "filecause.h"

#include <QAudioOutput>
#include <QDir>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

#include <algorithm>
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
    connect(m_player, &QMediaPlayer::playbackStateChanged, this, &MediaTrackPlayer::followState);
    connect(m_player, &QMediaPlayer::positionChanged, this, &TrackPlayer::positionChanged);
    connect(m_player, &QMediaPlayer::durationChanged, this, &TrackPlayer::durationChanged);
    connect(m_player, &QMediaPlayer::errorOccurred, this, &MediaTrackPlayer::reportError);
}

void MediaTrackPlayer::followState(QMediaPlayer::PlaybackState state)
{
    const State now = state == QMediaPlayer::PlayingState  ? State::Playing
                      : state == QMediaPlayer::PausedState ? State::Paused
                                                           : State::Stopped;
    if (now == m_state)
        return;
    const bool wasPlaying = m_state == State::Playing;
    m_state = now;
    emit stateChanged(now);
    if (wasPlaying != (now == State::Playing))
        emit playingChanged(now == State::Playing);
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
    return m_state == State::Playing;
}

void MediaTrackPlayer::pause()
{
    if (m_player && m_state == State::Playing)
        m_player->pause();
}

void MediaTrackPlayer::resume()
{
    if (m_player && m_state == State::Paused)
        m_player->play();
}

qint64 MediaTrackPlayer::position() const
{
    return m_player ? m_player->position() : 0;
}

qint64 MediaTrackPlayer::duration() const
{
    return m_player ? m_player->duration() : 0;
}

void MediaTrackPlayer::seek(qint64 milliseconds)
{
    if (!m_player || m_state == State::Stopped)
        return;
    const qint64 end = m_player->duration();
    m_player->setPosition(std::max<qint64>(0, end > 0 ? std::min(milliseconds, end) : milliseconds));
}

QString MediaTrackPlayer::source() const
{
    return m_player && m_state != State::Stopped ? m_player->source().toLocalFile() : QString();
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
