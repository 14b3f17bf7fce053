#include "DumpFile.h"

#include "PatchMessages.h"
#include "Patchdata.h"

namespace velcora {

TDumpScan ScanDumps(std::span<const uint8_t> bytes, const TDumpSizes& sizes, int maxDumps) {
    TDumpScan scan;
    const size_t total = static_cast<size_t>(sizes.TotalSize());
    size_t at = 0;
    while (scan.Complete < maxDumps) {
        const size_t left = bytes.size() - at;
        if (left == 0) {
            break;
        }
        if (left < total) {
            scan.Truncated = true;
            break;
        }
        // The writers frame every dump this way, so a file they wrote always passes; a dump
        // that does not would be written back as the blank patch.
        size_t start = at;
        for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
            const size_t size = static_cast<size_t>(sizes.PacketSize(p));
            if (!TPatchData::PacketFramed(bytes.subspan(start, size))) {
                scan.BadDump = scan.Complete;
                return scan;
            }
            start += size;
        }
        at += total;
        ++scan.Complete;
    }
    return scan;
}

std::optional<std::string> DamageMessage(const TDumpScan& scan) {
    if (scan.BadDump >= 0) {
        return msg::DamagedPreset(scan.BadDump + 1);
    }
    if (scan.Truncated) {
        return msg::TruncatedFile;
    }
    return std::nullopt;
}

} // namespace velcora
