#include "catalogue.h"
#include "cataloguedocument.h"
#include "cataloguefolder.h"
#include "categorylist.h"
#include "module1.h"
#include "pageorder.h"
#include "testsupport.h"
#include "webpagereader.h"
#include "windows1252.h"

#include <QtTest>

using namespace spartiti;
using testsupport::writeFile;
using Field = ScoreCatalogue::Field;

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void bounds();
    void categoryList_data();
    void categoryList();
    void pageOrder_data();
    void pageOrder();
    void windows1252EveryByte();
};

namespace {
QByteArray categoryFile(int names, const QByteArray &firstLine = "var generi = [")
{
    QByteArray out = firstLine + "\r\n";
    for (int k = 1; k <= names; ++k)
        out += "\"Genere " + QByteArray::number(k) + "\",\r\n";
    return out;
}

// The kind of error an action throws, or -1.
template<typename Action> int thrownKind(Action action)
{
    try {
        action();
    } catch (const Error &error) {
        return int(error.kind);
    }
    return -1;
}
} // namespace

// Slots 0 to 9999 and 16-bit counters; past them, an error. Category codes 1 to 33 name
// the categories of the list; any other code names none, without an error.
void TestCatalogue::bounds()
{
    ScoreCatalogue catalogue;
    for (int slot : {0, 9999}) {
        catalogue.setValue(Field::Tags, slot, QStringLiteral("x"));
        QCOMPARE(catalogue.tags(slot), QStringLiteral("x"));
    }
    for (int slot : {10000, -1})
        QCOMPARE(thrownKind([&] { catalogue.setValue(Field::Tags, slot, QStringLiteral("x")); }),
                 int(Error::Kind::Index));
    catalogue.setScoreCount(32767);
    QVERIFY(thrownKind([&] { catalogue.setScoreCount(32768); }) >= 0);
    QCOMPARE(catalogue.scoreCount(), 32767);

    testsupport::WorkingFolder folder;
    Module1 state;
    testsupport::RecordingNotifier notifier;
    CatalogueDocument document(folder.catalogue(), state, notifier);
    writeFile(document.folder().categoryList(), categoryFile(ScoreCatalogue::CategoryCount) + " ];\r\n");
    QCOMPARE(document.categoryName(1), QStringLiteral("Genere 1"));
    QCOMPARE(document.categoryName(ScoreCatalogue::CategoryCount), QStringLiteral("Genere 33"));
    for (int code : {0, 34, 200, 201, -1}) {
        QString name = QStringLiteral("?");
        QCOMPARE(thrownKind([&] { name = document.categoryName(code); }), -1);
        QCOMPARE(name, QString());
    }
    QVERIFY(!document.categoryListError());
    QCOMPARE(notifier.count(), 0);
}

void TestCatalogue::categoryList_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("loads");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::newRow("33 names and closing line") << categoryFile(33) + " ];\r\n" << true << "Genere 1" << "Genere 33";
    QTest::newRow("ends on the 33rd name line") << categoryFile(33) << true << "Genere 1" << "Genere 33";
    QTest::newRow("longer file reads the first 33") << categoryFile(40) + " ];\r\n" << true << "Genere 1" << "Genere 33";
    QTest::newRow("32 names is too short") << categoryFile(32) << false << "" << "";
    QTest::newRow("comma in first line shifts names")
        << categoryFile(34, "var generi, x") << true << "x" << "";
    QTest::newRow("quoted name with a comma")
        << QByteArray("x\r\n\"Jazz, blues\",\r\n") + categoryFile(32).mid(16) << true << "Jazz, blues" << "Genere 32";
    // The letters at 80-9F are where Windows-1252 and Latin-1 differ.
    QTest::newRow("windows-1252 letters") << QByteArray("x\r\n\"L\x92" "attivit\xe0 \x80\",\r\n") + categoryFile(32).mid(16)
                                          << true << "L’attività €" << "Genere 32";
}

void TestCatalogue::categoryList()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, loads);
    CategoryNames names;
    const auto error = parseCategoryList(file, names, QStringLiteral("spartiti/generi.js"));
    QCOMPARE(!error, loads);
    if (!loads) {
        QVERIFY(error->message.contains(QStringLiteral("generi.js")));
        return;
    }
    QTEST(names.front(), "first");
    QTEST(names.back(), "last");
}

// Page Down and Page Up in the page viewer: left, right, then the next score's left,
// over the pages that exist; none past either end.
void TestCatalogue::pageOrder_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("right");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("expected");   // "2R", or "" for none
    QTest::newRow("left to right") << 1 << false << 1 << "1R";
    QTest::newRow("right to next score's left") << 1 << true << 1 << "2L";
    QTest::newRow("missing pages skipped") << 2 << false << 1 << "4L";
    QTest::newRow("back over missing pages") << 4 << false << -1 << "2L";
    QTest::newRow("back from left to previous right") << 2 << false << -1 << "1R";
    QTest::newRow("none before the first") << 1 << false << -1 << "";
    QTest::newRow("none past the last score") << 4 << true << 1 << "";
}

void TestCatalogue::pageOrder()
{
    QFETCH(int, number);
    QFETCH(bool, right);
    QFETCH(int, step);
    QFETCH(QString, expected);
    // Scores 1 and 4 have both pages, 2 only its left one, 3 none; 5 exists past the count.
    const QStringList present{"1L", "1R", "2L", "4L", "4R", "5L"};
    const auto name = [](const PageRef &page) { return QString::number(page.number) + (page.right ? "R" : "L"); };
    const auto next = adjacentPage({number, right}, step, 4,
                                   [&](const PageRef &page) { return present.contains(name(page)); });
    QCOMPARE(next ? name(*next) : QString(), expected);
}

// Every byte decodes as a browser decodes the page (the test's own table), the five
// undefined ones included, and encodes back to itself.
void TestCatalogue::windows1252EveryByte()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes += char(b);
    const QString text = windows1252::decode(bytes);
    const QString expected = testsupport::browserWindows1252(bytes);
    for (int b = 0; b < 256; ++b)
        QVERIFY2(text.at(b) == expected.at(b),
                 qPrintable(QStringLiteral("byte %1: U+%2").arg(b, 2, 16).arg(text.at(b).unicode(), 4, 16)));
    QCOMPARE(windows1252::encode(text), std::optional<QByteArray>(bytes));
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
