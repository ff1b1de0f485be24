#include "itemreader.h"

#include <QtTest>

using spartiti::ItemReader;

class TestItemReader : public QObject
{
    Q_OBJECT

private slots:
    void items_data();
    void items();
};

// Items are written joined by '|'; "<end>" marks that reading one more item fails.
void TestItemReader::items_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("record line gives value and empty item") << QByteArray("\"abc\",\r\n") << QByteArray("abc|");
    QTest::newRow("first line is one item") << QByteArray("var archivio = [\r\n") << QByteArray("var archivio = [");
    QTest::newRow("last line without line end") << QByteArray(" ];") << QByteArray("];");
    QTest::newRow("last line with line end") << QByteArray(" ];\r\n") << QByteArray("];");
    QTest::newRow("comma inside quotes stays") << QByteArray("\"Verdi, Giuseppe\",\r\n") << QByteArray("Verdi, Giuseppe|");
    QTest::newRow("spaces inside quotes stay") << QByteArray("\"  a b  \",\r\n") << QByteArray("  a b  |");
    QTest::newRow("leading spaces skipped") << QByteArray("   \"x\",\r\n") << QByteArray("x|");
    QTest::newRow("empty quoted") << QByteArray("\"\",\r\n") << QByteArray("|");
    QTest::newRow("unquoted to comma") << QByteArray("a,b\r\n") << QByteArray("a|b");
    QTest::newRow("blank line is one empty item") << QByteArray("\r\n") << QByteArray("");
    QTest::newRow("quote cuts value, rest to comma skipped")
        << QByteArray("\"ab\"cd\",e\r\n") << QByteArray("ab|e");
    QTest::newRow("after closing quote skip to line end first")
        << QByteArray("\"ab\" x\r\ny,") << QByteArray("ab|y");
    QTest::newRow("unterminated quote runs to end") << QByteArray("\"abc") << QByteArray("abc");
    QTest::newRow("quoted value spans a line end") << QByteArray("\"a\r\nb\",\r\n") << QByteArray("a\r\nb|");
    QTest::newRow("lone LF is a line end") << QByteArray("\"a\",\n\"b\",\n") << QByteArray("a||b|");
    QTest::newRow("lone CR is an ordinary byte") << QByteArray("a\rb,") << QByteArray("a\rb");
    QTest::newRow("two commas") << QByteArray(",,") << QByteArray("|");
    QTest::newRow("trailing spaces are input past the end") << QByteArray("\"a\",   ") << QByteArray("a|<end>");
    QTest::newRow("windows-1252 bytes pass through") << QByteArray("\"Perch\xe8\",") << QByteArray("Perch\xe8");
}

void TestItemReader::items()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);

    ItemReader reader(input);
    QList<QByteArray> items;
    while (!reader.atEnd()) {
        const auto item = reader.next();
        items.append(item ? item->toByteArray() : QByteArray("<end>"));
        if (!item)
            break;
    }
    QCOMPARE(items.join('|'), expected);
    QVERIFY(!reader.next());
}

QTEST_GUILESS_MAIN(TestItemReader)
#include "tst_itemreader.moc"
