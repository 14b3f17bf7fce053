#pragma once

#include <cstdint>

namespace velcora {

/// Result codes of the driver operations. The values are those of the Windows multimedia MIDI
/// services, because the ports' error texts are keyed by them; a driver may add its own codes
/// from TMidiResult::DriverBase on, for which it supplies the text.
namespace TMidiResult {
inline constexpr uint32_t NoError = 0;
inline constexpr uint32_t Error = 1;
inline constexpr uint32_t BadDeviceId = 2;
inline constexpr uint32_t Allocated = 4;
inline constexpr uint32_t InvalHandle = 5;
inline constexpr uint32_t NoDriver = 6;
inline constexpr uint32_t NoMem = 7;
inline constexpr uint32_t InvalParam = 11;
inline constexpr uint32_t Unprepared = 64;
inline constexpr uint32_t StillPlaying = 65;
inline constexpr uint32_t NotReady = 67;
inline constexpr uint32_t BadOpenMode = 70;
inline constexpr uint32_t DriverBase = 1000;
} // namespace TMidiResult

/// Messages a driver passes to the port callback, and the notifications the callback posts to
/// a port (the same numbers as the Windows MIDI services use).
namespace TMidiMessage {
inline constexpr uint32_t InData = 0x3C3;      ///< short message; param1 packed, param2 time
inline constexpr uint32_t InLongData = 0x3C4;  ///< SysEx buffer returned; param1 its header
inline constexpr uint32_t InError = 0x3C5;     ///< malformed short message
inline constexpr uint32_t InLongError = 0x3C6; ///< SysEx buffer with invalid data
inline constexpr uint32_t OutDone = 0x3C9;     ///< output SysEx buffer sent; param1 its header
inline constexpr uint32_t Overflow = 0x400;    ///< notification only: the ring was full
} // namespace TMidiMessage

} // namespace velcora
