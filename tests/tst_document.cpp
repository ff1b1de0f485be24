// The catalogue document without a window: two editors on one archive, another program
// changing it, restoring backups and the backups saving leaves.

#include "archive.h"
#include "backups.h"
#include "testsupport.h"

#include <QUndoStack>

#include <cstdio>
#include <optional>

using namespace spartiti;
using testsupport::archiveBytes;
using testsupport::readFile;
using testsupport::writeFile;
using Field = ScoreCatalogue::Field;

namespace {

// The test's temporary folder, made afresh for each test function, and its catalogue.
std::optional<testsupport::WorkingFolder> folder;
CatalogueFolder catalogue() { return folder->catalogue(); }

// One editor's document on the temporary folder's archive.
struct Editor : testsupport::DocumentFixture
{
    int visit = 0;
    Editor() : DocumentFixture(catalogue()) {}
    void edit(int number, Field field, const QString &text) { document.setField(number, field, text, ++visit); }
    void add(int n, const QString &title) { document.addRecord(n, n - 1); edit(n, Field::Title, title); }
};

// "title|author" of every record in the archive on disk.
QStringList onDisk()
{
    ScoreCatalogue catalogue;
    if (auto error = readArchive(catalogue, ::catalogue().archive()))
        return {error->message};
    QStringList records;
    for (int k = 1; k <= catalogue.scoreCount(); ++k)
        records.append(catalogue.title(k) + QLatin1Char('|') + catalogue.author(k));
    return records;
}

} // namespace

