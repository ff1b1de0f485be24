#include "filepreview.h"

#include "pageimage.h"

#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>

namespace spartiti {

FilePreview previewFile(const QString &path, const QSize &box)
{
    // A FIFO put in the chosen file's place would block the worker for good.
    if (!QFileInfo(path).isFile())
        return {};
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (!size.isValid())
        return {};
    // The header gives the stored size; a page turned by its EXIF orientation shows
    // with width and height swapped.
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        size.transpose();
    const QSize fitted = size.boundedTo(box) == size ? size : size.scaled(box, Qt::KeepAspectRatio);
    // decodePage decodes at the size asked for, and turns the picture the same way as
    // the editor does.
    QImage picture = decodePage(path, fitted.expandedTo(QSize(1, 1)));
    if (picture.isNull())
        return {};
    return {picture, size};
}

} // namespace spartiti
