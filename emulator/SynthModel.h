#pragma once

#include "EmuMessages.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velcora::emu {

/// One member of the family as the virtual synth plays it: what it says about itself and the
/// shape of its preset dumps.
struct TSynthModel {
    uint16_t MemberCode = 0;
    std::string Name;
    /// 1: Audity-style dumps (last packet 39 bytes), 2: Proteus-style (41), 3: 253-byte packets.
    int Class = 0;
    std::array<char, 4> Version{};
    std::vector<TRomInfo> Roms;
    /// Header bytes 13..32: parameter counts per section, as this model's firmware sends them.
    std::array<uint8_t, kHeaderCountsSize> HeaderCounts{};
    /// Whether a ROM preset's dump names its ROM in header bytes 33-34.
    bool HeaderCarriesRomId = true;
    /// How many bytes data packets 1..6 fall short of the class's length (0 for every model
    /// of the family; see WithShorterPackets).
    size_t PacketShortening = 0;

    /// Length of data packets 1..6.
    size_t PacketSize() const { return (Class == 3 ? 253 : 255) - PacketShortening; }
    /// Data bytes in one preset: 16 name bytes and the 14-bit parameters.
    size_t DataBytes() const;
    /// Data bytes carried by packet k (1..7).
    size_t PacketDataBytes(int k) const;
    /// Whole dump: header and seven packets.
    size_t DumpSize() const { return kHeaderSize + DataBytes() + 7 * kPacketOverhead; }
    /// Direct requests for ROM banks from this one up are cancelled (0: never).
    uint16_t FirstCancelledRomBank() const { return Class == 3 ? 4 : 0; }
    const TRomInfo* FindRom(uint16_t id) const;

    /// A variant of this model whose data packets 1..6 are `bytes` shorter, as a firmware with
    /// fewer common parameters (three for each byte) would send them: the last packet keeps
    /// its length and the header announces the smaller byte count. Throws
    /// std::invalid_argument when the packets would lose more than kMaxPacketShortening.
    TSynthModel WithShorterPackets(size_t bytes) const;
};

/// The most a variant's packets may be shortened: every model keeps common parameters to spare.
inline constexpr size_t kMaxPacketShortening = 12;

inline constexpr uint16_t kUserPresets = 512;
inline constexpr int kUserBanks = 4;
inline constexpr int kBankSlots = 128;

/// The models the virtual synth can be.
std::span<const TSynthModel> SynthModels();
/// A model by member code ("13") or by name, ignoring case, blanks and punctuation ("xl7",
/// "Proteus 2000"); null when none matches.
const TSynthModel* FindSynthModel(std::string_view key);
const TSynthModel& DefaultSynthModel();

} // namespace velcora::emu
