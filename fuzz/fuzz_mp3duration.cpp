// The MP3 playing-time reader over arbitrary bytes: it reads only inside the data, finds
// a length exactly when it finds MPEG audio, and data that ends before the size it
// announced (a file cut while it is read) gives an answer, never a crash.

#include "fuzzcheck.h"
#include "mp3duration.h"

#include <cstddef>
#include <cstdint>

using namespace spartiti;

namespace {

// Reads `bytes`, of which only the first `available` are there, checking every request
// against the size announced.
ByteReader checkedReader(QByteArrayView bytes, qsizetype available)
{
    return [bytes, available](qint64 offset, qint64 length) {
        FUZZ_REQUIRE(offset >= 0 && length > 0 && offset + length <= bytes.size());
        if (offset >= available)
            return QByteArray();
        return bytes.sliced(offset, std::min<qint64>(length, available - offset)).toByteArray();
    };
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const auto whole = mp3Duration(bytes.size(), checkedReader(bytes, bytes.size()));
    FUZZ_REQUIRE(whole == mp3Duration(bytes));
    FUZZ_REQUIRE(!whole || *whole >= 0);
    FUZZ_REQUIRE(whole.has_value() == hasMpegAudio(bytes.size(), checkedReader(bytes, bytes.size())));

    const auto cut = mp3Duration(bytes.size(), checkedReader(bytes, bytes.size() / 2));
    FUZZ_REQUIRE(!cut || *cut >= 0);
    return 0;
}
