#pragma once

#include "pageimage.h"

#include <QImage>
#include <QSize>
#include <QString>

namespace spartiti {

// What a page picker shows of a file before it is attached.
struct FilePreview
{
    QImage picture;     // fitted into the box with its proportions kept; null if not a picture
    QSize pixelSize;    // the picture's own size, upright as the editor shows it
    PageImage::Problem problemKind = PageImage::Problem::None;
    QString problem;    // why there is no picture, as the editor's page box says it

    bool isPicture() const { return !picture.isNull(); }
};

// Reads the picture in `path` at no more than `box`, never larger than the picture itself.
// The size is read from the header first, so that a large scan is decoded at the small
// size only; a thumbnail in the desktop's thumbnail folder spares even that. Safe to
// call from any thread.
FilePreview previewFile(const QString &path, const QSize &box);

} // namespace spartiti
