#include "archive.h"
#include "backups.h"
#include "cataloguecheck.h"
#include "categorylist.h"
#include "cataloguefolder.h"
#include "testsupport.h"
#include "webpagereader.h"

#include <QtTest>

using namespace spartiti;
using testsupport::archiveBytes;
using testsupport::readFile;
using testsupport::writeFile;
using Field = ScoreCatalogue::Field;

class TestSafetyNet : public QObject
{
    Q_OBJECT

private slots:
    void backupNamingAndPruning();
    void findings_data();
    void findings();
    void noFindingOnDemo();
};

void TestSafetyNet::backupNamingAndPruning()
{
    testsupport::WorkingFolder folder;
    const QString archive = folder.catalogue().archive();
    const QDateTime start(QDate(2026, 12, 6), QTime(19, 7, 5));
    QVERIFY(!backups::keep(archive, start));   // no archive yet: nothing kept
    QVERIFY(backups::list(archive).isEmpty());

    for (int i = 0; i < 23; ++i) {
        writeFile(archive, "version " + QByteArray::number(i));
        backups::KeptCopy kept;
        QVERIFY(!backups::keep(archive, start.addSecs(i / 2), &kept));
        QVERIFY(kept.made && QFileInfo::exists(kept.path));
        // The same bytes again, as a save without an edit: no second copy.
        QVERIFY(!backups::keep(archive, start.addSecs(i / 2), &kept));
        QVERIFY(!kept.made);
        QCOMPARE(readFile(kept.path), "version " + QByteArray::number(i));
        backups::prune(archive);
    }
    // An older version coming back is one copy, the newest: the history keeps 20
    // distinct versions.
    writeFile(archive, "version 10");
    QVERIFY(!backups::keep(archive, start.addSecs(30)));
    backups::prune(archive);
    const QStringList kept = backups::list(archive);
    QCOMPARE(kept.size(), 20);
    QCOMPARE(QFileInfo(kept.first()).fileName(), QStringLiteral("archivio-20261206-190735.js"));
    QCOMPARE(readFile(kept.first()), QByteArray("version 10"));
    // Two saves in one second keep both copies; the oldest were pruned.
    QCOMPARE(QFileInfo(kept[1]).fileName(), QStringLiteral("archivio-20261206-190716.js"));
    QCOMPARE(QFileInfo(kept[2]).fileName(), QStringLiteral("archivio-20261206-190715-2.js"));
    QCOMPARE(readFile(kept[2]), QByteArray("version 21"));
    QCOMPARE(readFile(kept.last()), QByteArray("version 3"));   // so "version 10" is kept once
}

void TestSafetyNet::findings_data()
{
    QTest::addColumn<QStringList>("files");        // files to create under the temporary folder
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("value");            // written into score 2
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("score");

    using K = Finding::Kind;
    const int none = -1, title = int(Field::Title), category = int(Field::Category);
    QTest::newRow("right page without left") << QStringList{"spartiti/2R.jpg"} << none << "" << int(K::LonelyPage) << 2;
    QTest::newRow("page of a score beyond the catalogue") << QStringList{"spartiti/4L.jpg"} << none << "" << int(K::OrphanFile) << 0;
    QTest::newRow("track beyond the catalogue") << QStringList{"spartiti/audio/9.mp3"} << none << "" << int(K::OrphanFile) << 0;
    QTest::newRow("leading zeros") << QStringList{"spartiti/02L.jpg"} << none << "" << int(K::OrphanFile) << 0;
    QTest::newRow("empty title") << QStringList{} << title << "" << int(K::EmptyTitle) << 2;
    QTest::newRow("repeated title") << QStringList{} << title << " UNO  perché" << int(K::RepeatedTitle) << 2;
    QTest::newRow("category 34") << QStringList{} << category << "34" << int(K::BadCategory) << 2;
    QTest::newRow("category not a number") << QStringList{} << category << "pop" << int(K::BadCategory) << 2;
    QTest::newRow("double quote in tags") << QStringList{} << int(Field::Tags) << "a\"b" << int(K::Unwritable) << 2;
    QTest::newRow("backslash in author") << QStringList{} << int(Field::Author) << "AC\\DC" << int(K::Unwritable) << 2;
}

void TestSafetyNet::findings()
{
    QFETCH(QStringList, files);
    QFETCH(int, field);
    QFETCH(QString, value);
    testsupport::WorkingFolder folder;
    const CatalogueFolder data = folder.catalogue();
    ScoreCatalogue catalogue;
    catalogue.setScoreCount(3);
    const QStringList titles{QString(), QStringLiteral("Uno perche"), QStringLiteral("Due"), QStringLiteral("Tre")};
    for (int k = 1; k <= 3; ++k) {
        catalogue.setValue(Field::Title, k, titles[k]);
        catalogue.setValue(Field::Category, k, QString::number(k * 11));   // 33, the last, included
        writeFile(data.leftPage(k), "L");
        writeFile(data.rightPage(k), "R");
    }
    QFile::remove(data.leftPage(2));
    QFile::remove(data.rightPage(2));
    for (const QString &file : files)
        writeFile(folder.file(file), "x");
    if (field >= 0)
        catalogue.setValue(Field(field), 2, value);

    const QList<Finding> found = checkCatalogue(catalogue, data.path());
    QCOMPARE(found.size(), 1);
    QTEST(int(found.first().kind), "kind");
    QTEST(found.first().scoreNumber, "score");
}

// The demo loads whole, with its 33 category names, and has nothing to report; a web page
// reads from its files the values the editor reads.
void TestSafetyNet::noFindingOnDemo()
{
    ScoreCatalogue catalogue;
    QVERIFY(!readArchive(catalogue, QStringLiteral(SPARTITI_DEMO_DIR "/archivio.js")));
    QVERIFY(catalogue.scoreCount() >= 12);
    CategoryNames names;
    QVERIFY(!readCategoryList(QStringLiteral(SPARTITI_DEMO_DIR "/generi.js"), names));
    testsupport::verifyPageReadsCatalogue(testsupport::readFile(QStringLiteral(SPARTITI_DEMO_DIR "/archivio.js")),
                                          catalogue);
    QStringList pageNames;
    testsupport::pageReads(testsupport::readFile(QStringLiteral(SPARTITI_DEMO_DIR "/generi.js")),
                           QStringLiteral("generi"), pageNames);
    QCOMPARE(pageNames, QStringList(names.begin(), names.end()));
    const QList<Finding> found = checkCatalogue(catalogue, QStringLiteral(SPARTITI_DEMO_DIR));
    for (const Finding &finding : found)
        qWarning() << finding.text;
    QVERIFY(found.isEmpty());
}

QTEST_GUILESS_MAIN(TestSafetyNet)
#include "tst_safetynet.moc"
