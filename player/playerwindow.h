#pragma once

#include "trackplayer.h"

#include <QList>
#include <QWidget>

class QAction;
class QLabel;
class QSlider;

namespace spartiti {

class TrackDuration;
class TrackLoop;

// The backing track's controls, in a small window beside the editor: play and pause, a
// slider over the track with the time played and the whole time, five seconds back or
// on, and an A–B loop for practising a passage. Its actions go in the editor's "Ascolta"
// menu too, where their keys show. The whole time comes from the media framework, or,
// until it knows it, from the track file's own frames.
class PlayerWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr qint64 Step = 5000;

    PlayerWindow(TrackPlayer &player, QWidget *parent = nullptr);

    TrackLoop *loop() const { return m_loop; }
    // In menu order; a null entry stands for a separator.
    QList<QAction *> menuActions() const;
    // "3:05", or "1:02:03" for an hour or more.
    static QString clockText(qint64 milliseconds);

signals:
    // Play while nothing plays: the editor knows which track belongs to the score on show.
    void startRequested();

private:
    QAction *makeAction(const char *name, const QString &text, const QString &shortText, const QKeySequence &key);
    void togglePause();
    void stepBy(qint64 milliseconds);
    void followState(TrackPlayer::State state);
    void showPosition(qint64 position);
    void showTotal();
    void showLoop();
    void seekToSlider();
    void noteFileDuration(const QString &path, std::optional<qint64> milliseconds);
    qint64 total() const;

    TrackPlayer &m_player;
    TrackLoop *m_loop;
    TrackDuration *m_fileDuration;
    QString m_durationOf;          // the file whose own length was asked for
    qint64 m_fileTotal = 0;
    QAction *m_pause;
    QAction *m_back;
    QAction *m_forward;
    QAction *m_setStart;
    QAction *m_setEnd;
    QAction *m_clearLoop;
    QAction *m_show;
    QLabel *m_file;
    QSlider *m_slider;
    QLabel *m_time;
    QLabel *m_loopLine;
};

} // namespace spartiti
