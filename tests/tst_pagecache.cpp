#include "editorfixture.h"
#include "pagecache.h"
#include "pageimage.h"
#include "thumbnailstore.h"

#include <QBuffer>
#include <QPainter>
#include <QtEndian>

using namespace spartiti;
using testsupport::writeFile;

namespace {

const QSize Box(201, 353);

QImage plainPage(int width, int height, QColor colour)
{
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(colour);
    return page;
}

QByteArray jpegBytes(const QImage &image, const char *format = "JPEG")
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, format, 90);
    return bytes;
}

// A landscape picture, red on its left half and blue on its right, with an EXIF orientation; 0: none.
QByteArray orientedJpeg(int orientation)
{
    QImage picture = plainPage(80, 40, Qt::blue);
    QPainter(&picture).fillRect(0, 0, 40, 40, Qt::red);
    // Big-endian TIFF header, one IFD with the single entry Orientation (0x0112, SHORT).
    const QByteArray exif = QByteArray("Exif\0\0MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0", 25)
                            + char(orientation) + QByteArray(6, '\0');
    const QByteArray segment = QByteArray("\xff\xe1\0", 3) + char(exif.size() + 2) + exif;
    return orientation ? jpegBytes(picture).insert(2, segment) : jpegBytes(picture);
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

// 'r'ed, 'b'lue, or '?' for anything else.
char colourAt(const QImage &image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return qRed(p) > 150 && qBlue(p) < 100 ? 'r' : qBlue(p) > 150 && qRed(p) < 100 ? 'b' : '?';
}

void waitUntilIdle(PageCache *cache)
{
    QTRY_VERIFY(cache->isIdle());
    QCoreApplication::processEvents();   // the last pageReady is handled by now
}

// One editor on 12 records; shown() is the middle of each box: 'w'hite, 'k' black, '-' none.
struct Editor : testsupport::EditorFixture
{
    Editor() : EditorFixture(12) {}
    PageCache *cache() { return form->findChild<PageCache *>(); }
    char box(const char *name)
    {
        const QImage shown = get<QLabel>(name)->pixmap().toImage();
        return shown.isNull() ? '-' : qGray(shown.pixel(shown.width() / 2, shown.height() / 2)) > 128 ? 'w' : 'k';
    }
    QString shown() { return QString(box("Image1")) + box("Image2"); }
};

} // namespace

