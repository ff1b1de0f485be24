#include "editorfixture.h"
#include "pagecache.h"
#include "pageimage.h"
#include "thumbnailstore.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QtEndian>

using namespace spartiti;
using testsupport::writeFile;

namespace {

const QSize Box(201, 353);

QByteArray jpegBytes(const QImage &image, const char *format = "JPEG")
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, format, 90);
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
    QImage picture = plainPage(80, 40, Qt::blue);
    QPainter(&picture).fillRect(0, 0, 40, 40, Qt::red);
    QByteArray jpeg = jpegBytes(picture);
    if (orientation == 0)
        return jpeg;

    // Big-endian TIFF header, one IFD with the single entry Orientation (0x0112, SHORT).
    QByteArray exif("Exif\0\0MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0", 25);
    exif += char(orientation) + QByteArray(6, '\0');
    const QByteArray segment = QByteArray("\xff\xe1\0", 3) + char(exif.size() + 2) + exif;
    return jpeg.insert(2, segment);
}

// A small JPEG whose frame header claims `width` x `height`: the data ends long before.
QByteArray declaringSize(int width, int height)
{
    QByteArray jpeg = jpegBytes(plainPage(16, 16, Qt::white));
    const qsizetype frame = jpeg.indexOf("\xff\xc0");
    qToBigEndian<quint16>(height, jpeg.data() + frame + 5);
    qToBigEndian<quint16>(width, jpeg.data() + frame + 7);
    return jpeg;
}

void setModified(const QString &path, const QDateTime &time)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(time, QFileDevice::FileModificationTime));
}

constexpr QFile::Permissions OthersAndGroup = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
    | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

// 'r'ed, 'b'lue, or '?' for anything else.
char colourAt(const QImage &image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return qRed(p) > 150 && qBlue(p) < 100 ? 'r' : qBlue(p) > 150 && qRed(p) < 100 ? 'b' : '?';
}

// The colour in the middle of what a box shows: 'w'hite, 'k' black, or '-' for nothing.
char boxColour(QLabel *box)
{
    const QImage shown = box->pixmap().toImage();
    return shown.isNull() ? '-' : qGray(shown.pixel(shown.width() / 2, shown.height() / 2)) > 128 ? 'w' : 'k';
}

void waitUntilIdle(PageCache *cache)
{
    QTRY_VERIFY(cache->isIdle());
    // The last pageReady has been handled once the cache says it is idle.
    QCoreApplication::processEvents();
}

// One editor on a temporary data folder of 12 records.
struct Editor : testsupport::EditorFixture
{
    Editor() : EditorFixture(12) {}
    PageCache *cache() { return form->findChild<PageCache *>(); }
    QString shown() { return QString(boxColour(get<QLabel>("Image1"))) + boxColour(get<QLabel>("Image2")); }
};

} // namespace

class TestPageCache : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { testsupport::verifyNoWindowOpen(); }
    void decodesByContent_data();
    void decodesByContent();
    void editorShowsPages();
    void readAheadFollowsTheDirection_data();
    void readAheadFollowsTheDirection();
    void staysWithinBudget();
    void thumbnails_data();
    void thumbnails();
};

void TestPageCache::decodesByContent_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("corners");   // top left, top right, bottom left; "": no picture
    QTest::addColumn<QString>("problem");
    const QString notAPicture = QStringLiteral("Non è un'immagine");
    QTest::newRow("jpeg") << jpegBytes(plainPage(2480 / 4, 3508 / 4, Qt::blue)) << "bbb" << "";
    QTest::newRow("png behind a .jpg name") << jpegBytes(plainPage(80, 40, Qt::red), "PNG") << "rrr" << "";
    QTest::newRow("text") << QByteArray("not a picture") << "" << notAPicture;
    QTest::newRow("empty file") << QByteArray() << "" << "Pagina vuota";
    QTest::newRow("jpeg header only") << jpegBytes(plainPage(50, 50, Qt::white)).left(20) << "" << notAPicture;
    QTest::newRow("no exif") << orientedJpeg(0) << "rbr" << "";
    QTest::newRow("exif upside down") << orientedJpeg(3) << "brb" << "";
    QTest::newRow("exif turned right") << orientedJpeg(6) << "rrb" << "";
    QTest::newRow("exif turned left") << orientedJpeg(8) << "bbr" << "";
    // Past the reader's allocation limit at full size (768 MB), not at the box's size.
    QTest::newRow("declares 12000 x 16000") << declaringSize(12000, 16000) << "???" << "";
    QTest::newRow("declares 65000 x 65000") << declaringSize(65000, 65000) << ""
                                            << "Immagine troppo grande (65000 × 65000)";
}

