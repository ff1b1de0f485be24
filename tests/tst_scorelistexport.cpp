// The score list leaving the program: the CSV read back by Python's csv module holds the
// rows as listed (filter and order kept, commas, quotes and accents intact), and the PDF
// catalogue, read back by pdftotext, holds every title in order under a header row on
// every page.

#include "cataloguedocument.h"
#include "module1.h"
#include "scorelistcsv.h"
#include "scorelistexport.h"
#include "scorelistfilter.h"
#include "scorelistmodel.h"
#include "scorelistrow.h"
#include "testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace spartiti;
using Table = QList<QStringList>;

namespace {

// The records as Python's csv module reads them: the reference reader, not ours.
Table readCsvWithPython(const QString &path)
{
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv, json, sys\n"
                                 "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
                                 "    print(json.dumps(list(csv.reader(f))))\n"),
                  path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return {};
    }
    Table table;
    for (const QJsonValue &record : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
        QStringList fields;
        for (const QJsonValue &field : record.toArray())
            fields.append(field.toString());
        table.append(fields);
    }
    return table;
}

const QStringList csvHeader = {"numero", "titolo", "autore", "tag", "categoria", "pagine", "traccia"};

QString pdfText(const QString &path)
{
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    tool.waitForFinished(60000);
    return QString::fromUtf8(tool.readAllStandardOutput());
}

} // namespace

class TestScoreListExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void csvOfTheFilteredList();
    void csvQuoting_data();
    void csvQuoting();
    void pdfCatalogue();
    void pdfCatalogueByCategory();
    void failedWriteLeavesNothing();
};

void TestScoreListExport::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
        QSKIP("python3 is needed to read the CSV back");
}

void TestScoreListExport::csvOfTheFilteredList()
{
    QTemporaryDir dir;
    const CatalogueFolder folder(dir.filePath(QStringLiteral("spartiti")));
    QVERIFY(QDir().mkpath(folder.audioFolder()));
    // Windows-1252, as the archive is kept; categories 12 and 13 of the demo list are
    // "Valzer" and "Tango".
    testsupport::writeFile(folder.archive(), testsupport::archiveBytes({
                                                 {"Preludio, fuga e \xE0ria", "Bach", "organo", "12"},
                                                 {"Zingara", "Verdi", "ballo", "13"},
                                                 {"Wachet auf", "J. S. Bach", "", "0"},
                                                 {"Minuetto", "Bach", "ballo", "13"},
                                             }));
    QVERIFY(QFile::copy(QStringLiteral(SPARTITI_DEMO_DIR "/generi.js"), folder.categoryList()));
    for (const QString &page : {folder.leftPage(1), folder.rightPage(1), folder.leftPage(4), folder.leftPage(2)})
        testsupport::writeFile(page, "x");
    testsupport::writeFile(folder.track(3), "x");

    Module1 state;
    testsupport::RecordingNotifier notifier;
    CatalogueDocument document(folder, state, notifier);
    QVERIFY(!document.load());
    ScoreListModel model(document);
    ScoreListFilter filter(&model);
    filter.setQuery(QStringLiteral("bach"));
    filter.sort(ScoreListModel::Title, Qt::DescendingOrder);

    const QString path = dir.filePath(QStringLiteral("elenco.csv"));
    QVERIFY(!exportScoreList(path, ScoreListFormat::Csv, rowsAsListed(filter), QString(), QDate()));
    QVERIFY(testsupport::readFile(path).startsWith("\xEF\xBB\xBF"));
    const Table expected = {
        csvHeader,
        {"3", "Wachet auf", "J. S. Bach", "", "", "nessuna", "sì"},
        {"1", "Preludio, fuga e ària", "Bach", "organo", "Valzer", "sinistra e destra", "no"},
        {"4", "Minuetto", "Bach", "ballo", "Tango", "solo sinistra", "no"},
    };
    QCOMPARE(readCsvWithPython(path), expected);
}

