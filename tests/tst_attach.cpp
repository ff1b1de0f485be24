#include "attach.h"
#include "filesnapshot.h"
#include "module1.h"
#include "scorepaths.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace spartiti;
using testsupport::readFile;
using testsupport::writeFile;

using filesnapshot::FileMap;
using filesnapshot::snapshot;
using filesnapshot::snapshotWith;

namespace {

const QByteArray placeholderBytes("placeholder page\0\xff", 19);
const QByteArray chosenBytes("chosen file \0\x01\x80 bytes", 22);

// A data folder with a placeholder, one existing page pair and track for score 12, and
// a chosen file outside the data folder.
void makeData()
{
    QDir().mkpath(QStringLiteral("pick"));
    writeFile(QStringLiteral("spartiti/m.jpg"), placeholderBytes);
    writeFile(QStringLiteral("spartiti/12L.jpg"), "old left");
    writeFile(QStringLiteral("spartiti/12R.jpg"), "old right");
    writeFile(QStringLiteral("spartiti/1L.jpg"), "score one");
    writeFile(QStringLiteral("spartiti/audio/12.mp3"), "old track");
    writeFile(QStringLiteral("pick/scelto.png"), chosenBytes);
}

QString chosen() { return QDir::current().absoluteFilePath(QStringLiteral("pick/scelto.png")); }

} // namespace

class TestAttach : public QObject
{
    Q_OBJECT

private slots:
    void writesExactlyTheScoresFiles_data();
    void writesExactlyTheScoresFiles();
    void nothingChosenCopiesNothing_data();
    void nothingChosenCopiesNothing();
    void failedCopyStopsInOrder_data();
    void failedCopyStopsInOrder();
    void trackSetsCategoryOfTheSameScore();
    void categoryCodeIsTheButtonIndex_data();
    void categoryCodeIsTheButtonIndex();
};

void TestAttach::writesExactlyTheScoresFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("score");
    QTest::addColumn<FileMap>("written");

    QTest::newRow("left page, then placeholder on the right")
        << "left" << 12
        << FileMap{{"spartiti/12L.jpg", chosenBytes},
                                     {"spartiti/12R.jpg", placeholderBytes}};
    QTest::newRow("right page only") << "right" << 12
                                     << FileMap{{"spartiti/12R.jpg", chosenBytes}};
    QTest::newRow("track") << "track" << 12
                           << FileMap{{"spartiti/audio/12.mp3", chosenBytes}};
    QTest::newRow("left page of score 1 leaves score 12 alone")
        << "left" << 1
        << FileMap{{"spartiti/1L.jpg", chosenBytes},
                                     {"spartiti/1R.jpg", placeholderBytes}};
    QTest::newRow("score 123, no leading zeros") << "track" << 123
                                                 << FileMap{{"spartiti/audio/123.mp3", chosenBytes}};
}

void TestAttach::writesExactlyTheScoresFiles()
{
    QFETCH(QString, kind);
    QFETCH(int, score);
    QFETCH(FileMap, written);
    testsupport::WorkingFolder folder;
    makeData();
    Module1 state;
    state.setCurrentNumber(score);
    const FileMap expected = snapshotWith(written);

    std::optional<Error> error;
    if (kind == "left")
        error = attachLeftPage(state, chosen());
    else if (kind == "right")
        error = attachRightPage(state, chosen());
    else
        error = attachTrack(state, chosen(), 5);

    QVERIFY2(!error, error ? qPrintable(error->message) : "");
    QCOMPARE(snapshot(), expected);   // byte-equal copies, the source kept, nothing else
    QCOMPARE(state.isModified(), kind == "track");
}

void TestAttach::nothingChosenCopiesNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    const QString pages = QStringLiteral("Prima devi selezionare un file!");
    const QString track = QStringLiteral("Prima devi selezionare un file mp3!");
    QTest::newRow("left, nothing chosen") << "left" << "" << pages;
    QTest::newRow("right, nothing chosen") << "right" << "" << pages;
    QTest::newRow("track, nothing chosen") << "track" << "" << track;
    QTest::newRow("left, chosen file deleted") << "left" << "pick/gone.jpg" << pages;
    QTest::newRow("right, a folder") << "right" << "pick" << pages;
    QTest::newRow("track, chosen file deleted") << "track" << "pick/gone.mp3" << track;
}

void TestAttach::nothingChosenCopiesNothing()
{
    QFETCH(QString, kind);
    QFETCH(QString, path);
    QFETCH(QString, message);
    testsupport::WorkingFolder folder;
    makeData();
    Module1 state;
    state.setCurrentNumber(12);
    const auto before = snapshot();

    std::optional<Error> error;
    if (kind == "left")
        error = attachLeftPage(state, path);
    else if (kind == "right")
        error = attachRightPage(state, path);
    else
        error = attachTrack(state, path, 3);

    QVERIFY(error);
    QCOMPARE(error->kind, Error::Kind::NoSelection);
    QCOMPARE(error->message, message);
    QCOMPARE(snapshot(), before);
    QCOMPARE(state.catalogue.category(12), QString());
    QVERIFY(!state.isModified());
}

