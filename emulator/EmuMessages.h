#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

// The synth's side of the E-mu Proteus family SysEx dialogue: one builder and one parser per
// message, pure functions over byte spans. Parsers take a complete message (F0 .. F7) and
// answer nothing when any byte is out of place, so that the synth never acts on a message it
// only half understood.
namespace velcora::emu {

using TBytes = std::vector<uint8_t>;
using TView = std::span<const uint8_t>;

inline constexpr uint8_t kSysex = 0xF0;
inline constexpr uint8_t kEox = 0xF7;
inline constexpr uint8_t kEmuId = 0x18;
inline constexpr uint8_t kProteusId = 0x0F;
inline constexpr uint8_t kEditorByte = 0x55;
inline constexpr uint8_t kBroadcastId = 0x7F;
/// The preset number 7F 7F (14-bit -1) addresses the edit buffer.
inline constexpr uint16_t kEditBufferPreset = 0x3FFF;

/// Editor commands (byte 5 of an E-mu message).
enum TCommand : uint8_t {
    cmdParamEdit = 0x01,
    cmdParamRequest = 0x02,
    cmdHwConfig = 0x09,
    cmdHwConfigRequest = 0x0A,
    cmdPresetDump = 0x10,
    cmdPresetDumpRequest = 0x11,
    cmdError = 0x70,
    cmdRandomize = 0x71,
    cmdEof = 0x7B,
    cmdWait = 0x7C,
    cmdCancel = 0x7D,
    cmdNak = 0x7E,
    cmdAck = 0x7F,
};

/// Preset dump sub-commands (byte 6).
enum TDumpSub : uint8_t {
    subHeaderClosed = 0x01,
    subDataClosed = 0x02,
    subHeaderOpen = 0x03,
    subDataOpen = 0x04,
};

/// Preset dump request sub-commands (byte 6).
enum TRequestSub : uint8_t {
    subRequestClosed = 0x02,
    subRequestOpen = 0x04,
};

inline constexpr size_t kHeaderSize = 36;
/// Bytes of a data packet around its data: six of frame, two of packet number, checksum, F7.
inline constexpr size_t kPacketOverhead = 11;
/// Bytes 13..32 of the header: the parameter counts of the dump's sections.
inline constexpr size_t kHeaderCountsSize = 20;

/// Both 7-bit halves of a 14-bit number, low first.
constexpr uint8_t Lo7(uint16_t value) {
    return uint8_t(value & 0x7F);
}
constexpr uint8_t Hi7(uint16_t value) {
    return uint8_t((value >> 7) & 0x7F);
}
constexpr uint16_t Join14(uint8_t low, uint8_t high) {
    return uint16_t(low | (high << 7));
}

/// A whole SysEx message: F0 first, F7 last, only 7-bit bytes between.
bool IsSysex(TView message);

/// The device id and command of an editor message F0 18 0F dd 55 cc .. F7.
struct TEmuAddress {
    uint8_t DeviceId = 0;
    uint8_t Command = 0;
};
std::optional<TEmuAddress> ParseEmuMessage(TView message);
/// Whether a synth with this device id takes a message sent to target (its own id or 7F).
constexpr bool AddressedTo(uint8_t target, uint8_t deviceId) {
    return target == deviceId || target == kBroadcastId;
}

/// Device Inquiry F0 7E dd 06 01 F7: answers dd.
std::optional<uint8_t> ParseDeviceInquiry(TView message);
TBytes BuildDeviceInquiry(uint8_t deviceId = kBroadcastId);
/// Identity reply F0 7E dd 06 02 18 04 04 mm mm v v v v F7.
TBytes BuildIdentityReply(uint8_t deviceId, uint16_t memberCode,
                          const std::array<char, 4>& version);

/// One sound ROM as the hardware configuration lists it.
struct TRomInfo {
    uint16_t Id = 0;
    uint16_t Presets = 0;
    uint16_t Instruments = 0;
};
TBytes BuildHwConfigRequest(uint8_t deviceId);
TBytes BuildHwConfig(uint8_t deviceId, uint16_t userPresets, std::span<const TRomInfo> roms);

/// Parameter value request 55 02 nn <ids>: the parameter ids.
std::optional<std::vector<uint16_t>> ParseParamRequest(TView message);
TBytes BuildParamRequest(uint8_t deviceId, std::span<const uint16_t> ids);
/// Parameter value edit 55 01 nn <id, value pairs>.
using TParamValue = std::pair<uint16_t, uint16_t>;
std::optional<std::vector<TParamValue>> ParseParamEdit(TView message);
TBytes BuildParamEdit(uint8_t deviceId, std::span<const TParamValue> values);

/// Preset Dump Request 55 11 ss pp pp rr rr.
struct TDumpRequest {
    bool ClosedLoop = false;
    uint16_t Preset = 0;
    uint16_t RomId = 0;
};
std::optional<TDumpRequest> ParseDumpRequest(TView message);
TBytes BuildDumpRequest(uint8_t deviceId, const TDumpRequest& request);

/// Preset dump header 55 10 01|03 (36 bytes).
struct TDumpHeader {
    bool ClosedLoop = false;
    uint16_t Preset = 0;
    uint32_t ByteCount = 0;
    std::array<uint8_t, kHeaderCountsSize> Counts{};
    uint16_t RomId = 0;
};
std::optional<TDumpHeader> ParseDumpHeader(TView message);
TBytes BuildDumpHeader(uint8_t deviceId, const TDumpHeader& header);

/// Preset dump data packet 55 10 02|04 pp pp <data> cs F7. Data views into the message.
struct TDumpPacket {
    bool ClosedLoop = false;
    uint16_t Number = 0;
    TView Data;
    uint8_t Checksum = 0;
};
std::optional<TDumpPacket> ParseDumpPacket(TView message);
TBytes BuildDumpPacket(uint8_t deviceId, bool closedLoop, uint16_t number, TView data);
/// One's complement of the sum of the data bytes, low 7 bits.
uint8_t Checksum(TView data);
/// The packet's checksum matches its data, or is 7F, which asks the receiver not to check.
bool ChecksumAccepted(const TDumpPacket& packet);

/// Handshake: ACK and NAK carry a packet number, CANCEL, WAIT and EOF nothing.
struct THandshake {
    uint8_t Command = 0;
    uint16_t Packet = 0;
};
std::optional<THandshake> ParseHandshake(TView message);
TBytes BuildHandshake(uint8_t deviceId, uint8_t command, uint16_t packet = 0);

/// Randomize Preset 55 71 pp pp rr rr.
struct TRandomize {
    uint16_t Preset = 0;
    uint16_t RomId = 0;
};
std::optional<TRandomize> ParseRandomize(TView message);
TBytes BuildRandomize(uint8_t deviceId, const TRandomize& randomize);

/// Error message 55 70 cc cc ss ss: the command that failed and its sub-command or parameter.
TBytes BuildErrorMessage(uint8_t deviceId, uint16_t command, uint16_t detail);

} // namespace velcora::emu
