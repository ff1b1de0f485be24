#include "browsertesting.h"
#include "trackwindow.h"

using namespace spartiti;
using namespace browsertesting;
using filesnapshot::snapshot;
using testsupport::writeFile;

namespace {

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
        writeFile(file("pick/sub/altra.mp3"), "another track");
        writeFile(file("pick/testo.txt"), "not a track");
        // Score 7 under category 3, as an edit of its category field leaves it, shown with its track.
        document.setField(7, ScoreCatalogue::Field::Category, "3", 1);
        document.noteFilesSeen(7);
    }
};

} // namespace

class TestTrackWindow : public QObject
{
    Q_OBJECT

private slots:
    void categoryClick_data()
    {
        QTest::addColumn<QByteArray>("bytes");     // of the chosen file; any but the demo track's is asked about
        QTest::addColumn<QString>("removed");      // after the choice
        QTest::addColumn<bool>("yes");             // the answer to a question
        QTest::addColumn<QString>("warning");      // the one warning starts with this; empty: none
        QTest::addColumn<bool>("attaches");
        QTest::newRow("MPEG audio, no question") << trackBytes << "" << false << "" << true;
        QTest::newRow("not MPEG audio, no") << QByteArray() << "" << false << "" << false;
        QTest::newRow("not MPEG audio, yes") << QByteArray("a text, not audio") << "" << true << "" << true;
        // Gone since it was chosen: nothing to ask about, only the refusal.
        QTest::newRow("chosen file deleted") << trackBytes << "pick/strano.mp3" << true
                                             << "Prima devi selezionare un file mp3!" << false;
        QTest::newRow("no audio folder") << trackBytes << "spartiti/audio" << true
                                         << "La base mp3 dello spartito 7 non è stata allegata" << false;
    }
    // The editor moves from 5 to 7 while the window is open: a click files track and category
    // under 7, the category only with the track; otherwise the window stays open.
    void categoryClick()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, removed);
        QFETCH(QString, warning);
        QFETCH(bool, attaches);
        Tracks f(5);
        writeFile(f.file("pick/strano.mp3"), bytes);
        QFETCH(bool, yes);
        f.notifier.yes = yes;
        TrackWindow *window = f.openTrackWindow();
        f.choose(window, "strano.mp3");
        // Another folder opened: the file chosen is still the one attached.
        waitForFile(window->browser(), QDir(f.pickFolder()).absoluteFilePath("sub"), "altra.mp3");
        QCOMPARE(label(window, "Label1"), QDir::toNativeSeparators(QDir(f.pickFolder()).absoluteFilePath("strano.mp3")));
        if (!removed.isEmpty())
            QVERIFY(QFileInfo(f.file(removed)).isDir() ? QDir(f.file(removed)).removeRecursively() : QFile::remove(f.file(removed)));
        f.state.setCurrentNumber(7);
        QCOMPARE(label(window, "scoreNumberLabel"), "Spartito\n7");
        const auto expected = attaches ? filesnapshot::snapshotWith(f.folder.path(), {{"spartiti/audio/7.mp3", bytes}})
                                       : snapshot(f.folder.path());
        f.click(window->categoryButton(12));
        QCOMPARE(snapshot(f.folder.path()), expected);
        QCOMPARE(f.document.catalogue().category(7), attaches ? "12" : "3");
        QCOMPARE(f.document.catalogue().category(5), QString());
        QCOMPARE(f.notifier.asked, bytes != trackBytes ? QStringList{"Il file scelto non sembra un file MP3. Allegarlo comunque?"}
                                                      : QStringList());
        QCOMPARE(f.notifier.warned.size(), warning.isEmpty() ? 0 : 1);
        QVERIFY2(warning.isEmpty() || f.notifier.warned.value(0).startsWith(warning), qPrintable(f.notifier.warned.value(0)));
        QCOMPARE(window->isVisible(), !attaches);
    }
    // Hidden, the window keeps its choice and captions. Closed, the next press rereads the list:
    // a refused one opens no window and keeps the old names; a good one captions the buttons.
    void hideKeepsCloseRereadsTheList()
    {
        Tracks f;
        QPointer<TrackWindow> first = f.openTrackWindow();
        f.choose(first.data(), "testo.txt");
        QTRY_COMPARE(label(first, "durata"), "Durata non disponibile");
        f.click(first, "Command1");
        writeFile(f.document.folder().categoryList(), categoryList("Rotto", 32).replace("];\r\n", ""));
        QCOMPARE(f.openTrackWindow(), first.data());
        QCOMPARE(first->categoryButton(12)->text(), "Genere 12");
        QVERIFY(!first->chosenPath().isEmpty());
        QVERIFY(first->close());
        QCOMPARE(f.openTrackWindow(), nullptr);
        QCOMPARE(f.notifier.warned.size(), 1);
        QCOMPARE(f.document.categoryName(1), "Genere 1");
        writeFile(f.document.folder().categoryList(), categoryList("Nuovo"));
        TrackWindow *second = f.openTrackWindow();
        QVERIFY(second && second != first.data());
        QCOMPARE(second->categoryButton(33)->text(), "Nuovo 33");
    }
};

QTEST_MAIN(TestTrackWindow)
#include "tst_trackwindow.moc"
