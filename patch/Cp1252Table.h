#pragma once

#include <array>

namespace velcora {

/// Windows-1252's characters for the bytes 80..9F, where the set differs from Latin-1; 0 marks
/// the five bytes it leaves unassigned. Names and notes are held in this set, one byte each.
inline constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace velcora
