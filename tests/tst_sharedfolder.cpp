// A catalogue shared through a sync service or a network folder: conflict copies, others' pages
// and locks, and nothing outside the folder linked in, moved or removed, not even by a planted journal.

#include "archivemerge.h"
#include "attachprogress.h"
#include "filesnapshot.h"
#include "scorefilemoves.h"
#include "cataloguelock.h"
#include "conflictcopies.h"
#include "reorganisationjournal.h"
#include "reorganiser.h"
#include "syncfolder.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QUndoStack>

#include <sys/stat.h>
#include <utime.h>

using namespace spartiti;
using testsupport::archiveBytes;
using testsupport::numberedRecords;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

using Editor = testsupport::DocumentFixture;

QString title(const QString &archive, int number)
{
    ScoreCatalogue catalogue;
    const bool unreadable = bool(loadArchiveBytes(catalogue, readFile(archive), archive));
    return unreadable ? QStringLiteral("<unreadable>") : catalogue.title(number) + QLatin1Char('|') + catalogue.author(number);
}

struct Catalogue
{
    QTemporaryDir dir;
    QString data;
    CatalogueFolder folder;
    const QString chosen = dir.filePath(QStringLiteral("scelta.jpg"));   // the page chosen here
    Catalogue()
        : data(dir.filePath(QStringLiteral("spartiti")))
        , folder(data)
    {
        QDir().mkpath(data + QStringLiteral("/audio"));
        writeFile(folder.archive(), archiveBytes(numberedRecords(3)));
        writeFile(folder.placeholderPage(), "segnaposto");
        writeFile(chosen, "mia pagina");
    }
};

} // namespace

