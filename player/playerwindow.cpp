#include "playerwindow.h"

#include "trackduration.h"
#include "trackloop.h"

#include <QAction>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QToolButton>

#include <climits>

namespace spartiti {

PlayerWindow::PlayerWindow(TrackPlayer &player, QWidget *parent)
    : QWidget(parent, Qt::Tool)
    , m_player(player)
    , m_loop(new TrackLoop(player, this))
    , m_fileDuration(new TrackDuration(this))
{
    setObjectName(QStringLiteral("lettore"));
    setWindowTitle(QStringLiteral("Base dello spartito"));
    // Shown when a track starts, without taking the keys from the editor.
    setAttribute(Qt::WA_ShowWithoutActivating);

    m_pause = makeAction("pausa", QStringLiteral("&Pausa"), QStringLiteral("Pausa"), QKeySequence(Qt::Key_F8));
    m_back = makeAction("indietro", QStringLiteral("&Indietro di 5 secondi"), QStringLiteral("−5 s"),
                        QKeySequence(Qt::ALT | Qt::Key_Left));
    m_forward = makeAction("avanti", QStringLiteral("A&vanti di 5 secondi"), QStringLiteral("+5 s"),
                           QKeySequence(Qt::ALT | Qt::Key_Right));
    m_setStart = makeAction("puntoA", QStringLiteral("Inizio della ripetizione (punto &A)"), QStringLiteral("A"),
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    m_setEnd = makeAction("puntoB", QStringLiteral("&Fine della ripetizione (punto B)"), QStringLiteral("B"),
                          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B));
    m_clearLoop = makeAction("togliRipetizione", QStringLiteral("&Togli la ripetizione A–B"),
                             QStringLiteral("Togli A–B"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X));
    m_show = makeAction("mostraLettore", QStringLiteral("Mostra il &lettore"), QString(),
                        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    connect(m_pause, &QAction::triggered, this, &PlayerWindow::togglePause);
    connect(m_back, &QAction::triggered, this, [this] { stepBy(-Step); });
    connect(m_forward, &QAction::triggered, this, [this] { stepBy(Step); });
    connect(m_setStart, &QAction::triggered, m_loop, &TrackLoop::setStart);
    connect(m_setEnd, &QAction::triggered, m_loop, &TrackLoop::setEnd);
    connect(m_clearLoop, &QAction::triggered, m_loop, &TrackLoop::clear);
    connect(m_show, &QAction::triggered, this, [this] {
        show();
        raise();
        activateWindow();
    });

    m_file = new QLabel(this);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("posizione"));
    m_slider->setAccessibleName(QStringLiteral("Posizione nella base"));
    m_slider->setSingleStep(int(Step));
    m_slider->setPageStep(int(6 * Step));
    m_slider->setMinimumWidth(320);
    m_time = new QLabel(this);
    m_time->setObjectName(QStringLiteral("tempo"));
    m_loopLine = new QLabel(this);
    m_loopLine->setObjectName(QStringLiteral("ripetizione"));
    // Dragging seeks once, where the thumb is let go; keys and clicks on the groove at once.
    connect(m_slider, &QSlider::sliderReleased, this, &PlayerWindow::seekToSlider);
    connect(m_slider, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove)
            seekToSlider();
    });

    auto *buttons = new QHBoxLayout;
    for (QAction *action : {m_pause, m_back, m_forward, m_setStart, m_setEnd, m_clearLoop}) {
        auto *button = new QToolButton(this);
        button->setDefaultAction(action);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    auto *layout = new QGridLayout(this);
    layout->addWidget(m_file, 0, 0, 1, 2);
    layout->addWidget(m_slider, 1, 0);
    layout->addWidget(m_time, 1, 1);
    layout->addLayout(buttons, 2, 0, 1, 2);
    layout->addWidget(m_loopLine, 3, 0, 1, 2);

    connect(&m_player, &TrackPlayer::stateChanged, this, &PlayerWindow::followState);
    connect(&m_player, &TrackPlayer::positionChanged, this, &PlayerWindow::showPosition);
    connect(&m_player, &TrackPlayer::durationChanged, this, &PlayerWindow::showTotal);
    connect(m_fileDuration, &TrackDuration::durationRead, this, &PlayerWindow::noteFileDuration);
    connect(m_loop, &TrackLoop::changed, this, &PlayerWindow::showLoop);
    followState(m_player.state());
    showLoop();
}

