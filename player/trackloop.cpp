#include "trackloop.h"

namespace spartiti {

TrackLoop::TrackLoop(TrackPlayer &player, QObject *parent)
    : QObject(parent)
    , m_player(player)
{
    connect(&m_player, &TrackPlayer::positionChanged, this, &TrackLoop::followPosition);
    connect(&m_player, &TrackPlayer::stateChanged, this, &TrackLoop::followState);
}

bool TrackLoop::setStart()
{
    if (m_player.state() == TrackPlayer::State::Stopped)
        return false;
    const qint64 at = m_player.position();
    if (m_end && *m_end - at < ShortestLoop) {
        if (at < *m_end)
            return false;
        m_end.reset();
    }
    m_start = at;
    emit changed();
    return true;
}

bool TrackLoop::setEnd()
{
    if (m_player.state() == TrackPlayer::State::Stopped)
        return false;
    const qint64 at = m_player.position();
    const qint64 start = m_start.value_or(0);
    if (std::abs(at - start) < ShortestLoop)
        return false;
    m_start = std::min(start, at);
    m_end = std::max(start, at);
    emit changed();
    // B is where the player is now: the passage starts again at once.
    if (at == *m_end) {
        m_previous = *m_start;
        m_player.seek(*m_start);
    }
    return true;
}

void TrackLoop::clear()
{
    const bool had = m_start || m_end;
    m_start.reset();
    m_end.reset();
    if (had)
        emit changed();
}

void TrackLoop::followPosition(qint64 position)
{
    const std::optional<qint64> previous = std::exchange(m_previous, position);
    if (!isActive() || !previous)
        return;
    // Reaching B means playing into it from inside the loop: the position updates come
    // a tenth of a second or so apart, so B itself is rarely heard, and a longer step
    // forward is a seek, which leaves the loop.
    const bool wasInside = *previous >= *m_start && *previous < *m_end;
    const bool played = position - *previous <= LongestPlayedStep;
    if (wasInside && played && position >= *m_end) {
        m_previous = *m_start;
        m_player.seek(*m_start);
    }
}

void TrackLoop::followState(TrackPlayer::State state)
{
    if (state == TrackPlayer::State::Stopped) {
        m_previous.reset();
        clear();
    }
}

} // namespace spartiti
