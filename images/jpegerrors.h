#pragma once

// libjpeg's own error handler ends the process. Code that calls libjpeg installs this
// one instead and sets a return point with setjmp(jump): an error comes back there.

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace spartiti {

struct JpegErrors
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;

    // Installs this handler in `info` (a compress or decompress struct).
    template<typename Info> void install(Info &info)
    {
        info.err = jpeg_std_error(&manager);
        manager.error_exit = [](j_common_ptr common) {
            std::longjmp(reinterpret_cast<JpegErrors *>(common->err)->jump, 1);
        };
        manager.output_message = [](j_common_ptr) {};
    }
};

} // namespace spartiti
