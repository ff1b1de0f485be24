#include "mp3tags.h"

namespace spartiti {

namespace {

quint32 littleEndian32(QByteArrayView bytes, qsizetype at)
{
    return quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8
           | quint32(quint8(bytes[at + 2])) << 16 | quint32(quint8(bytes[at + 3])) << 24;
}

} // namespace

// Past any ID3v2 tags at `at`: a tag's size is stored in 7-bit bytes, and a footer adds
// ten. A header that is not well formed is not a tag.
qint64 skipId3v2(ByteWindow &data, qint64 at)
{
    for (int tags = 0; tags < 16; ++tags) {
        const QByteArrayView header = data.view(at, 10);
        if (header.size() < 10 || !header.startsWith("ID3") || quint8(header[3]) == 0xFF
            || quint8(header[4]) == 0xFF)
            break;
        qint64 size = 0;
        bool wellFormed = true;
        for (int i = 6; i < 10; ++i) {
            wellFormed = wellFormed && quint8(header[i]) < 0x80;
            size = size << 7 | quint8(header[i]);
        }
        if (!wellFormed)
            break;
        at += 10 + size + ((quint8(header[5]) & 0x10) ? 10 : 0);
    }
    return at;
}

// Where the audio ends: before an ID3v1 tag, an APE tag and Lyrics3 lyrics, in any order.
qint64 audioEnd(ByteWindow &data)
{
    qint64 end = data.size();
    for (int tags = 0; tags < 4; ++tags) {
        if (end >= 128 && data.view(end - 128, 3) == "TAG") {
            end -= 128;
            continue;
        }
        const QByteArrayView ape = data.view(end - 32, 32);
        if (ape.size() == 32 && ape.startsWith("APETAGEX")) {
            // The size counts the items and this footer; a header may come before them.
            const qint64 size = littleEndian32(ape, 12)
                                + ((littleEndian32(ape, 20) & 0x80000000u) ? 32 : 0);
            if (size >= 32 && size <= end) {
                end -= size;
                continue;
            }
        }
        const QByteArrayView lyrics = data.view(end - 15, 15);
        if (lyrics.size() == 15 && lyrics.endsWith("LYRICS200")) {
            bool number = false;
            const qint64 size = lyrics.first(6).toByteArray().toLongLong(&number) + 15;
            if (number && size <= end) {
                end -= size;
                continue;
            }
        }
        break;
    }
    return end;
}

} // namespace spartiti
