#include "archive.h"
#include "catalogue.h"
#include "filesnapshot.h"
#include "scorepaths.h"
#include "testsupport.h"
#include "utf8detection.h"
#include "webpagereader.h"

#include <QtTest>

using namespace spartiti;
using testsupport::archiveBytes;
using testsupport::readFile;
using testsupport::writeFile;
using Field = ScoreCatalogue::Field;

class TestArchive : public QObject
{
    Q_OBJECT

private slots:
    void oneRecordExampleBytes();
    void roundTripRewritesSameBytes();
    void itemCounts_data();
    void itemCounts();
    void saveRenumbersAndFillsCategory();
    void missingFileAndFolder();
    void refusedSaves_data();
    void refusedSaves();
    void capacity();
    void badArchives_data();
    void badArchives();
    void utf8Detection_data();
    void utf8Detection();
};

void TestArchive::oneRecordExampleBytes()
{
    ScoreCatalogue catalogue;
    catalogue.setScoreCount(1);
    catalogue.setValue(Field::Title, 1, QStringLiteral("Titolo 1"));
    QByteArray bytes;
    QVERIFY(!encodeArchive(catalogue, bytes));
    QCOMPARE(bytes, QByteArray("var archivio = [\r\n\"1\",\r\n\"Titolo 1\",\r\n\"\",\r\n\"\",\r\n\"0\",\r\n ];\r\n"));
    testsupport::verifyPageReadsCatalogue(bytes, catalogue);
}

// Values load whole into slots 1 to N, whatever they hold, and save back to the same
// bytes, Windows-1252 bytes with no character of their own included; a web page reads
// the values the editor holds.
void TestArchive::roundTripRewritesSameBytes()
{
    testsupport::WorkingFolder folder;
    const QByteArray original = archiveBytes({
        {"La donna \xe8 mobile", "Verdi, Giuseppe", "opera aria", "2"},
        {"  spazi  ", "", "", "0"},
        {"Caf\xe9 \x80 5", "Autore", "a b c \x81\x8d\x8f\x90\x9d", "33"},
    });
    writeFile(paths::archive(), original);
    ScoreCatalogue catalogue;
    catalogue.setValue(Field::Title, 5, QStringLiteral("sopra"));
    QVERIFY(!readArchive(catalogue, paths::archive()));
    QCOMPARE(catalogue.scoreCount(), 3);
    QVERIFY(catalogue.title(0).isEmpty());
    QCOMPARE(catalogue.title(1), QStringLiteral("La donna è mobile"));
    QCOMPARE(catalogue.author(1), QStringLiteral("Verdi, Giuseppe"));
    QCOMPARE(catalogue.title(2), QStringLiteral("  spazi  "));
    QVERIFY(catalogue.author(2).isEmpty());
    QCOMPARE(catalogue.number(2), QStringLiteral("2"));
    QCOMPARE(catalogue.title(3), QStringLiteral("Café € 5"));
    QCOMPARE(catalogue.title(5), QStringLiteral("sopra"));
    QVERIFY(!saveArchive(catalogue, paths::archive()));
    QCOMPARE(readFile(paths::archive()), original);
    testsupport::verifyPageReadsCatalogue(original, catalogue);
}

void TestArchive::itemCounts_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("records");   // -1: input past end; -2: too many items
    QTest::newRow("0 items: empty file has no first line") << 0 << -1;
    QTest::newRow("1 item") << 1 << 0;
    QTest::newRow("7 items") << 7 << 0;
    QTest::newRow("8 items round to 1, too few") << 8 << -1;
    QTest::newRow("12 items, one record") << 12 << 1;
    QTest::newRow("13 items, trailing blank line") << 13 << 1;
    QTest::newRow("17 items: 1.5 goes to 2, too few") << 17 << -1;
    QTest::newRow("27 items: 2.5 goes to 2") << 27 << 2;
    QTest::newRow("37 items = 3 records + 5: 3.5 goes to 4") << 37 << -1;
    QTest::newRow("3276 records, 32762 items") << 32762 << 3276;
    QTest::newRow("3277 records overflow") << 32772 << -2;
}

// Builds files of exactly `items` items: unquoted single-letter items, one per line.
void TestArchive::itemCounts()
{
    QFETCH(int, items);
    QFETCH(int, records);
    QByteArray bytes;
    for (int i = 0; i < items; ++i)
        bytes += "v" + QByteArray::number(i) + "\r\n";
    ArchiveContents contents;
    const auto error = parseArchive(bytes, contents, QStringLiteral("archivio.js"));
    if (records == -1) {
        QVERIFY(error);
        QCOMPARE(error->kind, Error::Kind::InputPastEnd);
        QVERIFY(error->message.contains(QStringLiteral("finisce prima del previsto")));
    } else if (records == -2) {
        QVERIFY(error);
        QCOMPARE(error->kind, Error::Kind::Overflow);
        QVERIFY(error->message.contains(QStringLiteral("3276")));
    } else {
        QVERIFY2(!error, error ? qPrintable(error->message) : "");
        QCOMPARE(contents.records.size(), records);
        if (records > 0) {   // items 2, 4, ... are values; a record is ten items
            QCOMPARE(contents.records[0][0], QStringLiteral("v1"));
            QCOMPARE(contents.records.last()[1], QStringLiteral("v%1").arg(10 * records - 7));
        }
    }
}

