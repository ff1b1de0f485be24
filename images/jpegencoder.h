#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace spartiti {

// Encodes an image as a baseline JPEG in memory with libjpeg-turbo. Images in 32-bit RGB
// formats are handed to the encoder as they lie in memory (BGRX bytes), with no copy to
// 24-bit RGB first; other formats are converted once. An alpha channel must already be
// flattened: its bytes are ignored. Returns nothing if the encoder fails.
std::optional<QByteArray> encodeJpeg(const QImage &image, int quality);

} // namespace spartiti
