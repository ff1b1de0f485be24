#include "pageimage.h"

#include <QImageIOHandler>
#include <QImageReader>

namespace spartiti {

namespace {

QImage decodeWith(QImageReader &reader, const QSize &box)
{
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

} // namespace

QImage decodePage(const QString &path, const QSize &box)
{
    // Pages are JPEG files nearly always: naming the format spares asking every image
    // plugin whether it knows the content. Only when that fails is the content asked.
    QImageReader jpeg(path, "jpeg");
    QImage image = decodeWith(jpeg, box);
    if (!image.isNull())
        return image;
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return decodeWith(reader, box);
}

} // namespace spartiti