// Every test starts in a fresh temporary folder whose archive holds three scores.
class TestDocument : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        folder.emplace();
        writeFile(catalogue().archive(), archiveBytes(testsupport::numberedRecords(3)));
    }
    void cleanup() { folder.reset(); }
    // The search finds what the fields hold now, also after an undo. Backups keep only real history.
    void searchAndBackupsFollowEdits()
    {
        Editor a;
        ScoreSearch &search = a.document.search();
        QCOMPARE(search.find(QStringLiteral("titolo 2")), QList<int>{2});
        a.document.setField(2, Field::Title, QStringLiteral("Mozart"), 1);
        QCOMPARE(search.find(QStringLiteral("titolo 2")), QList<int>{});
        a.document.history()->undo();
        QCOMPARE(search.find(QStringLiteral("titolo 2")), QList<int>{2});
        QVERIFY(!a.document.isModified());

        QVERIFY(a.document.save() && a.document.save() && a.document.save());
        QCOMPARE(backups::list(catalogue().archive()).size(), 1);   // saves without an edit add nothing
        // A save that fails after keeping a backup (of an archive no backup holds yet) takes it back.
        a.document.setField(1, Field::Title, QStringLiteral("modificato"), 3);
        QVERIFY(a.document.save());
        a.document.setField(1, Field::Title, QStringLiteral("di nuovo"), 4);
        QVERIFY(QFile::setPermissions(catalogue().archive(), QFileDevice::ReadOwner));
        QVERIFY(!a.document.save());
        QCOMPARE(a.notifier.warned.size(), 1);
        QCOMPARE(backups::list(catalogue().archive()).size(), 1);
        QVERIFY(a.document.isModified());
    }
    void twoEditorsOnOneArchive_data()
    {
        // A sets score 2's title and saves first; B sets its title too, a conflict, or its author.
        QTest::addColumn<QList<int>>("answers");   // 0 merge, 1 overwrite, 2 cancel; then 0 mine, 1 the disk's, 2 cancel
        QTest::addColumn<QString>("secondScore");  // score 2 on disk at the end
        QTest::newRow("merge: both edits kept") << QList<int>{0} << "Da A|Autore B";
        QTest::newRow("conflict: keep mine") << QList<int>{0, 0} << "Da B|Autore 2";
        QTest::newRow("conflict: keep the disk's") << QList<int>{0, 1} << "Da A|Autore 2";
        QTest::newRow("conflict: cancel") << QList<int>{0, 2} << "Da A|Autore 2";
        QTest::newRow("overwrite") << QList<int>{1} << "Titolo 2|Autore B";
        QTest::newRow("cancel") << QList<int>{2} << "Da A|Autore 2";
    }
    void twoEditorsOnOneArchive()
    {
        QFETCH(QList<int>, answers);
        QFETCH(QString, secondScore);
        const bool conflict = answers.size() > 1, saved = answers.last() != 2;
        Editor a, b;
        a.edit(2, Field::Title, QStringLiteral("Da A"));
        b.edit(2, conflict ? Field::Title : Field::Author, conflict ? QStringLiteral("Da B") : QStringLiteral("Autore B"));
        b.edit(3, Field::Title, QStringLiteral("Da B, il 3"));   // the last score on disk
        b.add(4, QStringLiteral("Nuovo di B"));
        QVERIFY(a.document.save());
        QVERIFY(a.notifier.asked.isEmpty());
        const QByteArray afterA = readFile(catalogue().archive());
        const int backupsBefore = int(backups::list(catalogue().archive()).size());
        b.notifier.choices = answers;
        QCOMPARE(b.document.save(), saved);
        QVERIFY(b.notifier.asked.first().contains(QStringLiteral("Unisci")));
        if (conflict)
            QVERIFY2(b.notifier.asked[1].contains(QStringLiteral("Spartito 2, titolo: qui «Da B», sul disco «Da A»")),
                     qPrintable(b.notifier.asked[1]));
        QCOMPARE(onDisk().value(1), secondScore);
        QCOMPARE(b.document.isModified(), !saved);
        if (!saved) {
            QCOMPARE(readFile(catalogue().archive()), afterA);
            QCOMPARE(backups::list(catalogue().archive()).size(), backupsBefore);
            return;
        }
        QCOMPARE(onDisk().mid(2), QStringList({"Da B, il 3|Autore 3", "Nuovo di B|"}));
        QCOMPARE(b.document.catalogue().title(2), secondScore.section(QLatin1Char('|'), 0, 0));
        if (answers.first() == 1) {
            // The other editor's version is kept, and the confirmation names where.
            const QString kept = backups::list(catalogue().archive()).first();
            QCOMPARE(readFile(kept), afterA);
            QVERIFY2(b.notifier.informed.last().contains(QFileInfo(kept).fileName()),
                     qPrintable(b.notifier.informed.last()));
        }
    }
    void archiveChangedByAnotherProgram_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("score 4 appended in place") << "in place";
        QTest::newRow("score 4 appended by an atomic replace") << "rename";
        QTest::newRow("archive deleted") << "delete";
    }
    void archiveChangedByAnotherProgram()
    {
        QFETCH(QString, how);
        Editor e;
        const QByteArray original = readFile(catalogue().archive());
        QSignalSpy noticed(&e.document, &CatalogueDocument::changedOnDiskChanged);
        e.edit(1, Field::Title, QStringLiteral("Mio titolo"));
        const QByteArray other = archiveBytes(testsupport::numberedRecords(4));
        if (how == QLatin1String("delete"))
            QVERIFY(QFile::remove(catalogue().archive()));
        else   // in place, or written beside it and renamed over it
            writeFile(how == QLatin1String("rename") ? catalogue().file(QStringLiteral("nuovo.tmp")) : catalogue().archive(), other);
        if (how == QLatin1String("rename"))
            QCOMPARE(std::rename(qPrintable(catalogue().file(QStringLiteral("nuovo.tmp"))), qPrintable(catalogue().archive())), 0);
        QTRY_VERIFY(e.document.changedOnDisk());
        QCOMPARE(noticed.size(), 1);
        QVERIFY(e.notifier.asked.isEmpty());   // noticed quietly; the question waits for saving
        // The archive's own bytes put back are no change; the watch outlives a replace.
        if (how != QLatin1String("delete")) {
            writeFile(catalogue().archive(), original);
            QTRY_VERIFY(!e.document.changedOnDisk());
            writeFile(catalogue().archive(), other);
            QTRY_VERIFY(e.document.changedOnDisk());
        }

        e.notifier.choices = {0};   // merge
        QVERIFY(e.document.save());
        const QStringList merged{"Mio titolo|Autore 1", "Titolo 2|Autore 2", "Titolo 3|Autore 3", "Titolo 4|Autore 4"};
        QCOMPARE(onDisk(), merged.first(how == QLatin1String("delete") ? 3 : 4));
        QVERIFY(!e.document.changedOnDisk());
        // A second change after the save is noticed too: the watch survived the replace.
        writeFile(catalogue().archive(), other);
        QTRY_VERIFY(e.document.changedOnDisk());
    }
    void restoreReplacesTheWholeCatalogue_data()
    {
        QTest::addColumn<int>("records");
        QTest::newRow("a shorter copy") << 1;
        QTest::newRow("a longer copy") << 5;
        QTest::newRow("a full copy") << int(ScoreCatalogue::MaxArchiveRecords);
    }
    void restoreReplacesTheWholeCatalogue()
    {
        QFETCH(int, records);
        QVERIFY(QDir().mkpath(catalogue().file(QStringLiteral("backup"))));
        auto copy = testsupport::numberedRecords(records);
        copy[0][0] = "Dalla copia";
        writeFile(catalogue().file(QStringLiteral("backup/archivio-20260101-120000.js")), archiveBytes(copy));
        Editor e;
        e.edit(2, Field::Title, QStringLiteral("non salvato"));
        e.notifier.choice = 0;
        e.document.restoreBackup();   // "no" to the question: nothing changes
        QCOMPARE(e.document.catalogue().title(2), QStringLiteral("non salvato"));
        e.notifier.yes = true;
        e.document.restoreBackup();
        // The archive it replaced is kept beside the copy.
        QCOMPARE(backups::list(catalogue().archive()).size(), 2);
        QCOMPARE(e.document.catalogue().scoreCount(), records);
        QCOMPARE(e.document.catalogue().title(1), QStringLiteral("Dalla copia"));
        QCOMPARE(e.document.history()->count(), 0);
        QVERIFY(!e.document.isModified());
        // No record of the replaced catalogue survives past the copy's last, not even for "+".
        for (int k = records + 1; k <= 3; ++k)
            QVERIFY(e.document.catalogue().title(k).isEmpty() && e.document.catalogue().author(k).isEmpty());
        // Room for one more past the copy's last, unless the catalogue is full.
        const bool full = records == ScoreCatalogue::MaxArchiveRecords;
        QCOMPARE(e.document.addRecord(records + 1, records).has_value(), full);
        QVERIFY(e.document.save());
        QCOMPARE(onDisk().size(), full ? records : records + 1);
        QCOMPARE(onDisk().last(), full ? QStringLiteral("Titolo %1|Autore %1").arg(records) : QStringLiteral("|"));
    }
    // Both editors add a score 4; at the merge this one's becomes 5 and takes the page attached
    // here, never over a file already at 5; the other's track stays with the disk's score 4.
    void addedScoresTakeTheirFiles_data()
    {
        QTest::addColumn<bool>("occupied");
        QTest::newRow("new number free") << false;
        QTest::newRow("a file at the new number") << true;
    }
    void addedScoresTakeTheirFiles()
    {
        QFETCH(bool, occupied);
        Editor a, b;
        a.add(4, QStringLiteral("Di A"));
        QVERIFY(a.document.save());
        writeFile(catalogue().track(4), "base di A");
        b.add(4, QStringLiteral("Di B"));
        // B attaches a right page to its score 4, as its right picker does.
        writeFile(folder->file(QStringLiteral("pagina.jpg")), "pagina di B");
        testsupport::attachAndWait(b.document, ScoreFile::RightPage, 4, folder->file(QStringLiteral("pagina.jpg")));
        if (occupied)
            writeFile(catalogue().rightPage(5), "già qui");
        b.notifier.choices = {0};
        QVERIFY(b.document.save());
        QCOMPARE(onDisk().mid(3), QStringList({"Di A|", "Di B|"}));
        QCOMPARE(readFile(catalogue().track(4)), QByteArray("base di A"));
        QVERIFY(!QFile::exists(catalogue().track(5)));
        QCOMPARE(readFile(catalogue().rightPage(occupied ? 4 : 5)), QByteArray("pagina di B"));
        const QString told = b.notifier.informed.last();
        QVERIFY2(told.contains(QStringLiteral("4 → 5")), qPrintable(told));
        // A file that stays where it is keeps its place; the message names the one left behind.
        QCOMPARE(told.contains(QStringLiteral("non è stato rinominato in \"%1\"").arg(catalogue().rightPage(5))), occupied);
    }
};

QTEST_GUILESS_MAIN(TestDocument)
#include "tst_document.moc"
