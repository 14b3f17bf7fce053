#pragma once

#include "EmuMessages.h"

#include <string>
#include <vector>

namespace velcora::emu {

/// A file the program ships beside itself: its name and its bytes.
struct TBlankPresetFile {
    std::string Name;
    TBytes Bytes;
};

/// The default blank preset of each model class: the initial preset of the class's reference
/// machine (Audity 2000, Proteus 2000, XL-7) as one edit-buffer dump, closed loop as the
/// hardware writes it, device id 0.
std::vector<TBlankPresetFile> BlankPresetFiles();

} // namespace velcora::emu
