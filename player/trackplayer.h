#pragma once

#include <QMediaPlayer>
#include <QObject>
#include <QString>

class QAudioOutput;

namespace spartiti {

// Plays a score's backing track on request. The editor talks to this interface, so that
// tests can follow play, stop and failures without a sound device. Pausing, the position
// and seeking have do-nothing defaults: a player that only plays and stops still fits.
class TrackPlayer : public QObject
{
    Q_OBJECT

public:
    enum class State { Stopped, Playing, Paused };
    Q_ENUM(State)

    using QObject::QObject;

    // Plays `path` from its start.
    virtual void play(const QString &path) = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;

    virtual State state() const { return isPlaying() ? State::Playing : State::Stopped; }
    virtual void pause() {}
    virtual void resume() {}
    // Milliseconds from the start of the track; duration() is 0 while unknown.
    virtual qint64 position() const { return 0; }
    virtual qint64 duration() const { return 0; }
    virtual void seek(qint64 milliseconds) { Q_UNUSED(milliseconds); }
    // The file playing or paused; empty when stopped.
    virtual QString source() const { return {}; }

signals:
    void playingChanged(bool playing);
    void stateChanged(spartiti::TrackPlayer::State state);
    void positionChanged(qint64 milliseconds);
    void durationChanged(qint64 milliseconds);
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
    State state() const override { return m_state; }
    void pause() override;
    void resume() override;
    qint64 position() const override;
    qint64 duration() const override;
    void seek(qint64 milliseconds) override;
    QString source() const override;

    // The message for a track the media framework refused. The framework's own text is
    // English and technical ("Internal data stream error."), so it is left out.
    static QString errorMessage(const QString &path, QMediaPlayer::Error error);

private:
    void ensurePlayer();
    void reportError();
    void followState(QMediaPlayer::PlaybackState state);

    QMediaPlayer *m_player = nullptr;
    QAudioOutput *m_output = nullptr;
    State m_state = State::Stopped;
};

} // namespace spartiti
