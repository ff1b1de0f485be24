// parseArchive over arbitrary bytes. Whatever loads must survive a save: encoded again
// (the way saving writes it), it parses back to the same records, numbered 1 to n and
// with an empty category written as "0". Encoding may only refuse a value that holds a
// double quote, a backslash, CR or LF, as everything read from the file is Windows-1252
// already.

#include "archive.h"
#include "catalogue.h"
#include "fuzzcheck.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

using namespace spartiti;

namespace {

const QString Path = QStringLiteral("spartiti/archivio.js");

bool formatCannotHold(const QString &value)
{
    return value.contains(QLatin1Char('"')) || value.contains(QLatin1Char('\\'))
        || value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    ArchiveContents contents;
    contents.itemCount = -1;
    if (const auto error = parseArchive(bytes, contents, Path)) {
        FUZZ_REQUIRE(error->kind == Error::Kind::Overflow
                     || error->kind == Error::Kind::InputPastEnd);
        FUZZ_REQUIRE(error->message.contains(Path));
        FUZZ_REQUIRE(contents.itemCount == -1 && contents.records.isEmpty());
        return 0;
    }
    const int n = int(contents.records.size());
    FUZZ_REQUIRE(contents.itemCount >= 1 && contents.itemCount <= 32767);
    FUZZ_REQUIRE(n == std::max(0, int(std::nearbyint((contents.itemCount - 2) / 10.0))));
    FUZZ_REQUIRE(n <= ScoreCatalogue::MaxArchiveRecords);

    static ScoreCatalogue catalogue;
    catalogue.setScoreCount(n);
    bool holdable = true;
    for (int slot = 1; slot <= n; ++slot) {
        for (int f = 0; f < ScoreCatalogue::FieldCount; ++f) {
            const QString &value = contents.records[slot - 1][f];
            catalogue.setValue(ScoreCatalogue::Field(f), slot, value);
            // The number is never written as read, so it cannot spoil the file.
            if (f != int(ScoreCatalogue::Field::Number) && formatCannotHold(value))
                holdable = false;
        }
    }

    QByteArray saved;
    const auto refused = encodeArchive(catalogue, saved);
    FUZZ_REQUIRE(bool(refused) == !holdable);
    if (refused) {
        FUZZ_REQUIRE(refused->kind == Error::Kind::Unencodable);
        return 0;
    }
    FUZZ_REQUIRE(saved.startsWith("var archivio = [\r\n") && saved.endsWith("\r\n ];\r\n"));

    ArchiveContents reloaded;
    FUZZ_REQUIRE(!parseArchive(saved, reloaded, Path));
    FUZZ_REQUIRE(reloaded.itemCount == 10 * n + 2);
    FUZZ_REQUIRE(reloaded.records.size() == n);
    for (int r = 0; r < n; ++r) {
        ArchiveRecord expected = contents.records[r];
        expected[0] = QString::number(r + 1);
        QString &category = expected[int(ScoreCatalogue::Field::Category)];
        if (category.isEmpty())
            category = QStringLiteral("0");
        FUZZ_REQUIRE(reloaded.records[r] == expected);
    }

    // A file the program wrote is saved again to the very same bytes.
    QByteArray savedAgain;
    for (int slot = 1; slot <= n; ++slot)
        for (int f = 0; f < ScoreCatalogue::FieldCount; ++f)
            catalogue.setValue(ScoreCatalogue::Field(f), slot, reloaded.records[slot - 1][f]);
    FUZZ_REQUIRE(!encodeArchive(catalogue, savedAgain));
    FUZZ_REQUIRE(savedAgain == saved);
    return 0;
}
