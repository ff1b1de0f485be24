// The catalogue document without a window: two editors on one archive, another program
// changing it, restoring backups, the backups that saving leaves, and the lock that
// tells a second editor.

#include "archive.h"
#include "backups.h"
#include "cataloguedocument.h"
#include "module1.h"
#include "scorepaths.h"
#include "testsupport.h"

#include <QLockFile>
#include <QProcess>
#include <QUndoStack>

#include <optional>

using namespace spartiti;
using testsupport::archiveBytes;
using testsupport::readFile;
using testsupport::writeFile;
using Field = ScoreCatalogue::Field;

namespace {

// One editor's document on the working folder's archive.
struct Editor
{
    Module1 state;
    testsupport::RecordingNotifier notifier;
    CatalogueDocument document{state, notifier};
    int visit = 0;

    Editor() { QVERIFY(!document.load()); }
    void edit(int number, Field field, const QString &text) { document.setField(number, field, text, ++visit); }
};

// "title|author" of every record in the archive on disk.
QStringList onDisk()
{
    ScoreCatalogue catalogue;
    if (auto error = readArchive(catalogue, paths::archive()))
        return {error->message};
    QStringList records;
    for (int k = 1; k <= catalogue.scoreCount(); ++k)
        records.append(catalogue.title(k) + QLatin1Char('|') + catalogue.author(k));
    return records;
}

} // namespace

// Every test starts in a fresh working folder whose archive holds three scores.
class TestDocument : public QObject
{
    Q_OBJECT
    std::optional<testsupport::WorkingFolder> m_folder;

private slots:
    void init()
    {
        m_folder.emplace();
        writeFile(paths::archive(), archiveBytes(testsupport::numberedRecords(3)));
    }
    void cleanup() { m_folder.reset(); }
    void undoStepsAndSearchFollowEdits();
    void twoEditorsOnOneArchive_data();
    void twoEditorsOnOneArchive();
    void archiveChangedByAnotherProgram_data();
    void archiveChangedByAnotherProgram();
    void restoreReplacesTheWholeCatalogue_data();
    void restoreReplacesTheWholeCatalogue();
    void backupsKeepOnlyRealHistory();
    void newRecordStopsAtCapacity();
    void lock_data();
    void lock();
    void addedScoresTakeTheirFiles_data();
    void addedScoresTakeTheirFiles();
};

// Changes in one visit to a field are one step, a new visit starts another; the search
// finds what the fields hold now, never their old text.
void TestDocument::undoStepsAndSearchFollowEdits()
{
    Editor a;
    ScoreSearch &search = a.document.search();
    QCOMPARE(search.find(QStringLiteral("titolo 2")), QList<int>{2});
    a.document.setField(2, Field::Title, QStringLiteral("Mo"), 1);
    a.document.setField(2, Field::Title, QStringLiteral("Mozart"), 1);
    a.document.setField(2, Field::Title, QStringLiteral("Mozart!"), 2);
    QCOMPARE(a.document.history()->count(), 2);
    QCOMPARE(search.find(QStringLiteral("titolo 2")), QList<int>{});
    QCOMPARE(search.find(QStringLiteral("mozart")), QList<int>{2});
    a.document.history()->undo();
    QCOMPARE(a.state.catalogue.title(2), QStringLiteral("Mozart"));
    a.document.history()->undo();
    QCOMPARE(search.find(QStringLiteral("titolo 2")), QList<int>{2});
    QVERIFY(!a.document.isModified());
}

void TestDocument::twoEditorsOnOneArchive_data()
{
    // A sets score 2's title and saves first; B sets its title too, or its author.
    QTest::addColumn<bool>("conflict");
    QTest::addColumn<QList<int>>("answers");   // 0 merge, 1 overwrite, 2 cancel; then 0 mine, 1 the disk's, 2 cancel
    QTest::addColumn<QString>("secondScore");  // score 2 on disk at the end
    QTest::newRow("merge: both edits kept") << false << QList<int>{0} << "Da A|Autore B";
    QTest::newRow("conflict: keep mine") << true << QList<int>{0, 0} << "Da B|Autore 2";
    QTest::newRow("conflict: keep the disk's") << true << QList<int>{0, 1} << "Da A|Autore 2";
    QTest::newRow("conflict: cancel") << true << QList<int>{0, 2} << "Da A|Autore 2";
    QTest::newRow("overwrite") << false << QList<int>{1} << "Titolo 2|Autore B";
    QTest::newRow("cancel") << false << QList<int>{2} << "Da A|Autore 2";
}