class TestSharedFolder : public QObject
{
    Q_OBJECT

private slots:
    void conflictCopyNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("conflict");
        QTest::newRow("Syncthing") << "archivio.sync-conflict-20261207-101500-ABCDEFG.js" << true;
        QTest::newRow("Dropbox") << "archivio (conflicted copy 2026-12-07 101500).js" << true;
        QTest::newRow("Dropbox, with the owner") << "archivio (Nome's conflicted copy 2026-12-07).js" << true;
        QTest::newRow("ownCloud") << "archivio_conflict-20261207-101500.js" << true;
        QTest::newRow("the archive") << "archivio.js" << false;
        QTest::newRow("a backup") << "archivio-20261207-101500.js" << false;
        QTest::newRow("the category list's copy") << "generi.sync-conflict-20261207-101500-ABCDEFG.js" << false;
    }
    void conflictCopyNames()
    {
        QFETCH(QString, name);
        QTEST(isConflictCopyName(name), "conflict");
    }
    // Two computers save 0.6 s apart and the service renames this one's archive: merged at once or
    // by a later "Unisci", both computers' edits end up in the archive.
    void conflictCopyMergedWithTheRightBase_data()
    {
        QTest::addColumn<bool>("mergeTheCopy");
        QTest::newRow("the copy merged") << true;
        QTest::newRow("the copy left, a later save merged") << false;
    }
    void conflictCopyMergedWithTheRightBase()
    {
        QFETCH(bool, mergeTheCopy);
        Catalogue c;
        Editor mine(c.folder);
        mine.document.setField(1, ScoreCatalogue::Field::Title, QStringLiteral("Mia modifica"), 1);
        QVERIFY(mine.document.save());

        // The other computer had the archive before this save and changed an author.
        QList<QList<QByteArray>> theirs = numberedRecords(3);
        theirs[1][1] = "Loro modifica";
        const QString copy = c.folder.file(QStringLiteral("archivio.sync-conflict-20261207-101500-ABCDEFG.js"));
        QVERIFY(QFile::rename(c.folder.archive(), copy));
        writeFile(c.folder.archive(), archiveBytes(theirs));

        mine.document.setField(3, ScoreCatalogue::Field::Title, QStringLiteral("Dopo"), 2);
        // Merge the copy (or not now), then merge with the archive on disk.
        mine.notifier.choices = {mergeTheCopy ? 0 : 1, 0};
        QVERIFY(mine.document.save());
        const QStringList expected{"Mia modifica|Autore 1", "Titolo 2|Loro modifica", "Dopo|Autore 3"};
        for (int k = 1; k <= 3; ++k)
            QCOMPARE(title(c.folder.archive(), k), expected[k - 1]);
        // A merged copy goes among the backups, not away.
        QCOMPARE(QFileInfo::exists(copy), !mergeTheCopy);
        QVERIFY(!mergeTheCopy || mine.notifier.informed.last().contains(QStringLiteral("copie di sicurezza")));
    }
    void mergeFollowsTheirReorganisation_data()
    {
        // Their archive: the numbers of the five scores read here, in its order (0: a score it inserted);
        // a score followed by "+" got its author changed there, "*" its title, "=" its title as here.
        QTest::addColumn<QString>("theirs");
        QTest::addColumn<int>("editedHere");     // score whose title this side changed
        QTest::addColumn<QString>("expected");   // titles and authors after the merge
        QTest::addColumn<int>("conflictAt");     // the number the conflict names, 0 for none
        QTest::newRow("they deleted a score before it") << "1 3 4 5" << 4 << "T1|A1 T3|A3 Mio|A4 T5|A5" << 0;
        QTest::newRow("they inserted a score before it") << "1 0 2 3 4 5" << 4 << "T1|A1 | T2|A2 T3|A3 Mio|A4 T5|A5" << 0;
        QTest::newRow("they moved the first to the end") << "2 3 4 5 1" << 3 << "T2|A2 Mio|A3 T4|A4 T5|A5 T1|A1" << 0;
        QTest::newRow("they moved one and changed another") << "2 3+ 4 5 1" << 3 << "T2|A2 Mio|loro T4|A4 T5|A5 T1|A1" << 0;
        QTest::newRow("they deleted one and changed the next") << "1 3+ 4 5" << 3 << "T1|A1 Mio|loro T4|A4 T5|A5" << 0;
        QTest::newRow("they deleted the one edited here") << "1 2 3 5" << 4 << "T1|A1 T2|A2 T3|A3 T5|A5 Mio|A4" << 0;
        QTest::newRow("the same edit on both sides") << "1 2 3 4= 5" << 4 << "T1|A1 T2|A2 T3|A3 Mio|A4 T5|A5" << 0;
        QTest::newRow("a conflict where the score stands now") << "2 3 4* 5" << 4 << "T2|A2 T3|A3 Loro|A4 T5|A5" << 3;
    }
    // The other editor deleted, inserted or moved scores while this one edited a title: the edit
    // goes to the score it was made on, wherever it stands now, never to the one that took its number.
    void mergeFollowsTheirReorganisation()
    {
        QFETCH(QString, theirs);
        QFETCH(int, editedHere);
        using Field = ScoreCatalogue::Field;
        const auto make = [](const QStringList &records) {
            ScoreCatalogue catalogue;
            catalogue.setScoreCount(records.size());
            for (int k = 1; k <= records.size(); ++k) {
                const QString record = records[k - 1];
                const QChar mark = record.back();
                const QString old = mark.isDigit() ? record : record.chopped(1);
                catalogue.setValue(Field::Number, k, QString::number(k));
                if (old != QLatin1String("0")) {
                    catalogue.setValue(Field::Title, k, mark == QLatin1Char('*') ? QStringLiteral("Loro")
                                                        : mark == QLatin1Char('=') ? QStringLiteral("Mio") : QLatin1Char('T') + old);
                    catalogue.setValue(Field::Author, k, mark == QLatin1Char('+') ? QStringLiteral("loro") : QLatin1Char('A') + old);
                    catalogue.setValue(Field::Category, k, QStringLiteral("3"));
                }
            }
            return catalogue;
        };
        const ScoreCatalogue base = make({"1", "2", "3", "4", "5"});
        ScoreCatalogue mine = base;
        mine.setValue(Field::Title, editedHere, QStringLiteral("Mio"));
        const ArchiveMerge merge = mergeEdits(base, mine, make(theirs.split(QLatin1Char(' '))));
        QStringList result;
        for (int k = 1; k <= merge.keepingTheirs.scoreCount(); ++k)
            result.append(merge.keepingTheirs.title(k) + QLatin1Char('|') + merge.keepingTheirs.author(k));
        QTEST(result.join(QLatin1Char(' ')), "expected");
        QTEST(merge.conflicts.isEmpty() ? 0 : merge.conflicts.first().number, "conflictAt");
    }
    void attachAskBeforeReplacingAnothersPage()
    {
        Catalogue c;
        Editor mine(c.folder);
        mine.document.noteFilesSeen(3);
        // Another editor's page for its own score 3 arrives after this editor showed score 3.
        writeFile(c.folder.leftPage(3), "pagina dell'altro");
        const auto refused = mine.document.startAttach(ScoreFile::LeftPage, 3, c.chosen);
        QVERIFY(refused && refused->kind == Error::Kind::NeedsConfirmation);
        QCOMPARE(readFile(c.folder.leftPage(3)), QByteArray("pagina dell'altro"));
        // Once seen, or with the user's agreement, the page is replaced as usual.
        mine.document.noteFilesSeen(3);
        testsupport::attachAndWait(mine.document, ScoreFile::LeftPage, 3, c.chosen);
        QCOMPARE(readFile(c.folder.leftPage(3)), QByteArray("mia pagina"));
    }
    // Both editors added score 4; the other saved first, with its page. Choosing "Numero
    // nuovo" keeps the other's page, merges, and attaches to this editor's score at 5.
    void newScoreStepsAsideForAnothersPage()
    {
        Catalogue c;
        Editor mine(c.folder);
        QVERIFY(!mine.document.addRecord(3, 3));
        mine.document.setField(4, ScoreCatalogue::Field::Title, QStringLiteral("Mio nuovo"), 1);
        mine.state.setCurrentNumber(4);
        writeFile(c.folder.archive(), archiveBytes(numberedRecords(3) << QList<QByteArray>{"Loro nuovo", "Autore", "", "1"}));
        writeFile(c.folder.leftPage(4), "pagina dell'altro");

        mine.notifier.choices = {1, 0};   // "Numero nuovo", then "Unisci" on saving
        QSignalSpy finished(&mine.document, &CatalogueDocument::attachFinished);
        QVERIFY(!startAttachAsking(mine.document, mine.notifier, ScoreFile::LeftPage, 4, c.chosen, 0, nullptr));
        QVERIFY(finished.wait());
        QCOMPARE(finished.first().at(1).toInt(), 5);
        QCOMPARE(mine.state.currentNumber(), 5);
        QCOMPARE(readFile(c.folder.leftPage(4)) + '|' + readFile(c.folder.leftPage(5)), "pagina dell'altro|mia pagina");
        QCOMPARE(title(c.folder.archive(), 4), QStringLiteral("Loro nuovo|Autore"));
        QCOMPARE(title(c.folder.archive(), 5).section(QLatin1Char('|'), 0, 0), QStringLiteral("Mio nuovo"));

        // A score that was already on disk cannot step aside: only replace or cancel.
        writeFile(c.folder.rightPage(2), "pagina destra dell'altro");
        mine.notifier.choices = {1};   // "Annulla"
        QVERIFY(!startAttachAsking(mine.document, mine.notifier, ScoreFile::RightPage, 2, c.chosen, 0, nullptr));
        QCOMPARE(mine.notifier.buttons, QStringList({QStringLiteral("Sostituisci"), QStringLiteral("Annulla")}));
        QCOMPARE(readFile(c.folder.rightPage(2)), QByteArray("pagina destra dell'altro"));
    }
    void pagesAttachedAtOnceOnTwoComputers_data()
    {
        QTest::addColumn<bool>("mineSetAside");
        QTest::newRow("this editor's page became the conflict copy") << true;
        QTest::newRow("the other's page became the conflict copy") << false;
    }
    // Both computers added score 4 with a left page before the folder synced, and the service renamed
    // one page: after the merge each new score has its own page, and no conflict copy is left.
    void pagesAttachedAtOnceOnTwoComputers()
    {
        QFETCH(bool, mineSetAside);
        Catalogue c;
        Editor mine(c.folder);
        QVERIFY(!mine.document.addRecord(3, 3));
        testsupport::attachAndWait(mine.document, ScoreFile::LeftPage, 4, c.chosen);

        const QString copy = c.data + QStringLiteral("/4L.sync-conflict-20261207-101500-ABCDEFG.jpg");
        if (mineSetAside) {
            QVERIFY(QFile::rename(c.folder.leftPage(4), copy));
            writeFile(c.folder.leftPage(4), "pagina dell'altro");
        } else {
            writeFile(copy, "pagina dell'altro");
        }
        writeFile(c.folder.archive(), archiveBytes(numberedRecords(3) << QList<QByteArray>{"Loro nuovo", "Autore", "", "1"}));
        mine.notifier.choices = {0};   // "Unisci"
        QVERIFY(mine.document.save());
        QCOMPARE(title(c.folder.archive(), 4), QStringLiteral("Loro nuovo|Autore"));
        QCOMPARE(readFile(c.folder.leftPage(4)) + '|' + readFile(c.folder.leftPage(5)), "pagina dell'altro|mia pagina");
        QVERIFY(!QFileInfo::exists(copy));
    }
    void anotherComputersLock_data()
    {
        QTest::addColumn<QString>("host");      // "" for this computer
        QTest::addColumn<QString>("process");   // "running", "gone"
        QTest::addColumn<int>("minutesOld");
        QTest::addColumn<bool>("live");
        QTest::newRow("another computer, refreshed now") << "altro-computer" << "gone" << 0 << true;
        QTest::newRow("another computer, 50 minutes") << "altro-computer" << "gone" << 50 << true;
        QTest::newRow("another computer, 70 minutes") << "altro-computer" << "running" << 70 << false;
        QTest::newRow("this computer, a running editor's, 2 hours") << "" << "running" << 120 << true;
        QTest::newRow("this computer, a gone editor's, fresh") << "" << "gone" << 0 << false;
    }
    // A lock is live while its process runs on this computer, or for an hour after its refresh on another:
    // a live one is asked about and kept with its undo files, a dead one taken over; closing never deletes another's.
    void anotherComputersLock()
    {
        QFETCH(QString, host);
        QFETCH(QString, process);
        QFETCH(int, minutesOld);
        QFETCH(bool, live);
        Catalogue c;
        QProcess running;
        running.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(running.waitForStarted());
        const qint64 pid = process == QLatin1String("running") ? running.processId() : 2147483647;
        const QByteArray held = QByteArray::number(pid) + "\nspartiti\n"
            + (host.isEmpty() ? CatalogueLock::hostName() : host).toUtf8() + "\n";
        const QString lock = c.folder.lockFile();
        writeFile(lock, held);
        const qint64 then = QDateTime::currentSecsSinceEpoch() - minutesOld * 60;
        const utimbuf times{then, then};
        QCOMPARE(::utime(QFile::encodeName(lock).constData(), &times), 0);
        const QString leftover = c.folder.file(QStringLiteral(".annulla/2147483647-1/1"));
        QVERIFY(QDir().mkpath(QFileInfo(leftover).path()));
        writeFile(leftover, "di una sessione finita male");
        {
            Editor mine(c.folder, false);
            QCOMPARE(mine.document.acquireLock(), !live);
            QCOMPARE(mine.notifier.asked.size(), int(live));
            QCOMPARE(QFileInfo::exists(leftover), live);
            const QString asked = mine.notifier.asked.value(0);
            QVERIFY2(!live || asked.contains(host.isEmpty() ? QStringLiteral("processo %1 su ").arg(pid) : host),
                     qPrintable(asked));
            QVERIFY(!live || host.isEmpty() || asked.contains(QStringLiteral("minut")));
            if (!live)   // the sync service puts the other computer's lock in place of this one's
                writeFile(lock, "77\nspartiti\naltro-computer\n");
        }
        QCOMPARE(readFile(lock), live ? held : QByteArray("77\nspartiti\naltro-computer\n"));

        // A holder refreshes its own lock, so that another computer sees it live, and never
        // touches one that replaced it.
        const auto age = [&] { return QFileInfo(lock).lastModified().secsTo(QDateTime::currentDateTime()); };
        QFile::remove(lock);
        CatalogueLock own(lock);
        QCOMPARE(own.tryLock(), CatalogueLock::Outcome::Taken);
        QCOMPARE(::utime(QFile::encodeName(lock).constData(), &times), 0);
        own.refresh();
        QVERIFY(age() < 60);
        writeFile(lock, held);
        QCOMPARE(::utime(QFile::encodeName(lock).constData(), &times), 0);
        own.refresh();
        QVERIFY(age() >= minutesOld * 60 - 5);
        running.kill();
        running.waitForFinished();
    }
    // Score 2's left page is a link to a private file elsewhere: attaching a new page keeps
    // the link for undo, never a second name or a copy of the private file.
    void undoKeepsTheLinkNotItsTarget()
    {
        Catalogue c;
        const QString secret = c.dir.filePath(QStringLiteral("privato.jpg"));
        writeFile(secret, "privato");
        QVERIFY(QFile::link(secret, c.folder.leftPage(2)));
        Editor mine(c.folder);
        mine.document.noteFilesSeen(2);
        testsupport::attachAndWait(mine.document, ScoreFile::LeftPage, 2, c.chosen);
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(secret).constData(), &st), 0);
        QCOMPARE(int(st.st_nlink), 1);
        QDirIterator files(c.data, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            QVERIFY2(QFileInfo(path).isSymLink() || (inodeOf(path) != inodeOf(secret) && readFile(path) != "privato"),
                     qPrintable(path));
        }
        // Undo puts the link back, as a link.
        mine.document.history()->undo();
        QVERIFY(QFileInfo(c.folder.leftPage(2)).isSymLink());
        QCOMPARE(readFile(secret), QByteArray("privato"));
    }
    void plantedJournalTouchesNothingOutside_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("a move out through ..") << "1L.jpg" << "../rubato.jpg";
        QTest::newRow("a move in from outside") << "../fuori/segreto.txt" << "9L.jpg";
        QTest::newRow("a move through a linked folder") << "eliminati/20240101-000000/1L.jpg" << "8L.jpg";
        QTest::newRow("a file that is not the catalogue's") << "generi.js" << "7L.jpg";
        QTest::newRow("a name that only begins like a page's") << "1L.jpg" << "9L.jpg.html";
    }
    void plantedJournalTouchesNothingOutside()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        Catalogue c;
        const QString outside = c.dir.filePath(QStringLiteral("fuori/"));
        QVERIFY(QDir(outside).mkpath(QStringLiteral("20240101-000000")));
        for (const char *name : {"segreto.txt", "1L.jpg", "20240101-000000/1L.jpg"})
            writeFile(outside + QLatin1String(name), qstrcmp(name, "segreto.txt") ? "fuori" : "segreto");
        QVERIFY(QFile::link(outside, c.folder.file(QStringLiteral("eliminati"))));
        writeFile(c.folder.leftPage(1), "pagina");
        writeFile(c.folder.categoryList(), "generi");
        ReorganisationSteps steps;
        steps.id = QStringLiteral("20240101-000000-000");
        steps.description = QStringLiteral("piantato");
        steps.moves.append({from, QStringLiteral(".riordino-20240101-000000-000-0"), to});
        steps.newArchive = readFile(c.folder.archive());
        writeFile(journal::path(c.data), journal::encode(steps));
        const filesnapshot::FileMap before = filesnapshot::snapshot(c.dir.path());   // outside files included

        QString report;
        const auto error = recoverReorganisation(c.data, report);
        QVERIFY(error && error->message.contains(QStringLiteral("non è stato rinominato nessun file")));
        QCOMPARE(filesnapshot::snapshot(c.dir.path()), before);
    }
    void syncthingRulesAreAddedOnce()
    {
        Catalogue c;
        QVERIFY(QDir().mkpath(c.dir.filePath(QStringLiteral(".stfolder"))));
        writeFile(c.dir.filePath(QStringLiteral(".stignore")), "*.tmp");
        const SyncFolder sync = SyncFolder::of(c.data);
        QCOMPARE(sync.service, QStringLiteral("Syncthing"));
        QCOMPARE(sync.root, c.dir.path());
        QVERIFY(!localStateIgnored(sync, c.data));
        QVERIFY(!keepLocalStateOutOfSync(sync, c.data) && !keepLocalStateOutOfSync(sync, c.data));   // twice, added once
        const QByteArray rules = readFile(c.dir.filePath(QStringLiteral(".stignore")));
        QVERIFY(rules.startsWith("*.tmp\n"));
        QCOMPARE(rules.count("/spartiti/.archivio.lock\n"), 1);
        QVERIFY(rules.contains("/spartiti/.annulla\n"));
        QVERIFY(localStateIgnored(sync, c.data));
    }
    // A merge gave this editor's new scores 4 and 5 the numbers 5 and 6: their files move
    // with the merged archive through the journal (5L.jpg is both moved and moved onto).
    void mergeMovesFollowTheNewNumbers()
    {
        Catalogue c;
        writeFile(c.folder.archive(), archiveBytes(numberedRecords(4)));
        for (const char *name : {"3L.jpg", "4L.jpg", "4R.jpg", "audio/4.mp3", "5L.jpg"})
            writeFile(c.data + QLatin1Char('/') + QLatin1String(name), QByteArray("file ") + name);
        QHash<QString, quint64> owned;
        for (const QString &path : {c.folder.leftPage(4), c.folder.rightPage(4), c.folder.track(4), c.folder.leftPage(5)})
            owned.insert(path, inodeOf(path));
        ReorganisationSteps steps;
        steps.id = QStringLiteral("20261207-101500-000");
        steps.description = QStringLiteral("salvataggio con le modifiche unite");
        steps.newArchive = archiveBytes(numberedRecords(6));
        QStringList problems;
        planScoreFileMoves({{4, 5}, {5, 6}}, owned, c.data, steps, problems);
        QVERIFY(problems.isEmpty());
        QCOMPARE(steps.moves.size(), 4);
        QVERIFY(!applyReorganisation(c.data, steps));
        const filesnapshot::FileMap after = filesnapshot::snapshot(c.data);
        for (const auto &[to, from] : std::initializer_list<std::pair<const char *, const char *>>{
                 {"6L.jpg", "5L.jpg"}, {"5L.jpg", "4L.jpg"}, {"audio/5.mp3", "audio/4.mp3"}, {"3L.jpg", "3L.jpg"}})
            QCOMPARE(after.value(QLatin1String(to)), QByteArray("file ") + from);
    }
};

QTEST_GUILESS_MAIN(TestSharedFolder)
#include "tst_sharedfolder.moc"
