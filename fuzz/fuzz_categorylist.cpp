// parseCategoryList over arbitrary bytes: it succeeds exactly when the file holds the
// 67 items that 33 names need, leaves the names alone when it fails, and the names it
// reads, written back in the list's own layout, read back the same.

#include "categorylist.h"
#include "fuzzcheck.h"
#include "itemreader.h"
#include "windows1252.h"

#include <cstddef>
#include <cstdint>

using namespace spartiti;

namespace {

const QString Path = QStringLiteral("spartiti/generi.js");

int countItems(QByteArrayView bytes, int enough)
{
    ItemReader reader(bytes);
    int items = 0;
    while (items < enough && reader.next())
        ++items;
    return items;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const int needed = 1 + 2 * 33;

    CategoryNames names;
    names.fill(QStringLiteral("prima"));
    const auto error = parseCategoryList(bytes, names, Path);
    FUZZ_REQUIRE(bool(error) == (countItems(bytes, needed) < needed));
    if (error) {
        FUZZ_REQUIRE(error->kind == Error::Kind::InputPastEnd);
        FUZZ_REQUIRE(error->message.contains(Path));
        for (const QString &name : names)
            FUZZ_REQUIRE(name == QStringLiteral("prima"));
        return 0;
    }

    QByteArray rewritten("var generi = [\r\n");
    for (const QString &name : names) {
        if (name.contains(QLatin1Char('"')) || name.contains(QLatin1Char('\r'))
            || name.contains(QLatin1Char('\n')))
            return 0;
        const auto encoded = windows1252::encode(name);
        // Every name came from Windows-1252 bytes, so it always has bytes to go back to.
        FUZZ_REQUIRE(encoded && windows1252::decode(*encoded) == name);
        rewritten += '"' + *encoded + "\",\r\n";
    }
    rewritten += " ];\r\n";
    CategoryNames again;
    FUZZ_REQUIRE(!parseCategoryList(rewritten, again, Path));
    FUZZ_REQUIRE(again == names);
    return 0;
}
