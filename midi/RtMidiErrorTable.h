#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace velcora {

/// Gives each distinct RtMidi error text a result code of its own (from
/// TMidiResult::DriverBase on), so that a port can turn the code back into the text.
class TRtMidiErrorTable {
public:
    uint32_t CodeFor(const std::string& text);
    bool Text(uint32_t code, std::string& text) const;

private:
    mutable std::mutex FLock;
    std::vector<std::string> FTexts;
};

} // namespace velcora
