#pragma once

#include <cstdint>

namespace velcora {

/// The value both 7-bit preset-number bytes of a dump or a dump request take to address the
/// synth's edit buffer instead of a slot; also what files that hold no slot (libraries,
/// single patches) write there.
inline constexpr uint8_t EditBufferNumber = 127;

} // namespace velcora
