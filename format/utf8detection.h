#pragma once

#include <QByteArrayView>

namespace spartiti {

// Whether the bytes of an archive look like UTF-8 rather than Windows-1252: they begin
// with a UTF-8 byte order mark, or they hold at least one multi-byte UTF-8 sequence and
// every byte above 7F belongs to a well-formed one. Italian Windows-1252 text fails the
// second test at once, as its accented letters (E0..FA) are followed by plain letters,
// not by the continuation bytes 80..BF; pure ASCII has nothing to convert.
bool looksLikeUtf8(QByteArrayView bytes);

} // namespace spartiti
