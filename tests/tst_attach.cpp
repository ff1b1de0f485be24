// The attaches of the pickers and the track window, run by the document without a window:
// each copies the chosen file under the score's name on a thread and says once how it ended.

#include "attachjob.h"
#include "filesnapshot.h"
#include "module1.h"
#include "testsupport.h"

using namespace spartiti;
using testsupport::writeFile;

using filesnapshot::FileMap;
using filesnapshot::snapshot;
using filesnapshot::snapshotWith;

namespace {

const QByteArray placeholderBytes("placeholder page\0\xff", 19);
const QByteArray chosenBytes("chosen file \0\x01\x80 bytes", 22);

// How one attach ended, as the document told it.
struct Outcome
{
    std::optional<Error> error;
    int finished = 0;          // attachFinished signals
    QObject *requester = nullptr;
    int number = -1;
    QList<bool> running;       // attachRunningChanged signals
};

// Asks for one attach of `kind` ("cancelled": a track copy stopped as "Annulla" does) and waits
// for its end. A refusal comes back at once with nothing started.
void attachAs(CatalogueDocument &document, const QString &kind, int score, const QString &path, int code,
              Outcome &outcome)
{
    const ScoreFile jobKind = kind == QLatin1String("left")  ? ScoreFile::LeftPage
                            : kind == QLatin1String("right") ? ScoreFile::RightPage : ScoreFile::Track;
    QObject requester;
    QObject::connect(&document, &CatalogueDocument::attachFinished, &requester,
                     [&](QObject *who, int number, const std::optional<Error> &error) {
                         outcome = {error, outcome.finished + 1, who, number, outcome.running};
                     });
    QObject::connect(&document, &CatalogueDocument::attachRunningChanged, &requester,
                     [&](bool running) { outcome.running.append(running); });
    if (auto refused = document.startAttach(jobKind, score, path, code, &requester)) {
        outcome.error = refused;
        QVERIFY(!document.attachRunning());
        QCoreApplication::processEvents();
        QVERIFY(outcome.finished == 0 && outcome.running.isEmpty());
        return;
    }
    QVERIFY(document.attachRunning());
    if (kind == QLatin1String("cancelled"))
        document.cancelAttach();
    QTRY_COMPARE_WITH_TIMEOUT(outcome.finished, 1, 60000);
    QCoreApplication::processEvents();
    QCOMPARE(outcome.finished, 1);   // exactly once
    QCOMPARE(outcome.requester, &requester);
    QCOMPARE(outcome.number, score);
    QCOMPARE(outcome.running, (QList<bool>{true, false}));
    QVERIFY(!document.attachRunning());
}

} // namespace

class TestAttach : public QObject
{
    Q_OBJECT

private slots:
    void attach_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("score");            // on show
        QTest::addColumn<QString>("path");         // "*": the chosen file
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("removed");      // made missing before the attach
        QTest::addColumn<FileMap>("written");
        QTest::addColumn<QStringList>("mentions"); // what the error must name, one "Prima...": all of it; none: success
        const QStringList pages{"Prima devi selezionare un file!"}, track{"Prima devi selezionare un file mp3!"};
        const auto succeeds = [](const char *name, const char *kind, int score, int code, const FileMap &written) {
            QTest::newRow(name) << kind << score << "*" << code << "" << written << QStringList();
        };
        const auto fails = [](const char *name, const char *kind, const char *path, int code, const char *removed,
                              const QStringList &mentions, const FileMap &written = {}) {
            QTest::newRow(name) << kind << 12 << path << code << removed << written << mentions;
        };

        succeeds("left page, then placeholder on the right", "left", 12, 0,
                 {{"spartiti/12L.jpg", chosenBytes}, {"spartiti/12R.jpg", placeholderBytes}});
        succeeds("right page only", "right", 12, 0, {{"spartiti/12R.jpg", chosenBytes}});
        succeeds("track, first category", "track", 12, 1, {{"spartiti/audio/12.mp3", chosenBytes}});
        succeeds("left page of score 1 leaves score 12 alone", "left", 1, 0,
                 {{"spartiti/1L.jpg", chosenBytes}, {"spartiti/1R.jpg", placeholderBytes}});
        succeeds("score 123, no leading zeros, last category", "track", 123, 33, {{"spartiti/audio/123.mp3", chosenBytes}});

