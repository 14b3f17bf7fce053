#pragma once

#include <cstdint>
#include <string>

namespace velcora {

/// What a driver tells about one of its input devices.
struct TMidiInCaps {
    std::string Name;
    uint32_t DriverVersion = 0;
    uint16_t Mid = 0; ///< manufacturer id
    uint16_t Pid = 0; ///< product id
};

/// What a driver tells about one of its output devices.
struct TMidiOutCaps {
    std::string Name;
    uint32_t DriverVersion = 0;
    uint16_t Mid = 0;
    uint16_t Pid = 0;
    uint16_t Technology = 1; ///< 1: a MIDI hardware port
    uint16_t Voices = 0;
    uint16_t Notes = 0;
    uint16_t ChannelMask = 0xFFFF;
    uint32_t Support = 0;
};

} // namespace velcora
