#include "browsertesting.h"
#include "trackduration.h"
#include "trackwindow.h"

using namespace spartiti;
using namespace browsertesting;
using filesnapshot::FileMap;
using filesnapshot::snapshot;
using filesnapshot::snapshotWith;
using testsupport::writeFile;

namespace {

// A real track, taken without a question.
const QByteArray trackBytes = testsupport::readFile(QStringLiteral(SPARTITI_DEMO_DIR "/audio/1.mp3"));

// A category list: a first line, one quoted name and a comma per line, the closing line.
QByteArray categoryList(const QByteArray &prefix, int count = 33)
{
    QByteArray out("var generi = [\r\n");
    for (int k = 1; k <= count; ++k)
        out += "\"" + prefix + " " + QByteArray::number(k) + "\",\r\n";
    return out + "];\r\n";
}

struct Tracks : AttachFixture
{
    explicit Tracks(int current = 7)
        : AttachFixture(current)
    {
        writeFile(document.folder().categoryList(), categoryList("Genere"));
        writeFile(document.folder().track(7), "old track of 7");
        writeFile(file(QStringLiteral("pick/sub/altra.mp3")), "another track");
        writeFile(file(QStringLiteral("pick/testo.txt")), "not a track");
        // Score 7 filed under category 3, as an edit of its category field leaves it; the
        // editor showed it with its track.
        document.setField(7, ScoreCatalogue::Field::Category, QStringLiteral("3"), 1);
        document.noteFilesSeen(7);
    }
};

} // namespace

class TestTrackWindow : public QObject
{
    Q_OBJECT

private slots:
    void categoryClick_data();
    void categoryClick();
    void hideKeepsCaptionsCloseRereadsTheList();
    void durationOfTheChosenFile();
};

void TestTrackWindow::categoryClick_data()
{
    QTest::addColumn<QByteArray>("bytes");     // of the chosen file
    QTest::addColumn<QString>("removed");      // after the choice
    QTest::addColumn<bool>("yes");             // the answer to a question
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("warning");      // the one warning starts with this; empty: none
    QTest::addColumn<QStringList>("events");   // what the editor hears, with the category then
    const QStringList done{"before 7: 3", "after 7: 12"};
    QTest::newRow("MPEG audio, no question") << trackBytes << "" << false << false << "" << done;
    QTest::newRow("not MPEG audio, no") << QByteArray() << "" << false << true << "" << QStringList();
    QTest::newRow("not MPEG audio, yes") << QByteArray("a text, not audio") << "" << true << true << "" << done;
    // Gone since it was chosen: nothing to ask about, only the refusal.
    QTest::newRow("chosen file deleted") << trackBytes << "pick/strano.mp3" << true << false
                                         << "Prima devi selezionare un file mp3!" << QStringList();
    QTest::newRow("no audio folder") << trackBytes << "spartiti/audio" << true << false
                                     << "La base mp3 dello spartito 7 non è stata allegata"
                                     << QStringList{"before 7: 3"};
}

