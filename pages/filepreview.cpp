#include "filepreview.h"

#include "pageimage.h"
#include "thumbnailstore.h"

#include <QFileInfo>

namespace spartiti {

FilePreview previewFile(const QString &path, const QSize &box)
{
    // A FIFO put in the chosen file's place would block the worker for good.
    if (!QFileInfo(path).isFile())
        return {};
    const PageImage header = probePage(path);
    if (!header.problem.isEmpty())
        return {{}, header.pixelSize, header.problemKind, header.problem};
    const QSize size = header.pixelSize;
    const QSize fitted = size.boundedTo(box) == size ? size : size.scaled(box, Qt::KeepAspectRatio);
    // loadPage decodes at the size asked for, and turns the picture the same way as the
    // editor does. The thumbnail is written here, before the preview shows: the picker
    // decodes one file at a time and a thumbnail of this size takes a few milliseconds.
    ThumbnailStore thumbnails;
    const PageImage page = loadPage(path, fitted.expandedTo(QSize(1, 1)), thumbnails);
    keepThumbnail(thumbnails, page);
    return {page.picture, size, page.problemKind, page.problem};
}

} // namespace spartiti
