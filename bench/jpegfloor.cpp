#include "jpegfloor.h"

#include "jpegerrors.h"

#include <QFile>

#include <cstdio>
#include <vector>

namespace spartiti::bench {

QSize decodeJpegFloor(const QString &path, QSize box)
{
    std::FILE *file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!file)
        return {};
    jpeg_decompress_struct info;
    JpegErrors errors;
    errors.install(info);
    // Kept outside the setjmp frame so that longjmp cannot leave it stale.
    static thread_local std::vector<JSAMPLE> pixels;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        return {};
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.dct_method = JDCT_ISLOW;
    info.scale_denom = 8;
    for (info.scale_num = 1; info.scale_num < 8; ++info.scale_num) {
        jpeg_calc_output_dimensions(&info);
        if (int(info.output_width) >= box.width() && int(info.output_height) >= box.height())
            break;
    }
    jpeg_start_decompress(&info);
    const size_t stride = size_t(info.output_width) * size_t(info.output_components);
    pixels.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[16];
        const JDIMENSION count = std::min<JDIMENSION>(16, info.output_height - info.output_scanline);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = pixels.data() + (info.output_scanline + i) * stride;
        jpeg_read_scanlines(&info, rows, count);
    }
    const QSize decoded(int(info.output_width), int(info.output_height));
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return decoded;
}

} // namespace spartiti::bench
