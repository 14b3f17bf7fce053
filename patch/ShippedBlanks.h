#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace velcora {

/// The default blank presets of assets/, as built into the program: "Default Audity.syx",
/// "Default Composer.syx" and "Default XL-2.syx", one edit-buffer dump each at the sizes of
/// model class 1, 2 and 3.
std::array<std::span<const uint8_t>, 3> ShippedBlankFiles();

} // namespace velcora
