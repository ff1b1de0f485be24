// The item reader over arbitrary bytes: every item lies inside the input between the
// position before and after reading it, every read moves forward, and an item ends
// where the format says an item ends.

#include "fuzzcheck.h"
#include "itemreader.h"

#include <cstddef>
#include <cstdint>

using spartiti::ItemReader;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    ItemReader reader(bytes);
    qsizetype items = 0;
    while (!reader.atEnd()) {
        const qsizetype before = reader.position();
        const auto item = reader.next();
        const qsizetype after = reader.position();
        FUZZ_REQUIRE(after > before);
        FUZZ_REQUIRE(after <= bytes.size());
        if (!item) {
            // Only spaces were left: the reader stands at the end and reports nothing.
            FUZZ_REQUIRE(after == bytes.size());
            for (qsizetype i = before; i < after; ++i)
                FUZZ_REQUIRE(bytes[i] == ' ');
            break;
        }
        const qsizetype start = item->data() - bytes.data();
        FUZZ_REQUIRE(start >= before);
        FUZZ_REQUIRE(start + item->size() <= after);
        for (qsizetype i = before; i < start; ++i)
            FUZZ_REQUIRE(bytes[i] == ' ' || (bytes[i] == '"' && i == start - 1));

        const bool quoted = start > before && bytes[start - 1] == '"';
        for (const char c : *item) {
            if (quoted)
                FUZZ_REQUIRE(c != '"');
            else
                FUZZ_REQUIRE(c != ',' && c != '\n');
        }
        const qsizetype end = start + item->size();
        if (quoted) {
            // The value stops at the closing quote; what follows is skipped up to and
            // including the first comma or line end.
            qsizetype tail = after;
            if (after > end && bytes[after - 1] == ',')
                tail = after - 1;
            else if (after > end && bytes[after - 1] == '\n')
                tail = (after - 2 > end && bytes[after - 2] == '\r') ? after - 2 : after - 1;
            else
                FUZZ_REQUIRE(after == bytes.size());
            if (end < bytes.size())
                FUZZ_REQUIRE(bytes[end] == '"');
            for (qsizetype i = end + 1; i < tail; ++i)
                FUZZ_REQUIRE(bytes[i] != ',' && bytes[i] != '\n');
        } else {
            // An unquoted value stops at a comma or line end, which is consumed with it,
            // or at the end of the input.
            const qsizetype consumed = after - end;
            if (consumed == 0)
                FUZZ_REQUIRE(after == bytes.size());
            else if (consumed == 1)
                FUZZ_REQUIRE(bytes[end] == ',' || bytes[end] == '\n');
            else
                FUZZ_REQUIRE(consumed == 2 && bytes[end] == '\r' && bytes[end + 1] == '\n');
            FUZZ_REQUIRE(!item->endsWith('\r') || consumed != 1 || bytes[end] != '\n');
        }
        ++items;
        FUZZ_REQUIRE(items <= bytes.size());
    }
    return 0;
}