void TestDocument::twoEditorsOnOneArchive()
{
    QFETCH(bool, conflict);
    QFETCH(QList<int>, answers);
    QFETCH(QString, secondScore);
    const bool saved = answers.last() != 2;
    Editor a, b;
    a.edit(2, Field::Title, QStringLiteral("Da A"));
    if (conflict)
        b.edit(2, Field::Title, QStringLiteral("Da B"));
    else
        b.edit(2, Field::Author, QStringLiteral("Autore B"));
    b.edit(3, Field::Title, QStringLiteral("Da B, il 3"));   // the last score on disk
    b.document.addRecord(4, 3);
    b.edit(4, Field::Title, QStringLiteral("Nuovo di B"));
    QVERIFY(a.document.save());
    QVERIFY(a.notifier.asked.isEmpty());
    const QByteArray afterA = readFile(paths::archive());
    const int backupsBefore = int(backups::list(paths::archive()).size());

    b.notifier.choices = answers;
    QCOMPARE(b.document.save(), saved);
    QVERIFY(b.notifier.choices.isEmpty());
    QVERIFY(b.notifier.asked.first().contains(QStringLiteral("Unisci")));
    if (answers.size() > 1)
        QVERIFY2(b.notifier.asked[1].contains(QStringLiteral("Spartito 2, titolo: qui «Da B», sul disco «Da A»")),
                 qPrintable(b.notifier.asked[1]));
    QCOMPARE(onDisk().value(1), secondScore);
    if (!saved) {
        QCOMPARE(readFile(paths::archive()), afterA);
        QCOMPARE(backups::list(paths::archive()).size(), backupsBefore);
        QVERIFY(b.document.isModified());
        return;
    }
    QCOMPARE(onDisk().mid(2), QStringList({"Da B, il 3|Autore 3", "Nuovo di B|"}));
    QVERIFY(!b.document.isModified());
    QCOMPARE(b.state.catalogue.title(2), secondScore.section(QLatin1Char('|'), 0, 0));
    if (answers.first() == 1) {
        // The other editor's version is kept, and the confirmation names where.
        const QString kept = backups::list(paths::archive()).first();
        QCOMPARE(readFile(kept), afterA);
        QVERIFY2(b.notifier.informed.last().contains(QFileInfo(kept).fileName()),
                 qPrintable(b.notifier.informed.last()));
    }
}

void TestDocument::archiveChangedByAnotherProgram_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("score 4 appended in place") << "in place";
    QTest::newRow("score 4 appended by an atomic replace") << "rename";
    QTest::newRow("archive deleted") << "delete";
}

void TestDocument::archiveChangedByAnotherProgram()
{
    QFETCH(QString, how);
    Editor e;
    QSignalSpy noticed(&e.document, &CatalogueDocument::changedOnDiskChanged);
    e.edit(1, Field::Title, QStringLiteral("Mio titolo"));

    const QByteArray other = archiveBytes(testsupport::numberedRecords(4));
    if (how == QLatin1String("in place")) {
        writeFile(paths::archive(), other);
    } else if (how == QLatin1String("rename")) {
        writeFile(QStringLiteral("spartiti/nuovo.tmp"), other);
        QVERIFY(QFile::remove(paths::archive()));
        QVERIFY(QFile::rename(QStringLiteral("spartiti/nuovo.tmp"), paths::archive()));
    } else {
        QVERIFY(QFile::remove(paths::archive()));
    }
    QTRY_VERIFY(e.document.changedOnDisk());
    QCOMPARE(noticed.size(), 1);
    QVERIFY(e.notifier.asked.isEmpty());   // noticed quietly; the question waits for saving

    e.notifier.choices = {0};   // merge
    QVERIFY(e.document.save());
    QStringList expected{"Mio titolo|Autore 1", "Titolo 2|Autore 2", "Titolo 3|Autore 3"};
    if (how != QLatin1String("delete"))
        expected.append(QStringLiteral("Titolo 4|Autore 4"));
    QCOMPARE(onDisk(), expected);
    QVERIFY(!e.document.changedOnDisk());
    // A second change after the save is noticed too: the watch survived the replace.
    writeFile(paths::archive(), other);
    QTRY_VERIFY(e.document.changedOnDisk());
}

