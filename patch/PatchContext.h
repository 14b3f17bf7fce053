#pragma once

#include "DumpSizes.h"

#include <cstdint>
#include <string>

namespace velcora {

class IDialogs;
class ISectionSettings;
class TPatchBank;
class TPatchRec;

/// What the patch layer needs to know of the run: the connected synth's dump sizes and
/// device id, the current user bank, quiet mode, the program's own patches, the clipboard,
/// the working folders and where to show messages. The workspace owns every object named
/// here and fills the fields as the synth is identified; the patch layer only reads them,
/// except the clipboard count, quiet mode, the mix counter and the all-banks file name.
struct TPatchContext {
    explicit TPatchContext(IDialogs& dialogs) : Dialogs(dialogs) {}

    /// The dump sizes of a model class (0 unknown, 1 Audity, 2 Proteus 2000 family,
    /// 3 Command Station family), as set at every identification.
    void SetDefaultSizes(TModelClass modelClass) { Sizes = TDumpSizes::ForModelClass(modelClass); }

    TDumpSizes Sizes;
    uint8_t DeviceId = 0;
    /// Index of the user bank whose tab is showing, 0..3; stamped into every dump read.
    int CurUserBank = 0;
    /// Set while the blank patch is loaded: silences the "not a synth file" messages.
    bool QuietLoad = false;
    /// Set while the workspace is built, before the blank patch exists.
    bool Creating = false;

    const TPatchRec* BlankPatch = nullptr;
    TPatchRec* ProbePatch = nullptr;
    TPatchBank* ClipBank = nullptr;
    int ClipCount = 0;

    /// Working folders of the identified model, each ending in the path separator.
    std::string PatchesDir;
    std::string BanksDir;
    std::string AllBanksDir;
    std::string LibrariesDir;
    /// The all-banks file last loaded or saved.
    std::string AllBanksFile;

    /// Number of Mix runs so far in this run of the program.
    int MixCounter = 0;

    IDialogs& Dialogs;
    /// The identified synth's settings section; none before identification.
    ISectionSettings* Settings = nullptr;
};

} // namespace velcora
