#include "pageimage.h"

#include <QFile>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace spartiti {

namespace {

// Decodes that need more than this at once wait for one another (see largeDecodes).
constexpr qint64 LargeDecodeBytes = 64 * 1024 * 1024;

QString tooLarge(const QSize &size)
{
    return QStringLiteral("Immagine troppo grande (%1 × %2)").arg(size.width()).arg(size.height());
}

QString damaged()
{
    return QStringLiteral("Immagine danneggiata");
}

// One decode at a time of the pictures that need a lot of memory, in the whole process:
// the editor's two boxes and the picker preview would otherwise each hold hundreds of
// megabytes side by side.
std::mutex &largeDecodes()
{
    static std::mutex lock;
    return lock;
}

// Reads with the reader as set up; `working` is what the decode needs at its peak.
QImage readGuarded(QImageReader &reader, qint64 working)
{
    std::unique_lock<std::mutex> lock(largeDecodes(), std::defer_lock);
    if (working > LargeDecodeBytes)
        lock.lock();
    return reader.read();
}

// What Qt counts for a picture of `size`, as its allocation limit does.
qint64 pictureBytes(const QSize &size)
{
    return qint64(size.width()) * size.height() * 4;
}

// The size libjpeg gives `full` decoded at a scale of M/8.
QSize scaledBy(const QSize &full, int m)
{
    return QSize(int((qint64(full.width()) * m + 7) / 8), int((qint64(full.height()) * m + 7) / 8));
}

// Pages are JPEG files nearly always: naming the format spares asking every image plugin
// whether it knows the content. Only when the start of the file is no JPEG is it asked.
void openReader(QImageReader &reader, const QString &path)
{
    reader.setFileName(path);
    reader.setFormat("jpeg");
    if (reader.canRead())
        return;
    reader.setFormat(QByteArray());
    reader.setDecideFormatFromContent(true);
    reader.setFileName(path);
}

PageImage probeWith(QImageReader &reader, const QString &path)
{
    PageImage page;
    const QFileInfo file(path);
    if (file.isFile() && file.size() == 0) {
        page.problemKind = PageImage::Problem::Empty;
        page.problem = QStringLiteral("Pagina vuota");
        return page;
    }
    openReader(reader, path);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (!size.isValid()) {
        page.problemKind = PageImage::Problem::NotAPicture;
        page.problem = QStringLiteral("Non è un'immagine");
        return page;
    }
    // The header gives the stored size; a page turned by its EXIF orientation shows with
    // width and height swapped.
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        size.transpose();
    page.pixelSize = size;
    if (size.width() > LargestPageSide || size.height() > LargestPageSide) {
        page.problemKind = PageImage::Problem::TooLarge;
        page.problem = tooLarge(size);
    }
    return page;
}

// The bytes libjpeg holds for a progressive JPEG: every DCT coefficient of the whole
// picture, two bytes each, whatever the output scale. A baseline file is decoded a row
// of blocks at a time and needs next to nothing: 0.
qint64 progressiveBuffer(const QString &path)
{
    QFile file(path);
    char c = 0;
    if (!file.open(QIODevice::ReadOnly) || !file.getChar(&c) || uchar(c) != 0xff || !file.getChar(&c)
        || uchar(c) != 0xd8)
        return 0;
    for (int segment = 0; segment < 1000; ++segment) {
        do {
            if (!file.getChar(&c))
                return 0;
        } while (uchar(c) != 0xff);
        do {
            if (!file.getChar(&c))
                return 0;
        } while (uchar(c) == 0xff);
        const uchar marker = uchar(c);
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7))
            continue;
        const QByteArray length = file.read(2);
        if (marker == 0xd9 || marker == 0xda || length.size() != 2)
            return 0;
        const int bytes = (uchar(length[0]) << 8 | uchar(length[1])) - 2;
        const bool frame = marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
        if (!frame) {
            if (bytes < 0 || !file.seek(file.pos() + bytes))
                return 0;
            continue;
        }
        if (marker != 0xc2 && marker != 0xc6 && marker != 0xca && marker != 0xce)
            return 0;
        const QByteArray header = file.read(bytes);
        const auto at = [&header](int i) { return i < header.size() ? int(uchar(header[i])) : 0; };
        const qint64 height = at(1) << 8 | at(2);
        const qint64 width = at(3) << 8 | at(4);
        const int components = at(5);
        int hMax = 1, vMax = 1;
        for (int i = 0; i < components; ++i) {
            hMax = std::max(hMax, at(7 + 3 * i) >> 4);
            vMax = std::max(vMax, at(7 + 3 * i) & 15);
        }
        qint64 total = 0;
        for (int i = 0; i < components; ++i) {
            const qint64 w = (width * std::max(1, at(7 + 3 * i) >> 4) + hMax - 1) / hMax;
            const qint64 h = (height * std::max(1, at(7 + 3 * i) & 15) + vMax - 1) / vMax;
            total += ((w + 7) / 8) * ((h + 7) / 8) * 64 * 2;
        }
        return total;
    }
    return 0;
}

