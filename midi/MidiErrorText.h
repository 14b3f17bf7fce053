#pragma once

#include <cstdint>
#include <string>

namespace velcora {

/// The platform's text for a standard result code (TMidiResult); false for any other code.
bool StandardMidiErrorText(uint32_t code, std::string& text);

} // namespace velcora
