#include "catalogue.h"
#include "categorylist.h"
#include "module1.h"
#include "scorepaths.h"
#include "testsupport.h"
#include "archive.h"

#include <QtTest>

using namespace spartiti;
using testsupport::writeFile;
using Field = ScoreCatalogue::Field;

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void slotBounds_data();
    void slotBounds();
    void sixteenBitCounters();
    void scorePaths_data();
    void scorePaths();
    void presenceIsAPlainFile();
    void categoryList_data();
    void categoryList();
    void demoCatalogueLoads();
};

void TestCatalogue::slotBounds_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<bool>("valid");
    QTest::newRow("0") << 0 << true;
    QTest::newRow("9999") << 9999 << true;
    QTest::newRow("10000") << 10000 << false;
    QTest::newRow("-1") << -1 << false;
}

void TestCatalogue::slotBounds()
{
    QFETCH(int, slot);
    QFETCH(bool, valid);
    ScoreCatalogue catalogue;
    bool threw = false;
    try {
        catalogue.setValue(Field::Tags, slot, QStringLiteral("x"));
        QCOMPARE(catalogue.tags(slot), QStringLiteral("x"));
    } catch (const Error &error) {
        threw = true;
        QCOMPARE(error.kind, Error::Kind::Index);
    }
    QCOMPARE(threw, !valid);
}

void TestCatalogue::sixteenBitCounters()
{
    ScoreCatalogue catalogue;
    QCOMPARE(catalogue.scoreCount(), 0);
    catalogue.setScoreCount(32767);
    QCOMPARE(catalogue.scoreCount(), 32767);
    QVERIFY_THROWS_EXCEPTION(Error, catalogue.setScoreCount(32768));
    QCOMPARE(catalogue.scoreCount(), 32767);

    Module1 state;
    QSignalSpy changed(&state, &Module1::currentNumberChanged);
    state.setCurrentNumber(7);
    state.setCurrentNumber(7);
    QCOMPARE(changed.size(), 1);
    QVERIFY_THROWS_EXCEPTION(Error, state.setCategoryTargetNumber(-32769));
    QVERIFY_THROWS_EXCEPTION(Error, state.setCategoryName(201, QString()));
}

void TestCatalogue::scorePaths_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<QString>("track");
    QTest::newRow("7") << 7 << "spartiti/7L.jpg" << "spartiti/7R.jpg" << "spartiti/audio/7.mp3";
    QTest::newRow("10, no leading zero") << 10 << "spartiti/10L.jpg" << "spartiti/10R.jpg" << "spartiti/audio/10.mp3";
    QTest::newRow("123") << 123 << "spartiti/123L.jpg" << "spartiti/123R.jpg" << "spartiti/audio/123.mp3";
}

void TestCatalogue::scorePaths()
{
    QFETCH(int, number);
    QTEST(paths::leftPage(number), "left");
    QTEST(paths::rightPage(number), "right");
    QTEST(paths::track(number), "track");
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

void TestCatalogue::demoCatalogueLoads()
{
    ScoreCatalogue catalogue;
    QVERIFY(!readArchive(catalogue, QStringLiteral(SPARTITI_DEMO_DIR "/archivio.js")));
    QVERIFY(catalogue.scoreCount() >= 12);
    CategoryNames names;
    QVERIFY(!readCategoryList(QStringLiteral(SPARTITI_DEMO_DIR "/generi.js"), names));
    for (const QString &name : names)
        QVERIFY(!name.isEmpty());
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