// The M of the M/8 scale at which libjpeg decodes `full` for `size`, as Qt chooses it.
int jpegScale(const QSize &full, const QSize &size)
{
    const double factor = std::min(double(full.width()) / size.width(), double(full.height()) / size.height());
    return std::clamp(int(std::ceil(8 / factor)), 1, 8);
}

// Decodes at `box` (stretched to it). With a thumbnail size, the thumbnail is made from
// the same decode when that costs libjpeg no more than the box alone (a 600-dpi scan);
// otherwise (a 300-dpi scan needs 2/8 for 512 but 1/8 for the box) the box is decoded as
// it would be without thumbnails, and the thumbnail is left for keepThumbnail to decode.
PageImage decodeAt(const QString &path, const QSize &box, int thumbnailSize)
{
    QImageReader reader;
    PageImage page = probeWith(reader, path);
    if (!page.problem.isEmpty()) {
        page.failedToDecode = true;
        return page;
    }
    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize full = turned ? page.pixelSize.transposed() : page.pixelSize;
    const bool jpeg = reader.format() == "jpeg";
    page.thumbnailSize = thumbnailSize;
    QSize target = box;
    if (thumbnailSize > 0) {
        const QSize thumbnail = ThumbnailStore::thumbnailPixels(page.pixelSize, thumbnailSize);
        const QSize turnedThumbnail = turned ? thumbnail.transposed() : thumbnail;
        const QSize turnedBox = turned ? box.transposed() : box;
        if (!jpeg || !box.isValid() || jpegScale(full, turnedThumbnail) <= jpegScale(full, turnedBox))
            target = thumbnail;
        else
            thumbnailSize = 0;
    }
    const QSize stored = turned ? target.transposed() : target;
    // A quality of 50 or more keeps libjpeg's accurate IDCT and a smooth final scale;
    // below it thin staff lines alias.
    reader.setQuality(75);
    if (stored.isValid())
        reader.setScaledSize(stored);

    usePageDecodeBudget();
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    qint64 output = pictureBytes(full);
    qint64 working = output;
    if (jpeg && stored.isValid()) {
        // libjpeg decodes at a scale of M/8 just above the size asked for, and Qt
        // allocates that before shrinking it: the whole picture is never held. At a box's
        // or a thumbnail's size that is far within the budget (1/8 of LargestPageSide
        // squared takes 25 MB).
        output = pictureBytes(scaledBy(full, jpegScale(full, stored)));
        working = output + progressiveBuffer(path);
    }
    QImage image = readGuarded(reader, working);
    if (image.isNull()) {
        page.failedToDecode = true;
        // Refused past the reader's allocation limit: formats without scaled decoding.
        page.problemKind = limit > 0 && output > limit ? PageImage::Problem::TooLarge : PageImage::Problem::Damaged;
        page.problem = page.problemKind == PageImage::Problem::TooLarge ? tooLarge(page.pixelSize) : damaged();
        return page;
    }
    if (thumbnailSize > 0) {
        if (image.size() != target)
            image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        page.thumbnail = image;
    }
    page.picture = image.size() == box ? image : image.scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return page;
}

} // namespace

