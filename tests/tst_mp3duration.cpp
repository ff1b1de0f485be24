#include "mp3duration.h"
#include "testsupport.h"

#include <QtTest>

using namespace spartiti;
using testsupport::readFile;

namespace {

QByteArray bigEndian(quint32 value)
{
    return QByteArray(1, char(value >> 24)) + char(value >> 16) + char(value >> 8) + char(value);
}

// An MPEG-1 layer III frame at 128 kbit/s and 44.1 kHz: 417 bytes, 1152 samples.
QByteArray frame(char padding = 0)
{
    QByteArray bytes(417 + padding, '\x55');
    bytes.replace(0, 4, QByteArray("\xFF\xFB\x90\x00", 4));
    bytes[2] = char(0x90 | (padding << 1));
    return bytes;
}

QByteArray frames(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += frame(i % 3 == 0);   // padded now and then, as encoders do for 44.1 kHz
    return bytes;
}

// MPEG-2.5 layer III at 32 kbit/s and 11 025 Hz: 208 bytes, 576 samples.
QByteArray mpeg25Frames(int count)
{
    QByteArray one(208, '\x55');
    one.replace(0, 4, QByteArray("\xFF\xE3\x40\x00", 4));
    return one.repeated(count);
}

// The first frame with an Info header counting `count` frames of sound and `bytes` bytes
// of stream; with an `encoder` name, a LAME-format extension records delay and padding.
QByteArray infoFrame(quint32 count, quint32 bytes, const QByteArray &encoder = {}, int delay = 0,
                     int padding = 0)
{
    QByteArray header = frame();
    const QByteArray fields = "Info" + bigEndian(0x0F) + bigEndian(count) + bigEndian(bytes)
                              + QByteArray(104, '\0');   // table of contents, quality
    header.replace(36, fields.size(), fields);
    if (!encoder.isEmpty()) {
        QByteArray extension = encoder.leftJustified(9, '\0') + QByteArray(12, '\0');
        extension += char(delay >> 4);
        extension += char((delay & 0x0F) << 4 | padding >> 8);
        extension += char(padding) + QByteArray(10, '\0');
        header.replace(156, extension.size(), extension);   // no CRC: the name is printable
    }
    return header;
}

// A file of `count` frames whose Info header tells them right.
QByteArray encodedFile(int count)
{
    const QByteArray sound = frames(count);
    return infoFrame(count, 417 + sound.size()) + sound;
}

// An ID3v2 tag that carries frames of another stream (48 kHz, 384 bytes each), as an
// embedded object may: they must not be taken for the track.
QByteArray id3Tag()
{
    QByteArray other(384, '\x55');
    other.replace(0, 4, QByteArray("\xFF\xFB\x94\x00", 4));
    const QByteArray body = QByteArray("GEOB\0\0\x04\x80\0\0", 10) + other.repeated(3);
    const int size = int(body.size());
    return QByteArray("ID3\x03\0\0", 6) + char((size >> 21) & 0x7F) + char((size >> 14) & 0x7F)
           + char((size >> 7) & 0x7F) + char(size & 0x7F) + body;
}

// An APEv2 tag of `items` bytes of items, with its footer and no header.
QByteArray apeTag(int items)
{
    const auto le32 = [](quint32 value) {
        return QByteArray(1, char(value)) + char(value >> 8) + char(value >> 16) + char(value >> 24);
    };
    return QByteArray(items, 'a') + "APETAGEX" + le32(2000) + le32(items + 32) + le32(1) + le32(0)
           + QByteArray(8, '\0');
}

} // namespace

class TestMp3Duration : public QObject
{
    Q_OBJECT

private slots:
    void duration_data();
    void duration();
};

namespace {
// A row whose reader yields the first `readable` bytes only; -1: all. -1 ms: not MPEG audio.
void row(const char *name, const QByteArray &bytes, qint64 milliseconds, qint64 readable = -1)
{
    QTest::newRow(name) << bytes << readable << milliseconds;
}
} // namespace

void TestMp3Duration::duration_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("readable");
    QTest::addColumn<qint64>("milliseconds");
    // 100 frames of 1152 samples at 44 100 Hz.
    row("frames counted", frames(100), 2612);
    row("after an ID3v2 tag holding other frames", id3Tag() + frames(100), 2612);
    row("ID3v1 tag at the end", frames(100) + "TAG" + QByteArray(125, ' '), 2612);
    row("last frame cut short", frames(101).chopped(100), 2612);
    row("MPEG-2.5, 576 samples at 11 025 Hz", mpeg25Frames(100), 5224);
    // Trusted: the header's count stands for the frames, which are not read.
    row("Info count, byte count agreeing", infoFrame(1000, 417 + 3 * 417) + frame().repeated(3), 26122);
    row("Info count, an APE tag at the end",
        infoFrame(1000, 417 + 3 * 417) + frame().repeated(3) + apeTag(2000), 26122);
    row("cut after the header", encodedFile(1000).first(417 + frames(50).size()), 1306);
    row("two files joined", encodedFile(100) + encodedFile(100), 5224);
    row("joined with a tag between", encodedFile(100) + id3Tag() + frames(100), 5224);
    row("junk over 64 KB first", QByteArray("\xFF\xFB\x90\x00 junk ", 10).repeated(7000) + frames(100), 2612);
    // (100 × 1152 - 576 - 1000) samples.
    row("delay and padding under another encoder's name",
        infoFrame(100, 417 + frames(100).size(), "Lavc60.31", 576, 1000) + frames(100), 2576);
    row("data ending sooner than its size", frames(100), 1306, frames(50).size());
    // 4919 ms is also what the file's ID3 length frame and GStreamer say.
    row("demo track, MPEG-2 with a LAME header", readFile(QStringLiteral(SPARTITI_DEMO_DIR "/audio/1.mp3")), 4919);
    row("empty", QByteArray(), -1);
    row("text", QByteArray("not a track\r\n").repeated(50), -1);
    row("a lone sync pattern in text", QByteArray("text ") + frame() + QByteArray("more text").repeated(50), -1);
    row("JPEG page", readFile(QStringLiteral(SPARTITI_DEMO_DIR "/1L.jpg")), -1);
}

void TestMp3Duration::duration()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, readable);
    QFETCH(qint64, milliseconds);
    const QByteArray yielded = readable < 0 ? bytes : bytes.first(readable);
    const auto read = [&](qint64 offset, qint64 length) { return yielded.mid(offset, length); };
    QCOMPARE((readable < 0 ? mp3Duration(bytes) : mp3Duration(bytes.size(), read)).value_or(-1), milliseconds);
    if (readable < 0)
        QCOMPARE(hasMpegAudio(bytes.size(), read), milliseconds >= 0);
}

QTEST_GUILESS_MAIN(TestMp3Duration)
#include "tst_mp3duration.moc"
