#pragma once

#include "ModelClass.h"

#include <array>
#include <cstdint>
#include <optional>

namespace velcora {

class TPatchData;

/// Lengths in bytes (F0 to F7 inclusive) of the header and the seven data packets of one
/// preset dump. Every length stays within the fixed slot of TPatchData that holds it, so
/// any code that indexes a packet by these lengths stays inside the dump buffer.
class TDumpSizes {
public:
    static constexpr int PacketCount = 8; ///< header + seven data packets
    static constexpr int HeaderSlot = 36;
    static constexpr int DataSlot = 255;
    static constexpr int LastSlot = 61;
    /// The smallest data packet that still holds its frame, one 14-bit value and, in
    /// packet 1, the 16 name bytes.
    static constexpr int MinDataPacket = 13;
    static constexpr int MinFirstPacket = 27;

    /// The sizes of a model class; an unknown class has the Proteus 2000 family's.
    static TDumpSizes ForModelClass(TModelClass modelClass);
    /// Sizes from outside (measured from a dump); empty when one does not fit its slot.
    static std::optional<TDumpSizes> Make(int head, const std::array<int, 7>& blocks);

    /// The sizes as the packets stored in a dump buffer give them: each packet's length up to
    /// and including its first F7. Empty when a packet has no F7 in its slot or the lengths
    /// do not make a usable dump.
    static std::optional<TDumpSizes> Measure(const TPatchData& dump);

    TDumpSizes() : TDumpSizes(ForModelClass(TModelClass::Proteus)) {}

    /// The last data packet's length follows the data byte count a dump header announces:
    /// 1492, 1494 and 1502 bytes mean 39, 41 and 61; any other count changes nothing.
    TDumpSizes WithByteCount(uint32_t dataBytes) const;

    int HeadSize() const { return FHead; }
    /// Length of data packet k, k = 1..7.
    int BlockSize(int k) const { return FBlocks.at(static_cast<size_t>(k - 1)); }
    /// Length of packet p, p = 0 (header) .. 7.
    int PacketSize(int p) const { return p == 0 ? FHead : BlockSize(p); }
    int TotalSize() const;
    /// Number of data bytes the dump header announces: the sum of Lk - 11.
    int DataByteCount() const;
    /// Number of 14-bit values in data packet k.
    int ValueCount(int k) const { return (BlockSize(k) - 11) / 2; }

    bool operator==(const TDumpSizes&) const = default;

private:
    TDumpSizes(int head, const std::array<int, 7>& blocks) : FHead(head), FBlocks(blocks) {}

    int FHead;
    std::array<int, 7> FBlocks;
};

} // namespace velcora
