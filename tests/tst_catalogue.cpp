#include "categorylist.h"
#include "pageorder.h"
#include "testsupport.h"
#include "webpagereader.h"
#include "windows1252.h"

using namespace spartiti;

// A category list's first line and `names` name lines, "Genere 1" onwards.
static QByteArray categoryFile(int names, const QByteArray &firstLine = "var generi = [")
{
    QByteArray out = firstLine + "\r\n";
    for (int k = 1; k <= names; ++k)
        out += "\"Genere " + QByteArray::number(k) + "\",\r\n";
    return out;
}

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void categoryList_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("read");   // the first and the last name; "" when the file is refused
        QTest::newRow("33 names and closing line") << categoryFile(33) + " ];\r\n" << "Genere 1|Genere 33";
        QTest::newRow("ends on the 33rd name line") << categoryFile(33) << "Genere 1|Genere 33";
        QTest::newRow("longer file reads the first 33") << categoryFile(40) + " ];\r\n" << "Genere 1|Genere 33";
        QTest::newRow("32 names is too short") << categoryFile(32) << "";
        QTest::newRow("comma in first line shifts names") << categoryFile(34, "var generi, x") << "x|";
        QTest::newRow("quoted name with a comma")
            << QByteArray("x\r\n\"Jazz, blues\",\r\n") + categoryFile(32).mid(16) << "Jazz, blues|Genere 32";
        // The letters at 80-9F are where Windows-1252 and Latin-1 differ.
        QTest::newRow("windows-1252 letters") << QByteArray("x\r\n\"L\x92" "attivit\xe0 \x80\",\r\n") + categoryFile(32).mid(16)
                                              << "L’attività €|Genere 32";
    }
    void categoryList()
    {
        QFETCH(QByteArray, file);
        CategoryNames names;
        const auto error = parseCategoryList(file, names, QStringLiteral("spartiti/generi.js"));
        QVERIFY(!error || error->message.contains(QStringLiteral("generi.js")));   // a refusal names the file
        QTEST(error ? QString() : names.front() + QLatin1Char('|') + names.back(), "read");
    }
    // Page Down and Page Up in the viewer walk left, right, then the next score's left, over the pages
    // there, and stop at either end. 1 and 4 have both pages, 2 its left, 3 none; 5 lies past the count.
    void pageOrder()
    {
        const QStringList present{"1L", "1R", "2L", "4L", "4R", "5L"};
        const auto name = [](const PageRef &page) { return QString::number(page.number) + (page.right ? "R" : "L"); };
        const auto exists = [&](const PageRef &page) { return present.contains(name(page)); };
        for (const int step : {1, -1}) {
            QStringList walked;
            for (std::optional<PageRef> page = PageRef{step > 0 ? 1 : 4, step < 0}; page; page = adjacentPage(*page, step, 4, exists))
                walked << name(*page);
            QCOMPARE(walked.join(QLatin1Char(' ')), step > 0 ? QStringLiteral("1L 1R 2L 4L 4R") : QStringLiteral("4R 4L 2L 1R 1L"));
        }
    }
    // Every byte, the five undefined ones included, decodes as a browser decodes it, and back.
    void windows1252EveryByte()
    {
        QByteArray bytes;
        for (int b = 0; b < 256; ++b)
            bytes += char(b);
        const QString text = windows1252::decode(bytes);
        QCOMPARE(text, testsupport::browserWindows1252(bytes));
        QCOMPARE(windows1252::encode(text), std::optional<QByteArray>(bytes));
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
