#pragma once

#include <QMediaPlayer>
#include <QObject>
#include <QString>

class QAudioOutput;

namespace spartiti {

// Plays a score's backing track on request. The editor talks to this interface, so that
// tests can follow play, stop and failures without a sound device.
class TrackPlayer : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void play(const QString &path) = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;

signals:
    void playingChanged(bool playing);
    // A short explanation in Italian of why the track cannot be played.
    void failed(const QString &message);
};

// The real player, on Qt Multimedia (GStreamer on Linux).
class MediaTrackPlayer : public TrackPlayer
{
    Q_OBJECT

public:
    explicit MediaTrackPlayer(QObject *parent = nullptr);

    void play(const QString &path) override;
    void stop() override;
    bool isPlaying() const override;

    // The message for a track the media framework refused. The framework's own text is
    // English and technical ("Internal data stream error."), so it is left out.
    static QString errorMessage(const QString &path, QMediaPlayer::Error error);

private:
    void ensurePlayer();
    void reportError();

    QMediaPlayer *m_player = nullptr;
    QAudioOutput *m_output = nullptr;
    bool m_playing = false;
};

} // namespace spartiti
