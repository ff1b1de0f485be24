#include "attach.h"
#include "attachjob.h"
#include "filesnapshot.h"
#include "module1.h"
#include "scorepaths.h"
#include "testsupport.h"

using namespace spartiti;
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

std::optional<Error> attachAs(const QString &kind, Module1 &state, const QString &path, int code)
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
    void attach_data();
    void attach();
};

void TestAttach::attach_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("score");            // on show
    QTest::addColumn<QString>("path");         // "*": the chosen file
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("removed");      // made missing before the attach
    QTest::addColumn<FileMap>("written");
    QTest::addColumn<QStringList>("mentions"); // what the error must name, one "Prima...": all of it; none: success
    const QStringList pages{"Prima devi selezionare un file!"};
    const QStringList track{"Prima devi selezionare un file mp3!"};
    const auto succeeds = [](const char *name, const char *kind, int score, int code, const FileMap &written) {
        QTest::newRow(name) << kind << score << "*" << code << "" << written << QStringList();
    };

    succeeds("left page, then placeholder on the right", "left", 12, 0,
             {{"spartiti/12L.jpg", chosenBytes}, {"spartiti/12R.jpg", placeholderBytes}});
    succeeds("right page only", "right", 12, 0, {{"spartiti/12R.jpg", chosenBytes}});
    succeeds("track, first category", "track", 12, 1, {{"spartiti/audio/12.mp3", chosenBytes}});
    succeeds("left page of score 1 leaves score 12 alone", "left", 1, 0,
             {{"spartiti/1L.jpg", chosenBytes}, {"spartiti/1R.jpg", placeholderBytes}});
    succeeds("score 123, no leading zeros, last category", "track", 123, 33, {{"spartiti/audio/123.mp3", chosenBytes}});

    QTest::newRow("right, nothing chosen") << "right" << 12 << "" << 0 << "" << FileMap{} << pages;
    QTest::newRow("track, nothing chosen") << "track" << 12 << "" << 3 << "" << FileMap{} << track;
    QTest::newRow("left, chosen file deleted") << "left" << 12 << "pick/gone.jpg" << 0 << "" << FileMap{} << pages;
    QTest::newRow("right, a folder") << "right" << 12 << "pick" << 0 << "" << FileMap{} << pages;
    QTest::newRow("track, chosen file deleted") << "track" << 12 << "pick/gone.mp3" << 3 << "" << FileMap{} << track;
    QTest::newRow("track, category 0") << "track" << 12 << "*" << 0 << "" << FileMap{} << QStringList{"categoria 0"};
    QTest::newRow("track, category 34") << "track" << 12 << "*" << 34 << "" << FileMap{} << QStringList{"categoria 34"};
    QTest::newRow("left: placeholder missing keeps the new left page")
        << "left" << 12 << "*" << 0 << "spartiti/m.jpg" << FileMap{{"spartiti/12L.jpg", chosenBytes}}
        << QStringList{"sinistra dello spartito 12 è stata allegata", "m.jpg", "non esiste"};
    QTest::newRow("left: data folder missing") << "left" << 12 << "*" << 0 << "spartiti" << FileMap{}
                                               << QStringList{"sinistra dello spartito 12 non è", "12L.jpg"};
    QTest::newRow("right: data folder missing") << "right" << 12 << "*" << 0 << "spartiti" << FileMap{}
                                                << QStringList{"destra dello spartito 12 non è", "12R.jpg"};
    QTest::newRow("track: audio folder missing")
        << "track" << 12 << "*" << 7 << "spartiti/audio" << FileMap{}
        << QStringList{"base mp3 dello spartito 12 non è", "categoria non è cambiata", "audio"};
    QTest::newRow("track: copy cancelled halfway")
        << "cancelled" << 12 << "pick/big.mp3" << 7 << "" << FileMap{} << QStringList{"annullata", "big.mp3"};
}

// Each attach writes byte-equal copies of the score on show's files, keeps the source
// and touches nothing else; a track sets the category too. A refusal copies nothing; a
// failed copy stops where it failed and says what was done. Either way the category
// stays as it was.
void TestAttach::attach()
{
    QFETCH(QString, kind);
    QFETCH(int, score);
    QFETCH(QString, path);
    QFETCH(int, code);
    QFETCH(QString, removed);
    QFETCH(FileMap, written);
    QFETCH(QStringList, mentions);
    testsupport::WorkingFolder folder;
    makeData();
    if (!removed.isEmpty())
        QVERIFY(QFileInfo(removed).isDir() ? QDir(removed).removeRecursively() : QFile::remove(removed));
    if (path.endsWith(QLatin1String("big.mp3"))) {
        QFile big(path);
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(3 << 20));
    }
    Module1 state;
    state.setCurrentNumber(score);
    const FileMap expected = snapshotWith(written);

    const auto error = attachAs(kind, state, path == "*" ? chosen() : path, code);
    QCOMPARE(snapshot(), expected);
    const bool categorised = kind == "track" && mentions.isEmpty();
    QCOMPARE(state.catalogue.category(score), categorised ? QString::number(code) : QString());
    if (mentions.isEmpty()) {
        QVERIFY2(!error, error ? qPrintable(error->message) : "");
        return;
    }
    QVERIFY(error);
    if (mentions.first().startsWith(QStringLiteral("Prima"))) {
        QCOMPARE(error->kind, Error::Kind::NoSelection);
        QCOMPARE(error->message, mentions.first());
    }
    for (const QString &word : mentions)
        QVERIFY2(error->message.contains(word), qPrintable(error->message));
}

QTEST_GUILESS_MAIN(TestAttach)
#include "tst_attach.moc"
