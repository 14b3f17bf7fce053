#pragma once

#include "ModelClass.h"

#include <string>

namespace velcora {

struct TPatchContext;
class TPatchRec;

/// The working folders of one model, each ending in the path separator.
struct TWorkFolders {
    std::string ModelDir;
    std::string PatchesDir;
    std::string BanksDir;
    std::string AllBanksDir;
    std::string LibrariesDir;
    std::string BackupDir;
    /// The end-of-run backups are this base, a number and ".syx".
    std::string EndBanksBase;
    /// Default.syx gave the blank patch (else the blank patch was kept or built in).
    bool BlankLoaded = false;
};

/// The folder of a model class below the root, and the blank-patch file shipped for it.
struct TModelFolder {
    std::string SubFolder;     ///< "Audity/", "Proteus/", "Command/" or "Unknown/"
    std::string DefaultSource; ///< file name beside the program, e.g. "Default Audity.syx"
};
TModelFolder ModelFolder(TModelClass modelClass);

/// Makes the model's folders below documentsDir + "Velcora/" (each only if missing), copies
/// the shipped blank patch (startDir + its file name) to Patches/Default.syx unless that
/// exists, and loads Default.syx quietly into the blank patch. When the file is missing or
/// unsuitable the blank patch keeps its content if that is framed at the current sizes, and
/// becomes the built-in blank patch otherwise. A folder that cannot be made is not reported here:
/// the file operations in it fail later with their own messages.
TWorkFolders BuildWorkFolders(TModelClass modelClass, const std::string& documentsDir,
                              const std::string& startDir, TPatchContext& ctx,
                              TPatchRec& blankPatch);

/// Makes the folder if missing; true when it exists afterwards.
bool MakeFolder(const std::string& path);

} // namespace velcora