void TestAttach::failedCopyStopsInOrder_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("removed");      // made missing before the attach
    QTest::addColumn<bool>("folderInTheWay");  // and replaced by a folder
    QTest::addColumn<FileMap>("written");
    QTest::addColumn<QStringList>("mentions"); // what the message must name

    QTest::newRow("left: placeholder missing keeps the new left page")
        << "left" << "spartiti/m.jpg" << false
        << FileMap{{"spartiti/12L.jpg", chosenBytes}}
        << QStringList{"è stata allegata", "m.jpg", "non esiste"};
    QTest::newRow("left: source gone copies no placeholder")
        << "left" << "pick/scelto.png" << false << FileMap{}
        << QStringList{"Prima devi selezionare un file!"};
    QTest::newRow("left: data folder missing")
        << "left" << "spartiti" << false << FileMap{}
        << QStringList{"non è stata allegata", "12L.jpg", "spartiti"};
    QTest::newRow("track: audio folder missing")
        << "track" << "spartiti/audio" << false << FileMap{}
        << QStringList{"non è stata allegata", "categoria non è cambiata", "audio"};
    QTest::newRow("right: a folder in the way is not touched")
        << "right" << "spartiti/12R.jpg" << true << FileMap{}
        << QStringList{"non è stata allegata", "12R.jpg", "cartella"};
}

void TestAttach::failedCopyStopsInOrder()
{
    QFETCH(QString, kind);
    QFETCH(QString, removed);
    QFETCH(bool, folderInTheWay);
    QFETCH(FileMap, written);
    QFETCH(QStringList, mentions);
    testsupport::WorkingFolder folder;
    makeData();
    if (QFileInfo(removed).isDir())
        QVERIFY(QDir(removed).removeRecursively());
    else
        QVERIFY(QFile::remove(removed));
    if (folderInTheWay)
        QVERIFY(QDir().mkdir(removed));
    Module1 state;
    state.setCurrentNumber(12);
    const FileMap expected = snapshotWith(written);

    std::optional<Error> error;
    if (kind == "left")
        error = attachLeftPage(state, chosen());
    else if (kind == "right")
        error = attachRightPage(state, chosen());
    else
        error = attachTrack(state, chosen(), 7);

    QVERIFY(error);
    for (const QString &word : mentions)
        QVERIFY2(error->message.contains(word), qPrintable(error->message));
    QCOMPARE(snapshot(), expected);
    QCOMPARE(state.catalogue.category(12), QString());
    QVERIFY(!state.isModified());
}

void TestAttach::trackSetsCategoryOfTheSameScore()
{
    testsupport::WorkingFolder folder;
    makeData();
    Module1 state;
    // The editor moved from score 5 to 7 after the track window was opened: both the
    // category and the track go to the score on show at the click.
    state.setCategoryTargetNumber(5);
    state.setCurrentNumber(7);
    state.catalogue.setValue(ScoreCatalogue::Field::Category, 5, QStringLiteral("2"));
    state.catalogue.setValue(ScoreCatalogue::Field::Category, 7, QStringLiteral("0"));

    QVERIFY(!attachTrack(state, chosen(), 9));
    QCOMPARE(state.catalogue.category(7), QStringLiteral("9"));
    QCOMPARE(state.catalogue.category(5), QStringLiteral("2"));
    QCOMPARE(readFile(QStringLiteral("spartiti/audio/7.mp3")), chosenBytes);
    QVERIFY(!QFile::exists(QStringLiteral("spartiti/audio/5.mp3")));
    QVERIFY(state.isModified());

    // The same category again is no edit; the track is still replaced.
    state.setModified(false);
    writeFile(QStringLiteral("pick/scelto.png"), "second take");
    QVERIFY(!attachTrack(state, chosen(), 9));
    QVERIFY(!state.isModified());
    QCOMPARE(readFile(QStringLiteral("spartiti/audio/7.mp3")), QByteArray("second take"));
}

void TestAttach::categoryCodeIsTheButtonIndex_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("stored");   // empty: refused
    QTest::newRow("1") << 1 << "1";
    QTest::newRow("33") << 33 << "33";
    QTest::newRow("0") << 0 << "";
    QTest::newRow("34") << 34 << "";
}

void TestAttach::categoryCodeIsTheButtonIndex()
{
    QFETCH(int, code);
    QFETCH(QString, stored);
    testsupport::WorkingFolder folder;
    makeData();
    Module1 state;
    state.setCurrentNumber(3);
    const auto error = attachTrack(state, chosen(), code);
    QCOMPARE(bool(error), stored.isEmpty());
    QCOMPARE(state.catalogue.category(3), stored);
    QCOMPARE(QFile::exists(QStringLiteral("spartiti/audio/3.mp3")), !stored.isEmpty());
}

QTEST_GUILESS_MAIN(TestAttach)
#include "tst_attach.moc"
