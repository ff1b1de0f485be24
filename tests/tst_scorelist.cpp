// The list of every score: its cells, the Italian sort order, the filters, following the edits.

#include "module1.h"
#include "scorelistfilter.h"
#include "scorelistmodel.h"
#include "scorelistwindow.h"
#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QUndoStack>

using namespace spartiti;
using testsupport::writeFile;
using Field = ScoreCatalogue::Field;

namespace {

// Titles a plain comparison of code points misorders: lower case after upper case, an accented
// capital after Z, "10" before "9". The demo's categories 2 and 3 sort the other way by name.
const QList<QList<QByteArray>> records = {
    {"Zingara", "Verdi", "ballo", "2"},
    {"\xC8stasi", "Bach", "lento", "0"},
    {"ebano", "\xE0lvaro", "perch\xE9", "3"},
    {"Andante 10", "Bach", "", ""},
    {"Andante 9", "Mozart", "ballo lento", "2"},
};

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
        for (const QString &path : {files.leftPage(1), files.leftPage(3), files.rightPage(1), files.rightPage(2), files.track(5)})
            writeFile(path, "x");
        QVERIFY(QFile::copy(QStringLiteral(SPARTITI_DEMO_DIR "/generi.js"), files.categoryList()));
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
    void sortingAndFiltering_data()
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
    void sortingAndFiltering()
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
    // Edits, "+", an attach and their undo reach the sorted, filtered rows without a reset.
    void followsTheDocumentAndGoesToTheChosenScore()
    {
        Catalogue c;
        ScoreListModel model(c.document);
        ScoreListFilter filter(&model);
        QAbstractItemModelTester sourceTester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        filter.sort(ScoreListModel::Title);
        filter.setQuickFilter(ScoreListFilter::WithoutPages, true);
        const auto cells = [&model](int number) {   // score `number`'s row, joined by "|"
            QStringList cells;
            for (int column = 0; column < ScoreListModel::ColumnCount; ++column)
                cells << model.index(number - 1, column).data().toString();
            return cells.join(QLatin1Char('|'));
        };
        // The category by its name (codes other than 1 to 33 name none), a tick for each file there.
        QVERIFY(!c.document.categoryName(ScoreCatalogue::CategoryCount).isEmpty());
        QCOMPARE(c.document.categoryName(34) + c.document.categoryName(-1), QString());
        QCOMPARE(cells(2), QStringLiteral("2|Èstasi|Bach|lento|||✓|"));
        QCOMPARE(cells(3), QStringLiteral("3|ebano|àlvaro|perché|Canzone napoletana|✓||"));
        QCOMPARE(cells(5), QStringLiteral("5|Andante 9|Mozart|ballo lento|Opera lirica|||✓"));
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        c.document.setField(2, Field::Title, QStringLiteral("Adagio"), 1);
        QCOMPARE(numbers(filter), (QList<int>{2, 5, 4, 3}));
        c.document.history()->undo();
        QCOMPARE(numbers(filter), (QList<int>{5, 4, 3, 2}));
        c.document.setField(5, Field::Title, QStringLiteral("Bolero"), 2);
        QVERIFY(!c.document.addRecord(6, 5));
        QCOMPARE(numbers(filter), (QList<int>{6, 4, 5, 3, 2}));   // the new one has an empty title
        // Score 3's right page attached, as the right picker does.
        writeFile(c.folder.file(QStringLiteral("destra.jpg")), "x");
        testsupport::attachAndWait(c.document, ScoreFile::RightPage, 3, c.folder.file(QStringLiteral("destra.jpg")));
        QCOMPARE(numbers(filter), (QList<int>{6, 4, 5, 2}));
        QCOMPARE(cells(3), QStringLiteral("3|ebano|àlvaro|perché|Canzone napoletana|✓|✓|"));
        c.document.history()->undo();
        QCOMPARE(numbers(filter), (QList<int>{6, 4, 5, 3, 2}));
        c.document.history()->undo();   // "+"
        QCOMPARE(model.rowCount(), 5);
        QCOMPARE(resets.count(), 0);
        // In the window, typing filters the table and says how many are shown; Enter in the
        // filter goes to the first score listed, Enter in the table to the current row's.
        ScoreListWindow window(c.document, c.notifier);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSignalSpy chosen(&window, &ScoreListWindow::scoreChosen);
        auto *typed = window.findChild<QLineEdit *>(QStringLiteral("filtro"));
        auto *table = window.findChild<QTableView *>(QStringLiteral("tabella"));
        QTest::keyClicks(typed, QStringLiteral("bach"));
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("conteggio"))->text(), QStringLiteral("2 spartiti su 5"));
        QTest::keyClick(typed, Qt::Key_Return);
        table->setFocus();
        table->setCurrentIndex(table->model()->index(1, 1));
        QTest::keyClick(table, Qt::Key_Return);
        QCOMPARE(QList<QVariantList>(chosen), (QList<QVariantList>{{2}, {4}}));
    }
};

QTEST_MAIN(TestScoreList)
#include "tst_scorelist.moc"