class TestPageCache : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { testsupport::verifyNoWindowOpen(); }
    void decodesByContent_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("corners");   // top left, top right, bottom left; "": no picture
        QTest::addColumn<QString>("problem");
        QTest::newRow("png behind a .jpg name") << jpegBytes(plainPage(80, 40, Qt::red), "PNG") << "rrr" << "";
        QTest::newRow("text") << QByteArray("not a picture") << "" << "Non è un'immagine";
        QTest::newRow("empty file") << QByteArray() << "" << "Pagina vuota";
        QTest::newRow("no exif") << orientedJpeg(0) << "rbr" << "";
        QTest::newRow("exif turned right") << orientedJpeg(6) << "rrb" << "";
        // Past the reader's allocation limit at full size (768 MB), not at the box's size.
        QTest::newRow("declares 12000 x 16000") << declaringSize(12000, 16000) << "???" << "";
        QTest::newRow("declares 65000 x 65000") << declaringSize(65000, 65000) << ""
                                                << "Immagine troppo grande (65000 × 65000)";
    }
    // A page decodes by its content whatever its name, fitted to the box and upright.
    void decodesByContent()
    {
        QFETCH(QByteArray, content);
        testsupport::WorkingFolder folder;
        writeFile(folder.catalogue().leftPage(1), content);
        const PageImage decoded = decodePage(folder.catalogue().leftPage(1), Box);
        const QImage &page = decoded.picture;
        QTEST(decoded.problem, "problem");
        QVERIFY(page.isNull() || page.size() == Box);
        QTEST(page.isNull() ? QString() : QString(colourAt(page, 30, 60)) + colourAt(page, 170, 60) + colourAt(page, 30, 300),
              "corners");
    }
    // Pages arriving for a record left are not shown; an undecodable one shows its problem.
    void editorShowsPages()
    {
        Editor e;
        // Black pages on odd records, white on even ones but 3; record 2's large, slow to decode.
        for (const int n : {2, 4, 5, 6, 7, 8, 9, 10, 11, 12}) {
            const int side = n == 2 ? 1200 : 400;
            for (const QString &page : {e.catalogue().leftPage(n), e.catalogue().rightPage(n)})
                writeFile(page, jpegBytes(plainPage(side, side * 7 / 5, n % 2 ? Qt::black : Qt::white)));
        }
        writeFile(e.catalogue().leftPage(4), "not a picture");
        QVERIFY(e.load());
        waitUntilIdle(e.cache());
        // Record 2's pages arrive after the selector moved on, and are kept for its return.
        e.moveTo(2);
        QCOMPARE(e.shown(), "--");
        e.moveTo(3);
        waitUntilIdle(e.cache());
        QCOMPARE(e.shown(), "--");
        e.moveTo(2);
        QCOMPARE(e.shown(), "ww");
        e.moveTo(5);
        QTRY_COMPARE(e.shown(), "kk");
        for (const auto &[number, expected] : {std::pair{6, "ww"}, {5, "kk"}, {4, "-w"}}) {
            waitUntilIdle(e.cache());
            e.moveTo(number);
            QCOMPARE(e.shown(), expected);
        }
        waitUntilIdle(e.cache());
        QCOMPARE(e.get<QLabel>("Image1")->text(), "Non è un'immagine");
        QCOMPARE(e.notifier.count(), 0);
        // A replaced file shows anew; another size too, as a rewrite within a clock tick keeps the time.
        writeFile(e.catalogue().rightPage(5), jpegBytes(plainPage(300, 420, Qt::white)));
        e.moveTo(5);
        QTRY_COMPARE(e.shown(), "kw");
        waitUntilIdle(e.cache());
        QCOMPARE(e.shown(), "kw");
    }
    void readAheadFollowsTheDirection_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("step");
        QTest::addColumn<QList<int>>("ahead");   // two scores in the direction of travel, one behind
        QTest::newRow("forward") << 5 << 1 << QList<int>{6, 7, 4};
        QTest::newRow("backward") << 5 << -1 << QList<int>{4, 3, 6};
        QTest::newRow("forward at the last") << 12 << 1 << QList<int>{11};
        QTest::newRow("backward at the first") << 1 << -3 << QList<int>{2};
        QTest::newRow("before the last") << 11 << 10 << QList<int>{12, 10};
    }
    void readAheadFollowsTheDirection()
    {
        QFETCH(int, number);
        QFETCH(int, step);
        testsupport::WorkingFolder folder;
        for (int n = 1; n <= 12; ++n)
            writeFile(folder.catalogue().leftPage(n), "L");
        QList<int> ahead;
        for (const PageKey &key : pagesAround(folder.catalogue(), number, step, 1, 12))
            ahead.append(QFileInfo(key.path).fileName().chopped(5).toInt());
        QTEST(ahead, "ahead");
    }
    void thumbnails_data()
    {
        QTest::addColumn<QString>("before");   // what the thumbnail folder holds
        QTest::addColumn<char>("shown");       // 'r' from the red thumbnail, 'b' from the file
        QTest::addColumn<char>("kept");        // the thumbnail found afterwards, '-' none
        QTest::newRow("nothing") << "nothing" << 'b' << 'b';
        QTest::newRow("another program's thumbnail") << "valid" << 'r' << 'r';
        QTest::newRow("file touched since") << "stale" << 'b' << 'b';
        QTest::newRow("size differs") << "size" << 'b' << 'b';
        QTest::newRow("another file's thumbnail") << "foreign" << 'b' << 'b';
        QTest::newRow("only a smaller one") << "small" << 'b' << 'b';
        QTest::newRow("cache folder not writable") << "unwritable" << 'b' << '-';
    }
    void thumbnails()
    {
        QFETCH(QString, before);
        testsupport::WorkingFolder folder;
        const QString root = folder.file("thumbnails");
        const QString path = folder.file("pagina è 1.jpg");
        writeFile(path, jpegBytes(plainPage(600, 840, Qt::blue)));
        const QDateTime time = QDateTime::currentDateTime().addSecs(-100);
        setModified(path, time);
        ThumbnailStore::Original original = ThumbnailStore::originalOf(path);
        ThumbnailStore store(root);
        const QString thumbnail = store.pathFor(original, before == "small" ? 256 : 512);
        if (before == "unwritable") {
            writeFile(root, "un file al posto della cartella");
        } else if (before != "nothing") {   // a thumbnail as another program leaves it: red, with its keys
            QImage red = plainPage(365, 512, Qt::red).convertToFormat(QImage::Format_ARGB32);
            red.setText("Thumb::URI", before == "foreign" ? "file:///altrove.jpg" : QString::fromUtf8(original.uri));
            red.setText("Thumb::MTime", QString::number(original.mtime));
            red.setText("Thumb::Size", QString::number(original.size + (before == "size")));
            QVERIFY(QDir().mkpath(QFileInfo(thumbnail).path()) && red.save(thumbnail, "PNG"));
        }
        if (before == "stale") {
            setModified(path, time.addSecs(50));
            original = ThumbnailStore::originalOf(path);
        }
        const PageImage page = loadPage(path, Box, store);
        QTEST(colourAt(page.picture, 100, 176), "shown");
        keepThumbnail(store, page);
        const QImage kept = store.find(original, 512);
        QTEST(kept.isNull() ? '-' : colourAt(kept, 180, 250), "kept");
        if (before == "unwritable")
            return;
        // Alone in its folder, named and placed as every other program names and places them.
        QCOMPARE(QDir(root + "/x-large").entryList(QDir::Files), QStringList{QFileInfo(thumbnail).fileName()});
        QCOMPARE(ThumbnailStore::fileNameFor("file:///home/jens/photos/me.png"), "c6ee772d9e49320e97ec29a7eb5b1697.png");
    }
};

QTEST_MAIN(TestPageCache)
#include "tst_pagecache.moc"
