// libFuzzer target for the JPEG header reader, which sizes every picture of
// a report (the cover from the shared database among them) before it is
// decoded: any input must be refused or give a size, never crash. Build as
// template_loader_fuzzer:
//   cmake --build build/fuzz --target jpeg_header_fuzzer
//   build/fuzz/tests/jpeg_header_fuzzer -max_total_time=60 tests/reportengine/fuzz/jpeg-corpus

#include "reportengine/pictures/JpegHeader.h"
#include "reportengine/pictures/PictureDecode.h"

#include <QByteArrayView>
#include <cstdint>
#include <cstdlib>

using namespace hra::reportengine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto header =
        readJpegHeader(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!header)
        return 0;
    if (header->width <= 0 || header->height <= 0 || header->width > 65535 ||
        header->height > 65535)
        abort();
    if (header->plain && header->components != 1 && header->components != 3)
        abort();
    (void)pictureSizeAllowed(QSize(header->width, header->height));
    return 0;
}
