#pragma once

#include <string>
#include <vector>

namespace velcora::msg {

// Texts of the patch layer's message boxes, shown word for word.

inline const std::string DifferentSynth =
    "This file is for a different synth.\n   Can't load this file for connected synth.";
inline const std::string NotProteusFile = "         Can't load file !\nDoes not appear to be an "
                                          "Proteus 2k\n      or Proteus type sysex file.";
inline const std::string BackupQuestion =
    "   File exists !\n\nShall I make a backup? (*.BAK)\n\n(NO to overwrite)";
/// The all-banks save asks with one line break fewer.
inline const std::string BackupQuestionAllBanks =
    "   File exists !\nShall I make a backup? (*.BAK)\n\n(NO to overwrite)";
inline const std::string CantOpenBank = "Can't open Bank Sysex file.";
inline const std::string SwapTwoInBank = "Can only Swap 2 selected patches in the same bank !";
inline const std::string SwapTwoInLibrary = "Can only Swap 2 selected patches !";

inline const std::string SysexFilter = "Sysex files (*.syx)|*.SYX";
inline const std::string LibraryFilter = "Patch Library files (*.lib)|*.LIB";
inline const std::string LoadPatchTitle = "Load Patch Bank File";
inline const std::string SavePatchTitle = "Save Patch Bank File";
inline const std::string LoadBankTitle = "Load Patch Bank File";
inline const std::string SaveBankTitle = "Save Patch Bank File";
inline const std::string LoadAllTitle = "Load All User Patch Bank Files";
inline const std::string SaveAllTitle = "Save All User  Patch Bank File";
inline const std::string LoadLibraryTitle = "Load Patch Library File";
inline const std::string SaveLibraryTitle = "Save Patch Library File";

// Damaged files: the file is refused whole, so the texts say that nothing changed.

inline const std::string EmptyFile = "This file is empty.\n   Nothing was loaded.";
inline const std::string TruncatedFile =
    "This file ends in the middle of a preset.\n   Nothing was loaded.";

inline std::string DamagedPreset(int number) {
    return "Preset " + std::to_string(number) + " of this file is damaged.\n   Nothing was loaded.";
}

inline std::string LibraryCount(long long count) {
    return "This library file is damaged:\nit says it holds " + std::to_string(count) +
           " patches, but it does not.\n   Nothing was loaded.";
}

inline std::string LibraryNote(int patch) {
    return "This library file is damaged:\nthe notes of patch " + std::to_string(patch) +
           " have no end.\n   Nothing was loaded.";
}

inline std::string CantSave(const std::string& path, const std::string& reason) {
    return "Can't save the file\n" + path + "\n\n" + reason + "\nThe old file is unchanged.";
}

/// The save refused because patches of another preset size than the synth's are among those
/// to write; each entry names one ("User 1 slot 5: Pad:Warm Strings").
inline std::string PatchesDoNotFit(const std::vector<std::string>& patches) {
    constexpr size_t Shown = 10;
    std::string text = "Can't save: these patches have another preset size than this synth's,\n"
                       "and one file holds presets of one size only:";
    for (size_t i = 0; i < patches.size() && i < Shown; ++i) {
        text += "\n   " + patches[i];
    }
    if (patches.size() > Shown) {
        text += "\n   and " + std::to_string(patches.size() - Shown) + " more";
    }
    return text + "\nNothing was saved.";
}

inline std::string CantBackup(const std::string& backup, const std::string& reason) {
    return "Can't make the backup\n" + backup + "\n\n" + reason + "\nNothing was saved.";
}

inline std::string CantRead(const std::string& path, const std::string& reason) {
    return "Can't read the file\n" + path + "\n\n" + reason;
}

} // namespace velcora::msg