// A page decodes by its content whatever its name, fitted to the box and upright.
void TestPageCache::decodesByContent()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, corners);
    testsupport::WorkingFolder folder;
    writeFile(folder.catalogue().leftPage(1), content);
    const PageImage decoded = decodePage(folder.catalogue().leftPage(1), Box);
    const QImage page = decoded.picture;
    QTEST(decoded.problem, "problem");
    QCOMPARE(page.isNull(), corners.isEmpty());
    if (page.isNull())
        return;
    QCOMPARE(page.size(), Box);
    QCOMPARE(QString(colourAt(page, 30, 60)) + colourAt(page, 170, 60) + colourAt(page, 30, 300), corners);
}

void TestPageCache::readAheadFollowsTheDirection_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("step");
    QTest::addColumn<QList<int>>("ahead");   // scores whose left page is wanted, in order
    QTest::newRow("forward") << 5 << 1 << QList<int>{6, 7, 4};
    QTest::newRow("backward") << 5 << -1 << QList<int>{4, 3, 6};
    QTest::newRow("forward at the last") << 12 << 1 << QList<int>{11};
    QTest::newRow("backward at the first") << 1 << -3 << QList<int>{2};
    QTest::newRow("before the last") << 11 << 10 << QList<int>{12, 10};
}

// The two next scores in the direction of travel, then the one behind.
void TestPageCache::readAheadFollowsTheDirection()
{
    QFETCH(int, number);
    QFETCH(int, step);
    testsupport::WorkingFolder folder;
    const CatalogueFolder catalogue = folder.catalogue();
    for (int n = 1; n <= 12; ++n)
        writeFile(catalogue.leftPage(n), "L");
    QList<int> ahead;
    for (const PageKey &key : pagesAround(catalogue, number, step, 1, 12))
        ahead.append(QFileInfo(key.path).fileName().chopped(5).toInt());
    QTEST(ahead, "ahead");
}

void TestPageCache::staysWithinBudget()
{
    testsupport::WorkingFolder folder;
    const QSize small(50, 50);
    const qsizetype pageBytes = QImage(small, QImage::Format_RGB32).sizeInBytes();
    PageCache cache(small, 3 * pageBytes + pageBytes / 2);
    QList<PageKey> keys;
    for (int n = 1; n <= 8; ++n) {
        writeFile(folder.catalogue().leftPage(n), jpegBytes(plainPage(200, 280, Qt::white)));
        keys.append(PageCache::keyFor(folder.catalogue().leftPage(n)));
    }
    QSignalSpy ready(&cache, &PageCache::pageReady);
    cache.setWanted(keys.first(4), keys.mid(4));
    waitUntilIdle(&cache);
    QCOMPARE(ready.size(), 8);
    QCOMPARE(cache.usedBytes(), 3 * pageBytes);
    QCOMPARE(std::count_if(keys.cbegin(), keys.cend(), [&](const PageKey &key) { return cache.find(key).has_value(); }), 3);
}

