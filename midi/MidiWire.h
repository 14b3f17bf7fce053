#pragma once

#include <chrono>

namespace velcora {

/// How long one byte takes on a MIDI cable: 31250 baud, ten bits a byte (start, eight data
/// bits, stop). Whatever paces messages like a real cable uses this.
inline constexpr std::chrono::microseconds MidiWireByteTime{320};

} // namespace velcora
