#include "catalogue.h"
#include "categorylist.h"
#include "module1.h"
#include "scorepaths.h"
#include "testsupport.h"

#include <QtTest>

using namespace spartiti;
using testsupport::writeFile;
using Field = ScoreCatalogue::Field;

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void bounds();
    void presenceIsAPlainFile();
    void categoryList_data();
    void categoryList();
};

namespace {
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

// Slots 0 to 9999 and 16-bit counters; past them, an error.
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
    QCOMPARE(catalogue.scoreCount(), 0);
    catalogue.setScoreCount(32767);
    QCOMPARE(catalogue.scoreCount(), 32767);
    QVERIFY(thrownKind([&] { catalogue.setScoreCount(32768); }) >= 0);
    QCOMPARE(catalogue.scoreCount(), 32767);

    Module1 state;
    QSignalSpy changed(&state, &Module1::currentNumberChanged);
    state.setCurrentNumber(7);
    state.setCurrentNumber(7);
    QCOMPARE(changed.size(), 1);
    QVERIFY(thrownKind([&] { state.setCategoryTargetNumber(-32769); }) >= 0);
    QVERIFY(thrownKind([&] { state.setCategoryName(201, QString()); }) >= 0);
}

void TestCatalogue::presenceIsAPlainFile()
{
    testsupport::WorkingFolder folder;
    writeFile(QStringLiteral("spartiti/1L.jpg"), "x");
    QDir().mkdir(QStringLiteral("spartiti/11L.jpg"));
    QVERIFY(paths::isPresentFile(paths::leftPage(1)));
    QVERIFY(!paths::isPresentFile(paths::leftPage(11)));   // a folder of that name
    QVERIFY(!paths::isPresentFile(paths::rightPage(1)));   // nothing there
}

namespace {
QByteArray categoryFile(int names, const QByteArray &firstLine = "var generi = [")
{
    QByteArray out = firstLine + "\r\n";
    for (int k = 1; k <= names; ++k)
        out += "\"Genere " + QByteArray::number(k) + "\",\r\n";
    return out;
}
} // namespace

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
    QTest::newRow("windows-1252 accents") << QByteArray("x\r\n\"Attivit\xe0\",\r\n") + categoryFile(32).mid(16)
                                          << true << "Attività" << "Genere 32";
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

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
