#include "bytewindow.h"

#include <algorithm>

namespace spartiti {

namespace {

constexpr qint64 Chunk = 256 * 1024;

} // namespace

ByteWindow::ByteWindow(qint64 size, const ByteReader &read)
    : m_size(std::max<qint64>(size, 0))
    , m_read(read)
{
}

void ByteWindow::cutAt(qint64 end)
{
    m_size = std::min(m_size, std::max<qint64>(end, 0));
}

QByteArrayView ByteWindow::view(qint64 offset, qint64 length)
{
    if (offset < 0 || length <= 0 || offset >= m_size)
        return {};
    length = std::min(length, m_size - offset);
    if (offset < m_start || offset + length > m_start + m_buffer.size()) {
        const qint64 wanted = std::min(std::max(length, Chunk), m_size - offset);
        m_buffer = m_read(offset, wanted);
        if (m_buffer.size() > wanted)
            m_buffer.truncate(wanted);
        m_start = offset;
        if (m_buffer.size() < wanted)
            m_size = offset + m_buffer.size();
    }
    const qint64 from = offset - m_start;
    return QByteArrayView(m_buffer).sliced(from, std::min<qint64>(length, m_buffer.size() - from));
}

int ByteWindow::byte(qint64 offset)
{
    const QByteArrayView bytes = view(offset, 1);
    return bytes.isEmpty() ? -1 : quint8(bytes[0]);
}

} // namespace spartiti
