#pragma once

#include <QImage>
#include <cstdint>
#include <span>

namespace velcora {

/// The largest picture decoded, in pixels on either side: a file that announces more is
/// refused before its pixels cost any memory.
inline constexpr int MaxJpegSide = 4096;

/// Decodes a JPEG file's bytes with libjpeg into an RGB picture. The bytes are treated as
/// hostile: a damaged, truncated or oversized file gives a null image, never a crash, an exit
/// or a picture made up in part.
QImage JpegToImage(std::span<const uint8_t> bytes);

} // namespace velcora
