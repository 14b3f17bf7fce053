#include "BuiltInBlank.h"

#include "ByteStream.h"
#include "ShippedBlanks.h"

#include <algorithm>
#include <iterator>

namespace velcora {

namespace {

constexpr int FrameBytes = 9; // F0 18 0F dd 55 10, packet code, packet number, one more

// The shipped dumps in the order ShippedBlankFiles gives them, and their model classes.
constexpr TModelClass ShippedClasses[] = {TModelClass::Audity, TModelClass::Proteus,
                                          TModelClass::CommandStation};

TPatchData Shipped(size_t i) {
    TPatchData dump;
    TByteReader in(ShippedBlankFiles()[i]);
    dump.ReadPackets(in, TDumpSizes::ForModelClass(ShippedClasses[i]));
    return dump;
}

// How well a shipped layout suits the sizes: the long packets count most, since they carry
// nearly all the data, then the last packet.
int Likeness(const TDumpSizes& shipped, const TDumpSizes& sizes) {
    return (shipped.BlockSize(1) == sizes.BlockSize(1) ? 2 : 0) +
           (shipped.BlockSize(7) == sizes.BlockSize(7) ? 1 : 0);
}

} // namespace

TPatchData BuiltInBlankDump(const TDumpSizes& sizes) {
    size_t best = 1; // the Proteus 2000 layout, which unknown models share
    for (size_t i = 0; i < std::size(ShippedClasses); ++i) {
        const TDumpSizes own = TDumpSizes::ForModelClass(ShippedClasses[i]);
        if (own == sizes) {
            return Shipped(i);
        }
        if (Likeness(own, sizes) >
            Likeness(TDumpSizes::ForModelClass(ShippedClasses[best]), sizes)) {
            best = i;
        }
    }

    const TPatchData source = Shipped(best);
    const TDumpSizes from = TDumpSizes::ForModelClass(ShippedClasses[best]);
    TPatchData dump;
    auto header = dump.Slot(0);
    const auto sourceHeader = source.Slot(0);
    std::copy(sourceHeader.begin(), sourceHeader.end(), header.begin());
    const int count = sizes.DataByteCount();
    for (int i = 0; i < 4; ++i) {
        header[static_cast<size_t>(9 + i)] = static_cast<uint8_t>((count >> (7 * i)) & 0x7F);
    }
    for (int k = 1; k <= 7; ++k) {
        const auto in = source.Packet(k, from);
        auto out = dump.Packet(k, sizes);
        std::copy_n(in.begin(), FrameBytes, out.begin());
        const size_t data = std::min(in.size(), out.size()) - 11;
        std::copy_n(in.begin() + FrameBytes, data, out.begin() + FrameBytes);
        // The checksum of other data is unknown: marked, as the synth accepts it.
        out[out.size() - 2] = 0x7F;
        out[out.size() - 1] = 0xF7;
    }
    return dump;
}

} // namespace velcora