// The editor moves from 5 to 7 while the window is open: a click files track and category under 7,
// the category only once the track is in place; otherwise the window stays open.
void TestTrackWindow::categoryClick()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, removed);
    QFETCH(bool, yes);
    QFETCH(bool, asked);
    QFETCH(QString, warning);
    QFETCH(QStringList, events);
    Tracks f(5);
    // What the editor hears from the document: an attach starting, for the score on
    // show, before the category changes; then the score's files written, with the
    // category that came with them.
    QStringList heard;
    const auto hear = [&](const char *when, int n) {
        heard << QStringLiteral("%1 %2: %3").arg(when).arg(n).arg(f.document.catalogue().category(n));
    };
    connect(&f.document, &CatalogueDocument::attachRunningChanged, this, [&](bool running) {
        if (running)
            hear("before", f.state.currentNumber());
    });
    connect(&f.document, &CatalogueDocument::filesChanged, this, [&](int n) { hear("after", n); });
    writeFile(f.file(QStringLiteral("pick/strano.mp3")), bytes);
    f.notifier.yes = yes;
    TrackWindow *window = f.openTrackWindow();
    QCOMPARE(label(window, "scoreNumberLabel"), QStringLiteral("Spartito\n5"));
    f.choose(window, QStringLiteral("strano.mp3"));
    // Another folder is opened: the file chosen is still the one attached, not whatever
    // the file list shows now.
    waitForFile(window->browser(), QDir(f.pickFolder()).absoluteFilePath(QStringLiteral("sub")),
                QStringLiteral("altra.mp3"));
    QCOMPARE(label(window, "Label1"), QDir::toNativeSeparators(QDir(f.pickFolder()).absoluteFilePath("strano.mp3")));
    if (!removed.isEmpty()) {
        const QString gone = f.file(removed);
        QVERIFY(QFileInfo(gone).isDir() ? QDir(gone).removeRecursively() : QFile::remove(gone));
    }
    f.state.setCurrentNumber(7);
    QCOMPARE(label(window, "scoreNumberLabel"), QStringLiteral("Spartito\n7"));
    const bool attaches = events.size() == 2;
    const FileMap expected =
        attaches ? snapshotWith(f.folder.path(), {{"spartiti/audio/7.mp3", bytes}}) : snapshot(f.folder.path());

    f.click(window->categoryButton(12));
    QCOMPARE(snapshot(f.folder.path()), expected);
    QCOMPARE(heard, events);
    QCOMPARE(f.document.catalogue().category(7), attaches ? QStringLiteral("12") : QStringLiteral("3"));
    QCOMPARE(f.document.catalogue().category(5), QString());
    QCOMPARE(f.notifier.asked,
             asked ? QStringList{"Il file scelto non sembra un file MP3. Allegarlo comunque?"} : QStringList());
    QCOMPARE(f.notifier.warned.size(), warning.isEmpty() ? 0 : 1);
    QVERIFY2(warning.isEmpty() || f.notifier.warned.value(0).startsWith(warning), qPrintable(f.notifier.warned.value(0)));
    QCOMPARE(window->isVisible(), !attaches);
}

// Hidden, the window keeps its choice and captions. Closed, the next press rereads the list:
// a refused list opens no window and keeps the old names; a good one captions every button.
void TestTrackWindow::hideKeepsCaptionsCloseRereadsTheList()
{
    Tracks f;
    QPointer<TrackWindow> first = f.openTrackWindow();
    f.choose(first.data(), QStringLiteral("testo.txt"));
    f.click(first, "Command1");
    writeFile(f.document.folder().categoryList(), categoryList("Rotto", 32).replace("];\r\n", ""));
    QCOMPARE(f.openTrackWindow(), first.data());
    QCOMPARE(first->categoryButton(12)->text(), QStringLiteral("Genere 12"));
    QVERIFY(!first->chosenPath().isEmpty());

    QVERIFY(first->close());
    QCOMPARE(f.windows.trackWindow(), nullptr);
    QCOMPARE(f.openTrackWindow(), nullptr);
    QCOMPARE(f.notifier.warned.size(), 1);
    QCOMPARE(f.document.categoryName(1), QStringLiteral("Genere 1"));

    writeFile(f.document.folder().categoryList(), categoryList("Nuovo"));
    TrackWindow *second = f.openTrackWindow();
    QVERIFY(second && second != first.data());
    QCOMPARE(second->categoryButton(1)->text(), QStringLiteral("Nuovo 1"));
    QCOMPARE(second->categoryButton(33)->text(), QStringLiteral("Nuovo 33"));
    QCOMPARE(second->chosenPath(), QString());
    QCOMPARE(f.notifier.warned.size(), 1);
}

// The playing time of the chosen file shows under Label1, as m:ss or h:mm:ss.
void TestTrackWindow::durationOfTheChosenFile()
{
    Tracks f;
    TrackWindow *window = f.openTrackWindow();
    QCOMPARE(label(window, "durata"), QString());
    f.choose(window, QStringLiteral("testo.txt"));
    QTRY_COMPARE(label(window, "durata"), QStringLiteral("Durata non disponibile"));
    QCOMPARE(TrackDuration::text(204'600), QStringLiteral("Durata: 3:25"));
    QCOMPARE(TrackDuration::text(3'723'000), QStringLiteral("Durata: 1:02:03"));
}

QTEST_MAIN(TestTrackWindow)
#include "tst_trackwindow.moc"
