#include "attach.h"
#include "attachjob.h"
#include "filesnapshot.h"
#include "module1.h"
#include "scorepaths.h"
#include "testsupport.h"

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

std::optional<Error> attach(const QString &kind, Module1 &state, const QString &path, int code)
{
    if (kind == "cancelled") {
        // Stopped after its first block, as "Annulla" in the progress dialog does.
        AttachJob job;
        if (auto error = AttachJob::prepare(AttachJob::Kind::Track, state, path, code, job))
            return error;
        const auto error = job.run([](qint64 copied, qint64) { return copied == 0; });
        job.finish(state);
        return error;
    }
    if (kind == "left")
        return attachLeftPage(state, path);
    if (kind == "right")
        return attachRightPage(state, path);
    return attachTrack(state, path, code);
}

} // namespace

class TestAttach : public QObject
{
    Q_OBJECT

private slots:
    void writesExactlyTheScoresFiles_data();
    void writesExactlyTheScoresFiles();
    void refusedOrFailedChangesNothingMore_data();
    void refusedOrFailedChangesNothingMore();
    void trackSetsCategoryOfTheSameScore();
};

void TestAttach::writesExactlyTheScoresFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("score");
    QTest::addColumn<int>("code");
    QTest::addColumn<FileMap>("written");

    QTest::newRow("left page, then placeholder on the right")
        << "left" << 12 << 0 << FileMap{{"spartiti/12L.jpg", chosenBytes}, {"spartiti/12R.jpg", placeholderBytes}};
    QTest::newRow("right page only") << "right" << 12 << 0 << FileMap{{"spartiti/12R.jpg", chosenBytes}};
    QTest::newRow("track, first category") << "track" << 12 << 1 << FileMap{{"spartiti/audio/12.mp3", chosenBytes}};
    QTest::newRow("left page of score 1 leaves score 12 alone")
        << "left" << 1 << 0 << FileMap{{"spartiti/1L.jpg", chosenBytes}, {"spartiti/1R.jpg", placeholderBytes}};
    QTest::newRow("score 123, no leading zeros, last category")
        << "track" << 123 << 33 << FileMap{{"spartiti/audio/123.mp3", chosenBytes}};
}

void TestAttach::writesExactlyTheScoresFiles()
{
    QFETCH(QString, kind);
    QFETCH(int, score);
    QFETCH(int, code);
    QFETCH(FileMap, written);
    testsupport::WorkingFolder folder;
    makeData();
    Module1 state;
    state.setCurrentNumber(score);
    const FileMap expected = snapshotWith(written);

    const auto error = attach(kind, state, chosen(), code);
    QVERIFY2(!error, error ? qPrintable(error->message) : "");
    QCOMPARE(snapshot(), expected);   // byte-equal copies, the source kept, nothing else
    QCOMPARE(state.catalogue.category(score), kind == "track" ? QString::number(code) : QString());
}