// A page arriving for a record already left is never shown; one decoded ahead shows at once.
// An undecodable page shows its problem in its box, without a message, and is kept as a
// failure in memory and in the thumbnail folder; the good page beside it as a thumbnail.
void TestPageCache::editorShowsPages()
{
    Editor e;
    // Black pages on odd records, white on even ones but 3, which has none; record 2's
    // are large, so slow to decode.
    for (const int n : {2, 4, 5, 6, 7, 8, 9, 10, 11, 12}) {
        const int side = n == 2 ? 1200 : 400;
        for (const QString &page : {e.catalogue().leftPage(n), e.catalogue().rightPage(n)})
            writeFile(page, jpegBytes(plainPage(side, side * 7 / 5, n % 2 ? Qt::black : Qt::white)));
    }
    writeFile(e.catalogue().leftPage(4), "not a picture");
    QVERIFY(e.load());
    waitUntilIdle(e.cache());

    // Record 2 is far from where the editor opens: its pages arrive after the selector moved on.
    e.moveTo(2);
    QCOMPARE(e.shown(), QStringLiteral("--"));
    e.moveTo(3);
    waitUntilIdle(e.cache());
    QCOMPARE(e.shown(), QStringLiteral("--"));
    // The late pages were kept: record 2 shows at once when it comes back.
    e.moveTo(2);
    QCOMPARE(e.shown(), QStringLiteral("ww"));

    e.moveTo(5);
    QTRY_COMPARE(e.shown(), QStringLiteral("kk"));
    // Moving one record either way finds its pages decoded already.
    for (const auto &[number, expected] : {std::pair{6, "ww"}, {5, "kk"}, {4, "-w"}}) {
        waitUntilIdle(e.cache());
        e.moveTo(number);
        QCOMPARE(e.shown(), QLatin1String(expected));
    }
    waitUntilIdle(e.cache());
    QCOMPARE(e.shown(), QStringLiteral("-w"));
    QCOMPARE(e.get<QLabel>("Image1")->text(), QStringLiteral("Non è un'immagine"));
    const std::optional<PageImage> remembered = e.cache()->find(PageCache::keyFor(e.catalogue().leftPage(4)));
    QVERIFY(remembered.has_value() && remembered->picture.isNull());
    QCOMPARE(e.notifier.count(), 0);
    const ThumbnailStore store;
    QVERIFY(store.hasFailed(ThumbnailStore::originalOf(e.catalogue().leftPage(4))));
    QVERIFY(!store.find(ThumbnailStore::originalOf(e.catalogue().rightPage(4)), ThumbnailStore::sizeFor(Box)).isNull());

    // A replaced file shows anew, although its decoded picture is still in memory.
    // Another size too: a rewrite within the file system's clock tick keeps the time.
    writeFile(e.catalogue().rightPage(5), jpegBytes(plainPage(300, 420, Qt::white)));
    e.moveTo(5);
    QTRY_COMPARE(e.shown(), QStringLiteral("kw"));
    waitUntilIdle(e.cache());
    QCOMPARE(e.shown(), QStringLiteral("kw"));
}

void TestPageCache::thumbnails_data()
{
    QTest::addColumn<QString>("before");   // what the thumbnail folder holds
    QTest::addColumn<char>("shown");       // 'r' from the red thumbnail, 'b' from the file, '-' none
    QTest::addColumn<bool>("written");
    QTest::newRow("nothing") << "nothing" << 'b' << true;
    QTest::newRow("another program's thumbnail") << "valid" << 'r' << false;
    QTest::newRow("file touched since") << "stale" << 'b' << true;
    QTest::newRow("size differs") << "size" << 'b' << true;
    QTest::newRow("another file's thumbnail") << "foreign" << 'b' << true;
    QTest::newRow("cache folder not writable") << "unwritable" << 'b' << false;
    QTest::newRow("a failure, file repaired since") << "failed" << '-' << false;
}

