// The score list exported as CSV (read back by Python's csv module) and as a PDF catalogue.

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
#include <QStandardPaths>

using namespace spartiti;
using Table = QList<QStringList>;

namespace {

// The records as Python's csv module reads them: the reference reader, not ours.
Table readCsvWithPython(const QString &path)
{
    const QByteArray json = testsupport::runTool("python3", {"-c",
                                            "import csv, json, sys\n"
                                            "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
                                            "    print(json.dumps(list(csv.reader(f))))\n",
                                            path});
    Table table;
    for (const QJsonValue &record : QJsonDocument::fromJson(json).array())
        table.append(record.toVariant().toStringList());
    return table;
}

// The text of the catalogue of `rows` exported in `format`, with pdftotext's page breaks.
QString exportedText(ScoreListFormat format, const QList<ScoreListRow> &rows)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("elenco.pdf");
    const auto error = exportScoreList(path, format, rows, "Elenco degli spartiti", QDate(2024, 3, 9));
    return error ? error->message : QString::fromUtf8(testsupport::runTool("pdftotext", {path, "-"}));
}

const QStringList csvHeader = {"numero", "titolo", "autore", "tag", "categoria", "pagine", "traccia"};

} // namespace

class TestScoreListExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("python3").isEmpty() || QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("python3 and pdftotext (poppler-utils) are needed to read the list back");
    }
    void csvOfTheFilteredList()
    {
        testsupport::WorkingFolder dir;
        const CatalogueFolder folder = dir.catalogue();
        // Windows-1252, as the archive is kept; categories 12 and 13 of the demo list: "Valzer", "Tango".
        testsupport::writeFile(folder.archive(), testsupport::archiveBytes({{"Preludio, fuga e \xE0ria", "Bach", "organo", "12"},
                                                                            {"Zingara", "Verdi", "ballo", "13"},
                                                                            {"Wachet auf", "J. S. Bach", "", "0"},
                                                                            {"Minuetto", "Bach", "ballo", "13"}}));
        QVERIFY(QFile::copy(SPARTITI_DEMO_DIR "/generi.js", folder.categoryList()));
        for (const QString &file : {folder.leftPage(1), folder.rightPage(1), folder.leftPage(4), folder.leftPage(2), folder.track(3)})
            testsupport::writeFile(file, "x");
        Module1 state;
        testsupport::RecordingNotifier notifier;
        CatalogueDocument document(folder, state, notifier);
        QVERIFY(!document.load());
        ScoreListModel model(document);
        ScoreListFilter filter(&model);
        filter.setQuery("bach");
        filter.sort(ScoreListModel::Title, Qt::DescendingOrder);
        const QString path = dir.file("elenco.csv");
        QVERIFY(!exportScoreList(path, ScoreListFormat::Csv, rowsAsListed(filter), QString(), QDate()));
        QVERIFY(testsupport::readFile(path).startsWith("\xEF\xBB\xBF"));
        QCOMPARE(readCsvWithPython(path), Table({csvHeader,
                                                 {"3", "Wachet auf", "J. S. Bach", "", "", "nessuna", "sì"},
                                                 {"1", "Preludio, fuga e ària", "Bach", "organo", "Valzer", "sinistra e destra", "no"},
                                                 {"4", "Minuetto", "Bach", "ballo", "Tango", "solo sinistra", "no"}}));
        // Quotes and line breaks inside values come back as they were.
        testsupport::writeFile(path, scoreListCsv({{7, "Il \"Trovatore\"", "Uno,\r\ndue", "", "", false, true, false}}));
        QCOMPARE(readCsvWithPython(path), Table({csvHeader, {"7", "Il \"Trovatore\"", "Uno,\r\ndue", "", "", "solo destra", "no"}}));
    }
    void pdfCatalogue()
    {
        QList<ScoreListRow> rows;
        for (int k = 150; k >= 1; --k)
            rows.append({k, QStringLiteral("Brano %1").arg(k, 3, 10, QLatin1Char('0')),
                         QStringLiteral("Autore con un nome lungo che va a capo nella colonna %1").arg(k), "tag", "Valzer",
                         true, true, k % 2 == 0});
        const QStringList pages = exportedText(ScoreListFormat::Pdf, rows).split('\f', Qt::SkipEmptyParts);
        QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));
        QVERIFY(pages.first().contains("Elenco degli spartiti") && pages.first().contains("9 marzo 2024"));
        for (qsizetype p = 0; p < pages.size(); ++p)
            QVERIFY(pages[p].contains(QStringLiteral("Pagina %1 di %2").arg(p + 1).arg(pages.size())));
        // Every title once, in list order across the pages: 150 first, 1 last.
        QCOMPARE(pages.join(QString()).count("Brano "), rows.size());
        QVERIFY(pages.first().section("Brano 150", 1).contains("Brano 149") && pages.last().contains("Brano 001"));
    }
    // Each category under its heading, in Italian order, those without one last; list order within.
    void pdfCatalogueByCategory()
    {
        const QString text = exportedText(ScoreListFormat::PdfByCategory, {{1, "Uno", "", "", "Valzer", true, true, false},
                                                                           {2, "Due", "", "", "", true, false, false},
                                                                           {3, "Tre", "", "", "Èstasi", true, true, false},
                                                                           {4, "Quattro", "", "", "Valzer", false, false, true},
                                                                           {5, "Cinque", "", "", "aria", true, true, false}});
        qsizetype previous = text.indexOf("Traccia");
        for (const QString word : {"aria", "Cinque", "Èstasi", "Tre", "Valzer", "Uno", "Quattro", "Senza categoria", "Due"}) {
            QVERIFY2(text.indexOf(word, previous + 1) > previous, qPrintable(word + '\n' + text));
            previous = text.indexOf(word, previous + 1);
        }
    }
    void failedWriteLeavesNothing()
    {
        QTemporaryDir dir;
        const auto error = exportScoreList(dir.filePath("manca/elenco.pdf"), ScoreListFormat::Pdf,
                                           {{1, "Aria", "", "", "", true, true, true}}, "Elenco", QDate(2024, 1, 1));
        QVERIFY(error && !error->message.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }
};

QTEST_MAIN(TestScoreListExport)
#include "tst_scorelistexport.moc"
