#pragma once

#include <QByteArrayView>

#include <optional>

namespace spartiti {

// Reads the archive and the category list as a stream of items, the way their format
// was designed: it parses neither lines nor JavaScript. One item is
//  - after leading spaces, a quoted value: everything up to the next double quote,
//    then the rest is skipped past the next comma or line end, whichever comes first;
//  - an empty item at a line end or at a comma (each is consumed);
//  - otherwise an unquoted value up to the next comma or line end (consumed).
// A line end is CR LF; a lone LF, as other editors write, counts as one too.
// A pure function over bytes, so that it can be fuzzed and measured on its own.
class ItemReader
{
public:
    explicit ItemReader(QByteArrayView bytes) : m_bytes(bytes) {}

    bool atEnd() const { return m_pos >= m_bytes.size(); }
    qsizetype position() const { return m_pos; }

    // The next item's raw bytes, or nothing when only spaces remain (input past end).
    std::optional<QByteArrayView> next();

private:
    // Length of the line end at i (2 for CR LF, 1 for LF), or 0 when there is none.
    qsizetype lineEndAt(qsizetype i) const;

    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

} // namespace spartiti
