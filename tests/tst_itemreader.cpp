#include "itemreader.h"

#include <QtTest>

class TestItemReader : public QObject
{
    Q_OBJECT

private slots:
    // The items read, joined by '|'; "<end>" marks a read that failed before the input ended.
    void items_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char *name, const char *input, const char *expected) {
            QTest::newRow(name) << QByteArray(input) << QByteArray(expected);
        };
        row("record line gives value and empty item", "\"abc\",\r\n", "abc|");
        row("first line is one item", "var archivio = [\r\n", "var archivio = [");
        row("last line without line end", " ];", "];");
        row("comma inside quotes stays", "\"Verdi, Giuseppe\",\r\n", "Verdi, Giuseppe|");
        row("quote cuts value, rest to comma skipped", "\"ab\"cd\",e\r\n", "ab|e");
        row("quoted value spans a line end", "\"a\r\nb\",\r\n", "a\r\nb|");
        row("lone LF is a line end", "\"a\",\n\"b\",\n", "a||b|");
        row("trailing spaces are input past the end", "\"a\",   ", "a|<end>");
        row("windows-1252 bytes pass through", "\"Perch\xe8\",", "Perch\xe8");
    }
    void items()
    {
        QFETCH(QByteArray, input);
        spartiti::ItemReader reader(input);
        QList<QByteArray> items;
        while (!reader.atEnd()) {
            const auto item = reader.next();
            items.append(item ? item->toByteArray() : QByteArray("<end>"));
            if (!item)
                break;
        }
        QTEST(items.join('|'), "expected");
        QVERIFY(!reader.next());
    }
};

QTEST_GUILESS_MAIN(TestItemReader)
#include "tst_itemreader.moc"
