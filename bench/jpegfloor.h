#pragma once

#include <QSize>
#include <QString>

namespace spartiti::bench {

// The least work any JPEG display can do: libjpeg-turbo itself, with its accurate
// integer IDCT, decoding at the smallest DCT scale (M/8) whose output still covers the
// box. Returns the size decoded, or an empty size when the file cannot be decoded.
QSize decodeJpegFloor(const QString &path, QSize box);

} // namespace spartiti::bench