void TestPageCache::thumbnails()
{
    QFETCH(QString, before);
    QFETCH(char, shown);
    QFETCH(bool, written);
    testsupport::WorkingFolder folder;
    const QString root = folder.path() + QStringLiteral("/thumbnails");
    const QString path = folder.path() + QStringLiteral("/pagina è 1.jpg");
    const QByteArray jpeg = jpegBytes(plainPage(600, 840, Qt::blue));
    writeFile(path, before == QLatin1String("failed") ? QByteArray("xx") + jpeg.mid(2) : jpeg);
    const QDateTime time = QDateTime::currentDateTime().addSecs(-100);
    setModified(path, time);
    ThumbnailStore::Original original = ThumbnailStore::originalOf(path);
    ThumbnailStore store(root);
    const QString thumbnail = store.pathFor(original, 512);
    if (QStringList{"valid", "stale", "size", "foreign"}.contains(before)) {
        // A thumbnail as another program would leave it: red, with its keys.
        QImage red = plainPage(365, 512, Qt::red).convertToFormat(QImage::Format_ARGB32);
        red.setText(QStringLiteral("Thumb::URI"),
                    before == QLatin1String("foreign") ? "file:///elsewhere.jpg" : QString::fromUtf8(original.uri));
        red.setText(QStringLiteral("Thumb::MTime"), QString::number(original.mtime));
        red.setText(QStringLiteral("Thumb::Size"), QString::number(original.size + (before == QLatin1String("size"))));
        QVERIFY(QDir().mkpath(QFileInfo(thumbnail).path()) && red.save(thumbnail, "PNG"));
    }
    if (before == QLatin1String("stale"))
        setModified(path, time.addSecs(50));
    if (before == QLatin1String("unwritable"))
        writeFile(root, "a file where the folder should be");
    if (before == QLatin1String("failed")) {
        // A file this program could not decode is not decoded again while it stays the
        // same, even when what made it undecodable would no longer stop the decoder.
        keepThumbnail(store, loadPage(path, Box, store));
        QVERIFY(store.failurePathFor(original).contains(QStringLiteral("/thumbnails/fail/spartiti-")));
        QVERIFY(store.hasFailed(original));
        writeFile(path, jpeg);
        setModified(path, time);
    }
    original = ThumbnailStore::originalOf(path);

    const PageImage page = loadPage(path, Box, store);
    QCOMPARE(page.isPicture() ? colourAt(page.picture, 100, 176) : '-', shown);
    keepThumbnail(store, page);
    const QImage kept = store.find(original, 512);
    QCOMPARE(!kept.isNull(), written || before == QLatin1String("valid"));
    // Touched since, any file is decoded again, even one that failed before.
    setModified(path, time.addSecs(10));
    QVERIFY(loadPage(path, Box, store).isPicture());
    if (!written)
        return;
    QCOMPARE(kept.size(), QSize(365, 512));
    QCOMPARE(colourAt(kept, 180, 250), 'b');
    // Being found shows it carries this file's address and time; the size readers may skip.
    QCOMPARE(kept.text(QStringLiteral("Thumb::Size")), QString::number(original.size));
    QCOMPARE(QFileInfo(thumbnail).permissions() & OthersAndGroup, QFile::Permissions());
    QCOMPARE(QDir(QFileInfo(thumbnail).path()).entryList(QDir::Files), QStringList{QFileInfo(thumbnail).fileName()});
    if (before != QLatin1String("nothing"))
        return;
    // Named and placed as every other program names and places them.
    QCOMPARE(ThumbnailStore::fileNameFor("file:///home/jens/photos/me.png"),
             QStringLiteral("c6ee772d9e49320e97ec29a7eb5b1697.png"));
    QVERIFY(original.uri.endsWith("/pagina%20%C3%A8%201.jpg"));
    QCOMPARE(ThumbnailStore::sizeFor(Box * 2), 1024);
    QCOMPARE(QFileInfo(thumbnail).path(), root + QStringLiteral("/x-large"));
    QCOMPARE(QFileInfo(root).permissions() & OthersAndGroup, QFile::Permissions());
    QCOMPARE(QFileInfo(root + QStringLiteral("/x-large")).permissions() & OthersAndGroup, QFile::Permissions());
}

QTEST_MAIN(TestPageCache)
#include "tst_pagecache.moc"
