// The list of every score: its rows and columns, the Italian sort order, the filters,
// and the rows following edits, "+" and attaches without a reset.

#include "cataloguedocument.h"
#include "cataloguefolder.h"
#include "module1.h"
#include "scorelistfilter.h"
#include "scorelistmodel.h"
#include "scorelistwindow.h"
#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QUndoStack>

using namespace spartiti;
using testsupport::writeFile;
using Field = ScoreCatalogue::Field;

namespace {

// Titles that a plain comparison of code points puts in the wrong order: lower case
// after upper case, an accented capital after Z, "10" before "9".
const QList<QList<QByteArray>> records = {
    {"Zingara", "Verdi", "ballo", "1"},
    {"\xC8stasi", "Bach", "lento", "0"},
    {"ebano", "\xE0lvaro", "perch\xE9", "2"},
    {"Andante 10", "Bach", "", ""},
    {"Andante 9", "Mozart", "ballo lento", "1"},
};

// The category list: "Valzer" and "Tango" first, then names that no record uses.
QByteArray categoryList()
{
    QByteArray out("var generi = [\r\n\"Valzer\",\r\n\"Tango\",\r\n");
    for (int k = 3; k <= ScoreCatalogue::CategoryCount; ++k)
        out += "\"Genere " + QByteArray::number(k) + "\",\r\n";
    return out + "];\r\n";
}

struct Catalogue
{
    testsupport::WorkingFolder folder;
    Module1 state;
    testsupport::RecordingNotifier notifier;
    CatalogueDocument document{folder.catalogue(), state, notifier};

    Catalogue()
    {
        const CatalogueFolder &files = document.folder();
        writeFile(files.archive(), testsupport::archiveBytes(records));
        for (int n : {1, 3})
            writeFile(files.leftPage(n), "x");
        for (int n : {1, 2})
            writeFile(files.rightPage(n), "x");
        writeFile(files.track(5), "x");
        writeFile(files.categoryList(), categoryList());
        QVERIFY(!document.load());
    }
};

QList<int> numbers(const ScoreListFilter &filter)
{
    QList<int> shown;
    for (int row = 0; row < filter.rowCount(); ++row)
        shown.append(filter.numberAt(row));
    return shown;
}

} // namespace

class TestScoreList : public QObject
{
    Q_OBJECT

private slots:
    void cells();
    void sortingAndFiltering_data();
    void sortingAndFiltering();
    void followsTheDocument();
    void windowGoesToTheChosenScore();
};

void TestScoreList::cells()
{
    Catalogue c;
    ScoreListModel model(c.document);
    QCOMPARE(model.rowCount(), 5);
    const auto cell = [&](int number, int column) { return model.index(number - 1, column).data().toString(); };
    QCOMPARE(cell(3, ScoreListModel::Number), QStringLiteral("3"));
    QCOMPARE(cell(3, ScoreListModel::Author), QStringLiteral("àlvaro"));
    QCOMPARE(cell(1, ScoreListModel::Category), QStringLiteral("Valzer"));
    QCOMPARE(cell(2, ScoreListModel::Category), QString());   // "0": none
    QCOMPARE(cell(1, ScoreListModel::LeftPage) + cell(1, ScoreListModel::RightPage) + cell(1, ScoreListModel::Track),
             QStringLiteral("✓✓"));
    QCOMPARE(cell(5, ScoreListModel::Track), QStringLiteral("✓"));
}

void TestScoreList::sortingAndFiltering_data()
{
    QTest::addColumn<int>("column");   // sorted by, ascending
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("quick");
    QTest::addColumn<QList<int>>("expected");
    const auto row = [](const char *name, int column, const QString &query, int quick, const QList<int> &expected) {
        QTest::newRow(name) << column << query << quick << expected;
    };
    row("titles, Italian", ScoreListModel::Title, {}, 0, {5, 4, 3, 2, 1});
    row("authors, equal ones by number", ScoreListModel::Author, {}, 0, {3, 2, 4, 5, 1});
    row("categories by name", ScoreListModel::Category, {}, 0, {2, 4, 3, 1, 5});
    row("track present last", ScoreListModel::Track, {}, 0, {1, 2, 3, 4, 5});
    row("accents and case ignored", ScoreListModel::Number, QStringLiteral("ESTASI"), 0, {2});
    row("accent typed, author", ScoreListModel::Number, QStringLiteral("Àlv"), 0, {3});
    row("every word, any field", ScoreListModel::Number, QStringLiteral("bach lento"), 0, {2});
    row("without pages: one missing is enough", ScoreListModel::Number, {}, ScoreListFilter::WithoutPages, {2, 3, 4, 5});
    row("without track", ScoreListModel::Number, {}, ScoreListFilter::WithoutTrack, {1, 2, 3, 4});
    row("without category: 0 and empty", ScoreListModel::Number, {}, ScoreListFilter::WithoutCategory, {2, 4});
    row("quick filters and words combine", ScoreListModel::Number, QStringLiteral("bach"),
        ScoreListFilter::WithoutCategory | ScoreListFilter::WithoutTrack, {2, 4});
}

