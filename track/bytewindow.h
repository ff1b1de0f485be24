#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

namespace spartiti {

// Up to `length` bytes at `offset` of some data; fewer, or none, where the data ends.
using ByteReader = std::function<QByteArray(qint64 offset, qint64 length)>;

// Data seen through a window of a few hundred kilobytes that moves as it is read, so that
// a file of any size is read with ordinary reads, in order, a piece at a time. A read
// that comes back short means the data ends there, whatever its size said at first: a
// file cut while it is read only looks shorter.
class ByteWindow
{
public:
    ByteWindow(qint64 size, const ByteReader &read);

    qint64 size() const { return m_size; }
    // Nothing from `end` on is looked at (trailing tags, say).
    void cutAt(qint64 end);

    // The bytes [offset, offset + length) as far as the data goes; valid until the next
    // call.
    QByteArrayView view(qint64 offset, qint64 length);
    // The byte at `offset`, or -1 past the end.
    int byte(qint64 offset);

private:
    qint64 m_size;
    const ByteReader &m_read;
    QByteArray m_buffer;
    qint64 m_start = 0;   // where m_buffer starts in the data
};

} // namespace spartiti
