#include "archive.h"
#include "backups.h"
#include "cataloguecheck.h"
#include "categorylist.h"
#include "testsupport.h"
#include "webpagereader.h"

using namespace spartiti;
using testsupport::readFile;
using testsupport::writeFile;
using Field = ScoreCatalogue::Field;

class TestSafetyNet : public QObject
{
    Q_OBJECT

private slots:
    // A copy per distinct archive, named by its time and newest first; 20 distinct ones are kept.
    void backupNamingAndPruning()
    {
        testsupport::WorkingFolder folder;
        const QString archive = folder.catalogue().archive();
        const QDateTime start(QDate(2026, 12, 6), QTime(19, 7, 5));
        QVERIFY(!backups::keep(archive, start) && backups::list(archive).isEmpty());   // no archive yet: nothing kept
        for (int i = 0; i < 23; ++i) {
            writeFile(archive, "version " + QByteArray::number(i));
            backups::KeptCopy kept;
            QVERIFY(!backups::keep(archive, start.addSecs(i / 2), &kept));
            // The same bytes again, as a save without an edit: no second copy.
            QVERIFY(!backups::keep(archive, start.addSecs(i / 2), &kept) && !kept.made);
            QCOMPARE(readFile(kept.path), "version " + QByteArray::number(i));
            backups::prune(archive);
        }
        // An older version coming back is one copy, the newest.
        writeFile(archive, "version 10");
        QVERIFY(!backups::keep(archive, start.addSecs(30)));
        backups::prune(archive);
        QStringList kept;
        for (const QString &path : backups::list(archive))
            kept << QFileInfo(path).fileName() + QLatin1Char(' ') + readFile(path);
        QCOMPARE(kept.size(), 20);
        // Two saves in one second keep both copies; the oldest were pruned, "version 10" kept once.
        QCOMPARE(kept.mid(0, 3), (QStringList{"archivio-20261206-190735.js version 10", "archivio-20261206-190716.js version 22",
                                              "archivio-20261206-190715-2.js version 21"}));
        QCOMPARE(kept.last(), QStringLiteral("archivio-20261206-190706-2.js version 3"));
        // A restore that cannot write the archive takes back the copy it kept of it.
        writeFile(archive, "version 23");
        QVERIFY(QFile::setPermissions(archive, QFileDevice::ReadOwner));
        QVERIFY(backups::restore(backups::list(archive).last(), archive, start.addSecs(40)));
        QCOMPARE(backups::list(archive).size(), 20);
    }
    // One catalogue with one of each problem: each reported once, on its score (0: none); category 33 is fine.
    void findings()
    {
        testsupport::WorkingFolder folder;
        const CatalogueFolder data = folder.catalogue();
        ScoreCatalogue catalogue;
        catalogue.setScoreCount(8);
        const QStringList titles{"Uno perche", " UNO  perché", "", "Quattro", "Cinque", "Sei", "Sette", "Otto"};
        for (int k = 1; k <= 8; ++k) {
            catalogue.setValue(Field::Title, k, titles[k - 1]);
            catalogue.setValue(Field::Category, k, QStringLiteral("33"));
        }
        catalogue.setValue(Field::Category, 4, QStringLiteral("34"));
        catalogue.setValue(Field::Category, 5, QStringLiteral("pop"));
        catalogue.setValue(Field::Tags, 6, QStringLiteral("a\"b"));
        catalogue.setValue(Field::Author, 7, QStringLiteral("AC\\DC"));
        // A right page without its left; a page and a track past the catalogue; a number with a leading zero.
        for (const char *file : {"1L.jpg", "1R.jpg", "8R.jpg", "9L.jpg", "audio/10.mp3", "02L.jpg"})
            writeFile(data.file(QLatin1String(file)), "x");
        QList<std::pair<int, int>> found;   // score, kind
        for (const Finding &finding : checkCatalogue(catalogue, data.path()))
            found.append({finding.scoreNumber, int(finding.kind)});
        std::sort(found.begin(), found.end());
        using K = Finding::Kind;
        QCOMPARE(found, (QList<std::pair<int, int>>{{0, int(K::OrphanFile)}, {0, int(K::OrphanFile)}, {0, int(K::OrphanFile)},
                                                    {2, int(K::RepeatedTitle)}, {3, int(K::EmptyTitle)}, {4, int(K::BadCategory)},
                                                    {5, int(K::BadCategory)}, {6, int(K::Unwritable)}, {7, int(K::Unwritable)},
                                                    {8, int(K::LonelyPage)}}));
    }
    // The demo loads, names its 33 categories, has nothing to report, and reads the same in a web page.
    void noFindingOnDemo()
    {
        const QString archive = QStringLiteral(SPARTITI_DEMO_DIR "/archivio.js");
        const QString categories = QStringLiteral(SPARTITI_DEMO_DIR "/generi.js");
        ScoreCatalogue catalogue;
        QVERIFY(!readArchive(catalogue, archive));
        testsupport::verifyPageReadsCatalogue(readFile(archive), catalogue);
        CategoryNames names;
        QVERIFY(!readCategoryList(categories, names));
        QStringList pageNames;
        testsupport::pageReads(readFile(categories), QStringLiteral("generi"), pageNames);
        QCOMPARE(pageNames, QStringList(names.begin(), names.end()));
        const QList<Finding> found = checkCatalogue(catalogue, QStringLiteral(SPARTITI_DEMO_DIR));
        QVERIFY2(found.isEmpty(), qPrintable(found.value(0).text));
    }
};

QTEST_GUILESS_MAIN(TestSafetyNet)
#include "tst_safetynet.moc"
