#include "mp3duration.h"

#include <QFile>
#include <QtTest>

using namespace spartiti;

namespace {

// An MPEG-1 layer III frame at 128 kbit/s and 44.1 kHz: 417 bytes, 1152 samples.
QByteArray frame(char padding = 0)
{
    QByteArray bytes(417, '\x55');
    bytes[0] = '\xFF';
    bytes[1] = '\xFB';
    bytes[2] = char(0x90 | (padding << 1));
    bytes[3] = '\x00';
    if (padding)
        bytes.append('\x55');
    return bytes;
}

QByteArray frames(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += frame(i % 3 == 0);   // padded now and then, as encoders do for 44.1 kHz
    return bytes;
}

// The first frame carrying a Xing header that counts `count` frames of sound.
QByteArray xingFrame(quint32 count)
{
    QByteArray bytes = frame();
    bytes.replace(36, 12, QByteArray("Xing\0\0\0\x01", 8)
                              + QByteArray(1, char(count >> 24)) + char(count >> 16)
                              + char(count >> 8) + char(count));
    return bytes;
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

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestMp3Duration : public QObject
{
    Q_OBJECT

private slots:
    void duration_data();
    void duration();
};

void TestMp3Duration::duration_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("milliseconds");   // -1: not MPEG audio
    // 100 frames of 1152 samples at 44 100 Hz.
    QTest::newRow("frames counted") << frames(100) << qint64(2612);
    QTest::newRow("after an ID3v2 tag holding other frames") << id3Tag() + frames(100) << qint64(2612);
    QTest::newRow("ID3v1 tag at the end") << frames(100) + "TAG" + QByteArray(125, ' ') << qint64(2612);
    QTest::newRow("last frame cut short") << frames(101).chopped(100) << qint64(2612);
    QTest::newRow("Xing frame count") << xingFrame(1000) + frames(3) << qint64(26122);
    // 4919 ms is also what the file's ID3 length frame and GStreamer say.
    QTest::newRow("demo track, MPEG-2 with a LAME header")
        << fileBytes(QStringLiteral(SPARTITI_DEMO_DIR "/audio/1.mp3")) << qint64(4919);
    QTest::newRow("empty") << QByteArray() << qint64(-1);
    QTest::newRow("text") << QByteArray("not a track\r\n").repeated(50) << qint64(-1);
    QTest::newRow("a lone sync pattern in text")
        << QByteArray("text ") + frame() + QByteArray("more text").repeated(50) << qint64(-1);
    QTest::newRow("JPEG page") << fileBytes(QStringLiteral(SPARTITI_DEMO_DIR "/1L.jpg")) << qint64(-1);
}

void TestMp3Duration::duration()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, milliseconds);
    QCOMPARE(mp3Duration(bytes).value_or(-1), milliseconds);
}

QTEST_GUILESS_MAIN(TestMp3Duration)
#include "tst_mp3duration.moc"
