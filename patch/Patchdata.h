#pragma once

#include "DumpSizes.h"
#include "ReadResult.h"

#include <array>
#include <cstdint>
#include <span>

namespace velcora {

class TByteReader;
struct TPatchContext;

/// The dump buffer of one patch: the header and the seven data packets of a preset dump,
/// each at the start of a fixed slot large enough for every model (36, 6 x 255, 61 bytes).
/// Bytes of a slot past the current packet length hold no data.
class TPatchData {
public:
    static constexpr int BufferSize =
        TDumpSizes::HeaderSlot + 6 * TDumpSizes::DataSlot + TDumpSizes::LastSlot;

    /// Offset of the name's first byte in data packet 1, and its length.
    static constexpr int NameOffset = 9;
    static constexpr int NameLength = 16;

    /// Zero all slots.
    void Clear() { FBytes.fill(0); }
    void CopyTo(TPatchData& dest) const { dest.FBytes = FBytes; }

    /// The whole slot of packet p: 0 the header, 1..7 the data packets.
    std::span<uint8_t> Slot(int p);
    std::span<const uint8_t> Slot(int p) const;
    /// The packet p as long as the sizes make it (always within its slot).
    std::span<uint8_t> Packet(int p, const TDumpSizes& sizes) {
        return Slot(p).first(sizes.PacketSize(p));
    }
    std::span<const uint8_t> Packet(int p, const TDumpSizes& sizes) const {
        return Slot(p).first(sizes.PacketSize(p));
    }

    /// Reads the eight packets with the given lengths from the reader's position. Ok when each
    /// ends in F7, else UnframedPacket for the first one that does not, or that the reader
    /// cannot deliver whole; the packets before it stay read.
    TReadResult ReadPackets(TByteReader& in, const TDumpSizes& sizes);

    /// The test before a file is loaded: reads the first dump into this buffer and checks its
    /// framing and the E-mu and Proteus ids, telling the person what is wrong. Ok when the file
    /// starts with a dump of this synth (the reader is then back at the start).
    TReadResult CheckDumpFile(TByteReader& in, bool rewind, TPatchContext& ctx);

    /// Whether every packet, at these lengths, is framed as the synth frames it: F0 18 0F dd
    /// 55 at its start and F7 at its end. Only such a dump is written to a file.
    bool Framed(const TDumpSizes& sizes) const;
    /// One packet of a preset dump as the synth frames it: F0 18 0F, any device id, 55, and
    /// F7 as its last byte.
    static bool PacketFramed(std::span<const uint8_t> packet);

    /// Equal apart from the name, the header and the bytes the comparison leaves out.
    bool SameIgnoringName(const TPatchData& other, const TDumpSizes& sizes) const;
    /// A hash of exactly the bytes SameIgnoringName compares: equal patches hash equal.
    uint64_t CompareHash(const TDumpSizes& sizes) const;

    /// The whole buffer, slot after slot.
    std::span<const uint8_t> Bytes() const { return FBytes; }

private:
    std::array<uint8_t, BufferSize> FBytes{};
};

} // namespace velcora
