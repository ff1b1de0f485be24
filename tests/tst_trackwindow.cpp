#include "attachmentwindows.h"
#include "browsertesting.h"
#include "folderbrowser.h"
#include "module1.h"
#include "trackduration.h"
#include "trackwindow.h"
#include "testsupport.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace spartiti;
using filesnapshot::FileMap;
using filesnapshot::snapshot;
using filesnapshot::snapshotWith;
using browsertesting::visibleTopLevels;
using testsupport::writeFile;

namespace {

const QByteArray trackBytes("ID3 track \0\x01\xfe", 13);

// A category list in the layout the reader is built for: a first line, then one quoted
// name and a comma per line, then the closing line.
QByteArray categoryList(const QByteArray &prefix, int count = 33)
{
    QByteArray out("var generi = [\r\n");
    for (int k = 1; k <= count; ++k)
        out += "\"" + prefix + " " + QByteArray::number(k) + "\",\r\n";
    return out + "];\r\n";
}

void makeData()
{
    QDir().mkpath(QStringLiteral("pick/sub"));
    writeFile(QStringLiteral("spartiti/generi.js"), categoryList("Genere"));
    writeFile(QStringLiteral("spartiti/audio/7.mp3"), "old track of 7");
    writeFile(QStringLiteral("pick/base.mp3"), trackBytes);
    writeFile(QStringLiteral("pick/sub/altra.mp3"), "another track");
}

QString pickFolder() { return QDir::current().absoluteFilePath(QStringLiteral("pick")); }

QString label(QWidget *window, const char *name)
{
    auto *widget = window->findChild<QLabel *>(QLatin1String(name));
    return widget ? widget->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

// The editor's "Associa una base Mp3 a questo spartito": it notes its selector, then
// opens the window.
TrackWindow *open(AttachmentWindows &windows, Module1 &state)
{
    state.setCategoryTargetNumber(state.currentNumber());
    windows.openTrackWindow();
    return windows.trackWindow();
}

} // namespace

class TestTrackWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void categoryButtons_data();
    void categoryButtons();
    void clickAttachesToTheScoreOnShow();
    void refusalsAndFailures_data();
    void refusalsAndFailures();
    void attachesTheFileShownAfterBrowsing();
    void hideKeepsCaptionsCloseRereadsTheList();
    void unreadableListOpensNoWindow_data();
    void unreadableListOpensNoWindow();
    void durationOfTheChosenFile_data();
    void durationOfTheChosenFile();
};

void TestTrackWindow::cleanup()
{
    QCOMPARE(visibleTopLevels(), QStringList());
}

void TestTrackWindow::categoryButtons_data()
{
    QTest::addColumn<int>("k");
    QTest::addColumn<QRect>("geometry");   // twips / 15
    QTest::newRow("1: first column, first row") << 1 << QRect(600, 48, 97, 25);
    QTest::newRow("11: first column, last row") << 11 << QRect(600, 368, 97, 25);
    QTest::newRow("12: second column, first row") << 12 << QRect(704, 48, 97, 25);
    QTest::newRow("33: third column, last row") << 33 << QRect(808, 368, 97, 25);
}

void TestTrackWindow::categoryButtons()
{
    QFETCH(int, k);
    QFETCH(QRect, geometry);
    testsupport::WorkingFolder folder;
    makeData();
    Module1 state;
    testsupport::RecordingNotifier notifier;
    AttachmentWindows windows(state, notifier);
    TrackWindow *window = open(windows, state);
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("mp3"));
    // The design's 932 x 434, and a line for the playing time under Label1.
    QCOMPARE(window->size(), QSize(932, 434 + 22));
    int buttons = 0;
    for (auto *button : window->findChildren<QPushButton *>())
        buttons += button->objectName().startsWith(QStringLiteral("Command3_"));
    QCOMPARE(buttons, 33);
    QCOMPARE(window->categoryButton(0), nullptr);
    QCOMPARE(window->categoryButton(34), nullptr);

    QPushButton *button = window->categoryButton(k);
    QCOMPARE(button->objectName(), QStringLiteral("Command3_%1").arg(k));
    QCOMPARE(button->text(), QStringLiteral("Genere %1").arg(k));
    QCOMPARE(state.categoryName(k), QStringLiteral("Genere %1").arg(k));
    QCOMPARE(button->geometry(), geometry);
    QCOMPARE(label(window, "Label1"), QString());
    QCOMPARE(label(window, "Label2"), QStringLiteral("Associa il file Mp3 a questa scheda"));
    QCOMPARE(label(window, "Label3"), QStringLiteral("Seleziona la categoria"));
    QCOMPARE(window->findChild<QPushButton *>("Command1")->text(), QStringLiteral("Chiudi"));
    window->hide();
}

