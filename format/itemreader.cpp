#include "itemreader.h"

namespace spartiti {

qsizetype ItemReader::lineEndAt(qsizetype i) const
{
    const qsizetype size = m_bytes.size();
    if (i < size && m_bytes[i] == '\n')
        return 1;
    if (i + 1 < size && m_bytes[i] == '\r' && m_bytes[i + 1] == '\n')
        return 2;
    return 0;
}

std::optional<QByteArrayView> ItemReader::next()
{
    const qsizetype size = m_bytes.size();
    while (m_pos < size && m_bytes[m_pos] == ' ')
        ++m_pos;
    if (m_pos >= size)
        return std::nullopt;

    if (m_bytes[m_pos] == '"') {
        const qsizetype start = m_pos + 1;
        qsizetype close = start;
        while (close < size && m_bytes[close] != '"')
            ++close;
        const QByteArrayView value = m_bytes.sliced(start, close - start);
        // Skip what follows the closing quote up to and including the next comma or
        // line end, whichever comes first, or to the end of the input.
        m_pos = close < size ? close + 1 : size;
        while (m_pos < size) {
            if (m_bytes[m_pos] == ',') {
                ++m_pos;
                break;
            }
            if (const qsizetype eol = lineEndAt(m_pos)) {
                m_pos += eol;
                break;
            }
            ++m_pos;
        }
        return value;
    }

    const qsizetype start = m_pos;
    while (m_pos < size) {
        if (m_bytes[m_pos] == ',') {
            const QByteArrayView value = m_bytes.sliced(start, m_pos - start);
            ++m_pos;
            return value;
        }
        if (const qsizetype eol = lineEndAt(m_pos)) {
            const QByteArrayView value = m_bytes.sliced(start, m_pos - start);
            m_pos += eol;
            return value;
        }
        ++m_pos;
    }
    return m_bytes.sliced(start, size - start);
}

} // namespace spartiti
