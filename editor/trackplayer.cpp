#include "trackplayer.h"

#include <QAudioOutput>
#include <QDir>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

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

void MediaTrackPlayer::reportError()
{
    const QString file = QDir::toNativeSeparators(m_player->source().toLocalFile());
    m_player->stop();
    emit failed(QStringLiteral("Impossibile riprodurre la base \"%1\": %2")
                    .arg(file, m_player->errorString().isEmpty() ? QStringLiteral("formato non riconosciuto")
                                                                 : m_player->errorString()));
}

} // namespace spartiti
