#include "JpegImage.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace velcora {

namespace {

// libjpeg reports every fault through error_exit, whose default ends the program. Ours jumps
// back to the setjmp of the decoding phase that called libjpeg. No object with a destructor
// may live in a frame the jump crosses: the two phases below hold only plain C data, and the
// objects that need cleaning up (the decoder itself, the picture) live in their caller.
struct TJpegError {
    jpeg_error_mgr Pub;
    std::jmp_buf Jump;
};

// A progressive file may hold any number of scans, each a pass over the whole picture: a
// damaged one could keep the decoder busy for minutes. No honest picture needs this many.
constexpr int MaxScans = 256;
// The decoder's own working memory (a progressive file keeps every coefficient).
constexpr long MaxDecoderMemory = 128L * 1024 * 1024;

extern "C" void JpegErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<TJpegError*>(cinfo->err)->Jump, 1);
}

// A warning (a file cut short, data after the end, a bad Huffman code) means a damaged file:
// libjpeg would go on and fill the rest with grey, but half a picture is not the picture.
// Trace messages (level > 0) are ignored, and nothing is written to the console.
extern "C" void JpegEmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0) {
        JpegErrorExit(cinfo);
    }
}

extern "C" void JpegOutputMessage(j_common_ptr) {}

extern "C" void JpegProgress(j_common_ptr cinfo) {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > MaxScans) {
        JpegErrorExit(cinfo);
    }
}

/// Reads the header and fixes the output: RGB at full size. False on any fault.
bool ReadHeader(jpeg_decompress_struct* cinfo, TJpegError* error, const unsigned char* data,
                unsigned long size) {
    if (setjmp(error->Jump) != 0) {
        return false;
    }
    jpeg_mem_src(cinfo, data, size);
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) {
        return false;
    }
    cinfo->out_color_space = JCS_RGB;
    jpeg_calc_output_dimensions(cinfo);
    return cinfo->output_components == 3;
}

/// Decodes every row into rows of rowBytes bytes from bits, which hold height of them.
bool ReadPixels(jpeg_decompress_struct* cinfo, TJpegError* error, unsigned char* bits,
                long rowBytes) {
    if (setjmp(error->Jump) != 0) {
        return false;
    }
    if (!jpeg_start_decompress(cinfo)) {
        return false;
    }
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = bits + static_cast<long>(cinfo->output_scanline) * rowBytes;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) {
            return false;
        }
    }
    return jpeg_finish_decompress(cinfo) == TRUE;
}

/// The decoder, destroyed whichever way the decoding ends.
class TDecoder {
public:
    TDecoder() {
        FInfo.err = jpeg_std_error(&FError.Pub);
        FError.Pub.error_exit = JpegErrorExit;
        FError.Pub.emit_message = JpegEmitMessage;
        FError.Pub.output_message = JpegOutputMessage;
        FProgress.progress_monitor = JpegProgress;
        if (setjmp(FError.Jump) == 0) {
            jpeg_create_decompress(&FInfo);
            FInfo.progress = &FProgress;
            FInfo.mem->max_memory_to_use = MaxDecoderMemory;
            FCreated = true;
        }
    }
    TDecoder(const TDecoder&) = delete;
    TDecoder& operator=(const TDecoder&) = delete;
    ~TDecoder() {
        if (FCreated) {
            jpeg_destroy_decompress(&FInfo);
        }
    }
    bool Created() const { return FCreated; }
    jpeg_decompress_struct* Info() { return &FInfo; }
    TJpegError* Error() { return &FError; }

private:
    jpeg_decompress_struct FInfo{};
    TJpegError FError{};
    jpeg_progress_mgr FProgress{};
    bool FCreated = false;
};

} // namespace

QImage JpegToImage(std::span<const uint8_t> bytes) {
    if (bytes.empty()) {
        return {};
    }
    TDecoder decoder;
    if (!decoder.Created() || !ReadHeader(decoder.Info(), decoder.Error(), bytes.data(),
                                          static_cast<unsigned long>(bytes.size()))) {
        return {};
    }
    const jpeg_decompress_struct& info = *decoder.Info();
    if (info.output_width == 0 || info.output_height == 0 || info.output_width > MaxJpegSide ||
        info.output_height > MaxJpegSide) {
        return {};
    }
    QImage image(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                 QImage::Format_RGB888);
    if (image.isNull()) {
        return {};
    }
    if (!ReadPixels(decoder.Info(), decoder.Error(), image.bits(),
                    static_cast<long>(image.bytesPerLine()))) {
        return {};
    }
    return image;
}

} // namespace velcora
