#include "mp3duration.h"

#include "bytewindow.h"
#include "mp3tags.h"

#include <QFile>

#include <algorithm>
#include <cctype>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace spartiti {

namespace {

// Encoders may leave padding or junk between the ID3v2 tag and the first frame, and
// joined files have tags between their parts; a frame not found this far on is taken
// for the end of the audio.
constexpr qint64 SearchLimit = 1024 * 1024;
// Every sample rate divides this many time units per second, so frames of different
// rates add up exactly.
constexpr qint64 UnitsPerSecond = 14'112'000;

quint32 bigEndian32(QByteArrayView bytes, qsizetype at)
{
    return quint32(quint8(bytes[at])) << 24 | quint32(quint8(bytes[at + 1])) << 16
           | quint32(quint8(bytes[at + 2])) << 8 | quint32(quint8(bytes[at + 3]));
}

struct FrameHeader
{
    int version = 0;          // 1 for MPEG-1, 2 for MPEG-2, 25 for MPEG-2.5
    int layer = 0;            // 1, 2 or 3
    int sampleRate = 0;       // Hz
    int samplesPerFrame = 0;
    int length = 0;           // bytes, header included
    bool mono = false;
    bool checksum = false;    // a 16-bit CRC follows the header

    bool sameStream(const FrameHeader &other) const
    {
        return version == other.version && layer == other.layer && sampleRate == other.sampleRate;
    }
    qint64 units() const { return samplesPerFrame * (UnitsPerSecond / sampleRate); }
};

// The four header bytes at `at`, if they make a frame that a decoder could play. Free
// format (bit rate index 0) has no length in its header and is refused.
std::optional<FrameHeader> frameAt(ByteWindow &data, qint64 at)
{
    const QByteArrayView bytes = data.view(at, 4);
    if (bytes.size() < 4)
        return std::nullopt;
    const auto b1 = quint8(bytes[1]), b2 = quint8(bytes[2]), b3 = quint8(bytes[3]);
    if (quint8(bytes[0]) != 0xFF || (b1 & 0xE0) != 0xE0)
        return std::nullopt;
    const int versionBits = (b1 >> 3) & 3;   // 0: MPEG-2.5, 1: reserved, 2: MPEG-2, 3: MPEG-1
    const int layerBits = (b1 >> 1) & 3;     // 0: reserved, 1: layer III, 2: II, 3: I
    const int bitrateIndex = b2 >> 4;
    const int rateIndex = (b2 >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15
        || rateIndex == 3 || (b3 & 3) == 2)   // the last: a reserved emphasis
        return std::nullopt;

    static constexpr int bitrates[5][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},   // 1, I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},      // 1, II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},       // 1, III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},      // 2, I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},           // 2, II and III
    };
    static constexpr int rates[3] = {44100, 48000, 32000};

    FrameHeader frame;
    frame.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    frame.layer = 4 - layerBits;
    frame.sampleRate = rates[rateIndex] / (versionBits == 3 ? 1 : versionBits == 2 ? 2 : 4);
    frame.mono = (b3 >> 6) == 3;
    frame.checksum = !(b1 & 1);
    const int row = frame.version == 1 ? frame.layer - 1 : (frame.layer == 1 ? 3 : 4);
    const int bitrate = bitrates[row][bitrateIndex] * 1000;
    const int padding = (b2 >> 1) & 1;
    if (frame.layer == 1) {
        frame.samplesPerFrame = 384;
        frame.length = (12 * bitrate / frame.sampleRate + padding) * 4;
    } else {
        frame.samplesPerFrame = frame.layer == 3 && frame.version != 1 ? 576 : 1152;
        frame.length = frame.samplesPerFrame / 8 * bitrate / frame.sampleRate + padding;
    }
    return frame;
}

// A sync pattern in other data is taken for a frame only if two more frames of the same
// stream follow it back to back, or the data ends with it.
bool isConfirmedFrame(ByteWindow &data, qint64 at, const FrameHeader &frame)
{
    qint64 next = at + frame.length;
    for (int confirmations = 0; confirmations < 2; ++confirmations) {
        if (next == data.size())
            return true;
        const auto following = frameAt(data, next);
        if (!following || !following->sameStream(frame))
            return false;
        next += following->length;
    }
    return true;
}