void TestDocument::restoreReplacesTheWholeCatalogue_data()
{
    QTest::addColumn<int>("records");
    QTest::newRow("a shorter copy") << 1;
    QTest::newRow("a longer copy") << 5;
}

void TestDocument::restoreReplacesTheWholeCatalogue()
{
    QFETCH(int, records);
    QVERIFY(QDir().mkpath(QStringLiteral("spartiti/backup")));
    auto copy = testsupport::numberedRecords(records);
    copy[0][0] = "Dalla copia";
    writeFile(QStringLiteral("spartiti/backup/archivio-20260101-120000.js"), archiveBytes(copy));
    Editor e;
    e.edit(2, Field::Title, QStringLiteral("non salvato"));
    e.notifier.choice = 0;
    e.notifier.yes = true;

    e.document.restoreBackup();
    QCOMPARE(e.state.catalogue.scoreCount(), records);
    QCOMPARE(e.state.catalogue.title(1), QStringLiteral("Dalla copia"));
    QCOMPARE(e.document.history()->count(), 0);
    QVERIFY(!e.document.isModified());
    // No record of the replaced catalogue survives past the copy's last, not even as
    // the record that "+" counts next.
    for (int k = records + 1; k <= 3; ++k)
        QVERIFY(e.state.catalogue.title(k).isEmpty() && e.state.catalogue.author(k).isEmpty());
    QVERIFY(!e.document.addRecord(records + 1, records));
    QVERIFY(e.document.save());
    QCOMPARE(onDisk().size(), records + 1);
    QCOMPARE(onDisk().last(), QStringLiteral("|"));
}