void TestAttach::refusedOrFailedChangesNothingMore_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("path");         // "*": the chosen file
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("removed");      // made missing before the attach
    QTest::addColumn<bool>("folderInTheWay");  // and replaced by a folder
    QTest::addColumn<FileMap>("written");
    QTest::addColumn<QStringList>("mentions"); // what the message must name; one "Prima...": all of it
    const QStringList pages{"Prima devi selezionare un file!"};
    const QStringList track{"Prima devi selezionare un file mp3!"};

    QTest::newRow("left, nothing chosen") << "left" << "" << 0 << "" << false << FileMap{} << pages;
    QTest::newRow("right, nothing chosen") << "right" << "" << 0 << "" << false << FileMap{} << pages;
    QTest::newRow("track, nothing chosen") << "track" << "" << 3 << "" << false << FileMap{} << track;
    QTest::newRow("left, chosen file deleted") << "left" << "pick/gone.jpg" << 0 << "" << false << FileMap{} << pages;
    QTest::newRow("right, a folder") << "right" << "pick" << 0 << "" << false << FileMap{} << pages;
    QTest::newRow("track, chosen file deleted") << "track" << "pick/gone.mp3" << 3 << "" << false << FileMap{} << track;
    QTest::newRow("track, category 0") << "track" << "*" << 0 << "" << false << FileMap{} << QStringList{};
    QTest::newRow("track, category 34") << "track" << "*" << 34 << "" << false << FileMap{} << QStringList{};
    QTest::newRow("left: placeholder missing keeps the new left page")
        << "left" << "*" << 0 << "spartiti/m.jpg" << false << FileMap{{"spartiti/12L.jpg", chosenBytes}}
        << QStringList{"è stata allegata", "m.jpg", "non esiste"};
    QTest::newRow("left: source gone copies no placeholder")
        << "left" << "*" << 0 << "pick/scelto.png" << false << FileMap{} << pages;
    QTest::newRow("left: data folder missing") << "left" << "*" << 0 << "spartiti" << false << FileMap{}
                                               << QStringList{"non è stata allegata", "12L.jpg", "spartiti"};
    QTest::newRow("track: audio folder missing")
        << "track" << "*" << 7 << "spartiti/audio" << false << FileMap{}
        << QStringList{"non è stata allegata", "categoria non è cambiata", "audio"};
    QTest::newRow("right: a folder in the way is not touched")
        << "right" << "*" << 0 << "spartiti/12R.jpg" << true << FileMap{}
        << QStringList{"non è stata allegata", "12R.jpg", "cartella"};
    QTest::newRow("track: copy cancelled halfway") << "cancelled" << "pick/big.mp3" << 7 << "" << false
                                                   << FileMap{} << QStringList{"annullata", "big.mp3"};
}

// A refusal copies nothing; a failed copy stops where it failed and says what was done.
// Either way the category stays as it was.
void TestAttach::refusedOrFailedChangesNothingMore()
{
    QFETCH(QString, kind);
    QFETCH(QString, path);
    QFETCH(int, code);
    QFETCH(QString, removed);
    QFETCH(bool, folderInTheWay);
    QFETCH(FileMap, written);
    QFETCH(QStringList, mentions);
    testsupport::WorkingFolder folder;
    makeData();
    if (QFileInfo(removed).isDir())
        QVERIFY(QDir(removed).removeRecursively());
    else if (!removed.isEmpty())
        QVERIFY(QFile::remove(removed));
    if (folderInTheWay)
        QVERIFY(QDir().mkdir(removed));
    if (path.endsWith(QLatin1String("big.mp3"))) {
        QFile big(path);
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(3 << 20));
    }
    Module1 state;
    state.setCurrentNumber(12);
    const FileMap expected = snapshotWith(written);

    const auto error = attach(kind, state, path == "*" ? chosen() : path, code);
    QVERIFY(error);
    if (mentions.size() == 1 && mentions.first().startsWith(QStringLiteral("Prima"))) {
        QCOMPARE(error->kind, Error::Kind::NoSelection);
        QCOMPARE(error->message, mentions.first());
    }
    for (const QString &word : mentions)
        QVERIFY2(error->message.contains(word), qPrintable(error->message));
    QCOMPARE(snapshot(), expected);
    QCOMPARE(state.catalogue.category(12), QString());
}

void TestAttach::trackSetsCategoryOfTheSameScore()
{
    testsupport::WorkingFolder folder;
    makeData();
    Module1 state;
    // The editor moved from score 5 to 7 after the track window was opened: both the
    // category and the track go to the score on show at the click.
    state.setCurrentNumber(7);
    state.catalogue.setValue(ScoreCatalogue::Field::Category, 5, QStringLiteral("2"));
    state.catalogue.setValue(ScoreCatalogue::Field::Category, 7, QStringLiteral("0"));

    QVERIFY(!attachTrack(state, chosen(), 9));
    QCOMPARE(state.catalogue.category(7), QStringLiteral("9"));
    QCOMPARE(state.catalogue.category(5), QStringLiteral("2"));
    QCOMPARE(readFile(QStringLiteral("spartiti/audio/7.mp3")), chosenBytes);
    QVERIFY(!QFile::exists(QStringLiteral("spartiti/audio/5.mp3")));
}

QTEST_GUILESS_MAIN(TestAttach)
#include "tst_attach.moc"
