#include "DumpSizes.h"

#include "Patchdata.h"

namespace velcora {

TDumpSizes TDumpSizes::ForModelClass(TModelClass modelClass) {
    switch (modelClass) {
    case TModelClass::Audity:
        return TDumpSizes(36, {255, 255, 255, 255, 255, 255, 39});
    case TModelClass::CommandStation:
        return TDumpSizes(36, {253, 253, 253, 253, 253, 253, 61});
    case TModelClass::Proteus:
    case TModelClass::Unknown:
        break;
    }
    return TDumpSizes(36, {255, 255, 255, 255, 255, 255, 41});
}

std::optional<TDumpSizes> TDumpSizes::Make(int head, const std::array<int, 7>& blocks) {
    // The header's fixed fields run up to offset 35, so only the full header fits.
    if (head != HeaderSlot) {
        return std::nullopt;
    }
    for (size_t i = 0; i < blocks.size(); ++i) {
        const int slot = i == 6 ? LastSlot : DataSlot;
        const int least = i == 0 ? MinFirstPacket : MinDataPacket;
        if (blocks[i] < least || blocks[i] > slot) {
            return std::nullopt;
        }
    }
    return TDumpSizes(head, blocks);
}

std::optional<TDumpSizes> TDumpSizes::Measure(const TPatchData& dump) {
    std::array<int, PacketCount> lengths{};
    for (int p = 0; p < PacketCount; ++p) {
        const auto slot = dump.Slot(p);
        int length = 0;
        for (size_t i = 0; i < slot.size(); ++i) {
            if (slot[i] == 0xF7) {
                length = static_cast<int>(i) + 1;
                break;
            }
        }
        if (length == 0) {
            return std::nullopt;
        }
        lengths[static_cast<size_t>(p)] = length;
    }
    return Make(lengths[0], {lengths[1], lengths[2], lengths[3], lengths[4], lengths[5], lengths[6],
                             lengths[7]});
}

TDumpSizes TDumpSizes::WithByteCount(uint32_t dataBytes) const {
    TDumpSizes s = *this;
    switch (dataBytes) {
    case 1492:
        s.FBlocks[6] = 39;
        break;
    case 1494:
        s.FBlocks[6] = 41;
        break;
    case 1502:
        s.FBlocks[6] = 61;
        break;
    default:
        break;
    }
    return s;
}

int TDumpSizes::TotalSize() const {
    int total = FHead;
    for (int b : FBlocks) {
        total += b;
    }
    return total;
}

int TDumpSizes::DataByteCount() const {
    int total = 0;
    for (int b : FBlocks) {
        total += b - 11;
    }
    return total;
}

} // namespace velcora