void TestScoreList::sortingAndFiltering()
{
    QFETCH(int, column);
    QFETCH(QString, query);
    QFETCH(int, quick);
    Catalogue c;
    ScoreListModel model(c.document);
    ScoreListFilter filter(&model);
    filter.sort(column);
    filter.setQuery(query);
    for (auto flag : {ScoreListFilter::WithoutPages, ScoreListFilter::WithoutTrack, ScoreListFilter::WithoutCategory})
        filter.setQuickFilter(flag, quick & flag);
    QTEST(numbers(filter), "expected");
}

// Edits, "+", an attach and their undo reach the rows through the model's signals,
// never a reset, and the sorted, filtered view follows them.
void TestScoreList::followsTheDocument()
{
    Catalogue c;
    ScoreListModel model(c.document);
    ScoreListFilter filter(&model);
    QAbstractItemModelTester sourceTester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModelTester tester(&filter, QAbstractItemModelTester::FailureReportingMode::QtTest);
    filter.sort(ScoreListModel::Title);
    filter.setQuickFilter(ScoreListFilter::WithoutPages, true);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);

    c.document.setField(2, Field::Title, QStringLiteral("Adagio"), 1);
    QCOMPARE(numbers(filter), (QList<int>{2, 5, 4, 3}));
    QCOMPARE(changes.count(), 1);
    c.document.history()->undo();
    QCOMPARE(numbers(filter), (QList<int>{5, 4, 3, 2}));

    c.document.setField(5, Field::Title, QStringLiteral("Bolero"), 2);
    QVERIFY(!c.document.addRecord(6, 5));
    QCOMPARE(model.rowCount(), 6);
    QCOMPARE(numbers(filter), (QList<int>{6, 4, 5, 3, 2}));   // the new one has an empty title

    // Score 3's right page attached, as the right picker does.
    writeFile(c.folder.file(QStringLiteral("destra.jpg")), "x");
    QSignalSpy finished(&c.document, &CatalogueDocument::attachFinished);
    QVERIFY(!c.document.startAttach(ScoreFile::RightPage, 3, c.folder.file(QStringLiteral("destra.jpg"))));
    QVERIFY(finished.wait(30000));
    QCOMPARE(numbers(filter), (QList<int>{6, 4, 5, 2}));
    c.document.history()->undo();
    QCOMPARE(numbers(filter), (QList<int>{6, 4, 5, 3, 2}));
    c.document.history()->undo();   // "+"
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(resets.count(), 0);
}

// The list window as a user drives it: typing filters the table and says how many are
// shown; Enter in the filter goes to the first score listed, Enter in the table to the
// score of the current row.
void TestScoreList::windowGoesToTheChosenScore()
{
    Catalogue c;
    ScoreListWindow window(c.document, c.notifier);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy chosen(&window, &ScoreListWindow::scoreChosen);
    auto *filter = window.findChild<QLineEdit *>(QStringLiteral("filtro"));
    auto *table = window.findChild<QTableView *>(QStringLiteral("tabella"));
    QTest::keyClicks(filter, QStringLiteral("bach"));
    QCOMPARE(table->model()->rowCount(), 2);
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("conteggio"))->text(), QStringLiteral("2 spartiti su 5"));
    QTest::keyClick(filter, Qt::Key_Return);
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.takeFirst().at(0).toInt(), 2);
    table->setFocus();
    table->setCurrentIndex(table->model()->index(1, 1));
    QTest::keyClick(table, Qt::Key_Return);
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.takeFirst().at(0).toInt(), 4);
    window.hide();
}

QTEST_MAIN(TestScoreList)
#include "tst_scorelist.moc"
