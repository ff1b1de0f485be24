// Catalogues made of fuzz-chosen values, encoded the way writeArchive writes them (the
// write itself is an atomic replace of these bytes): what the encoder accepts loads back
// to exactly the values written, and what it refuses is something the format cannot
// hold, named by the first record that holds it.

#include "archive.h"
#include "catalogue.h"
#include "fuzzcheck.h"
#include "windows1252.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

using namespace spartiti;
using Field = ScoreCatalogue::Field;

namespace {

const QString Path = QStringLiteral("spartiti/archivio.js");

// Mostly Windows-1252 text, with now and then a character the format cannot hold:
// a double quote, a backslash, CR, LF, or a character outside the code page.
QString makeValue(FuzzedDataProvider &input)
{
    std::string raw = input.ConsumeRandomLengthString(40);
    const bool allowForbidden = input.ConsumeIntegralInRange(0, 15) == 0;
    if (!allowForbidden) {
        for (char &c : raw)
            if (c == '"' || c == '\\' || c == '\r' || c == '\n')
                c = ' ';
    }
    QString value = windows1252::decode(QByteArrayView(raw.data(), qsizetype(raw.size())));
    if (allowForbidden && input.ConsumeBool())
        value.insert(int(input.ConsumeIntegralInRange<std::size_t>(0, value.size())),
                     QChar(input.ConsumeIntegralInRange<char16_t>(0x100, 0xFFFF)));
    return value;
}

// The first (record, field) the format cannot hold, in the order the encoder walks.
std::optional<std::pair<int, Field>> firstForbidden(const ScoreCatalogue &catalogue)
{
    for (int slot = 1; slot <= catalogue.scoreCount(); ++slot) {
        for (int f = 1; f < ScoreCatalogue::FieldCount; ++f) {
            const QString &value = catalogue.value(Field(f), slot);
            if (value.contains(QLatin1Char('"')) || value.contains(QLatin1Char('\\'))
                || value.contains(QLatin1Char('\r'))
                || value.contains(QLatin1Char('\n')) || windows1252::firstUnencodable(value))
                return std::pair{slot, Field(f)};
        }
    }
    return std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    static ScoreCatalogue catalogue;
    const int n = input.ConsumeIntegralInRange(0, 60);
    catalogue.setScoreCount(n);
    for (int slot = 1; slot <= n; ++slot)
        for (int f = 0; f < ScoreCatalogue::FieldCount; ++f)
            catalogue.setValue(Field(f), slot, makeValue(input));

    QByteArray bytes;
    const auto refused = encodeArchive(catalogue, bytes);
    const auto forbidden = firstForbidden(catalogue);
    FUZZ_REQUIRE(bool(refused) == bool(forbidden));
    if (refused) {
        FUZZ_REQUIRE(refused->kind == Error::Kind::Unencodable);
        const QString field = ScoreCatalogue::fieldName(forbidden->second);
        FUZZ_REQUIRE(refused->message.contains(QStringLiteral("campo %1 del titolo numero %2 ")
                                                   .arg(field)
                                                   .arg(forbidden->first)));
        FUZZ_REQUIRE(bytes.isEmpty());
        return 0;
    }

    FUZZ_REQUIRE(bytes.count("\r\n") == 5 * n + 2);
    ArchiveContents loaded;
    FUZZ_REQUIRE(!parseArchive(bytes, loaded, Path));
    FUZZ_REQUIRE(loaded.itemCount == 10 * n + 2);
    FUZZ_REQUIRE(loaded.records.size() == n);
    for (int slot = 1; slot <= n; ++slot) {
        const ArchiveRecord &record = loaded.records[slot - 1];
        FUZZ_REQUIRE(record[0] == QString::number(slot));
        for (int f = 1; f < ScoreCatalogue::FieldCount; ++f) {
            QString expected = catalogue.value(Field(f), slot);
            if (Field(f) == Field::Category && expected.isEmpty())
                expected = QStringLiteral("0");
            FUZZ_REQUIRE(record[f] == expected);
        }
    }
    return 0;
}