// The first confirmed frame from `from` on, within the search limit.
std::optional<qint64> findFrame(ByteWindow &data, qint64 from)
{
    for (qint64 at = from; at < data.size() && at - from <= SearchLimit; ++at) {
        if (data.byte(at) != 0xFF)
            continue;
        const auto frame = frameAt(data, at);
        if (frame && isConfirmedFrame(data, at, *frame))
            return at;
    }
    return std::nullopt;
}

// CRC-16 with the polynomial 0x8005, bits reflected, as the LAME-format extension uses.
quint16 crc16(QByteArrayView bytes)
{
    quint16 crc = 0;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

// What an encoder put in the first frame: a Xing header (variable bit rate) or Info
// header (constant rate) after the side information, or a VBRI header (Fraunhofer) at a
// fixed place. That frame holds no sound itself.
struct EncoderHeader
{
    std::optional<quint32> frames;
    std::optional<quint32> bytes;   // of the stream, this frame included
    // Samples of silence that the encoder added before and after the sound; players that
    // play without gaps leave them out, and so does the length they show.
    int delay = 0;
    int padding = 0;
};

// The LAME-format extension after the Xing fields: 36 bytes ending in a CRC of the frame
// up to it. Other encoders write it too under their own name, so the name is not asked
// for: the CRC, or failing it a printable name, tells the extension from other bytes.
void readDelayAndPadding(QByteArrayView frameBytes, qsizetype at, const FrameHeader &frame,
                         EncoderHeader &header)
{
    if (frameBytes.size() < at + 36)
        return;
    const QByteArrayView extension = frameBytes.sliced(at, 36);
    const quint16 stored = quint16(quint8(extension[34]) << 8 | quint8(extension[35]));
    const int delay = quint8(extension[21]) << 4 | quint8(extension[22]) >> 4;
    const int padding = (quint8(extension[22]) & 0x0F) << 8 | quint8(extension[23]);
    // Without the CRC: a name of printable characters, an extension revision of 0 or 1
    // with a known bit-rate method, and no more than a few frames of silence.
    bool plausible = std::isalpha(quint8(extension[0])) && quint8(extension[9]) >> 4 <= 1
                     && (extension[9] & 0x0F) <= 9 && delay < 3 * frame.samplesPerFrame
                     && padding < 3 * frame.samplesPerFrame;
    for (int i = 0; i < 9; ++i)
        plausible = plausible && ((extension[i] >= 0x20 && extension[i] < 0x7F) || extension[i] == 0);
    if (crc16(frameBytes.first(at + 34)) == stored || plausible) {
        header.delay = delay;
        header.padding = padding;
    }
}

std::optional<EncoderHeader> encoderHeader(ByteWindow &data, qint64 at, const FrameHeader &frame)
{
    const QByteArrayView first = data.view(at, frame.length);
    if (frame.layer == 3) {
        const int sideInfo = frame.version == 1 ? (frame.mono ? 17 : 32) : (frame.mono ? 9 : 17);
        // Where the side information starts is not agreed on when the frame has a CRC.
        for (const qsizetype xing : {4 + sideInfo, 6 + sideInfo}) {
            if (first.size() < xing + 8 || (xing != 4 + sideInfo && !frame.checksum))
                continue;
            const QByteArrayView tag = first.sliced(xing, 4);
            if (tag != "Xing" && tag != "Info")
                continue;
            const quint32 flags = bigEndian32(first, xing + 4);
            EncoderHeader header;
            qsizetype field = xing + 8;
            const auto next = [&](qsizetype length) {
                const qsizetype at = field;
                field += length;
                return first.size() >= field ? std::optional<quint32>(bigEndian32(first, at))
                                             : std::nullopt;
            };
            if (flags & 1)
                header.frames = next(4);
            if (flags & 2)
                header.bytes = next(4);
            if (flags & 4)
                field += 100;   // the table of contents
            if (flags & 8)
                field += 4;     // the quality
            readDelayAndPadding(first, field, frame, header);
            return header;
        }
    }
    if (first.size() >= 36 + 18 && first.sliced(36, 4) == "VBRI")
        return EncoderHeader{bigEndian32(first, 36 + 14), bigEndian32(first, 36 + 10)};
    return std::nullopt;
}

bool isEncoderFrame(ByteWindow &data, qint64 at, const FrameHeader &frame)
{
    return encoderHeader(data, at, frame).has_value();
}

// An encoder counts the bytes of its stream with or without the ID3v2 tag before it and
// the tags after it; a count that matches none of these, give or take its own frame,
// was written for other data (a file cut short since, or one of several joined).
bool byteCountAgrees(quint32 count, qint64 size, qint64 tagEnd, qint64 firstFrame,
                     qint64 end, const FrameHeader &frame)
{
    for (const qint64 last : {end, size})
        for (const qint64 from : {qint64(0), tagEnd, firstFrame})
            if (qAbs(qint64(count) - (last - from)) <= frame.length)
                return true;
    return false;
}

std::optional<qint64> duration(ByteWindow &data)
{
    const qint64 size = data.size();
    data.cutAt(audioEnd(data));
    const qint64 tagEnd = skipId3v2(data, 0);
    const auto found = findFrame(data, tagEnd);
    if (!found)
        return std::nullopt;
    qint64 at = *found;
    auto frame = frameAt(data, at);
    if (!frame)   // read again, the file had changed meanwhile
        return std::nullopt;
    const FrameHeader first = *frame;
    const auto header = encoderHeader(data, at, first);
    const auto samplesAsUnits = [&](qint64 samples) {
        return samples * (UnitsPerSecond / first.sampleRate);
    };
    const auto milliseconds = [](qint64 units) {
        return std::max<qint64>(units, 0) / (UnitsPerSecond / 1000);
    };

    if (header && header->frames && header->bytes
        && byteCountAgrees(*header->bytes, size, tagEnd, at, data.size(), first))
        return milliseconds(samplesAsUnits(qint64(*header->frames) * first.samplesPerFrame
                                           - header->delay - header->padding));

    // Counted frame by frame. The silence the encoder put first is still there; its
    // padding at the end is not known to be.
    qint64 units = header ? -samplesAsUnits(header->delay) : 0;
    if (header)
        at += first.length;
    FrameHeader stream = first;
    for (;;) {
        const qint64 resumedAt = at;
        for (frame = frameAt(data, at);
             frame && frame->sameStream(stream) && at + frame->length <= data.size();
             frame = frameAt(data, at)) {
            // The header frame of a second file joined on holds no sound either.
            if (!isEncoderFrame(data, at, *frame))
                units += frame->units();
            at += frame->length;
        }
        // Something else: the end, a cut in the last frame, or a tag or junk between
        // joined files, after which the audio may go on.
        const auto next = findFrame(data, skipId3v2(data, at));
        frame = next ? frameAt(data, *next) : std::nullopt;
        if (!frame || (*next == at && at == resumedAt))   // no way on, or none that moves
            break;
        at = *next;
        stream = *frame;
    }
    return milliseconds(units);
}

// Opens only a regular file: a FIFO or a device under a track's name would block the
// read, or never end.
template<typename Analysis>
auto withRegularFile(const QString &path, Analysis analysis) -> decltype(analysis(0, ByteReader()))
{
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return {};
    struct stat status;
    QFile file;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)
        || !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return {};
    }
    const ByteReader read = [&file](qint64 offset, qint64 length) {
        return file.seek(offset) ? file.read(length) : QByteArray();
    };
    return analysis(qint64(status.st_size), read);
}

ByteReader readerOf(QByteArrayView bytes)
{
    return [bytes](qint64 offset, qint64 length) {
        if (offset < 0 || offset >= bytes.size())
            return QByteArray();
        return bytes.sliced(offset, std::min<qint64>(length, bytes.size() - offset)).toByteArray();
    };
}

} // namespace

std::optional<qint64> mp3Duration(qint64 size, const ByteReader &read)
{
    ByteWindow data(size, read);
    return duration(data);
}

std::optional<qint64> mp3Duration(QByteArrayView bytes)
{
    return mp3Duration(bytes.size(), readerOf(bytes));
}

std::optional<qint64> mp3FileDuration(const QString &path)
{
    return withRegularFile(path, [](qint64 size, const ByteReader &read) { return mp3Duration(size, read); });
}

bool hasMpegAudio(qint64 size, const ByteReader &read)
{
    ByteWindow data(size, read);
    data.cutAt(audioEnd(data));
    return findFrame(data, skipId3v2(data, 0)).has_value();
}

bool fileHasMpegAudio(const QString &path)
{
    return withRegularFile(path, [](qint64 size, const ByteReader &read) {
        return hasMpegAudio(size, read);
    });
}

} // namespace spartiti
