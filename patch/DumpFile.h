#pragma once

#include "DumpSizes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace velcora {

/// What a file of back-to-back preset dumps holds, looked at before any of it is loaded.
struct TDumpScan {
    int Complete = 0;       ///< framed dumps from the start, at most the number asked for
    bool Truncated = false; ///< the file ends inside the dump after them
    int BadDump = -1;       ///< index of the first dump whose packets are not framed, or -1
};

/// Scans at most maxDumps dumps from the start of bytes, checking the F7 at the end of
/// every packet.
TDumpScan ScanDumps(std::span<const uint8_t> bytes, const TDumpSizes& sizes, int maxDumps);

/// The message for a file whose scan shows damage within the first `needed` dumps (a file
/// of fewer whole dumps is not damaged), or nothing when the file can be loaded.
std::optional<std::string> DamageMessage(const TDumpScan& scan);

} // namespace velcora
