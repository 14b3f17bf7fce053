#pragma once

#include <string>
#include <string_view>

namespace velcora {

/// The text as it may stand in a dump's name: every byte printable 7-bit ASCII (20h..7Eh).
/// Accented Windows-1252 letters lose their accent, a no-break space becomes a space, and
/// every other byte becomes "?". One character per byte, so the name keeps its length.
std::string SevenBitName(std::string_view text);

} // namespace velcora