// Every decode runs under the one budget, whichever part of the program or which test
// or benchmark decodes first; the limit is process-wide in Qt.
void usePageDecodeBudget()
{
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(PageDecodeBudgetMB); });
}

PageImage probePage(const QString &path)
{
    QImageReader reader;
    return probeWith(reader, path);
}

PageImage decodePage(const QString &path, const QSize &box)
{
    return decodeAt(path, box, 0);
}

PageImage decodeWholePage(const QString &path, int budgetMB)
{
    usePageDecodeBudget();
    QImageReader reader;
    PageImage page = probeWith(reader, path);
    if (!page.problem.isEmpty())
        return page;
    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize full = turned ? page.pixelSize.transposed() : page.pixelSize;
    const int limitMB = QImageReader::allocationLimit();
    const qint64 budget = qint64(limitMB > 0 ? std::min(budgetMB, limitMB) : budgetMB) * 1024 * 1024;
    qint64 output = pictureBytes(full);
    if (output > budget) {
        if (reader.format() != "jpeg") {
            page.problemKind = PageImage::Problem::TooLarge;
            page.problem = tooLarge(page.pixelSize);
            return page;
        }
        // The largest scale of M/8 whose picture fits. Qt allocates (and checks) what
        // libjpeg gives, the size rounded up; asked for the size rounded down, it chooses
        // exactly that M and shrinks nothing afterwards when the division is exact.
        int m = 7;
        while (m > 1 && pictureBytes(scaledBy(full, m)) > budget)
            --m;
        reader.setScaledSize(QSize(full.width() * m / 8, full.height() * m / 8));
        output = pictureBytes(scaledBy(full, m));
        page.reduced = true;
    }
    page.picture = readGuarded(reader, output + (reader.format() == "jpeg" ? progressiveBuffer(path) : 0));
    if (page.picture.isNull()) {
        page.problemKind = PageImage::Problem::Damaged;
        page.problem = damaged();
    }
    return page;
}

PageImage loadPage(const QString &path, const QSize &box, const ThumbnailStore &store)
{
    const ThumbnailStore::Original original = ThumbnailStore::originalOf(path);
    const int size = ThumbnailStore::sizeFor(box);
    if (!original.isValid() || size == 0)
        return decodePage(path, box);
    const QImage thumbnail = store.find(original, size);
    if (!thumbnail.isNull()) {
        PageImage page;
        page.picture = thumbnail.scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return page;
    }
    // What failed before fails again: only the reason is looked up, from the header.
    if (store.hasFailed(original)) {
        PageImage page = probePage(path);
        if (page.problem.isEmpty()) {
            page.problemKind = PageImage::Problem::Damaged;
            page.problem = damaged();
        }
        return page;
    }
    PageImage page = decodeAt(path, box, size);
    page.original = original;
    return page;
}

void keepThumbnail(ThumbnailStore &store, const PageImage &page)
{
    if (page.failedToDecode) {
        store.saveFailure(page.original);
    } else if (!page.thumbnail.isNull()) {
        store.save(page.original, page.thumbnailSize, page.thumbnail);
    } else if (page.thumbnailSize > 0 && page.pixelSize.isValid()) {
        // Decoded afresh at the thumbnail's size. Should the file have changed since,
        // the thumbnail carries the old time and size and is never taken for the new file.
        const QSize size = ThumbnailStore::thumbnailPixels(page.pixelSize, page.thumbnailSize);
        const PageImage thumbnail = decodePage(page.original.path, size);
        if (thumbnail.isPicture())
            store.save(page.original, page.thumbnailSize, thumbnail.picture);
    }
}

} // namespace spartiti