void TestArchive::saveRenumbersAndFillsCategory()
{
    testsupport::WorkingFolder folder;
    writeFile(paths::archive(), "var archivio = [\r\n"
                                "\"5\",\r\n\"A\",\r\n\"\",\r\n\"\",\r\n\"\",\r\n"
                                "\"9\",\r\n\"B\",\r\n\"\",\r\n\"\",\r\n\"3\",\r\n"
                                "\"12\",\r\n\"C\",\r\n\"\",\r\n\"\",\r\n\"0\",\r\n ];\r\n");
    ScoreCatalogue catalogue;
    QVERIFY(!readArchive(catalogue, paths::archive()));
    QCOMPARE(catalogue.number(2), QStringLiteral("9"));   // loaded as read
    QVERIFY(catalogue.category(1).isEmpty());
    QVERIFY(!saveArchive(catalogue, paths::archive()));
    QCOMPARE(readFile(paths::archive()), archiveBytes({{"A", "", "", "0"}, {"B", "", "", "3"}, {"C", "", "", "0"}}));
    QCOMPARE(catalogue.number(3), QStringLiteral("3"));
    QCOMPARE(catalogue.category(1), QStringLiteral("0"));
}

void TestArchive::missingFileAndFolder()
{
    testsupport::WorkingFolder noData(false);
    ScoreCatalogue catalogue;
    auto error = readArchive(catalogue, paths::archive());
    QVERIFY(error);
    QCOMPARE(error->kind, Error::Kind::PathNotFound);
    QVERIFY(error->message.contains(QStringLiteral("spartiti")));

    QDir().mkdir(QStringLiteral("spartiti"));
    error = readArchive(catalogue, paths::archive());
    QVERIFY(error);
    QCOMPARE(error->kind, Error::Kind::FileNotFound);
    QVERIFY(error->message.contains(QStringLiteral("archivio.js")));
}

void TestArchive::refusedSaves_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("double quote in title") << int(Field::Title) << QStringLiteral("Il \"re\"") << QStringLiteral("titolo");
    QTest::newRow("line feed in author") << int(Field::Author) << QStringLiteral("a\nb") << QStringLiteral("autore");
    QTest::newRow("carriage return in tags") << int(Field::Tags) << QStringLiteral("a\rb") << QStringLiteral("tag");
    QTest::newRow("backslash in author") << int(Field::Author) << QStringLiteral("AC\\DC") << QStringLiteral("barra rovesciata \\");
    QTest::newRow("backslash ending the title") << int(Field::Title) << QStringLiteral("Fine con barra \\") << QStringLiteral("titolo");
    QTest::newRow("not windows-1252") << int(Field::Title) << QStringLiteral("Ωmega") << QStringLiteral("Ω");
}

