#include "pageimage.h"

#include <QImageIOHandler>
#include <QImageReader>

namespace spartiti {

QImage decodePage(const QString &path, const QSize &box)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    // A quality of 50 or more keeps libjpeg's accurate IDCT and a smooth final scale;
    // below it thin staff lines alias.
    reader.setQuality(75);
    QSize target = box;
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        target.transpose();
    if (target.isValid() && reader.size().isValid())
        reader.setScaledSize(target);
    QImage image = reader.read();
    if (image.isNull())
        return {};
    if (image.size() != box)
        image = image.scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace spartiti
