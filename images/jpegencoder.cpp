#include "jpegencoder.h"

#include "jpegerrors.h"

#include <algorithm>
#include <cstdlib>

namespace spartiti {

std::optional<QByteArray> encodeJpeg(const QImage &source, int quality)
{
    if (source.isNull())
        return std::nullopt;
    // RGB32 and ARGB32 are 0xAARRGGBB words: on a little-endian machine, B, G, R, A bytes.
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the pixel layout below assumes little-endian words");
    const bool direct = source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32;
    const QImage image = direct ? source : source.convertToFormat(QImage::Format_RGB32);

    jpeg_compress_struct info;
    JpegErrors errors;
    errors.install(info);
    // Set by jpeg_mem_dest and grown by the library; kept outside the setjmp frame.
    static thread_local unsigned char *buffer = nullptr;
    static thread_local unsigned long size = 0;
    buffer = nullptr;
    size = 0;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return std::nullopt;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(image.width());
    info.image_height = JDIMENSION(image.height());
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.density_unit = 1;
    info.X_density = UINT16(std::clamp(qRound(image.dotsPerMeterX() * 0.0254), 1, 65535));
    info.Y_density = UINT16(std::clamp(qRound(image.dotsPerMeterY() * 0.0254), 1, 65535));
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        // libjpeg takes rows as non-const pointers but only reads them.
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray encoded(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    buffer = nullptr;
    return encoded;
}

} // namespace spartiti
