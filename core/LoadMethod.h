#pragma once

namespace velcora {

/// How a ROM bank is fetched; the values are the items of the method choice.
enum class TLoadMethod {
    EditBuffer = 0, ///< bank select and program changes, each preset read from the edit buffer
    DirectRom = 1,  ///< a dump request naming the ROM and the preset
};

} // namespace velcora
