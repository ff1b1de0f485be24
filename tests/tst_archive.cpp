#include "archive.h"
#include "catalogue.h"
#include "cataloguefolder.h"
#include "filesnapshot.h"
#include "testsupport.h"
#include "utf8detection.h"
#include "webpagereader.h"

#include <QtTest>

using namespace spartiti;
using testsupport::archiveBytes;
using testsupport::readFile;
using testsupport::writeFile;
using Field = ScoreCatalogue::Field;

// `items` unquoted items, one a line: ten make a record, plus the first and last lines.
static QByteArray items(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += "v" + QByteArray::number(i) + "\r\n";
    return bytes;
}

class TestArchive : public QObject
{
    Q_OBJECT

private slots:
    // Values load whole into slots 1 to N and save back to the same bytes, the undefined
    // Windows-1252 bytes included; a web page reads the values the editor holds.
    void roundTripRewritesSameBytes()
    {
        testsupport::WorkingFolder folder;
        const QString archive = folder.catalogue().archive();
        const QByteArray original = archiveBytes({
            {"La donna \xe8 mobile", "Verdi, Giuseppe", "opera aria", "2"},
            {"  spazi  ", "", "", "0"},
            {"Caf\xe9 \x80 5", "Autore", "a b c \x81\x8d\x8f\x90\x9d", "33"},
        });
        writeFile(archive, original);
        ScoreCatalogue catalogue;
        catalogue.setValue(Field::Title, 5, QStringLiteral("sopra"));
        QVERIFY(!readArchive(catalogue, archive));
        // Slots past the records read are left alone.
        QCOMPARE(catalogue.title(5), QStringLiteral("sopra"));
        QVERIFY(!saveArchive(catalogue, archive));
        QCOMPARE(readFile(archive), original);
        testsupport::verifyPageReadsCatalogue(original, catalogue);
    }
    void loading_data()
    {
        QTest::addColumn<QByteArray>("bytes");   // "<none>": no archive, "<no folder>": no spartiti
        QTest::addColumn<int>("records");        // -1: refused with a message
        QTest::addColumn<QString>("reason");     // "<tmp>" stands for the temporary folder
        QTest::addColumn<QByteArray>("saved");   // what saving writes back; null: not saved
        const QString tooShort = QStringLiteral("finisce prima del previsto");
        static const char junk[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR,,,,,,,,";

        QTest::newRow("no archive") << QByteArray("<none>") << -1 << "il file non esiste" << QByteArray();
        QTest::newRow("no data folder") << QByteArray("<no folder>") << -1 << "la cartella \"<tmp>/spartiti\" non esiste"
                                        << QByteArray();
        // The record count is (items - 2) / 10 rounded to the nearest, a tie to the even one.
        QTest::newRow("0 items: empty file has no first line") << items(0) << -1 << tooShort << QByteArray();
        QTest::newRow("7 items: no record") << items(7) << 0 << "" << QByteArray();
        QTest::newRow("8 items round to 1, too few") << items(8) << -1 << tooShort << QByteArray();
        QTest::newRow("12 items, one record") << items(12) << 1 << "" << QByteArray();
        QTest::newRow("17 items: 1.5 goes to 2, too few") << items(17) << -1 << tooShort << QByteArray();
        QTest::newRow("27 items: 2.5 goes to 2") << items(27) << 2 << "" << QByteArray();
        QTest::newRow("3277 records overflow") << items(32772) << -1 << "più di 32767 voci" << QByteArray();
        QTest::newRow("200 000 empty items") << QByteArray(200000, ',') << -1 << "più di 32767 voci" << QByteArray();
        QTest::newRow("binary junk that ends too early") << QByteArray(junk, sizeof junk - 1) << -1 << tooShort
                                                         << QByteArray();
        QTest::newRow("10 MB on one line: one item, no records") << QByteArray(10 << 20, 'x') << 0 << "" << QByteArray();

        const QByteArray nul = archiveBytes({{QByteArray("Tito\0lo", 7), "", "", "0"}});
        QTest::newRow("NUL byte inside a title") << nul << 1 << "" << nul;
        const QByteArray utf8 = archiveBytes({{"Perch\xc3\xa8 \xc5\x81\xc3\x8d \xe2\x82\xac", "\xf0\x9f\x8e\xb5", "", "1"}});
        QTest::newRow("UTF-8 letters, Windows-1252-undefined bytes") << utf8 << 1 << "" << utf8;
        // Numbers are loaded as read but saved as the slot; an empty category is saved as
        // "0". The expected bytes are spelt out here rather than built by archiveBytes().
        QTest::newRow("renumbered, category filled")
            << QByteArray("var archivio = [\r\n\"5\",\r\n\"A\",\r\n\"\",\r\n\"\",\r\n\"\",\r\n"
                          "\"9\",\r\n\"B\",\r\n\"\",\r\n\"\",\r\n\"3\",\r\n ];\r\n")
            << 2 << ""
            << QByteArray("var archivio = [\r\n\"1\",\r\n\"A\",\r\n\"\",\r\n\"\",\r\n\"0\",\r\n"
                          "\"2\",\r\n\"B\",\r\n\"\",\r\n\"\",\r\n\"3\",\r\n ];\r\n");
        const QByteArray two = archiveBytes(testsupport::numberedRecords(2));
        QTest::newRow("UTF-8 byte order mark: not written back") << "\xef\xbb\xbf" + two << 2 << "" << two;
        QTest::newRow("line feeds only: written back with CR LF") << QByteArray(two).replace("\r\n", "\n") << 2 << ""
                                                                  << two;
    }
    // Loading never writes: the folder stays as it was. A refused file leaves memory alone;
    // an accepted one saves back to the very same bytes.
    void loading()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, records);
        QFETCH(QString, reason);
        QFETCH(QByteArray, saved);
        testsupport::WorkingFolder folder(bytes != "<no folder>");
        const QString archive = folder.catalogue().archive();
        if (!bytes.startsWith('<'))
            writeFile(archive, bytes);
        const auto disk = filesnapshot::snapshot(folder.path());
        ScoreCatalogue catalogue;
        catalogue.setScoreCount(2);
        catalogue.setValue(Field::Title, 1, QStringLiteral("in memoria"));

