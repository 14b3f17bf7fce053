#pragma once

#include <cstdint>
#include <memory>

namespace velcora {

/// One MIDI event taken from an input port or given to an output port: a short message, or a
/// block of SysEx bytes (StatusByte 0xF0, both data bytes 0).
struct TMyMidiEvent {
    uint8_t StatusByte = 0;
    uint8_t DataByte1 = 0;
    uint8_t DataByte2 = 0;
    /// The driver's timestamp: milliseconds since input was started.
    uint32_t TimeStamp = 0;
    /// Number of SysEx bytes; 0 for a short message.
    uint16_t SysexByteCount = 0;
    /// The SysEx bytes, or null.
    std::unique_ptr<uint8_t[]> SysexBytes;
};

/// Packs a short message as the drivers carry it: status in bits 0-7, first data byte in
/// bits 8-15, second in bits 16-23.
constexpr uint32_t PackShortMsg(uint8_t status, uint8_t data1, uint8_t data2) {
    return uint32_t(status) | (uint32_t(data1) << 8) | (uint32_t(data2) << 16);
}

/// Number of bytes a short message with this status byte has on the wire; 0 when the byte
/// cannot start a short message (a data byte, or the SysEx framing bytes).
constexpr int ShortMsgLength(uint8_t status) {
    if (status < 0x80 || status == 0xF0 || status == 0xF7) {
        return 0;
    }
    if (status < 0xF0) {
        const uint8_t kind = status & 0xF0;
        return (kind == 0xC0 || kind == 0xD0) ? 2 : 3;
    }
    if (status == 0xF1 || status == 0xF3) {
        return 2;
    }
    if (status == 0xF2) {
        return 3;
    }
    return 1;
}

} // namespace velcora