void TestDocument::backupsKeepOnlyRealHistory()
{
    Editor e;
    for (int i = 0; i < 3; ++i)
        QVERIFY(e.document.save());
    QCOMPARE(backups::list(paths::archive()).size(), 1);   // saves without an edit add nothing

    // A save that fails after keeping a backup takes that backup back.
    e.edit(1, Field::Title, QStringLiteral("modificato"));
    QVERIFY(QFile::setPermissions(paths::archive(), QFileDevice::ReadOwner));
    QVERIFY(!e.document.save());
    QFile::setPermissions(paths::archive(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(e.notifier.warned.size(), 1);
    QCOMPARE(backups::list(paths::archive()).size(), 1);
    QVERIFY(e.document.isModified());
}

void TestDocument::newRecordStopsAtCapacity()
{
    const int full = ScoreCatalogue::MaxArchiveRecords;
    writeFile(paths::archive(), archiveBytes(testsupport::numberedRecords(full)));
    Editor e;
    const auto error = e.document.addRecord(full + 1, full);
    QVERIFY(error && error->kind == Error::Kind::TooManyRecords);
    QCOMPARE(e.state.catalogue.scoreCount(), full);
}

void TestDocument::lock_data()
{
    QTest::addColumn<QString>("holder");
    QTest::addColumn<bool>("asked");
    QTest::newRow("free") << "" << false;
    QTest::newRow("held by a running editor") << "live" << true;
    QTest::newRow("left by a killed editor") << "dead" << false;
    QTest::newRow("no lock can be made") << "no folder" << false;
}

void TestDocument::lock()
{
    QFETCH(QString, holder);
    QFETCH(bool, asked);
    const QString lockPath = QStringLiteral("spartiti/.archivio.lock");
    Module1 otherState;
    testsupport::RecordingNotifier otherNotifier;
    CatalogueDocument other(otherState, otherNotifier);
    if (holder == QLatin1String("live")) {
        QVERIFY(other.acquireLock());
    } else if (holder == QLatin1String("dead")) {
        // A lock as an editor leaves it, but naming a process that has ended.
        QProcess finished;
        finished.start(QStringLiteral("true"));
        QVERIFY(finished.waitForStarted());
        const qint64 pid = finished.processId();
        QVERIFY(finished.waitForFinished());
        QByteArray lockFile;
        {
            QLockFile held(lockPath);
            QVERIFY(held.tryLock(0));
            lockFile = readFile(lockPath);
        }
        writeFile(lockPath, lockFile.replace(0, lockFile.indexOf('\n'), QByteArray::number(pid)));
    } else if (holder == QLatin1String("no folder")) {
        QVERIFY(QDir(QStringLiteral("spartiti")).removeRecursively());
    }
    // Undo files of a killed session: only an editor that holds the lock removes them.
    const QString leftover = QStringLiteral("spartiti/.annulla/2147483647-1/1");
    if (holder != QLatin1String("no folder")) {
        QVERIFY(QDir().mkpath(QFileInfo(leftover).path()));
        writeFile(leftover, "kept");
    }
    Module1 state;
    testsupport::RecordingNotifier mine;
    CatalogueDocument document(state, mine);
    mine.yes = true;   // open anyway, when asked
    QVERIFY(document.acquireLock());
    QCOMPARE(mine.asked.size(), int(asked));
    QCOMPARE(QFileInfo::exists(leftover), asked);
    QCOMPARE(QFileInfo::exists(QStringLiteral("spartiti/.annulla")), asked);
    if (asked) {
        QVERIFY2(mine.asked.first().contains(QStringLiteral("processo %1 su ").arg(QCoreApplication::applicationPid())),
                 qPrintable(mine.asked.first()));
        mine.yes = false;
        QVERIFY(!document.acquireLock());
    } else {
        QCOMPARE(document.holdsLock(), holder != QLatin1String("no folder"));
    }
}

// Both editors add a score 4; this one's comes after the disk's at the merge, and the
// page attached here goes with it, never over a file already at the new number, while
// the track this editor never attached stays with the disk's score.
void TestDocument::addedScoresTakeTheirFiles_data()
{
    QTest::addColumn<bool>("occupied");
    QTest::newRow("new number free") << false;
    QTest::newRow("a file at the new number") << true;
}

void TestDocument::addedScoresTakeTheirFiles()
{
    QFETCH(bool, occupied);
    testsupport::WorkingFolder folder;
    writeFile(paths::archive(), archiveBytes(testsupport::numberedRecords(3)));
    Editor a, b;
    a.document.addRecord(4, 3);
    a.edit(4, Field::Title, QStringLiteral("Di A"));
    QVERIFY(a.document.save());
    writeFile(paths::track(4), "base di A");
    b.document.addRecord(4, 3);
    b.edit(4, Field::Title, QStringLiteral("Di B"));
    b.document.beginAttach(4);
    writeFile(paths::leftPage(4), "pagina di B");
    b.document.endAttach(4);
    if (occupied)
        writeFile(paths::leftPage(5), "già qui");
    b.notifier.choices = {0};
    QVERIFY(b.document.save());
    QCOMPARE(onDisk().mid(3), QStringList({"Di A|", "Di B|"}));
    QCOMPARE(readFile(paths::track(4)), QByteArray("base di A"));
    QVERIFY(!QFile::exists(paths::track(5)));
    QCOMPARE(readFile(paths::leftPage(occupied ? 4 : 5)), QByteArray("pagina di B"));
    const QString told = b.notifier.informed.last();
    QVERIFY2(told.contains(QStringLiteral("4 → 5")), qPrintable(told));
    QCOMPARE(told.contains(QStringLiteral("esiste già un file con quel nome")), occupied);
}

QTEST_GUILESS_MAIN(TestDocument)
#include "tst_document.moc"
