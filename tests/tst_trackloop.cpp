// The A–B loop over a player without sound: where it sends the player back, and what it refuses.

#include "fakeplayer.h"
#include "playerwindow.h"
#include "trackloop.h"

#include <QtTest>

using namespace spartiti;
using testsupport::FakePlayer;

namespace {

QString orNone(std::optional<qint64> point) { return point ? QString::number(*point) : QString(); }

} // namespace

class TestTrackLoop : public QObject
{
    Q_OBJECT

private slots:
    void loop_data()
    {
        // Steps: a number moves the track there; A and B set the points, A! and B! refused ones;
        // pause, resume, stop and play act on the player.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("seeks");
        QTest::addColumn<QString>("loop");   // "start-end", a point left empty when not set
        const auto row = [](const char *name, const char *steps, const char *seeks, const char *loop) {
            QTest::newRow(name) << QString(steps) << QString(seeks) << QString(loop);
        };
        row("B sends back at once, then at each pass", "2000 A 2100 6000 B 2500 5900 6050 2100", "2000 2000", "2000-6000");
        row("a seek past B leaves the loop", "1000 A 4000 B 1500 9000 9100 12000", "1000", "1000-4000");
        row("pause keeps the loop", "1000 A 4000 B 3000 pause resume 3900 4100", "1000 1000", "1000-4000");
        row("stop ends the loop", "1000 A 4000 B stop play 3900 4100", "1000", "-");
        row("B without A loops from the start", "4000 B 3900 4000", "0 0", "0-4000");
        row("too short a loop is refused", "1000 A 1200 B! 4000 4100", "", "1000-");
    }
    void loop()
    {
        QFETCH(QString, steps);
        FakePlayer player;
        TrackLoop loop(player);
        player.play(QStringLiteral("1.mp3"));
        for (const QString &step : steps.split(QLatin1Char(' '))) {
            bool isNumber = false;
            const qint64 position = step.toLongLong(&isNumber);
            if (isNumber)
                emit player.positionChanged(player.at = position);
            else if (step.startsWith(QLatin1Char('A')) || step.startsWith(QLatin1Char('B')))
                QVERIFY2((step[0] == QLatin1Char('A') ? loop.setStart() : loop.setEnd()) == !step.endsWith(QLatin1Char('!')),
                         qPrintable(step));
            else
                player.setState(step == QLatin1String("pause")  ? TrackPlayer::State::Paused
                                : step == QLatin1String("stop") ? TrackPlayer::State::Stopped
                                                                : TrackPlayer::State::Playing);
        }
        QTEST(player.seeks.join(QLatin1Char(' ')), "seeks");
        QTEST(orNone(loop.start()) + QLatin1Char('-') + orNone(loop.end()), "loop");
    }
    void clockText()
    {
        for (const auto &[ms, shown] : QList<std::pair<qint64, QString>>{
                 {-5, "0:00"}, {59999, "0:59"}, {3599999, "59:59"}, {3600000, "1:00:00"}, {36061000, "10:01:01"}})
            QCOMPARE(PlayerWindow::clockText(ms), shown);
    }
};

QTEST_GUILESS_MAIN(TestTrackLoop)
#include "tst_trackloop.moc"
