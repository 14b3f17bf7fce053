#include "FileSave.h"

#include "ByteStream.h"
#include "Dialogs.h"
#include "PatchContext.h"
#include "PatchMessages.h"
#include "SafeFile.h"

namespace velcora {

bool RefuseUnfitPatches(const TPatchContext& ctx, const std::vector<std::string>& unfit) {
    if (unfit.empty()) {
        return false;
    }
    ctx.Dialogs.MessageBox(TMessageKind::Error, msg::PatchesDoNotFit(unfit), TButtons::Ok);
    return true;
}

TSaveResult SaveWithBackupQuestion(TPatchContext& ctx, const std::string& path,
                                   const std::string& question,
                                   const std::function<void(TByteWriter&)>& produce) {
    bool backup = false;
    if (FileExists(path)) {
        const TAnswer a =
            ctx.Dialogs.MessageBox(TMessageKind::Confirmation, question, TButtons::YesNoCancel);
        if (a == TAnswer::Cancel) {
            return TSaveResult::Cancelled;
        }
        backup = a == TAnswer::Yes;
    }

    TByteWriter out;
    produce(out);

    // The new bytes are on disk before the old file or an old backup is touched.
    TPendingFile file(path, out.Bytes());
    if (!file.Ok()) {
        ctx.Dialogs.MessageBox(TMessageKind::Error, msg::CantSave(path, file.Error()),
                               TButtons::Ok);
        return TSaveResult::Failed;
    }
    const std::string bak = BackupName(path);
    if (backup) {
        const TFileWrite b = RenameFile(path, bak);
        if (!b.Ok) {
            ctx.Dialogs.MessageBox(TMessageKind::Error, msg::CantBackup(bak, b.Error),
                                   TButtons::Ok);
            return TSaveResult::Failed;
        }
    }
    if (!file.Commit()) {
        if (backup) {
            // Put the old file back where it was: the person then has the old file and no
            // new one, rather than a backup and nothing under the name they chose.
            RenameFile(bak, path);
        }
        ctx.Dialogs.MessageBox(TMessageKind::Error, msg::CantSave(path, file.Error()),
                               TButtons::Ok);
        return TSaveResult::Failed;
    }
    return TSaveResult::Saved;
}

TDialogSave SaveThroughDialog(TPatchContext& ctx, const std::string& title,
                              const std::string& filter, const std::string& folder,
                              const std::string& proposed, const std::string& question,
                              const std::function<void(TByteWriter&)>& produce) {
    const TFileChoice choice = ctx.Dialogs.SaveFile(title, filter, folder, proposed);
    TDialogSave save{choice.Accepted, choice.FileName, TSaveResult::Cancelled};
    if (choice.Accepted) {
        save.Result = SaveWithBackupQuestion(ctx, choice.FileName, question, produce);
    }
    return save;
}

} // namespace velcora
