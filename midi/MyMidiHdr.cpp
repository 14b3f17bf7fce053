#include "MyMidiHdr.h"

namespace velcora {

TMyMidiHdr::TMyMidiHdr(uint16_t size)
    : FSize(size), FData(size > 0 ? std::make_unique<uint8_t[]>(size) : nullptr) {
    FHeader.Data = FData.get();
    FHeader.BufferLength = size;
    FHeader.User = reinterpret_cast<uintptr_t>(this);
}

} // namespace velcora