void TestScoreListExport::csvQuoting_data()
{
    QTest::addColumn<ScoreListRow>("row");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("virgolette") << ScoreListRow{7, "Il \"Trovatore\"", "Verdi", "", "Opera lirica", false, true, false}
                                << QStringList{"7", "Il \"Trovatore\"", "Verdi", "", "Opera lirica", "solo destra", "no"};
    QTest::newRow("virgole e a capo") << ScoreListRow{12, "Uno,\r\ndue", ",", "\"", "Città, campagna", true, false, true}
                                      << QStringList{"12", "Uno,\r\ndue", ",", "\"", "Città, campagna", "solo sinistra", "sì"};
    QTest::newRow("spazi e vuoti") << ScoreListRow{3, " Aria ", "", "", "", false, false, false}
                                   << QStringList{"3", " Aria ", "", "", "", "nessuna", "no"};
}

void TestScoreListExport::csvQuoting()
{
    QFETCH(ScoreListRow, row);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("elenco.csv"));
    testsupport::writeFile(path, scoreListCsv({row, row}));
    QCOMPARE(readCsvWithPython(path), Table({csvHeader, expected, expected}));
}

void TestScoreListExport::pdfCatalogue()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is needed to read the catalogue back");
    QList<ScoreListRow> rows;
    for (int k = 1; k <= 150; ++k)
        rows.append({k, QStringLiteral("Brano %1").arg(k, 3, 10, QLatin1Char('0')),
                     QStringLiteral("Autore con un nome lungo che va a capo nella colonna %1").arg(k), "tag", "Valzer",
                     true, true, k % 2 == 0});
    std::reverse(rows.begin(), rows.end());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("elenco.pdf"));
    QVERIFY(!exportScoreList(path, ScoreListFormat::Pdf, rows, QStringLiteral("Elenco degli spartiti"),
                             QDate(2024, 3, 9)));

    const QStringList pages = pdfText(path).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));
    QVERIFY(pages.first().contains(QStringLiteral("Elenco degli spartiti")));
    QVERIFY(pages.first().contains(QStringLiteral("9 marzo 2024")));
    qsizetype listed = 0;
    for (qsizetype p = 0; p < pages.size(); ++p) {
        for (const char *heading : {"Titolo", "Autore", "Categoria", "Pagine", "Traccia"})
            QVERIFY2(pages[p].contains(QLatin1String(heading)), heading);
        QVERIFY(pages[p].contains(QStringLiteral("Pagina %1 di %2").arg(p + 1).arg(pages.size())));
        listed += pages[p].count(QStringLiteral("Brano "));
    }
    QCOMPARE(listed, rows.size());
    // In list order across the pages: 150 first, 1 last.
    const QString all = pages.join(QString());
    qsizetype previous = -1;
    for (const ScoreListRow &row : rows) {
        const qsizetype at = all.indexOf(row.title);
        QVERIFY2(at > previous, qPrintable(row.title));
        previous = at;
    }
}

// Grouped by category: the groups in Italian order, the scores without one last, each
// group under its heading and in the list's order within it.
void TestScoreListExport::pdfCatalogueByCategory()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is needed to read the catalogue back");
    const QList<ScoreListRow> rows = {{1, "Uno", "", "", "Valzer", true, true, false},
                                      {2, "Due", "", "", "", true, false, false},
                                      {3, "Tre", "", "", "Èstasi", true, true, false},
                                      {4, "Quattro", "", "", "Valzer", false, false, true},
                                      {5, "Cinque", "", "", "aria", true, true, false}};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("elenco.pdf"));
    QVERIFY(!exportScoreList(path, ScoreListFormat::PdfByCategory, rows, QStringLiteral("Elenco"), QDate(2024, 3, 9)));
    const QString text = pdfText(path);
    QStringList order;
    for (const char *word : {"aria", "Cinque", "Èstasi", "Tre", "Valzer", "Uno", "Quattro", "Senza categoria", "Due"})
        order.append(QString::fromUtf8(word));
    qsizetype previous = text.indexOf(QStringLiteral("Traccia"));
    for (const QString &word : order) {
        const qsizetype at = text.indexOf(word, previous + 1);
        QVERIFY2(at > previous, qPrintable(word + QLatin1Char('\n') + text));
        previous = at;
    }
}

void TestScoreListExport::failedWriteLeavesNothing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("manca/elenco.pdf"));
    const auto error = exportScoreList(path, ScoreListFormat::Pdf, {{1, "Aria", "", "", "", true, true, true}},
                                       QStringLiteral("Elenco"), QDate(2024, 1, 1));
    QVERIFY(error);
    QVERIFY(!error->message.isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

QTEST_MAIN(TestScoreListExport)
#include "tst_scorelistexport.moc"