        fails("right, nothing chosen", "right", "", 0, "", pages);
        fails("track, nothing chosen", "track", "", 3, "", track);
        fails("left, chosen file deleted", "left", "pick/gone.jpg", 0, "", pages);
        fails("right, a folder", "right", "pick", 0, "", pages);
        fails("track, category 0", "track", "*", 0, "", {"categoria 0"});
        fails("track, category 34", "track", "*", 34, "", {"categoria 34"});
        fails("left: placeholder missing keeps the new left page", "left", "*", 0, "spartiti/m.jpg",
              {"sinistra dello spartito 12 è stata allegata", "m.jpg", "non esiste"}, {{"spartiti/12L.jpg", chosenBytes}});
        fails("left: data folder missing", "left", "*", 0, "spartiti", {"sinistra dello spartito 12 non è", "12L.jpg"});
        fails("right: data folder missing", "right", "*", 0, "spartiti", {"destra dello spartito 12 non è", "12R.jpg"});
        fails("track: audio folder missing", "track", "*", 7, "spartiti/audio",
              {"base mp3 dello spartito 12 non è", "categoria non è cambiata", "audio"});
        fails("track: copy cancelled halfway", "cancelled", "pick/big.mp3", 7, "", {"annullata", "big.mp3"});
    }
    // An attach writes byte-equal copies for the score asked for and touches nothing else; a track
    // sets the category too. A refusal or a failure says what was done and leaves the category.
    void attach()
    {
        QFETCH(QString, kind);
        QFETCH(int, score);
        QFETCH(QString, path);
        QFETCH(int, code);
        QFETCH(QString, removed);
        QFETCH(FileMap, written);
        QFETCH(QStringList, mentions);
        // A placeholder, score 12's pages and track, score 1's left page; the chosen file outside.
        testsupport::WorkingFolder folder;
        QDir().mkpath(folder.file(QStringLiteral("pick")));
        const FileMap before{{"spartiti/m.jpg", placeholderBytes}, {"spartiti/12L.jpg", "old left"},
                             {"spartiti/12R.jpg", "old right"}, {"spartiti/1L.jpg", "score one"},
                             {"spartiti/audio/12.mp3", "old track"}, {"pick/scelto.png", chosenBytes}};
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            writeFile(folder.file(it.key()), it.value());
        if (!removed.isEmpty()) {
            const QString gone = folder.file(removed);
            QVERIFY(QFileInfo(gone).isDir() ? QDir(gone).removeRecursively() : QFile::remove(gone));
        }
        const QString chosen = path == QLatin1String("*") ? folder.file(QStringLiteral("pick/scelto.png"))
                                                          : path.isEmpty() ? QString() : folder.file(path);
        if (path.endsWith(QLatin1String("big.mp3"))) {
            // Large enough that the cancel always comes while the copy runs: a sparse file,
            // whose blocks cost nothing until they are copied.
            QFile big(chosen);
            QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(64) << 20));
        }
        Module1 state;
        testsupport::RecordingNotifier notifier;
        CatalogueDocument document(folder.catalogue(), state, notifier);
        state.setCurrentNumber(score);
        // The editor showed the score with its files: those the attach replaces are the ones the user saw.
        document.noteFilesSeen(score);
        const FileMap expected = snapshotWith(folder.path(), written);

        Outcome outcome;
        attachAs(document, kind, score, chosen, code, outcome);
        if (QTest::currentTestFailed())
            return;
        const std::optional<Error> &error = outcome.error;
        QCOMPARE(snapshot(folder.path()), expected);
        const bool categorised = kind == "track" && mentions.isEmpty();
        QCOMPARE(document.catalogue().category(score), categorised ? QString::number(code) : QString());
        QVERIFY2(bool(error) != mentions.isEmpty(), error ? qPrintable(error->message) : "");   // an error exactly when expected
        if (!error)
            return;
        if (mentions.first().startsWith(QStringLiteral("Prima")))
            QCOMPARE(std::pair(error->kind, error->message), std::pair(Error::Kind::NoSelection, mentions.first()));
        for (const QString &word : mentions)
            QVERIFY2(error->message.contains(word), qPrintable(error->message));
    }
};

QTEST_GUILESS_MAIN(TestAttach)
#include "tst_attach.moc"
