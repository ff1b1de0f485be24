#pragma once

// A track player that plays nothing: it notes what it was asked to play and where to go,
// and its position moves when a test says so.

#include "trackplayer.h"

#include <QStringList>

namespace testsupport {

class FakePlayer : public spartiti::TrackPlayer
{
public:
    State current = State::Stopped;
    qint64 at = 0;
    QStringList played;
    QStringList seeks;

    void play(const QString &path) override
    {
        played.append(path);
        setState(State::Playing);
    }
    void stop() override { setState(State::Stopped); }
    bool isPlaying() const override { return current == State::Playing; }
    State state() const override { return current; }
    void pause() override { setState(State::Paused); }
    void resume() override { setState(State::Playing); }
    qint64 position() const override { return at; }
    void seek(qint64 milliseconds) override { seeks.append(QString::number(at = milliseconds)); }
    void setState(State state) { emit stateChanged(current = state); }
};

} // namespace testsupport
