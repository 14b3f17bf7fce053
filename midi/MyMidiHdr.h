#pragma once

#include "MidiHeader.h"

#include <cstdint>
#include <memory>

namespace velcora {

/// One SysEx buffer: a driver header and the data block it points to, zero-filled, at a fixed
/// address for as long as it lives. The header's user value leads back to this object.
class TMyMidiHdr {
public:
    /// A buffer of size bytes; a size of 0 has no data block.
    explicit TMyMidiHdr(uint16_t size);
    TMyMidiHdr(const TMyMidiHdr&) = delete;
    TMyMidiHdr& operator=(const TMyMidiHdr&) = delete;

    TMidiHeader& Header() { return FHeader; }
    const TMidiHeader& Header() const { return FHeader; }
    uint16_t Size() const { return FSize; }
    uint8_t* Data() { return FData.get(); }

private:
    TMidiHeader FHeader;
    uint16_t FSize;
    std::unique_ptr<uint8_t[]> FData;
};

} // namespace velcora
