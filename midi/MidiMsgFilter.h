#pragma once

#include <cstdint>
#include <initializer_list>

namespace velcora {

/// One-byte real-time messages an input port can drop.
enum class TMidiMsg : uint8_t {
    msgActiveSensing, ///< 0xFE
    msgMidiTimeCode,  ///< 0xF8 (Timing Clock; not 0xF1)
};

/// A set of TMidiMsg.
class TMidiMsgFilter {
public:
    constexpr TMidiMsgFilter() = default;
    constexpr TMidiMsgFilter(std::initializer_list<TMidiMsg> members) {
        for (TMidiMsg m : members) {
            FBits |= Bit(m);
        }
    }

    constexpr bool Contains(TMidiMsg m) const { return (FBits & Bit(m)) != 0; }
    constexpr bool operator==(const TMidiMsgFilter&) const = default;

private:
    static constexpr uint8_t Bit(TMidiMsg m) { return uint8_t(1u << uint8_t(m)); }
    uint8_t FBits = 0;
};

} // namespace velcora
