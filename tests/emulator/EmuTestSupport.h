#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace velcora::test {

/// Bytes from hexadecimal pairs separated by blanks: "F0 7E 7F 06 01 F7".
inline std::vector<uint8_t> Hex(std::string_view text) {
    std::vector<uint8_t> bytes;
    std::istringstream in{std::string(text)};
    std::string pair;
    while (in >> pair) {
        bytes.push_back(uint8_t(std::stoul(pair, nullptr, 16)));
    }
    return bytes;
}

/// Bytes as hexadecimal pairs, for readable failure messages.
inline std::string ToHex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) {
        if (!text.empty()) {
            text.push_back(' ');
        }
        text.push_back(digits[b >> 4]);
        text.push_back(digits[b & 15]);
    }
    return text;
}

} // namespace velcora::test
