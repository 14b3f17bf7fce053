#pragma once

#include "EmuMessages.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velcora::emu {

/// One preset as the virtual synth holds it: the header's section counts and the dump's data
/// bytes (16 name bytes, then the parameters as 7-bit pairs).
struct TPreset {
    static constexpr size_t kNameBytes = 16;

    std::array<uint8_t, kHeaderCountsSize> Counts{};
    std::vector<uint8_t> Data;

    /// The 16 name bytes as text.
    std::string Name() const;
    /// Writes the name, cut or padded with blanks to 16 characters; bytes outside printable
    /// 7-bit ASCII become blanks.
    void SetName(std::string_view name);

    bool operator==(const TPreset&) const = default;
};

} // namespace velcora::emu
