#pragma once

// Reads an archive or a category list as the web page that includes it does: a browser
// decodes the bytes as Windows-1252, then a JavaScript engine (Qt's own) runs them. The
// decoding table is this file's own, so that it checks the program's rather than
// repeating it.

#include "catalogue.h"

#include <QJSEngine>
#include <QtTest>

namespace testsupport {

inline QString browserWindows1252(const QByteArray &bytes)
{
    // 80..9F as browsers map them (the five undefined bytes to the C1 controls); every
    // other byte is the code point of the same value.
    static constexpr char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    QString text;
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        text += QChar(b >= 0x80 && b < 0xA0 ? high[b - 0x80] : char16_t(b));
    }
    return text;
}

// The strings of the array `name` once the script has run; a script error, a missing
// array or an item that is not a string fails the calling test.
inline void pageReads(const QByteArray &bytes, const QString &name, QStringList &values)
{
    QJSEngine engine;
    const QJSValue result = engine.evaluate(browserWindows1252(bytes), name + QStringLiteral(".js"));
    QVERIFY2(!result.isError(), qPrintable(result.toString()));
    const QJSValue array = engine.globalObject().property(name);
    QVERIFY2(array.isArray(), qPrintable(name + QStringLiteral(" is not an array")));
    const quint32 length = array.property(QStringLiteral("length")).toUInt();
    values.clear();
    for (quint32 i = 0; i < length; ++i) {
        const QJSValue item = array.property(i);
        QVERIFY2(item.isString(), qPrintable(QStringLiteral("item %1 is %2").arg(i).arg(item.toString())));
        values.append(item.toString());
    }
}

// The archive bytes, run as the page runs them, give exactly the catalogue's values: five
// strings per score, the number of its slot and its four values, an empty category as "0".
inline void verifyPageReadsCatalogue(const QByteArray &archive, const spartiti::ScoreCatalogue &catalogue)
{
    using Field = spartiti::ScoreCatalogue::Field;
    QStringList read, expected;
    pageReads(archive, QStringLiteral("archivio"), read);
    if (QTest::currentTestFailed())
        return;
    for (int slot = 1; slot <= catalogue.scoreCount(); ++slot) {
        expected.append(QString::number(slot));
        for (const Field field : {Field::Title, Field::Author, Field::Tags})
            expected.append(catalogue.value(field, slot));
        const QString category = catalogue.category(slot);
        expected.append(category.isEmpty() ? QStringLiteral("0") : category);
    }
    QCOMPARE(read, expected);
}

} // namespace testsupport