QAction *PlayerWindow::makeAction(const char *name, const QString &text, const QString &shortText,
                                  const QKeySequence &key)
{
    auto *action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortText.isEmpty())
        action->setIconText(shortText);
    action->setShortcut(key);
    action->setToolTip(QStringLiteral("%1 (%2)").arg(QString(text).remove(QLatin1Char('&')),
                                                     key.toString(QKeySequence::NativeText)));
    // The keys work in this window as well as in the editor's menu.
    addAction(action);
    return action;
}

QList<QAction *> PlayerWindow::menuActions() const
{
    return {m_pause, m_back, m_forward, nullptr, m_setStart, m_setEnd, m_clearLoop, nullptr, m_show};
}

QString PlayerWindow::clockText(qint64 milliseconds)
{
    const qint64 seconds = std::max<qint64>(0, milliseconds) / 1000;
    const QChar zero = QLatin1Char('0');
    if (seconds < 3600)
        return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, zero);
    return QStringLiteral("%1:%2:%3").arg(seconds / 3600).arg(seconds / 60 % 60, 2, 10, zero).arg(seconds % 60, 2, 10, zero);
}

void PlayerWindow::togglePause()
{
    switch (m_player.state()) {
    case TrackPlayer::State::Playing:
        m_player.pause();
        break;
    case TrackPlayer::State::Paused:
        m_player.resume();
        break;
    case TrackPlayer::State::Stopped:
        emit startRequested();
        break;
    }
}

void PlayerWindow::stepBy(qint64 milliseconds)
{
    const qint64 end = total();
    qint64 target = std::max<qint64>(0, m_player.position() + milliseconds);
    if (end > 0)
        target = std::min(target, end);
    m_player.seek(target);
}

void PlayerWindow::seekToSlider()
{
    m_player.seek(m_slider->sliderPosition());
}

void PlayerWindow::followState(TrackPlayer::State state)
{
    const bool stopped = state == TrackPlayer::State::Stopped;
    m_pause->setText(state == TrackPlayer::State::Playing ? QStringLiteral("&Pausa")
                     : stopped                             ? QStringLiteral("Ri&produci")
                                                           : QStringLiteral("Ri&prendi"));
    m_pause->setIconText(QString(m_pause->text()).remove(QLatin1Char('&')));
    for (QAction *action : {m_back, m_forward, m_setStart, m_setEnd})
        action->setEnabled(!stopped);
    m_slider->setEnabled(!stopped);
    const QString path = m_player.source();
    if (!stopped && path != m_durationOf) {
        m_durationOf = path;
        m_fileTotal = 0;
        m_fileDuration->read(path);
    }
    m_file->setText(stopped ? QStringLiteral("Nessuna base in ascolto")
                            : QStringLiteral("Base: %1").arg(QFileInfo(path).fileName()));
    showTotal();
    showPosition(stopped ? 0 : m_player.position());
}

void PlayerWindow::noteFileDuration(const QString &path, std::optional<qint64> milliseconds)
{
    if (path != m_durationOf)
        return;
    m_fileTotal = milliseconds.value_or(0);
    showTotal();
}

qint64 PlayerWindow::total() const
{
    return m_player.duration() > 0 ? m_player.duration() : m_fileTotal;
}

void PlayerWindow::showTotal()
{
    m_slider->setRange(0, int(std::min<qint64>(total(), INT_MAX)));
    showPosition(m_player.state() == TrackPlayer::State::Stopped ? 0 : m_player.position());
}

void PlayerWindow::showPosition(qint64 position)
{
    // The thumb stays where the user holds it.
    if (!m_slider->isSliderDown())
        m_slider->setValue(int(std::min<qint64>(position, INT_MAX)));
    const qint64 whole = total();
    m_time->setText(QStringLiteral("%1 / %2").arg(clockText(position),
                                                  whole > 0 ? clockText(whole) : QStringLiteral("-:--")));
}

void PlayerWindow::showLoop()
{
    m_clearLoop->setEnabled(m_loop->start() || m_loop->end());
    if (m_loop->isActive())
        m_loopLine->setText(QStringLiteral("Ripetizione da %1 a %2")
                                .arg(clockText(*m_loop->start()), clockText(*m_loop->end())));
    else if (m_loop->start())
        m_loopLine->setText(QStringLiteral("Punto A a %1: manca il punto B").arg(clockText(*m_loop->start())));
    else
        m_loopLine->setText(QStringLiteral("Nessuna ripetizione"));
}

} // namespace spartiti
