#pragma once

#include "thumbnailstore.h"

#include <QImage>
#include <QSize>
#include <QString>

namespace spartiti {

// What a page box shows: the picture, or a few words saying why there is none.
struct PageImage
{
    QImage picture;     // at the size asked for; null when the page cannot be shown
    // What keeps the page from showing, for code to decide on, and in the editor's words
    // for the user ("Pagina vuota", "Non è un'immagine"...); None and empty when it shows.
    enum class Problem { None, Empty, NotAPicture, TooLarge, Damaged };
    Problem problemKind = Problem::None;
    QString problem;
    QSize pixelSize;    // the picture's own size, upright, when its header was read

    // Set by loadPage after decoding the file itself: what to keep in the thumbnail
    // folder (a thumbnail of `thumbnailSize`, or a failure), written by the caller once
    // the page is on show.
    ThumbnailStore::Original original;   // the file as it was before decoding
    int thumbnailSize = 0;                // 0: nothing to write
    QImage thumbnail;                     // null: keepThumbnail decodes it
    bool failedToDecode = false;
    // Set by decodeWholePage: the picture is smaller than the page, which at its own
    // size would pass PageDecodeBudgetMB.
    bool reduced = false;

    bool isPicture() const { return !picture.isNull(); }
};

// Beyond this the file is refused from its header: even scaled decoding would need
// gigabytes.
constexpr int LargestPageSide = 20000;

// What one decoded picture may take, in megabytes, and QImageReader's allocation limit
// for the whole process (set by the decoding functions below before their first read).
// Qt counts every picture at four bytes a pixel, whatever its format. A 600-dpi A3 scan
// (7016 x 9921) takes 266 MB; the rest is room for a scan a little past the sheet's
// edges. Qt's default of 128 MB refuses even an A4 page at 600 dpi (4960 x 7016, 133 MB).
constexpr int PageDecodeBudgetMB = 384;

// Sets that limit, once; whatever decodes a page calls it first (printing too).
void usePageDecodeBudget();

// The picture's size and what is wrong with it, from the file's size and header alone.
PageImage probePage(const QString &path);

// Decodes a page image at `box`, stretched to it exactly: at about the box's size where
// the format allows (JPEG), since a scan decoded at full size and then shrunk costs many
// times more. The format is decided by the content, so a PNG saved under a ".jpg" name
// still shows, and an EXIF orientation is honoured. Pages whose decoding needs much
// memory (progressive JPEG of 600-dpi scans, large PNG) are decoded one at a time in
// the whole process, so that stepping through them never holds two such buffers.
PageImage decodePage(const QString &path, const QSize &box);

// Decodes the whole page at its own size, upright, for viewing it at 100%. A page whose
// picture would take more than `budgetMB` is decoded as large as the budget allows
// (JPEG only, which libjpeg scales while decoding, so the full size is never held) and
// marked `reduced`; other formats that large are refused as too large.
PageImage decodeWholePage(const QString &path, int budgetMB = PageDecodeBudgetMB);

// As decodePage, but first from a valid thumbnail in `store` of the smallest standard
// size that covers `box`; a file that this program already failed to decode is not
// decoded again. Without a thumbnail the page is decoded, and the result says what to
// write: the thumbnail (made from the same decode where that costs nothing more) or
// the failure.
PageImage loadPage(const QString &path, const QSize &box, const ThumbnailStore &store);

// Writes what loadPage left to write. Meant for a worker thread: it encodes a PNG.
void keepThumbnail(ThumbnailStore &store, const PageImage &page);

} // namespace spartiti
