#include "mp3duration.h"
#include "testsupport.h"

#include <QtEndian>

using namespace spartiti;
using testsupport::readFile;

namespace {

// `size` bytes of an MPEG audio frame with the four-byte `header`.
QByteArray frameOf(const char *header, int size) { return QByteArray(header, 4) + QByteArray(size - 4, '\x55'); }

// MPEG-1 layer III at 128 kbit/s and 44.1 kHz: 417 bytes, one more when padded; 1152 samples.
QByteArray frame(bool padded = false) { return padded ? frameOf("\xFF\xFB\x92\x00", 418) : frameOf("\xFF\xFB\x90\x00", 417); }

QByteArray frames(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += frame(i % 3 == 0);   // padded now and then, as encoders do for 44.1 kHz
    return bytes;
}

// The first frame with an Info header counting `count` frames of sound and `bytes` bytes of stream.
QByteArray infoFrame(quint32 count, quint32 bytes)
{
    const auto be32 = [](quint32 value) { QByteArray b(4, '\0'); qToBigEndian(value, b.data()); return b; };
    const QByteArray fields = "Info" + be32(0x0F) + be32(count) + be32(bytes) + QByteArray(104, '\0');
    return frame().replace(36, fields.size(), fields);
}

QByteArray encodedFile(int count) { return infoFrame(count, 417 + frames(count).size()) + frames(count); }

// An ID3v2 tag holding frames of another stream (48 kHz), not to be taken for the track.
QByteArray id3Tag()
{
    const QByteArray body = QByteArray("GEOB\0\0\x04\x80\0\0", 10) + frameOf("\xFF\xFB\x94\x00", 384).repeated(3);
    const int size = int(body.size());
    return QByteArray("ID3\x03\0\0", 6) + char(size >> 21 & 0x7F) + char(size >> 14 & 0x7F) + char(size >> 7 & 0x7F)
           + char(size & 0x7F) + body;
}

} // namespace

class TestMp3Duration : public QObject
{
    Q_OBJECT

private slots:
    void duration_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("readable");   // the reader yields the first bytes only; -1: all
        QTest::addColumn<qint64>("milliseconds");   // -1: not MPEG audio
        const auto row = [](const char *name, const QByteArray &bytes, qint64 milliseconds, qint64 readable = -1) {
            QTest::newRow(name) << bytes << readable << milliseconds;
        };
        row("frames counted", frames(100), 2612);
        row("after an ID3v2 tag holding other frames", id3Tag() + frames(100), 2612);
        row("MPEG-2.5, 576 samples at 11 025 Hz", frameOf("\xFF\xE3\x40\x00", 208).repeated(100), 5224);
        row("Info count, byte count agreeing", infoFrame(1000, 417 + 3 * 417) + frame().repeated(3), 26122);
        row("cut after the header", encodedFile(1000).first(417 + frames(50).size()), 1306);
        row("two files joined", encodedFile(100) + encodedFile(100), 5224);
        row("data ending sooner than its size", frames(100), 1306, frames(50).size());
        row("demo track, MPEG-2 with a LAME header", readFile(QStringLiteral(SPARTITI_DEMO_DIR "/audio/1.mp3")), 4919);
        row("empty", QByteArray(), -1);
        row("a lone sync pattern in text", "text " + frame() + QByteArray("more text").repeated(50), -1);
        row("JPEG page", readFile(QStringLiteral(SPARTITI_DEMO_DIR "/1L.jpg")), -1);
    }
    void duration()
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
};

QTEST_GUILESS_MAIN(TestMp3Duration)
#include "tst_mp3duration.moc"
