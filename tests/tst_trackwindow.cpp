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

// Three MPEG-1 layer III frames: a track taken without a question.
QByteArray mpegTrack()
{
    QByteArray frame("\xFF\xFB\x90\x00", 4);
    frame += QByteArray("\0\x01\xfe", 3).repeated(139).left(413);
    return frame.repeated(3);
}
const QByteArray trackBytes = mpegTrack();
const QString notMpeg = QStringLiteral("Il file scelto non sembra un file MP3. Allegarlo comunque?");

// A category list in the layout the reader is built for: a first line, then one quoted
// name and a comma per line, then the closing line.
QByteArray categoryList(const QByteArray &prefix, int count = 33)
{
    QByteArray out("var generi = [\r\n");
    for (int k = 1; k <= count; ++k)
        out += "\"" + prefix + " " + QByteArray::number(k) + "\",\r\n";
    return out + "];\r\n";
}

struct Tracks : AttachFixture
{
    explicit Tracks(int current = 0)
        : AttachFixture(current)
    {
        writeFile(QStringLiteral("spartiti/generi.js"), categoryList("Genere"));
        writeFile(QStringLiteral("spartiti/audio/7.mp3"), "old track of 7");
        writeFile(QStringLiteral("pick/base.mp3"), trackBytes);
        writeFile(QStringLiteral("pick/sub/altra.mp3"), "another track");
        writeFile(QStringLiteral("pick/testo.txt"), "not a track");
    }
    // The editor's "Associa una base Mp3 a questo spartito".
    TrackWindow *open()
    {
        windows.openTrackWindow();
        return windows.trackWindow();
    }
    void choose(TrackWindow *window, const QString &name) { clickFile(window->browser(), pickFolder(), name); }
};

} // namespace

class TestTrackWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QCOMPARE(visibleTopLevels(), QStringList()); }
    void categoryButtons();
    void clickAttachesToTheScoreOnShow();
    void refusalsAndFailures_data();
    void refusalsAndFailures();
    void notMpegAudioIsAskedAbout_data();
    void notMpegAudioIsAskedAbout();
    void hideKeepsCaptionsCloseRereadsTheList();
    void unreadableListOpensNoWindow_data();
    void unreadableListOpensNoWindow();
    void durationOfTheChosenFile_data();
    void durationOfTheChosenFile();
};

// 33 buttons named and captioned by their place in the list, in three columns of 11.
void TestTrackWindow::categoryButtons()
{
    Tracks f;
    TrackWindow *window = f.open();
    QVERIFY(window);
    int buttons = 0;
    for (auto *button : window->findChildren<QPushButton *>())
        buttons += button->objectName().startsWith(QStringLiteral("Command3_"));
    QCOMPARE(buttons, 33);
    QCOMPARE(window->categoryButton(0), nullptr);
    QCOMPARE(window->categoryButton(34), nullptr);
    for (int k : {1, 33}) {
        QCOMPARE(window->categoryButton(k)->objectName(), QStringLiteral("Command3_%1").arg(k));
        QCOMPARE(window->categoryButton(k)->text(), QStringLiteral("Genere %1").arg(k));
        QCOMPARE(f.state.categoryName(k), QStringLiteral("Genere %1").arg(k));
    }
    QCOMPARE(window->categoryButton(11)->geometry(), QRect(600, 368, 97, 25));   // twips / 15
    QCOMPARE(window->categoryButton(12)->geometry(), QRect(704, 48, 97, 25));
    window->hide();
}

