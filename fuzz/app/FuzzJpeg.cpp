// The splash picture's decoder: any bytes give a picture or none, without fault, exit or
// runaway memory; a picture given has the size its file announced, within the limit.
#include "JpegImage.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QImage image = velcora::JpegToImage(std::span(data, size));
    if (!image.isNull() &&
        (image.width() > velcora::MaxJpegSide || image.height() > velcora::MaxJpegSide ||
         image.format() != QImage::Format_RGB888)) {
        std::abort();
    }
    return 0;
}
