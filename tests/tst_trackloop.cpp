// The A–B loop over a player without sound: where it sends the player back, what a seek,
// a pause or a stop do to it, and which points it refuses.

#include "trackloop.h"

#include <QtTest>

using namespace spartiti;

namespace {

// Plays nothing; its position moves when the test says so, and seeks are noted.
class FakePlayer : public TrackPlayer
{
public:
    State current = State::Stopped;
    qint64 at = 0;
    QList<qint64> seeks;

    void play(const QString &) override { setState(State::Playing); }
    void stop() override { setState(State::Stopped); }
    bool isPlaying() const override { return current == State::Playing; }
    State state() const override { return current; }
    void pause() override { setState(State::Paused); }
    void resume() override { setState(State::Playing); }
    qint64 position() const override { return at; }
    void seek(qint64 milliseconds) override
    {
        seeks.append(milliseconds);
        at = milliseconds;
    }
    void moveTo(qint64 milliseconds)
    {
        at = milliseconds;
        emit positionChanged(milliseconds);
    }

private:
    void setState(State state)
    {
        current = state;
        emit stateChanged(state);
    }
};

} // namespace

class TestTrackLoop : public QObject
{
    Q_OBJECT

private slots:
    void loop_data();
    void loop();
};

void TestTrackLoop::loop_data()
{
    // Steps: a number moves the track there; A and B set the points; A! and B! are
    // points the loop must refuse; pause, resume, stop and play act on the player.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QList<qint64>>("seeks");
    QTest::addColumn<qint64>("start");   // -1: none
    QTest::addColumn<qint64>("end");

    QTest::newRow("B sends back at once, then at each pass")
        << "2000 A 2100 6000 B 2500 5900 6050 2100" << QList<qint64>{2000, 2000} << qint64(2000) << qint64(6000);
    QTest::newRow("a seek past B leaves the loop") << "1000 A 4000 B 1500 9000 9100 12000"
                                                   << QList<qint64>{1000} << qint64(1000) << qint64(4000);
    QTest::newRow("from before A the track plays into the loop")
        << "3000 A 6000 B 500 2900 3100 5950 6100" << QList<qint64>{3000, 3000} << qint64(3000) << qint64(6000);
    QTest::newRow("pause keeps the loop") << "1000 A 4000 B 3000 pause resume 3900 4100"
                                          << QList<qint64>{1000, 1000} << qint64(1000) << qint64(4000);
    QTest::newRow("stop ends the loop") << "1000 A 4000 B stop play 3900 4100" << QList<qint64>{1000} << qint64(-1)
                                        << qint64(-1);
    QTest::newRow("B before A trades places") << "5000 A 2000 B 4900 5100" << QList<qint64>{2000} << qint64(2000)
                                              << qint64(5000);
    QTest::newRow("B without A loops from the start") << "4000 B 3900 4000" << QList<qint64>{0, 0} << qint64(0)
                                                      << qint64(4000);
    QTest::newRow("A past B forgets B") << "1000 A 4000 B 5000 A 5100 9000" << QList<qint64>{1000} << qint64(5000)
                                        << qint64(-1);
    QTest::newRow("too short a loop is refused") << "1000 A 1200 B! 4000 4100" << QList<qint64>{} << qint64(1000)
                                                 << qint64(-1);
    QTest::newRow("A just before B is refused") << "1000 A 4000 B 3800 A! 3900 4100" << QList<qint64>{1000, 1000}
                                                << qint64(1000) << qint64(4000);
    QTest::newRow("nothing to set while stopped") << "stop A! B!" << QList<qint64>{} << qint64(-1) << qint64(-1);
}

void TestTrackLoop::loop()
{
    QFETCH(QString, steps);
    QFETCH(QList<qint64>, seeks);
    QFETCH(qint64, start);
    QFETCH(qint64, end);

    FakePlayer player;
    TrackLoop loop(player);
    player.play(QStringLiteral("1.mp3"));
    for (const QString &step : steps.split(QLatin1Char(' '))) {
        bool isNumber = false;
        const qint64 position = step.toLongLong(&isNumber);
        if (isNumber)
            player.moveTo(position);
        else if (step.startsWith(QLatin1Char('A')))
            QVERIFY2(loop.setStart() == !step.endsWith(QLatin1Char('!')), qPrintable(step));
        else if (step.startsWith(QLatin1Char('B')))
            QVERIFY2(loop.setEnd() == !step.endsWith(QLatin1Char('!')), qPrintable(step));
        else if (step == QLatin1String("pause"))
            player.pause();
        else if (step == QLatin1String("resume"))
            player.resume();
        else if (step == QLatin1String("stop"))
            player.stop();
        else if (step == QLatin1String("play"))
            player.play(QStringLiteral("1.mp3"));
    }
    QCOMPARE(player.seeks, seeks);
    QCOMPARE(loop.start().value_or(-1), start);
    QCOMPARE(loop.end().value_or(-1), end);
}

QTEST_GUILESS_MAIN(TestTrackLoop)
#include "tst_trackloop.moc"