void TestTrackWindow::clickAttachesToTheScoreOnShow()
{
    Tracks f(5);
    f.state.catalogue.setValue(ScoreCatalogue::Field::Category, 5, QStringLiteral("0"));
    f.state.catalogue.setValue(ScoreCatalogue::Field::Category, 7, QStringLiteral("0"));
    // The editor sets aside what an attach replaces, so it must hear of it before the copy.
    QStringList events;
    connect(&f.windows, &AttachmentWindows::aboutToAttach, this, [&](int number) {
        events << QStringLiteral("before %1: %2").arg(number).arg(f.state.catalogue.category(number));
    });
    connect(&f.windows, &AttachmentWindows::attached, this, [&](int number) {
        events << QStringLiteral("after %1: %2").arg(number).arg(f.state.catalogue.category(number));
    });
    TrackWindow *window = f.open();
    QCOMPARE(label(window, "scoreNumberLabel"), QStringLiteral("Spartito\n5"));
    f.choose(window, QStringLiteral("base.mp3"));
    const QString shown = label(window, "Label1");
    QCOMPARE(shown, QDir::toNativeSeparators(QDir(f.pickFolder()).absoluteFilePath(QStringLiteral("base.mp3"))));
    // Another folder is opened: the file Label1 shows is still the one attached, not
    // whatever the file list shows now.
    waitForFile(window->browser(), QDir(f.pickFolder()).absoluteFilePath(QStringLiteral("sub")),
                QStringLiteral("altra.mp3"));
    QCOMPARE(label(window, "Label1"), shown);

    // The editor moves from 5 to 7 while the window is open: one click files both the
    // track and the category under 7, the score on show.
    f.state.setCurrentNumber(7);
    QCOMPARE(label(window, "scoreNumberLabel"), QStringLiteral("Spartito\n7"));
    const FileMap expected = snapshotWith({{"spartiti/audio/7.mp3", trackBytes}});
    click(window->categoryButton(12));

    QCOMPARE(snapshot(), expected);
    QCOMPARE(f.state.catalogue.category(7), QStringLiteral("12"));
    QCOMPARE(f.state.catalogue.category(5), QStringLiteral("0"));
    QCOMPARE(f.notifier.count(), 0);
    QCOMPARE(f.attached.size(), 1);
    QCOMPARE(f.attached.at(0).at(0).toInt(), 7);
    QCOMPARE(events, (QStringList{"before 7: 0", "after 7: 12"}));
    QVERIFY(!window->isVisible());
    QCOMPARE(QDir::currentPath(), f.folder.path());

    // Reopened for another score, the file still chosen goes there at once.
    f.state.setCurrentNumber(8);
    QCOMPARE(f.open(), window);
    click(window->categoryButton(33));
    QCOMPARE(snapshot().value("spartiti/audio/8.mp3"), trackBytes);
    QCOMPARE(f.state.catalogue.category(8), QStringLiteral("33"));
    QCOMPARE(f.state.catalogue.category(7), QStringLiteral("12"));
    QVERIFY(!window->isVisible());
}

void TestTrackWindow::refusalsAndFailures_data()
{
    QTest::addColumn<QString>("change");   // made after the choice
    QTest::addColumn<QStringList>("mentions");
    QTest::newRow("nothing chosen") << "" << QStringList{"Prima devi selezionare un file mp3!"};
    QTest::newRow("no audio folder") << "spartiti/audio"
                                     << QStringList{"spartiti/audio", "non esiste",
                                                    "la sua categoria non è cambiata"};
    QTest::newRow("chosen file deleted") << "pick/base.mp3"
                                         << QStringList{"Prima devi selezionare un file mp3!"};
}

void TestTrackWindow::refusalsAndFailures()
{
    QFETCH(QString, change);
    QFETCH(QStringList, mentions);
    Tracks f(7);
    f.state.catalogue.setValue(ScoreCatalogue::Field::Category, 7, QStringLiteral("3"));
    TrackWindow *window = f.open();
    if (!change.isEmpty()) {
        f.choose(window, QStringLiteral("base.mp3"));
        if (QFileInfo(change).isDir())
            QVERIFY(QDir(change).removeRecursively());
        else
            QVERIFY(QFile::remove(change));
    }
    const FileMap before = snapshot();

    click(window->categoryButton(1));
    QCOMPARE(snapshot(), before);
    QCOMPARE(f.state.catalogue.category(7), QStringLiteral("3"));
    QCOMPARE(f.notifier.warned.size(), 1);
    for (const QString &word : mentions)
        QVERIFY2(f.notifier.warned.first().contains(word), qPrintable(f.notifier.warned.first()));
    QCOMPARE(f.attached.size(), 0);
    QVERIFY(window->isVisible());
    window->hide();
}

void TestTrackWindow::notMpegAudioIsAskedAbout_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("yes");
    QTest::newRow("zero bytes, no") << QByteArray() << false;
    QTest::newRow("a JPEG page, yes") << testsupport::readFile(QStringLiteral(SPARTITI_DEMO_DIR "/1L.jpg"))
                                      << true;
}

