#include "mp3duration.h"

#include <QFile>

#include <algorithm>

namespace spartiti {

namespace {

struct FrameHeader
{
    int version = 0;          // 1 for MPEG-1, 2 for MPEG-2 and MPEG-2.5
    int layer = 0;            // 1, 2 or 3
    int sampleRate = 0;       // Hz
    int samplesPerFrame = 0;
    int length = 0;           // bytes, header included
    bool mono = false;

    bool sameStream(const FrameHeader &other) const
    {
        return version == other.version && layer == other.layer && sampleRate == other.sampleRate;
    }
};

quint32 bigEndian32(QByteArrayView bytes, qsizetype at)
{
    return quint32(quint8(bytes[at])) << 24 | quint32(quint8(bytes[at + 1])) << 16
           | quint32(quint8(bytes[at + 2])) << 8 | quint32(quint8(bytes[at + 3]));
}

// The four header bytes at `at`, if they make a frame that a decoder could play. Free
// format (bit rate index 0) has no length in its header and is refused.
std::optional<FrameHeader> frameAt(QByteArrayView bytes, qsizetype at)
{
    if (at + 4 > bytes.size())
        return std::nullopt;
    const auto b1 = quint8(bytes[at + 1]), b2 = quint8(bytes[at + 2]), b3 = quint8(bytes[at + 3]);
    if (quint8(bytes[at]) != 0xFF || (b1 & 0xE0) != 0xE0)
        return std::nullopt;
    const int versionBits = (b1 >> 3) & 3;   // 0: MPEG-2.5, 1: reserved, 2: MPEG-2, 3: MPEG-1
    const int layerBits = (b1 >> 1) & 3;     // 0: reserved, 1: layer III, 2: II, 3: I
    const int bitrateIndex = b2 >> 4;
    const int rateIndex = (b2 >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15
        || rateIndex == 3)
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
    frame.version = versionBits == 3 ? 1 : 2;
    frame.layer = 4 - layerBits;
    frame.sampleRate = rates[rateIndex] / (versionBits == 3 ? 1 : versionBits == 2 ? 2 : 4);
    frame.mono = (b3 >> 6) == 3;
    const int row = frame.version == 1 ? frame.layer - 1 : (frame.layer == 1 ? 3 : 4);
    const int bitrate = bitrates[row][bitrateIndex] * 1000;
    const int padding = (b2 >> 1) & 1;
    if (frame.layer == 1) {
        frame.samplesPerFrame = 384;
        frame.length = (12 * bitrate / frame.sampleRate + padding) * 4;
    } else {
        frame.samplesPerFrame = frame.layer == 3 && frame.version == 2 ? 576 : 1152;
        frame.length = frame.samplesPerFrame / 8 * bitrate / frame.sampleRate + padding;
    }
    return frame;
}

// What an encoder put in the first frame: a Xing header (variable bit rate) or Info
// header (LAME, constant rate) after the side information, or a VBRI header
// (Fraunhofer) at a fixed place. That frame holds no sound itself.
struct EncoderHeader
{
    quint32 frames = 0;
    // Samples of silence that LAME adds before and after the sound; players that play
    // without gaps leave them out, and so does the length they show.
    int delay = 0;
    int padding = 0;
};

std::optional<EncoderHeader> encoderHeader(QByteArrayView bytes, qsizetype at, const FrameHeader &frame)
{
    const QByteArrayView first = bytes.sliced(at, std::min<qsizetype>(frame.length, bytes.size() - at));
    const int sideInfo = frame.version == 1 ? (frame.mono ? 17 : 32) : (frame.mono ? 9 : 17);
    const qsizetype xing = 4 + sideInfo;
    if (frame.layer == 3 && first.size() >= xing + 12) {
        const QByteArrayView tag = first.sliced(xing, 4);
        const quint32 flags = bigEndian32(first, xing + 4);
        if ((tag == "Xing" || tag == "Info") && (flags & 1)) {
            EncoderHeader header{bigEndian32(first, xing + 8)};
            // The optional fields: frames, bytes, table of contents, quality.
            const qsizetype lame = xing + 12 + (flags & 2 ? 4 : 0) + (flags & 4 ? 100 : 0)
                                   + (flags & 8 ? 4 : 0);
            if (first.size() >= lame + 24 && first.sliced(lame, 4) == "LAME") {
                const auto byte = [&](qsizetype i) { return int(quint8(first[lame + i])); };
                header.delay = byte(21) << 4 | byte(22) >> 4;
                header.padding = (byte(22) & 0x0F) << 8 | byte(23);
            }
            return header;
        }
    }
    if (first.size() >= 36 + 18 && first.sliced(36, 4) == "VBRI")
        return EncoderHeader{bigEndian32(first, 36 + 14)};
    return std::nullopt;
}

// Where the audio starts after an ID3v2 tag: the tag's size is stored in 7-bit bytes,
// and a footer adds ten.
qsizetype skipId3v2(QByteArrayView bytes)
{
    if (bytes.size() < 10 || !bytes.startsWith("ID3"))
        return 0;
    qsizetype size = 0;
    for (int i = 6; i < 10; ++i)
        size = size << 7 | (quint8(bytes[i]) & 0x7F);
    return 10 + size + ((quint8(bytes[5]) & 0x10) ? 10 : 0);
}

// A sync pattern in other data is taken for a frame only if two more frames of the same
// stream follow it back to back, or the file ends with it.
bool isConfirmedFrame(QByteArrayView bytes, qsizetype at, const FrameHeader &frame)
{
    qsizetype next = at + frame.length;
    for (int confirmations = 0; confirmations < 2; ++confirmations) {
        if (next == bytes.size())
            return true;
        const auto following = frameAt(bytes, next);
        if (!following || !following->sameStream(frame))
            return false;
        next += following->length;
    }
    return true;
}

qint64 milliseconds(qint64 samples, const FrameHeader &frame)
{
    return std::max<qint64>(samples, 0) * 1000 / frame.sampleRate;
}

} // namespace

std::optional<qint64> mp3Duration(QByteArrayView bytes)
{
    // Encoders may leave some padding or junk between the tag and the first frame; a
    // file whose first frame is not found this far in is not taken for audio.
    constexpr qsizetype searchLimit = 64 * 1024;
    const qsizetype start = skipId3v2(bytes);
    qsizetype at = start;
    std::optional<FrameHeader> first;
    for (; at < bytes.size() && at - start < searchLimit; ++at) {
        first = frameAt(bytes, at);
        if (first && isConfirmedFrame(bytes, at, *first))
            break;
        first.reset();
    }
    if (!first)
        return std::nullopt;
    if (const auto header = encoderHeader(bytes, at, *first)) {
        if (header->frames == 0)
            return std::nullopt;
        return milliseconds(qint64(header->frames) * first->samplesPerFrame - header->delay
                                - header->padding,
                            *first);
    }

    // Counted up to the first thing that is not a frame of this stream: an ID3v1 or APE
    // tag at the end, or a cut in the last frame.
    qint64 frames = 0;
    for (auto frame = first; frame && frame->sameStream(*first) && at + frame->length <= bytes.size();
         frame = frameAt(bytes, at)) {
        ++frames;
        at += frame->length;
    }
    return milliseconds(frames * first->samplesPerFrame, *first);
}

std::optional<qint64> mp3FileDuration(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (const uchar *mapped = file.map(0, file.size()))
        return mp3Duration(QByteArrayView(mapped, file.size()));
    return mp3Duration(file.readAll());
}

} // namespace spartiti
