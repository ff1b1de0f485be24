#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace spartiti {

// Decodes a page image at about the size of the box that shows it: a 300-dpi scan
// decoded at full size and then shrunk costs many times more. The format is decided by
// the content, so a PNG saved under a ".jpg" name still shows, and an EXIF orientation
// is honoured. A file that cannot be decoded gives a null image.
QImage decodePage(const QString &path, const QSize &box);

} // namespace spartiti