void TestTrackWindow::notMpegAudioIsAskedAbout()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, yes);
    Tracks f(7);
    writeFile(QStringLiteral("pick/strano.mp3"), bytes);
    f.notifier.yes = yes;
    TrackWindow *window = f.open();
    f.choose(window, QStringLiteral("strano.mp3"));
    const FileMap expected = yes ? snapshotWith({{"spartiti/audio/7.mp3", bytes}}) : snapshot();

    click(window->categoryButton(1));
    QCOMPARE(f.notifier.asked, QStringList{notMpeg});
    QCOMPARE(f.notifier.warned, QStringList());
    QCOMPARE(snapshot(), expected);
    QCOMPARE(f.attached.size(), yes ? 1 : 0);
    QCOMPARE(window->isVisible(), !yes);
    window->hide();
}

void TestTrackWindow::hideKeepsCaptionsCloseRereadsTheList()
{
    Tracks f;
    QPointer<TrackWindow> first = f.open();
    f.choose(first, QStringLiteral("base.mp3"));
    click(first, "Command1");
    QVERIFY(!first->isVisible());

    writeFile(QStringLiteral("spartiti/generi.js"), categoryList("Nuovo"));
    QCOMPARE(f.open(), first.data());
    QCOMPARE(first->categoryButton(12)->text(), QStringLiteral("Genere 12"));
    QVERIFY(!first->chosenPath().isEmpty());
    QCOMPARE(first->browser()->folder(), f.pickFolder());

    QVERIFY(first->close());
    QCOMPARE(f.windows.trackWindow(), nullptr);
    TrackWindow *second = f.open();
    QVERIFY(second && second != first.data());
    QCOMPARE(second->categoryButton(12)->text(), QStringLiteral("Nuovo 12"));
    QCOMPARE(second->chosenPath(), QString());
    QCOMPARE(label(second, "Label1"), QString());
    QCOMPARE(second->browser()->folder(), f.folder.path());
    QTRY_VERIFY(first.isNull());
    second->hide();
}

void TestTrackWindow::unreadableListOpensNoWindow_data()
{
    QTest::addColumn<QByteArray>("list");      // "<none>": no file at all
    QTest::newRow("missing") << QByteArray("<none>");
    QTest::newRow("32 names") << categoryList("Genere", 32).replace("];\r\n", "");
}

void TestTrackWindow::unreadableListOpensNoWindow()
{
    QFETCH(QByteArray, list);
    Tracks f;
    if (list == "<none>")
        QVERIFY(QFile::remove(QStringLiteral("spartiti/generi.js")));
    else
        writeFile(QStringLiteral("spartiti/generi.js"), list);
    f.state.setCategoryName(1, QStringLiteral("prima"));

    QCOMPARE(f.open(), nullptr);
    QCOMPARE(f.notifier.warned.size(), 1);
    QVERIFY2(f.notifier.warned.first().contains(QStringLiteral("spartiti/generi.js")),
             qPrintable(f.notifier.warned.first()));
    QCOMPARE(f.state.categoryName(1), QStringLiteral("prima"));
    QCOMPARE(visibleTopLevels(), QStringList());

    // Once the file is put right, the next press opens the window.
    writeFile(QStringLiteral("spartiti/generi.js"), categoryList("Genere"));
    TrackWindow *window = f.open();
    QVERIFY(window && window->isVisible());
    QCOMPARE(f.notifier.warned.size(), 1);
    window->hide();
}

void TestTrackWindow::durationOfTheChosenFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("fromReader");   // what a stand-in reader answers; -1: the real one
    QTest::addColumn<QString>("shown");
    QTest::newRow("minutes") << "base.mp3" << qint64(204'600) << "Durata: 3:25";
    QTest::newRow("over an hour") << "base.mp3" << qint64(3'723'000) << "Durata: 1:02:03";
    QTest::newRow("demo track") << "demo.mp3" << qint64(-1) << "Durata: 0:05";
    QTest::newRow("not a track") << "testo.txt" << qint64(-1) << "Durata non disponibile";
}

void TestTrackWindow::durationOfTheChosenFile()
{
    QFETCH(QString, file);
    QFETCH(qint64, fromReader);
    QFETCH(QString, shown);
    Tracks f;
    QVERIFY(QFile::copy(QStringLiteral(SPARTITI_DEMO_DIR "/audio/1.mp3"), QStringLiteral("pick/demo.mp3")));
    TrackWindow *window = f.open();
    if (fromReader >= 0)
        window->duration()->setReader([fromReader](const QString &) { return fromReader; });
    QCOMPARE(label(window, "durata"), QString());

    f.choose(window, file);
    QTRY_COMPARE(label(window, "durata"), shown);
    window->hide();
}

QTEST_MAIN(TestTrackWindow)
#include "tst_trackwindow.moc"
