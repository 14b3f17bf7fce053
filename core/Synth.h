#pragma once

#include "SysexMessages.h"

#include <array>
#include <string>

namespace velcora {

/// One sound ROM of the synth, as its hardware configuration reports it.
struct TRomRec {
    int Id = 0;        ///< 14-bit ROM id
    int BankCount = 0; ///< number of 128-preset banks
    int InstrumentCount = 0;
    std::string Name; ///< from the ROM table
};

/// What the connected synth has told about itself, and its settings. Every field is zero or
/// empty until the first identification. The device id, the preset dump sizes and the last
/// all-banks file live in the workspace's patch context, where the patch layer reads them.
struct TSynth {
    static constexpr int MaxRoms = 4;
    /// Entries of FileNames.
    enum TFileName {
        UserBank0 = 0,
        RomBankFile = 4,
        PatchLibFile = 5,
        BlankFile = 6,
        EditFile = 7
    };

    int RomCount = 0;
    std::array<TRomRec, MaxRoms> Roms{};
    std::string ModelName;
    int ModelClass = 0;
    std::string Version;
    /// Settings section of this synth: model name, "_", device id in decimal.
    std::string Section;
    std::array<std::string, 8> FileNames{};
    int TotalParam = 0;
    bool SizesMeasured = false;
    int TimeBetweenSysex = 0;
    int TimeBetweenPatches = 0;
};

} // namespace velcora
