#include "form1.h"
#include "module1.h"
#include "pagecache.h"
#include "pageimage.h"
#include "scorepaths.h"
#include "testsupport.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>

#include <memory>

using namespace spartiti;
using testsupport::archiveBytes;
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
    QByteArray exif("Exif\0\0", 6);
    exif += QByteArray("MM\0\x2a\0\0\0\x08", 8);
    exif += QByteArray("\0\x01", 2);
    exif += QByteArray("\x01\x12\0\x03\0\0\0\x01", 8);
    exif += char(0);
    exif += char(orientation);
    exif += QByteArray("\0\0", 2);
    exif += QByteArray("\0\0\0\0", 4);
    QByteArray segment("\xff\xe1", 2);
    segment += char((exif.size() + 2) >> 8);
    segment += char((exif.size() + 2) & 0xff);
    segment += exif;
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
struct Editor
{
    testsupport::WorkingFolder folder;
    Module1 state;
    testsupport::RecordingNotifier notifier;
    std::unique_ptr<Form1> form;

    explicit Editor(int records)
    {
        writeFile(paths::archive(), archiveBytes(testsupport::numberedRecords(records)));
        form = std::make_unique<Form1>(state, notifier);
    }
    void load()
    {
        QVERIFY(!form->Form_Load());
        form->show();
        waitUntilIdle(cache());
    }
    PageCache *cache() { return form->findChild<PageCache *>(); }
    QLabel *box(const char *name) { return form->findChild<QLabel *>(QLatin1String(name)); }
    QString shown() { return QString(boxColour(box("Image1"))) + boxColour(box("Image2")); }
    void moveTo(int v) { form->findChild<QScrollBar *>(QStringLiteral("VScroll1"))->setValue(v); }
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
    void cleanup();
    void decodesByContent_data();
    void decodesByContent();
    void exifOrientationShownUpright_data();
    void exifOrientationShownUpright();
    void replacedFileHasNewKey();
    void replacedFileShowsAnew();
    void latePageOfRecordLeftIsNotShown_data();
    void latePageOfRecordLeftIsNotShown();
    void neighboursAreReadyAhead();
    void staysWithinBudget();
    void undecodableFileIsRemembered();
};

void TestPageCache::cleanup()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY2(!widget->isVisible(), qPrintable(widget->objectName()));
}

void TestPageCache::decodesByContent_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("decodes");

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    plainPage(300, 420, Qt::white).save(&buffer, "PNG");

    QTest::newRow("jpeg") << jpegBytes(plainPage(2480 / 4, 3508 / 4, Qt::white)) << true;
    QTest::newRow("png behind a .jpg name") << png << true;
    QTest::newRow("text") << QByteArray("not a picture") << false;
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("jpeg header only") << jpegBytes(plainPage(50, 50, Qt::white)).left(20) << false;
}

void TestPageCache::decodesByContent()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, decodes);
    testsupport::WorkingFolder folder;
    writeFile(paths::leftPage(1), content);
    const QImage page = decodePage(paths::leftPage(1), Box);
    QCOMPARE(!page.isNull(), decodes);
    if (decodes)
        QCOMPARE(page.size(), Box);
}

void TestPageCache::exifOrientationShownUpright_data()
{
    // Colours at the top left, top right and bottom left of the box.
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QString>("corners");
    QTest::newRow("no exif") << 0 << "rbr";
    QTest::newRow("upright") << 1 << "rbr";
    QTest::newRow("upside down") << 3 << "brb";
    QTest::newRow("turned right") << 6 << "rrb";
    QTest::newRow("turned left") << 8 << "bbr";
}

void TestPageCache::exifOrientationShownUpright()
{
    QFETCH(int, orientation);
    QFETCH(QString, corners);
    testsupport::WorkingFolder folder;
    writeFile(paths::leftPage(1), orientedJpeg(orientation));
    const QImage page = decodePage(paths::leftPage(1), Box);
    QCOMPARE(page.size(), Box);
    const QString seen = QString(colourAt(page, 30, 60)) + colourAt(page, 170, 60) + colourAt(page, 30, 300);
    QCOMPARE(seen, corners);
}

void TestPageCache::replacedFileHasNewKey()
{
    testsupport::WorkingFolder folder;
    writePages(1, Qt::black, Qt::black);
    PageCache cache(Box);
    const PageKey before = PageCache::keyFor(paths::leftPage(1));
    QVERIFY(before.isValid());
    cache.setWanted({before}, {});
    waitUntilIdle(&cache);
    QVERIFY(cache.find(before).has_value());

    writeFile(paths::leftPage(1), jpegBytes(plainPage(400, 560, Qt::white)));
    const PageKey after = PageCache::keyFor(paths::leftPage(1));
    QVERIFY(after != before);
    QVERIFY(!cache.find(after).has_value());
    QSignalSpy ready(&cache, &PageCache::pageReady);
    cache.setWanted({after}, {});
    waitUntilIdle(&cache);
    QCOMPARE(ready.size(), 1);
    QCOMPARE(qGray(cache.find(after)->pixel(100, 100)) > 128, true);
    QVERIFY(!PageCache::keyFor(paths::leftPage(2)).isValid());
}

void TestPageCache::replacedFileShowsAnew()
{
    Editor e(12);
    writePages(1, Qt::black, Qt::black);
    e.load();
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
    e.load();

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
    e.load();
    e.moveTo(5);
    QTRY_COMPARE(e.shown(), QStringLiteral("kk"));
    waitUntilIdle(e.cache());
    // Moving one record either way finds its pages decoded already.
    e.moveTo(6);
    QCOMPARE(e.shown(), QStringLiteral("ww"));
    waitUntilIdle(e.cache());
    e.moveTo(7);
    QCOMPARE(e.shown(), QStringLiteral("kk"));
    waitUntilIdle(e.cache());
    e.moveTo(6);
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
    e.load();
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
