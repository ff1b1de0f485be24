#include "editorfixture.h"
#include "pagecache.h"
#include "pageimage.h"

#include <QBuffer>
#include <QImage>
#include <QSignalSpy>

using namespace spartiti;
using testsupport::writeFile;

namespace {

const QSize Box(201, 353);

QByteArray jpegBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

QImage plainPage(int width, int height, QColor colour)
{
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(colour);
    return page;
}

// A landscape picture, red on its left half and blue on its right, with an EXIF
// orientation in an APP1 segment right after the start marker. Orientation 0 writes
// no segment at all.
QByteArray orientedJpeg(int orientation)
{
    QImage picture(80, 40, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width() / 2; ++x)
            picture.setPixel(x, y, qRgb(255, 0, 0));
    QByteArray jpeg = jpegBytes(picture);
    if (orientation == 0)
        return jpeg;

    // Big-endian TIFF header, one IFD with the single entry Orientation (0x0112, SHORT).
    QByteArray exif("Exif\0\0MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0", 25);
    exif += char(orientation) + QByteArray(6, '\0');
    const QByteArray segment = QByteArray("\xff\xe1\0", 3) + char(exif.size() + 2) + exif;
    return jpeg.insert(2, segment);
}

char colourAt(const QImage &image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    if (qRed(p) > 150 && qBlue(p) < 100)
        return 'r';
    if (qBlue(p) > 150 && qRed(p) < 100)
        return 'b';
    return '?';
}

// The colour in the middle of what a box shows: 'w'hite, 'k' black, or '-' for nothing.
char boxColour(QLabel *box)
{
    const QPixmap pixmap = box->pixmap();
    if (pixmap.isNull())
        return '-';
    const QRgb p = pixmap.toImage().pixel(pixmap.width() / 2, pixmap.height() / 2);
    return qGray(p) > 128 ? 'w' : 'k';
}

void waitUntilIdle(PageCache *cache)
{
    QTRY_VERIFY(cache->isIdle());
    // The last pageReady has been handled once the cache says it is idle.
    QCoreApplication::processEvents();
}

// One editor on a temporary data folder of `records` records.
struct Editor : testsupport::EditorFixture
{
    explicit Editor(int records)
        : EditorFixture(testsupport::archiveBytes(testsupport::numberedRecords(records)))
    {
    }
    void start()
    {
        QVERIFY(load());
        waitUntilIdle(cache());
    }
    PageCache *cache() { return form->findChild<PageCache *>(); }
    QString shown() { return QString(boxColour(get<QLabel>("Image1"))) + boxColour(get<QLabel>("Image2")); }
};

void writePages(int number, QColor left, QColor right, int side = 400)
{
    writeFile(paths::leftPage(number), jpegBytes(plainPage(side, side * 7 / 5, left)));
    writeFile(paths::rightPage(number), jpegBytes(plainPage(side, side * 7 / 5, right)));
}

} // namespace

class TestPageCache : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { testsupport::verifyNoWindowOpen(); }
    void decodesByContent_data();
    void decodesByContent();
    void replacedFileShowsAnew();
    void latePageOfRecordLeftIsNotShown_data();
    void latePageOfRecordLeftIsNotShown();
    void neighboursAreReadyAhead();
    void staysWithinBudget();
    void undecodableFileIsRemembered();
};

void TestPageCache::decodesByContent_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("corners");   // top left, top right, bottom left; "": no picture
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    plainPage(80, 40, Qt::red).save(&buffer, "PNG");

    QTest::newRow("jpeg") << jpegBytes(plainPage(2480 / 4, 3508 / 4, Qt::blue)) << "bbb";
    QTest::newRow("png behind a .jpg name") << png << "rrr";
    QTest::newRow("text") << QByteArray("not a picture") << "";
    QTest::newRow("empty file") << QByteArray() << "";
    QTest::newRow("jpeg header only") << jpegBytes(plainPage(50, 50, Qt::white)).left(20) << "";
    QTest::newRow("no exif") << orientedJpeg(0) << "rbr";
    QTest::newRow("exif upright") << orientedJpeg(1) << "rbr";
    QTest::newRow("exif upside down") << orientedJpeg(3) << "brb";
    QTest::newRow("exif turned right") << orientedJpeg(6) << "rrb";
    QTest::newRow("exif turned left") << orientedJpeg(8) << "bbr";
}

// A page decodes by its content whatever its name, fitted to the box and upright.
void TestPageCache::decodesByContent()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, corners);
    testsupport::WorkingFolder folder;
    writeFile(paths::leftPage(1), content);
    const QImage page = decodePage(paths::leftPage(1), Box);
    QCOMPARE(page.isNull(), corners.isEmpty());
    if (page.isNull())
        return;
    QCOMPARE(page.size(), Box);
    const QString seen = QString(colourAt(page, 30, 60)) + colourAt(page, 170, 60) + colourAt(page, 30, 300);
    QCOMPARE(seen, corners);
}