        const auto error = readArchive(catalogue, archive);
        QCOMPARE(filesnapshot::snapshot(folder.path()), disk);
        if (records < 0) {
            QVERIFY(error);
            QVERIFY2(error->message.contains(QLatin1Char('"') + archive + QLatin1Char('"'))
                         && error->message.contains(folder.expand(reason)),
                     qPrintable(error->message));
            QCOMPARE(catalogue.scoreCount(), 2);
            QCOMPARE(catalogue.title(1), QStringLiteral("in memoria"));
            return;
        }
        QVERIFY2(!error, error ? qPrintable(error->message) : "");
        QCOMPARE(int(catalogue.scoreCount()), records);
        if (!saved.isNull()) {
            QVERIFY(!saveArchive(catalogue, archive));
            QCOMPARE(readFile(archive), saved);
        }
    }
    void refusedSaves_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("double quote in title") << int(Field::Title) << QStringLiteral("Il \"re\"") << QStringLiteral("titolo");
        QTest::newRow("line feed in author") << int(Field::Author) << QStringLiteral("a\nb") << QStringLiteral("autore");
        QTest::newRow("carriage return in tags") << int(Field::Tags) << QStringLiteral("a\rb") << QStringLiteral("tag");
        QTest::newRow("backslash ending the title") << int(Field::Title) << QStringLiteral("Fine con barra \\")
                                                    << QStringLiteral("barra rovesciata \\");
        QTest::newRow("not windows-1252") << int(Field::Title) << QStringLiteral("Ωmega") << QStringLiteral("Ω");
    }
    // A value the format cannot hold is refused before anything is written: the file on
    // disk and the catalogue in memory stay as they were.
    void refusedSaves()
    {
        QFETCH(int, field);
        QFETCH(QString, value);
        QFETCH(QString, mentions);
        testsupport::WorkingFolder folder;
        const QString archive = folder.catalogue().archive();
        const QByteArray original = archiveBytes(testsupport::numberedRecords(3));
        writeFile(archive, original);
        ScoreCatalogue catalogue;
        QVERIFY(!readArchive(catalogue, archive));
        catalogue.setValue(Field(field), 2, value);
        const auto error = saveArchive(catalogue, archive);
        QVERIFY(error);
        QVERIFY2(error->message.contains(mentions) && error->message.contains(QStringLiteral("numero 2")),
                 qPrintable(error->message));
        QCOMPARE(readFile(archive), original);
        QCOMPARE(catalogue.value(Field(field), 2), value);
        QCOMPARE(QDir(folder.catalogue().path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
    // No scores save as the empty array; one past 3 276 is refused before writing (3 276 save:
    // the full restore of the document test).
    void capacity()
    {
        testsupport::WorkingFolder folder;
        const QString archive = folder.catalogue().archive();
        const QByteArray empty("var archivio = [\r\n ];\r\n");
        ScoreCatalogue catalogue;
        QVERIFY(!saveArchive(catalogue, archive));
        QCOMPARE(readFile(archive), empty);
        catalogue.setScoreCount(ScoreCatalogue::MaxArchiveRecords + 1);
        const auto error = saveArchive(catalogue, archive);
        QVERIFY(error && error->kind == Error::Kind::TooManyRecords);
        QCOMPARE(readFile(archive), empty);
    }
    void oversizedFile_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("shownSize");   // empty: loaded
        constexpr qint64 MB = 1024 * 1024;
        QTest::newRow("a byte past 64 MB") << 64 * MB + 1 << QStringLiteral("65 MB");
        // One unquoted item without an end: no records, no error.
        QTest::newRow("64 MB") << 64 * MB << QString();
    }
    // A file far larger than any catalogue is refused from its size: reading it whole could
    // exhaust memory. The file is sparse, so it costs no disk.
    void oversizedFile()
    {
        QFETCH(qint64, size);
        QFETCH(QString, shownSize);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("archivio.js"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size));
        file.close();
        ScoreCatalogue catalogue;
        const auto error = readArchive(catalogue, path);
        QCOMPARE(catalogue.scoreCount(), 0);
        if (shownSize.isEmpty()) {
            QVERIFY(!error);
            return;
        }
        QVERIFY(error);
        QCOMPARE(error->kind, Error::Kind::Io);
        QCOMPARE(error->message,
                 QStringLiteral("L'archivio \"%1\" è troppo grande (%2): un archivio di 3276 spartiti non supera i "
                                "64 MB. Il file potrebbe essere danneggiato o non essere l'archivio.")
                     .arg(QDir::toNativeSeparators(path), shownSize));
    }
    void utf8Detection_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("utf8");
        QTest::newRow("UTF-8") << QByteArray("La donna \xc3\xa8 mobile, \xe2\x82\xac 5") << true;
        QTest::newRow("a byte order mark decides") << QByteArray("\xef\xbb\xbfPerch\xe9") << true;
        QTest::newRow("Windows-1252 accented letters") << QByteArray("\xe0 \xe8 \xe9 \xec \xf2 \xf9 \x80 caff\xe8\xe8") << false;
        QTest::newRow("Windows-1252 that starts like UTF-8") << QByteArray("\xc3\xa8 e poi \xe8") << false;
        QTest::newRow("pure ASCII") << archiveBytes(testsupport::numberedRecords(3)) << false;
        QTest::newRow("overlong form") << QByteArray("\xc0\xaf") << false;
        QTest::newRow("cut short at the end") << QByteArray("abc \xe2\x82") << false;
    }
    void utf8Detection()
    {
        QFETCH(QByteArray, bytes);
        QTEST(looksLikeUtf8(bytes), "utf8");
    }
};

QTEST_GUILESS_MAIN(TestArchive)
#include "tst_archive.moc"
