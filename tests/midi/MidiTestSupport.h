#pragma once

#include "TestApp.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace velcora::test {

/// Runs the event loop for a while, for checks that something does not happen.
inline void PumpFor(std::chrono::milliseconds time) {
    PumpUntil([] { return false; }, time);
}

/// A SysEx message of the given length (at least 2): F0, a counting pattern that depends on
/// seed, F7.
inline std::vector<uint8_t> MakeSysex(size_t length, uint8_t seed = 0) {
    std::vector<uint8_t> bytes(length);
    bytes.front() = 0xF0;
    for (size_t i = 1; i + 1 < length; ++i) {
        bytes[i] = uint8_t((i * 7 + seed) & 0x7F);
    }
    bytes.back() = 0xF7;
    return bytes;
}

} // namespace velcora::test
