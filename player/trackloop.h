#pragma once

#include "trackplayer.h"

#include <QObject>

#include <optional>

namespace spartiti {

// An A–B loop for practising a passage: once both points are set, the player goes back
// to A each time the track, playing from inside the loop, reaches B. A seek past B
// (of more than LongestPlayedStep) is the user's wish to hear on: the loop waits until
// the track comes back into it. The loop ends when the
// player stops (the user stopped it, another score came, the track ended or failed);
// pausing keeps it.
class TrackLoop : public QObject
{
    Q_OBJECT

public:
    // Shorter loops would send the player back before it has played anything.
    static constexpr qint64 ShortestLoop = 500;
    // A step forward longer than this between two positions heard is a seek, not play.
    static constexpr qint64 LongestPlayedStep = 2000;

    explicit TrackLoop(TrackPlayer &player, QObject *parent = nullptr);

    // A or B at the player's position now. A past B forgets B; B before A makes the two
    // trade places. False (and nothing changes) when the player is stopped or the loop
    // would be shorter than ShortestLoop.
    bool setStart();
    bool setEnd();
    void clear();

    std::optional<qint64> start() const { return m_start; }
    std::optional<qint64> end() const { return m_end; }
    bool isActive() const { return m_start && m_end; }

signals:
    void changed();

private:
    void followPosition(qint64 position);
    void followState(TrackPlayer::State state);

    TrackPlayer &m_player;
    std::optional<qint64> m_start;
    std::optional<qint64> m_end;
    std::optional<qint64> m_previous;   // the position heard last
};

} // namespace spartiti
