#pragma once

#include "DumpSizes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velcora::sysex {

// The messages that cross the wire between the program and the synth, built and read by
// pure functions. Every built SysEx message ends in F7.

using TBytes = std::vector<uint8_t>;

/// F0 7E 7F 06 01 F7: who is there?
TBytes DeviceInquiry();
TBytes HardwareConfigRequest(uint8_t deviceId);
/// Sets parameter 138 to 0, as the program does once a synth is first seen.
TBytes InitialParameter(uint8_t deviceId);
/// Asks for parameter 139, the basic channel.
TBytes ChannelRequest(uint8_t deviceId);
/// Preset (pl, pm); rl, rm carry a ROM id while a ROM bank is fetched directly.
TBytes PresetDumpRequest(uint8_t deviceId, uint8_t pl, uint8_t pm, uint8_t rl = 0, uint8_t rm = 0);
TBytes EditBufferRequest(uint8_t deviceId);
/// Sets parameters 899 to 914 to the 16 characters of the name (padded with spaces).
TBytes PresetNameEdit(uint8_t deviceId, const std::string& name);
TBytes Randomize(uint8_t deviceId);

// Short messages; channel 0..15 (higher bits are masked off).
std::array<uint8_t, 2> ProgramChange(uint8_t channel, uint8_t program);
/// Bank select MSB then LSB.
std::array<std::array<uint8_t, 3>, 2> BankSelect(uint8_t channel, uint8_t msb, uint8_t lsb);

/// The values of the bank select pair (Control Change 0, then 32) that choose a bank on the
/// synth before a Program Change, as they go out on the wire (7 bits each). A patch-name
/// document for a sequencer must carry the very values the program sends, so both take them
/// from here.
struct TBankSelectValues {
    uint8_t Msb = 0; ///< Control Change 0
    uint8_t Lsb = 0; ///< Control Change 32
    bool operator==(const TBankSelectValues&) const = default;
};
/// User bank 0..3: 0, then the bank.
TBankSelectValues UserBankSelect(int userBank);
/// A bank of a sound ROM: the ROM's id, then the ROM's bank number.
TBankSelectValues RomBankSelect(int romId, int romBankNo);
std::array<uint8_t, 3> AllSoundOff(uint8_t channel);

/// The length of a SysEx message as the send path takes it: up to and including its first
/// F7. A message without F7 is not complete and gives nothing.
std::optional<size_t> SysexLength(std::span<const uint8_t> message);

/// An E-mu Proteus-family message (bytes 1 and 2 are 18 0F) for this device id; device id
/// 7F takes every device's messages.
bool IsEmuMessage(std::span<const uint8_t> message);
bool AcceptedFrom(std::span<const uint8_t> message, uint8_t deviceId);

struct TIdentity {
    uint8_t DeviceId = 0;
    uint8_t MemberCode = 0;
    std::string Version; ///< four characters
};
/// F0 7E dd 06 02 18 04 04 mm xx v v v v F7, any device id.
std::optional<TIdentity> ParseIdentityReply(std::span<const uint8_t> message);

struct TRomEntry {
    int Id = 0;
    int PresetCount = 0;
    int InstrumentCount = 0;
    int BankCount() const { return PresetCount / 128; }
};
struct THardwareConfig {
    int RomCount = 0;            ///< as reported
    std::vector<TRomEntry> Roms; ///< the entries the message holds whole
};
/// F0 18 0F dd 55 09 ... F7: byte 9 the ROM count, byte 10 the bytes per entry, entries from
/// byte 11. Entries that would run past the message are not taken.
std::optional<THardwareConfig> ParseHardwareConfig(std::span<const uint8_t> message);

/// The basic channel of a channel reply (bytes 7 and 8 are 0B 01), 0..15.
std::optional<uint8_t> ParseChannelReply(std::span<const uint8_t> message);

/// The data byte count a preset dump header announces (bytes 9 to 12, 7 bits each).
std::optional<uint32_t> DumpHeaderByteCount(std::span<const uint8_t> header);

/// F0 18 0F dd 55 10 ...: one message of a preset dump, at least as long as a header's
/// fixed part.
bool IsPresetDump(std::span<const uint8_t> message);
/// The slot a preset dump message is stored in: 0 for the header (byte 6 is 03 and it fits
/// the header slot), otherwise the packet number in byte 7, 1..7, when the message fits that
/// packet's slot. Empty for a message that fits no slot.
std::optional<int> DumpPacketNumber(std::span<const uint8_t> message);
/// Whether a dump packet came whole: its last byte is F7 and every byte between the first
/// and the last is a data byte. A status byte inside means bytes were lost, and the lengths
/// of packets are measured up to their first F7.
bool DumpPacketWhole(std::span<const uint8_t> packet);
/// The dump sizes eight gathered packets make (lengths: header first, F0 to F7), when they
/// are usable dump sizes and carry the data byte count the header announces, which a packet
/// cut short cannot. Empty otherwise.
std::optional<TDumpSizes>
GatheredDumpSizes(std::span<const uint8_t> header,
                  const std::array<int, TDumpSizes::PacketCount>& lengths);

/// F0 18 0F dd 55 7D ...: the synth cancelled.
bool IsCancel(std::span<const uint8_t> message);

} // namespace velcora::sysex

namespace velcora::sysex {

// Closed-loop sends: each packet of a dump is answered by the synth before the next leaves.

/// The synth's answers to a closed-loop packet, and the sender's end of file.
enum class THandshakeKind : uint8_t {
    Ack = 0x7F,
    Nak = 0x7E,
    Cancel = 0x7D,
    Wait = 0x7C,
    Eof = 0x7B
};
struct THandshake {
    THandshakeKind Kind = THandshakeKind::Ack;
    int Packet = 0; ///< ACK and NAK: the packet answered (0 the header); 0 for the others
};
/// F0 18 0F dd 55 cc [pp pp] F7 from this device id (7F: any). The device id and the 55 are
/// also taken the other way round, as one printed example of the ACK has them.
std::optional<THandshake> ParseHandshake(std::span<const uint8_t> message, uint8_t deviceId);
/// CANCEL or EOF as the program sends them: F0 18 0F dd 55 cc F7.
TBytes Handshake(uint8_t deviceId, THandshakeKind kind);
/// The closed-loop copy of a stored dump message (up to its first F7), of either kind: the
/// header's sub-command becomes 01, a data packet's 02, with the real checksum (one's
/// complement of the sum of its data bytes, low 7 bits). Empty for a message that is neither.
std::optional<TBytes> ClosedLoopPacket(std::span<const uint8_t> message);
/// The packet number a closed-loop packet carries: 0 for the header, else bytes 7 and 8.
int ClosedLoopPacketNumber(std::span<const uint8_t> packet);

} // namespace velcora::sysex