void TestPageCache::replacedFileShowsAnew()
{
    Editor e(12);
    writePages(1, Qt::black, Qt::black);
    e.start();
    e.moveTo(1);
    QTRY_COMPARE(e.shown(), QStringLiteral("kk"));
    e.moveTo(2);
    writeFile(paths::rightPage(1), jpegBytes(plainPage(400, 560, Qt::white)));
    e.moveTo(1);
    QTRY_COMPARE(e.shown(), QStringLiteral("kw"));
    waitUntilIdle(e.cache());
    QCOMPARE(e.shown(), QStringLiteral("kw"));
}

void TestPageCache::latePageOfRecordLeftIsNotShown_data()
{
    QTest::addColumn<bool>("nextHasPages");
    QTest::addColumn<QString>("expected");
    QTest::newRow("to a record without pages") << false << "--";
    QTest::newRow("to a record with other pages") << true << "ww";
}

void TestPageCache::latePageOfRecordLeftIsNotShown()
{
    QFETCH(bool, nextHasPages);
    QFETCH(QString, expected);
    Editor e(12);
    writePages(2, Qt::black, Qt::black, 1200);
    if (nextHasPages)
        writePages(3, Qt::white, Qt::white);
    e.start();

    // Record 2 is far from the last record, where the editor opens: nothing of it is
    // decoded yet, and its pages can only arrive after the selector has moved on.
    e.moveTo(2);
    QCOMPARE(e.shown(), QStringLiteral("--"));
    e.moveTo(3);
    waitUntilIdle(e.cache());
    QCOMPARE(e.shown(), expected);

    // The late pages were kept: record 2 shows at once when it comes back.
    e.moveTo(2);
    QCOMPARE(e.shown(), QStringLiteral("kk"));
}

void TestPageCache::neighboursAreReadyAhead()
{
    Editor e(12);
    for (int n = 1; n <= 12; ++n)
        writePages(n, n % 2 ? Qt::black : Qt::white, n % 2 ? Qt::black : Qt::white);
    e.start();
    e.moveTo(5);
    QTRY_COMPARE(e.shown(), QStringLiteral("kk"));
    waitUntilIdle(e.cache());
    // Moving one record either way finds its pages decoded already.
    e.moveTo(6);
    QCOMPARE(e.shown(), QStringLiteral("ww"));
    waitUntilIdle(e.cache());
    e.moveTo(5);
    QCOMPARE(e.shown(), QStringLiteral("kk"));
    waitUntilIdle(e.cache());
    e.moveTo(4);
    QCOMPARE(e.shown(), QStringLiteral("ww"));
}

void TestPageCache::staysWithinBudget()
{
    testsupport::WorkingFolder folder;
    const QSize small(50, 50);
    const qsizetype pageBytes = QImage(small, QImage::Format_RGB32).sizeInBytes();
    PageCache cache(small, 3 * pageBytes + pageBytes / 2);
    QList<PageKey> keys;
    for (int n = 1; n <= 8; ++n) {
        writeFile(paths::leftPage(n), jpegBytes(plainPage(200, 280, Qt::white)));
        keys.append(PageCache::keyFor(paths::leftPage(n)));
    }
    QSignalSpy ready(&cache, &PageCache::pageReady);
    cache.setWanted(keys.first(4), keys.mid(4));
    waitUntilIdle(&cache);
    QCOMPARE(ready.size(), 8);
    QVERIFY(cache.usedBytes() <= cache.budgetBytes());
    QCOMPARE(cache.usedBytes(), 3 * pageBytes);
    int held = 0;
    for (const PageKey &key : keys)
        held += cache.find(key).has_value();
    QCOMPARE(held, 3);
}

void TestPageCache::undecodableFileIsRemembered()
{
    Editor e(12);
    writeFile(paths::leftPage(4), "not a picture");
    writeFile(paths::rightPage(4), jpegBytes(plainPage(400, 560, Qt::white)));
    e.start();
    const PageKey key = PageCache::keyFor(paths::leftPage(4));
    e.moveTo(4);
    QTRY_COMPARE(e.shown(), QStringLiteral("-w"));
    waitUntilIdle(e.cache());
    QCOMPARE(e.shown(), QStringLiteral("-w"));
    const std::optional<QImage> remembered = e.cache()->find(key);
    QVERIFY(remembered.has_value() && remembered->isNull());
    QCOMPARE(e.notifier.count(), 0);
}

QTEST_MAIN(TestPageCache)
#include "tst_pagecache.moc"