void TestTrackWindow::clickAttachesToTheScoreOnShow()
{
    testsupport::WorkingFolder folder;
    makeData();
    Module1 state;
    state.setCurrentNumber(5);
    state.catalogue.setValue(ScoreCatalogue::Field::Category, 5, QStringLiteral("0"));
    state.catalogue.setValue(ScoreCatalogue::Field::Category, 7, QStringLiteral("0"));
    testsupport::RecordingNotifier notifier;
    AttachmentWindows windows(state, notifier);
    QSignalSpy attached(&windows, &AttachmentWindows::attached);
    // The editor sets aside what an attach replaces, so it must hear of it before the copy.
    QStringList events;
    connect(&windows, &AttachmentWindows::aboutToAttach, this, [&](int number) {
        events << QStringLiteral("before %1: %2").arg(number).arg(state.catalogue.category(number));
    });
    connect(&windows, &AttachmentWindows::attached, this, [&](int number) {
        events << QStringLiteral("after %1: %2").arg(number).arg(state.catalogue.category(number));
    });
    TrackWindow *window = open(windows, state);
    QCOMPARE(label(window, "scoreNumberLabel"), QStringLiteral("Spartito\n5"));
    browsertesting::clickFile(window->browser(), pickFolder(), QStringLiteral("base.mp3"));
    QCOMPARE(label(window, "Label1"),
             QDir::toNativeSeparators(QDir(pickFolder()).absoluteFilePath(QStringLiteral("base.mp3"))));

    // The editor moves from 5 to 7 while the window is open: one click files both the
    // track and the category under 7, the score on show.
    state.setCurrentNumber(7);
    QCOMPARE(label(window, "scoreNumberLabel"), QStringLiteral("Spartito\n7"));
    const FileMap expected = snapshotWith({{"spartiti/audio/7.mp3", trackBytes}});
    QTest::mouseClick(window->categoryButton(12), Qt::LeftButton);

    QCOMPARE(snapshot(), expected);
    QCOMPARE(state.catalogue.category(7), QStringLiteral("12"));
    QCOMPARE(state.catalogue.category(5), QStringLiteral("0"));
    QVERIFY(state.isModified());
    QCOMPARE(notifier.count(), 0);
    QCOMPARE(attached.size(), 1);
    QCOMPARE(attached.at(0).at(0).toInt(), 7);
    QCOMPARE(events, (QStringList{"before 7: 0", "after 7: 12"}));
    QVERIFY(!window->isVisible());

    // Reopened for another score, the file still chosen goes there at once.
    state.setCurrentNumber(8);
    QCOMPARE(open(windows, state), window);
    QTest::mouseClick(window->categoryButton(33), Qt::LeftButton);
    QCOMPARE(snapshot().value("spartiti/audio/8.mp3"), trackBytes);
    QCOMPARE(state.catalogue.category(8), QStringLiteral("33"));
    QCOMPARE(state.catalogue.category(7), QStringLiteral("12"));
    QVERIFY(!window->isVisible());
}

void TestTrackWindow::refusalsAndFailures_data()
{
    QTest::addColumn<bool>("choose");
    QTest::addColumn<QString>("removeFirst");
    QTest::addColumn<QStringList>("mentions");
    QTest::newRow("nothing chosen") << false << "" << QStringList{"Prima devi selezionare un file mp3!"};
    QTest::newRow("chosen file deleted") << true << "pick/base.mp3"
                                         << QStringList{"Prima devi selezionare un file mp3!"};
    QTest::newRow("no audio folder") << true << "spartiti/audio"
                                     << QStringList{"spartiti/audio", "non esiste",
                                                    "la sua categoria non è cambiata"};
}

void TestTrackWindow::refusalsAndFailures()
{
    QFETCH(bool, choose);
    QFETCH(QString, removeFirst);
    QFETCH(QStringList, mentions);
    testsupport::WorkingFolder folder;
    makeData();
    Module1 state;
    state.setCurrentNumber(7);
    state.catalogue.setValue(ScoreCatalogue::Field::Category, 7, QStringLiteral("3"));
    testsupport::RecordingNotifier notifier;
    AttachmentWindows windows(state, notifier);
    QSignalSpy attached(&windows, &AttachmentWindows::attached);
    TrackWindow *window = open(windows, state);
    if (choose)
        browsertesting::clickFile(window->browser(), pickFolder(), QStringLiteral("base.mp3"));
    if (QFileInfo(removeFirst).isDir())
        QVERIFY(QDir(removeFirst).removeRecursively());
    else if (!removeFirst.isEmpty())
        QVERIFY(QFile::remove(removeFirst));
    const FileMap before = snapshot();

    QTest::mouseClick(window->categoryButton(1), Qt::LeftButton);
    QCOMPARE(snapshot(), before);
    QCOMPARE(state.catalogue.category(7), QStringLiteral("3"));
    QVERIFY(!state.isModified());
    QCOMPARE(notifier.warned.size(), 1);
    for (const QString &word : mentions)
        QVERIFY2(notifier.warned.first().contains(word), qPrintable(notifier.warned.first()));
    QCOMPARE(attached.size(), 0);
    QVERIFY(window->isVisible());
    window->hide();
}

