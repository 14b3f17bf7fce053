#include "DumpSizes.h"

namespace velcora {

TDumpSizes TDumpSizes::ForModelClass(int modelClass) {
    switch (modelClass) {
    case 1:
        return TDumpSizes(36, {255, 255, 255, 255, 255, 255, 39});
    case 3:
        return TDumpSizes(36, {253, 253, 253, 253, 253, 253, 61});
    default: // class 2 and anything not recognised
        return TDumpSizes(36, {255, 255, 255, 255, 255, 255, 41});
    }
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