// A value the format cannot hold is refused before anything is written: the file on
// disk and the catalogue in memory stay as they were.
void TestArchive::refusedSaves()
{
    QFETCH(int, field);
    QFETCH(QString, value);
    QFETCH(QString, mentions);
    testsupport::WorkingFolder folder;
    const QByteArray original = archiveBytes(testsupport::numberedRecords(3));
    writeFile(paths::archive(), original);
    ScoreCatalogue catalogue;
    QVERIFY(!readArchive(catalogue, paths::archive()));
    catalogue.setValue(Field(field), 2, value);
    const auto error = saveArchive(catalogue, paths::archive());
    QVERIFY(error);
    QVERIFY2(error->message.contains(mentions), qPrintable(error->message));
    QVERIFY(error->message.contains(QStringLiteral("numero 2")));
    QCOMPARE(readFile(paths::archive()), original);
    QCOMPARE(catalogue.value(Field(field), 2), value);
    QCOMPARE(catalogue.number(2), QStringLiteral("2"));
    QCOMPARE(QDir(QStringLiteral("spartiti")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// No scores and the full 3 276 save and load back; one more is refused before writing.
void TestArchive::capacity()
{
    testsupport::WorkingFolder folder;
    ScoreCatalogue catalogue;
    QVERIFY(!saveArchive(catalogue, paths::archive()));
    QCOMPARE(readFile(paths::archive()), QByteArray("var archivio = [\r\n ];\r\n"));

    const QByteArray full = archiveBytes(testsupport::numberedRecords(ScoreCatalogue::MaxArchiveRecords));
    writeFile(paths::archive(), full);
    QVERIFY(!readArchive(catalogue, paths::archive()));
    QVERIFY(!saveArchive(catalogue, paths::archive()));
    QCOMPARE(catalogue.scoreCount(), ScoreCatalogue::MaxArchiveRecords);
    QCOMPARE(readFile(paths::archive()), full);

    catalogue.setScoreCount(ScoreCatalogue::MaxArchiveRecords + 1);
    const auto error = saveArchive(catalogue, paths::archive());
    QVERIFY(error);
    QCOMPARE(error->kind, Error::Kind::TooManyRecords);
    QCOMPARE(readFile(paths::archive()), full);
}

void TestArchive::badArchives_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("records");        // -1: refused with a message
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QByteArray>("saved");   // what saving writes back, when not `bytes`
    const QByteArray same;
    static const char junk[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR,,,,,,,,";

    QTest::newRow("200 000 empty items") << QByteArray(200000, ',') << -1 << "più di 32767 voci" << same;
    QTest::newRow("binary junk that ends too early")
        << QByteArray(junk, sizeof junk - 1) << -1 << "finisce prima" << same;
    QTest::newRow("NUL byte inside a title")
        << archiveBytes({{QByteArray("Tito\0lo", 7), "", "", "0"}}) << 1 << "" << same;
    QTest::newRow("UTF-8 letters, Windows-1252-undefined bytes")
        << archiveBytes({{"Perch\xc3\xa8 \xc5\x81\xc3\x8d \xe2\x82\xac", "\xf0\x9f\x8e\xb5", "", "1"}})
        << 1 << "" << same;
    QTest::newRow("UTF-8 byte order mark: not written back")
        << "\xef\xbb\xbf" + archiveBytes(testsupport::numberedRecords(2)) << 2 << ""
        << archiveBytes(testsupport::numberedRecords(2));
    QTest::newRow("line feeds only: written back with CR LF")
        << QByteArray(archiveBytes(testsupport::numberedRecords(4))).replace("\r\n", "\n") << 4 << ""
        << archiveBytes(testsupport::numberedRecords(4));
    QTest::newRow("10 MB on one line: one item, no records")
        << QByteArray(10 << 20, 'x') << 0 << "" << same;
}

// Loading never writes: the folder stays as it was. A refused file leaves memory alone;
// an accepted one saves back to the very same bytes.
void TestArchive::badArchives()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, records);
    QFETCH(QString, reason);
    QFETCH(QByteArray, saved);
    testsupport::WorkingFolder folder;
    writeFile(paths::archive(), bytes);
    const auto disk = filesnapshot::snapshot();
    ScoreCatalogue catalogue;
    catalogue.setScoreCount(2);
    catalogue.setValue(Field::Title, 1, QStringLiteral("in memoria"));

    const auto error = readArchive(catalogue, paths::archive());
    QCOMPARE(filesnapshot::snapshot(), disk);
    if (records < 0) {
        QVERIFY(error);
        QVERIFY2(error->message.startsWith(QStringLiteral("Impossibile leggere \"spartiti/archivio.js\""))
                     && error->message.contains(reason),
                 qPrintable(error->message));
        QCOMPARE(catalogue.scoreCount(), 2);
        QCOMPARE(catalogue.title(1), QStringLiteral("in memoria"));
        return;
    }
    QVERIFY2(!error, error ? qPrintable(error->message) : "");
    QCOMPARE(int(catalogue.scoreCount()), records);
    if (records > 0) {
        QVERIFY(!saveArchive(catalogue, paths::archive()));
        QCOMPARE(readFile(paths::archive()), saved.isEmpty() ? bytes : saved);
    }
}

void TestArchive::utf8Detection_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf8");
    QTest::newRow("UTF-8") << archiveBytes({{"La donna \xc3\xa8 mobile", "Caf\xc3\xa9 \xe2\x82\xac 5", "", "2"}}) << true;
    QTest::newRow("UTF-8 with a byte order mark") << "\xef\xbb\xbf" + archiveBytes({{"Titolo", "", "", "0"}}) << true;
    QTest::newRow("Windows-1252 accented letters")
        << archiveBytes({{"\xe0 \xe8 \xe9 \xec \xf2 \xf9 \x80", "perch\xe9 citt\xe0", "caff\xe8\xe8", "0"}}) << false;
    QTest::newRow("Windows-1252 that starts like UTF-8") << QByteArray("\xc3\xa8 e poi \xe8") << false;
    QTest::newRow("pure ASCII") << archiveBytes(testsupport::numberedRecords(3)) << false;
    QTest::newRow("the demo") << readFile(QStringLiteral(SPARTITI_DEMO_DIR "/archivio.js")) << false;
    QTest::newRow("overlong form") << QByteArray("\xc0\xaf") << false;
    QTest::newRow("cut short at the end") << QByteArray("abc \xe2\x82") << false;
}

void TestArchive::utf8Detection()
{
    QFETCH(QByteArray, bytes);
    QTEST(looksLikeUtf8(bytes), "utf8");
}

QTEST_GUILESS_MAIN(TestArchive)
#include "tst_archive.moc"