void TestTrackWindow::attachesTheFileShownAfterBrowsing()
{
    testsupport::WorkingFolder folder;
    makeData();
    Module1 state;
    state.setCurrentNumber(2);
    testsupport::RecordingNotifier notifier;
    AttachmentWindows windows(state, notifier);
    TrackWindow *window = open(windows, state);
    browsertesting::clickFile(window->browser(), pickFolder(), QStringLiteral("base.mp3"));
    const QString shown = label(window, "Label1");
    // Another folder is opened: the file Label1 shows is still the one attached, not
    // whatever the file list shows now.
    const QString sub = QDir(pickFolder()).absoluteFilePath(QStringLiteral("sub"));
    browsertesting::waitForFile(window->browser(), sub, QStringLiteral("altra.mp3"));
    QCOMPARE(label(window, "Label1"), shown);
    QTest::mouseClick(window->categoryButton(4), Qt::LeftButton);
    QCOMPARE(snapshot().value("spartiti/audio/2.mp3"), trackBytes);
    QCOMPARE(QDir::currentPath(), folder.path());
}

void TestTrackWindow::hideKeepsCaptionsCloseRereadsTheList()
{
    testsupport::WorkingFolder folder;
    makeData();
    Module1 state;
    testsupport::RecordingNotifier notifier;
    AttachmentWindows windows(state, notifier);
    QPointer<TrackWindow> first = open(windows, state);
    browsertesting::clickFile(first->browser(), pickFolder(), QStringLiteral("base.mp3"));
    QTest::mouseClick(first->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QVERIFY(!first->isVisible());

    writeFile(QStringLiteral("spartiti/generi.js"), categoryList("Nuovo"));
    QCOMPARE(open(windows, state), first.data());
    QCOMPARE(first->categoryButton(12)->text(), QStringLiteral("Genere 12"));
    QVERIFY(!first->chosenPath().isEmpty());
    QCOMPARE(first->browser()->folder(), pickFolder());

    QVERIFY(first->close());
    QCOMPARE(windows.trackWindow(), nullptr);
    TrackWindow *second = open(windows, state);
    QVERIFY(second && second != first.data());
    QCOMPARE(second->categoryButton(12)->text(), QStringLiteral("Nuovo 12"));
    QCOMPARE(second->chosenPath(), QString());
    QCOMPARE(label(second, "Label1"), QString());
    QCOMPARE(second->browser()->folder(), folder.path());
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
    testsupport::WorkingFolder folder;
    makeData();
    if (list == "<none>")
        QVERIFY(QFile::remove(QStringLiteral("spartiti/generi.js")));
    else
        writeFile(QStringLiteral("spartiti/generi.js"), list);
    Module1 state;
    state.setCategoryName(1, QStringLiteral("prima"));
    testsupport::RecordingNotifier notifier;
    AttachmentWindows windows(state, notifier);

    QCOMPARE(open(windows, state), nullptr);
    QCOMPARE(notifier.warned.size(), 1);
    QVERIFY2(notifier.warned.first().contains(QStringLiteral("spartiti/generi.js")),
             qPrintable(notifier.warned.first()));
    QCOMPARE(state.categoryName(1), QStringLiteral("prima"));
    QCOMPARE(visibleTopLevels(), QStringList());

    // Once the file is put right, the next press opens the window.
    writeFile(QStringLiteral("spartiti/generi.js"), categoryList("Genere"));
    TrackWindow *window = open(windows, state);
    QVERIFY(window && window->isVisible());
    QCOMPARE(notifier.warned.size(), 1);
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
    QTest::newRow("not a track") << "base.mp3" << qint64(-1) << "Durata non disponibile";
}

void TestTrackWindow::durationOfTheChosenFile()
{
    QFETCH(QString, file);
    QFETCH(qint64, fromReader);
    QFETCH(QString, shown);
    testsupport::WorkingFolder folder;
    makeData();
    QVERIFY(QFile::copy(QStringLiteral(SPARTITI_DEMO_DIR "/audio/1.mp3"), QStringLiteral("pick/demo.mp3")));
    Module1 state;
    testsupport::RecordingNotifier notifier;
    AttachmentWindows windows(state, notifier);
    TrackWindow *window = open(windows, state);
    if (fromReader >= 0)
        window->duration()->setReader([fromReader](const QString &) { return fromReader; });
    QCOMPARE(label(window, "durata"), QString());

    browsertesting::clickFile(window->browser(), pickFolder(), file);
    QTRY_COMPARE(label(window, "durata"), shown);
    window->hide();
}

QTEST_MAIN(TestTrackWindow)
#include "tst_trackwindow.moc"
