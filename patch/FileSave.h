#pragma once

#include <functional>
#include <string>
#include <vector>

namespace velcora {

class TByteWriter;
struct TPatchContext;

enum class TSaveResult { Saved, Cancelled, Failed };

/// The one way the patch layer saves a file. Over an existing file it first asks the backup
/// question: Yes keeps the old file under its .BAK name, No overwrites, Cancel writes nothing.
/// The bytes are produced only once the save goes ahead, then written atomically; a failure
/// is reported in an error box and leaves the existing file (and any .BAK) as they were.
TSaveResult SaveWithBackupQuestion(TPatchContext& ctx, const std::string& path,
                                   const std::string& question,
                                   const std::function<void(TByteWriter&)>& produce);

/// Refuses a save among whose patches some do not fit a file of the current sizes
/// (TPatchRec::FitsFile), naming them in an error box; unfit holds one entry per patch.
/// True when refused: the caller then writes nothing and asks nothing.
bool RefuseUnfitPatches(const TPatchContext& ctx, const std::vector<std::string>& unfit);

/// What a save through a file dialog came to: whether a file was chosen, the dialog's file
/// name (the proposed one when cancelled), and the save's result.
struct TDialogSave {
    bool Chosen = false;
    std::string FileName;
    TSaveResult Result = TSaveResult::Cancelled;
};

/// Asks for the file in a save dialog (title, filter, folder, proposed name), then saves
/// there as SaveWithBackupQuestion does; a cancelled dialog saves nothing.
TDialogSave SaveThroughDialog(TPatchContext& ctx, const std::string& title,
                              const std::string& filter, const std::string& folder,
                              const std::string& proposed, const std::string& question,
                              const std::function<void(TByteWriter&)>& produce);

} // namespace velcora
