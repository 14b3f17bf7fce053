#include "Patchdata.h"

#include "ByteStream.h"
#include "Dialogs.h"
#include "PatchContext.h"
#include "PatchMessages.h"

#include <cstring>

namespace velcora {

namespace {

constexpr size_t SlotOffset(int p) {
    return p == 0 ? 0
                  : static_cast<size_t>(TDumpSizes::HeaderSlot + (p - 1) * TDumpSizes::DataSlot);
}

constexpr size_t SlotSize(int p) {
    return p == 0 ? TDumpSizes::HeaderSlot : p == 7 ? TDumpSizes::LastSlot : TDumpSizes::DataSlot;
}

// The compared ranges, as [first, last] packet offsets, for packets 1..7.
struct TRange {
    int First;
    int Last;
    /// Number of bytes compared; none when a short first packet ends inside the name.
    size_t Length() const { return Last < First ? 0 : static_cast<size_t>(Last - First + 1); }
};

TRange ComparedRange(int k, const TDumpSizes& sizes) {
    // Every packet stops one byte before its last data byte (offset 251 in a 255-byte
    // packet), so the checksum is never compared: a renamed copy, whose checksums are marked
    // or cover another name, stays equal in every packet layout.
    const int last = sizes.BlockSize(k) - 4;
    return {k == 1 ? TPatchData::NameOffset + TPatchData::NameLength : 9, last};
}

} // namespace

std::span<uint8_t> TPatchData::Slot(int p) {
    return std::span<uint8_t>(FBytes).subspan(SlotOffset(p), SlotSize(p));
}

std::span<const uint8_t> TPatchData::Slot(int p) const {
    return std::span<const uint8_t>(FBytes).subspan(SlotOffset(p), SlotSize(p));
}

TReadResult TPatchData::ReadPackets(TByteReader& in, const TDumpSizes& sizes) {
    for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
        auto packet = Packet(p, sizes);
        // A short read leaves the slot as it was; the old bytes must not pass for a frame.
        if (!in.ReadExact(packet) || packet.back() != 0xF7) {
            return UnframedPacket(p);
        }
    }
    return TReadResult::Ok;
}

TReadResult TPatchData::CheckDumpFile(TByteReader& in, bool rewind, TPatchContext& ctx) {
    if (rewind) {
        in.Seek(0);
    }
    const TReadResult code = ReadPackets(in, ctx.Sizes);
    if (code != TReadResult::Ok) {
        ctx.Dialogs.MessageBox(TMessageKind::Warning, msg::DifferentSynth, TButtons::Ok);
        return code;
    }
    if (FBytes[1] == 0x18 && FBytes[2] == 0x0F) {
        in.Seek(0);
        return TReadResult::Ok;
    }
    if (!ctx.QuietLoad) {
        ctx.Dialogs.MessageBox(TMessageKind::Error, msg::NotProteusFile, TButtons::Ok);
    }
    return TReadResult::NotEmu;
}

bool TPatchData::PacketFramed(std::span<const uint8_t> packet) {
    return packet.size() > 5 && packet[0] == 0xF0 && packet[1] == 0x18 && packet[2] == 0x0F &&
           packet[4] == 0x55 && packet.back() == 0xF7;
}

bool TPatchData::Framed(const TDumpSizes& sizes) const {
    for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
        if (!PacketFramed(Packet(p, sizes))) {
            return false;
        }
    }
    return true;
}

bool TPatchData::SameIgnoringName(const TPatchData& other, const TDumpSizes& sizes) const {
    for (int k = 1; k <= 7; ++k) {
        const TRange r = ComparedRange(k, sizes);
        const size_t at = SlotOffset(k) + static_cast<size_t>(r.First);
        const size_t len = r.Length();
        if (std::memcmp(FBytes.data() + at, other.FBytes.data() + at, len) != 0) {
            return false;
        }
    }
    return true;
}

uint64_t TPatchData::CompareHash(const TDumpSizes& sizes) const {
    // Four independent multiply-xor lanes over 8-byte words: one pass over the compared
    // bytes at memory speed, cheap enough to run on every patch of a full library.
    constexpr uint64_t Prime = 0x9E3779B97F4A7C15ull;
    uint64_t lane[4] = {0x243F6A8885A308D3ull, 0x13198A2E03707344ull, 0xA4093822299F31D0ull,
                        0x082EFA98EC4E6C89ull};
    auto mix = [](uint64_t h, uint64_t v) {
        h ^= v * Prime;
        h = (h << 31) | (h >> 33);
        return h * 0xC2B2AE3D27D4EB4Full;
    };
    for (int k = 1; k <= 7; ++k) {
        const TRange r = ComparedRange(k, sizes);
        const uint8_t* p = FBytes.data() + SlotOffset(k) + r.First;
        size_t len = r.Length();
        while (len >= 32) {
            for (int i = 0; i < 4; ++i) {
                uint64_t w;
                std::memcpy(&w, p + 8 * i, 8);
                lane[i] = mix(lane[i], w);
            }
            p += 32;
            len -= 32;
        }
        while (len >= 8) {
            uint64_t w;
            std::memcpy(&w, p, 8);
            lane[0] = mix(lane[0], w);
            p += 8;
            len -= 8;
        }
        uint64_t tail = 0;
        std::memcpy(&tail, p, len);
        lane[1] = mix(lane[1], tail ^ (static_cast<uint64_t>(k) << 56));
    }
    uint64_t h = lane[0] ^ (lane[1] * 3) ^ (lane[2] * 5) ^ (lane[3] * 7);
    h ^= h >> 29;
    return h * Prime;
}

} // namespace velcora
