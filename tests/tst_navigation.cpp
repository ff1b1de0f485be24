#include "archive.h"
#include "editorfixture.h"
#include "search.h"
#include "trackplayer.h"

using namespace spartiti;
using testsupport::archiveBytes;
using testsupport::writeFile;

namespace {

// Follows what the editor asks of a player, without sound.
class FakePlayer : public TrackPlayer
{
public:
    QStringList played;
    bool playing = false;
    void play(const QString &path) override
    {
        played.append(path);
        playing = true;
        emit playingChanged(true);
    }
    void stop() override
    {
        playing = false;
        emit playingChanged(false);
    }
    bool isPlaying() const override { return playing; }
};

const QList<QList<QByteArray>> catalogueRecords = {
    {"Perch\xe8 no", "Verdi, Giuseppe", "aria opera", "2"},
    {"La donna \xe8 mobile", "Verdi, Giuseppe", "aria tenore rigoletto", "2"},
    {"Funicul\xec funicul\xe0", "Denza, Luigi", "canzone napoletana", "3"},
    {"Per Elisa 1", "Beethoven, Ludwig van", "pianoforte", "1"},
    {"Per Elisa 2", "Beethoven, Ludwig van", "pianoforte", "1"},
};

} // namespace

class TestNavigation : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { testsupport::verifyNoWindowOpen(); }
    void searchMatching_data();
    void searchMatching();
    void searchListMovesSelector();
    void keyboardMovesAtTheEnds();
    void playStopAndStopOnMove();
};

void TestNavigation::searchMatching_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("accent ignored") << QStringLiteral("perche") << QList<int>{1};
    QTest::newRow("accent in query too") << QStringLiteral("PERCHÉ") << QList<int>{1};
    QTest::newRow("case ignored, author") << QStringLiteral("verdi") << QList<int>{1, 2};
    QTest::newRow("several words across fields") << QStringLiteral("verdi tenore") << QList<int>{2};
    QTest::newRow("tags") << QStringLiteral("napoletana") << QList<int>{3};
    QTest::newRow("grave accents") << QStringLiteral("funiculi funicula") << QList<int>{3};
    QTest::newRow("multi-page score") << QStringLiteral("elisa") << QList<int>{4, 5};
    QTest::newRow("no match") << QStringLiteral("mozart") << QList<int>{};
    QTest::newRow("blank query") << QStringLiteral("   ") << QList<int>{};
}

void TestNavigation::searchMatching()
{
    QFETCH(QString, query);
    testsupport::WorkingFolder folder;
    writeFile(paths::archive(), archiveBytes(catalogueRecords));
    ScoreCatalogue catalogue;
    QVERIFY(!readArchive(catalogue, paths::archive()));
    ScoreSearch search(catalogue);
    QTEST(search.find(query), "expected");

    // A title changed afterwards is found once the index is told.
    catalogue.setValue(ScoreCatalogue::Field::Title, 5, QStringLiteral("Mozart"));
    search.invalidate();
    QCOMPARE(search.find(QStringLiteral("mozart")), QList<int>{5});
}

void TestNavigation::searchListMovesSelector()
{
    testsupport::EditorFixture e(archiveBytes(catalogueRecords));
    QVERIFY(e.load());
    QLineEdit *field = e.form->searchField();
    QTest::keyClicks(field, QStringLiteral("beethoven"));
    QCOMPARE(e.form->searchMatches(), (QList<int>{4, 5}));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(e.selector()->value(), 4);
    QCOMPARE(e.state.currentNumber(), 4);
    QCOMPARE(e.field("Text2")->text(), QStringLiteral("Per Elisa 1"));
}

void TestNavigation::keyboardMovesAtTheEnds()
{
    testsupport::EditorFixture e(archiveBytes(testsupport::numberedRecords(15)));
    QVERIFY(e.load());
    QVERIFY(e.activate());
    QScrollBar *selector = e.selector();
    QLineEdit *title = e.field("Text2");
    auto &notifier = e.notifier;
    auto &state = e.state;
    title->setFocus();

    QTest::keyClick(title, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(selector->value(), 16);   // the empty record past the last
    QTest::keyClick(title, Qt::Key_PageDown);
    QCOMPARE(selector->value(), 16);
    QTest::keyClick(title, Qt::Key_PageUp);
    QCOMPARE(selector->value(), 6);
    QTest::keyClick(title, Qt::Key_PageUp);
    QCOMPARE(selector->value(), 1);
    QTest::keyClick(title, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(selector->value(), 1);

    notifier.number = 12;
    QTest::keyClick(title, Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(selector->value(), 12);
    QCOMPARE(title->text(), QStringLiteral("Titolo 12"));
    notifier.number.reset();
    QTest::keyClick(title, Qt::Key_G, Qt::ControlModifier);   // cancelled
    QCOMPARE(selector->value(), 12);

    QTest::keyClick(title, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(e.form->searchField()->hasFocus());

    // Ctrl+S saves like "Salva Modifiche".
    title->setFocus();
    QTest::keyClick(title, Qt::Key_X);
    QTest::keyClick(title, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(notifier.informed, QStringList{QStringLiteral("OK!  Titolo 15  è nel tuo database!")});
    QCOMPARE(state.catalogue.title(12), QStringLiteral("Titolo 12x"));
}

void TestNavigation::playStopAndStopOnMove()
{
    testsupport::EditorFixture e(archiveBytes(testsupport::numberedRecords(3)));
    writeFile(paths::track(2), "ID3");
    FakePlayer player;
    e.form->setTrackPlayer(&player);
    QVERIFY(e.load());
    QVERIFY(player.played.isEmpty());   // never starts by itself

    QScrollBar *selector = e.selector();
    QLabel *icon = e.get<QLabel>("Picture1");
    selector->setValue(2);
    QVERIFY(player.played.isEmpty());
    QTest::mouseClick(icon, Qt::LeftButton);
    QCOMPARE(player.played, QStringList{paths::track(2)});
    QVERIFY(player.isPlaying());
    QTest::mouseClick(icon, Qt::LeftButton);
    QVERIFY(!player.isPlaying());
    QTest::mouseClick(icon, Qt::LeftButton);
    QVERIFY(player.isPlaying());
    selector->setValue(3);
    QVERIFY(!player.isPlaying());
    QTest::mouseClick(icon, Qt::LeftButton);   // hidden icon, no track: nothing plays
    QCOMPARE(player.played.size(), 2);
    QCOMPARE(e.notifier.count(), 0);

    emit player.failed(QStringLiteral("Impossibile riprodurre la base"));
    QCOMPARE(e.notifier.warned, QStringList{QStringLiteral("Impossibile riprodurre la base")});
}

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
