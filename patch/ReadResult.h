#pragma once

namespace velcora {

/// What reading a preset dump found. The values are the readers' long-standing codes: the
/// header or data packet k that was not framed or not whole gives -(k + 1).
enum class TReadResult {
    Ok = 0,
    HeaderUnframed = -1,
    Packet1Unframed = -2,
    Packet2Unframed = -3,
    Packet3Unframed = -4,
    Packet4Unframed = -5,
    Packet5Unframed = -6,
    Packet6Unframed = -7,
    Packet7Unframed = -8,
    NotEmu = -100, ///< framed, but not a dump of an E-mu Proteus-family synth
};

/// The result for packet p (0 the header, 1..7 the data packets) not framed or not whole.
constexpr TReadResult UnframedPacket(int p) {
    return static_cast<TReadResult>(-(p + 1));
}

} // namespace velcora
