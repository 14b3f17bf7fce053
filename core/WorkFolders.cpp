#include "WorkFolders.h"

#include "PatchContext.h"
#include "Patchrec.h"
#include "SafeFile.h"

#include <filesystem>
#include <system_error>

namespace velcora {

namespace {

constexpr char Sep = '/';
// The shipped blank patch is one dump; anything larger than a dump of any model is not one.
constexpr size_t MaxBlankFile = 4096;

std::string WithSep(std::string path) {
    if (path.empty() || path.back() != Sep) {
        path.push_back(Sep);
    }
    return path;
}

} // namespace

bool MakeFolder(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

TModelFolder ModelFolder(TModelClass modelClass) {
    switch (modelClass) {
    case TModelClass::Audity:
        return {"Audity/", "Default Audity.syx"};
    case TModelClass::Proteus:
        return {"Proteus/", "Default Composer.syx"};
    case TModelClass::CommandStation:
        return {"Command/", "Default XL-2.syx"};
    case TModelClass::Unknown:
        break;
    }
    return {"Unknown/", "/unknown.syx"};
}

TWorkFolders BuildWorkFolders(TModelClass modelClass, const std::string& documentsDir,
                              const std::string& startDir, TPatchContext& ctx,
                              TPatchRec& blankPatch) {
    const std::string root = WithSep(documentsDir) + "Velcora/";
    MakeFolder(root);
    const TModelFolder model = ModelFolder(modelClass);

    TWorkFolders f;
    f.ModelDir = root + model.SubFolder;
    MakeFolder(f.ModelDir);
    f.PatchesDir = f.ModelDir + "Patches/";
    MakeFolder(f.PatchesDir);

    const std::string blankFile = f.PatchesDir + "Default.syx";
    const std::string source = WithSep(startDir) + model.DefaultSource;
    if (!FileExists(blankFile) && FileExists(source)) {
        // Never over an existing Default.syx: the person may have made their own.
        const TFileRead shipped = ReadFilePrefix(source, MaxBlankFile);
        if (shipped.Ok) {
            WriteFileAtomically(blankFile, shipped.Bytes);
        }
    }
    // A single patch loads only when it is framed at the current sizes.
    f.BlankLoaded = blankPatch.LoadFileQuiet(blankFile, ctx);
    if (!blankPatch.Dump().Framed(ctx.Sizes)) {
        // Every emptied slot, new library and end-of-run backup is made of this patch: one
        // that is not framed would make the files the program writes unreadable.
        blankPatch.SetBuiltInBlank(ctx.Sizes);
    }

    f.BanksDir = f.ModelDir + "Banks/";
    f.AllBanksDir = f.ModelDir + "AllBanks/";
    f.LibrariesDir = f.ModelDir + "Libraries/";
    f.BackupDir = f.ModelDir + "Backup/";
    for (const std::string* dir : {&f.BanksDir, &f.AllBanksDir, &f.LibrariesDir, &f.BackupDir}) {
        MakeFolder(*dir);
    }
    f.EndBanksBase = f.BackupDir + "EndBanks";
    return f;
}

} // namespace velcora
