#pragma once

#include "DumpSizes.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace velcora {

/// The eight packets of one preset dump found in a file, each F0..F7 and validated.
using TFoundDump = std::array<std::span<const uint8_t>, TDumpSizes::PacketCount>;

/// What the bytes of one file held besides the preset dumps of the wanted sizes.
struct TPresetScan {
    int Presets = 0;       ///< whole dumps of the wanted sizes, handed to the callback
    int OtherSysex = 0;    ///< SysEx messages that are no part of a preset dump
    int OtherModel = 0;    ///< preset dumps whose header announces other packet sizes
    int Damaged = 0;       ///< preset dumps cut short, not framed or with a wrong checksum
    size_t StrayBytes = 0; ///< bytes outside any SysEx message

    bool HasSysex() const { return Presets + OtherSysex + OtherModel + Damaged > 0; }
    bool HasJunk() const { return OtherSysex + OtherModel + Damaged > 0 || StrayBytes > 0; }
};

/// Walks the bytes of one file message by message and hands every whole preset dump of the
/// wanted sizes (closed or open loop) to found, in file order; everything else is counted.
/// A dump is only handed over when each of its eight packets has the length the sizes give,
/// the family's framing, the packet number expected and, in data packets, a right
/// checksum (7F stands for none), so a caller can copy the packets into a dump buffer as they are.
TPresetScan ScanPresets(std::span<const uint8_t> bytes, const TDumpSizes& wanted,
                        const std::function<void(const TFoundDump&)>& found);

/// One record of a library file: its three notes and the bytes of its dump.
struct TLibraryRecord {
    std::array<std::string_view, 3> Notes;
    std::span<const uint8_t> Dump;
};

/// The records of a library file whose dumps have the sizes' total length: a 32-bit
/// little-endian count, then that many records of three notes (each at most 999 bytes and a
/// 00 byte) and one dump starting F0, and nothing after them. None when the bytes are not laid
/// out so (a SysEx file, a library of another model's sizes). The dumps are not checked.
std::optional<std::vector<TLibraryRecord>> LibraryRecords(std::span<const uint8_t> bytes,
                                                          const TDumpSizes& sizes);

/// The checksum of a data packet (F0 to F7): the one's complement of the sum of its data
/// bytes, low 7 bits. The packet must hold at least its frame (11 bytes).
uint8_t PacketChecksum(std::span<const uint8_t> packet);
/// Whether the packet's checksum byte is 7F ("no checksum") or the one's complement of the
/// sum of its data bytes, low 7 bits.
bool PacketChecksumOk(std::span<const uint8_t> packet);

} // namespace velcora
