#include "AllBanks.h"

#include "ByteStream.h"
#include "Dialogs.h"
#include "DumpFile.h"
#include "FileSave.h"
#include "PatchContext.h"
#include "PatchMessages.h"
#include "Patchbank.h"
#include "SafeFile.h"

namespace velcora {

namespace {

constexpr int DumpsInFile = 4 * TPatchBank::SlotCount;

void WriteBanks(const TPatchContext& ctx, const TUserBanks& banks, TByteWriter& out) {
    out.Reserve(static_cast<size_t>(DumpsInFile) * ctx.Sizes.TotalSize());
    for (TPatchBank* bank : banks) {
        for (int i = 0; i < TPatchBank::SlotCount; ++i) {
            bank->Slot(i).WriteDump(out, ctx);
        }
    }
}

} // namespace

bool ReadAllBanks(TPatchContext& ctx, const TUserBanks& banks, std::span<const uint8_t> bytes,
                  bool report) {
    if (ctx.ProbePatch == nullptr) {
        return false;
    }
    TByteReader in(bytes);
    if (bytes.empty() || ctx.ProbePatch->ReadDump(in, ctx) != TReadResult::Ok) {
        if (report) {
            ctx.Dialogs.MessageBox(TMessageKind::Warning,
                                   bytes.empty() ? msg::EmptyFile : msg::DifferentSynth,
                                   TButtons::Ok);
        }
        return false;
    }
    if (auto damage = DamageMessage(ScanDumps(bytes, ctx.Sizes, DumpsInFile))) {
        if (report) {
            ctx.Dialogs.MessageBox(TMessageKind::Warning, *damage, TButtons::Ok);
        }
        return false;
    }
    in.Seek(0);
    const int curUserBank = ctx.CurUserBank;
    for (int n = 0; n < static_cast<int>(banks.size()); ++n) {
        ctx.CurUserBank = n; // every dump read carries the bank it lands in
        for (int i = 0; i < TPatchBank::SlotCount; ++i) {
            banks[static_cast<size_t>(n)]->Slot(i).ReadDump(in, ctx);
        }
    }
    ctx.CurUserBank = curUserBank;
    for (TPatchBank* bank : banks) {
        bank->ShowNames();
    }
    return true;
}

bool LoadAllBanksDialog(TPatchContext& ctx, const TUserBanks& banks) {
    const TFileChoice choice = ctx.Dialogs.OpenFile(msg::LoadAllTitle, msg::SysexFilter,
                                                    ctx.AllBanksDir, ctx.AllBanksFile);
    if (!choice.Accepted) {
        return false;
    }
    ctx.AllBanksFile = choice.FileName;
    return ReadAllBanksFile(ctx, banks, choice.FileName, true);
}

bool ReadAllBanksFile(TPatchContext& ctx, const TUserBanks& banks, const std::string& path,
                      bool report) {
    // Nothing past the 512 dumps is read, however long the file.
    const TFileRead file =
        ReadFilePrefix(path, static_cast<size_t>(DumpsInFile) * ctx.Sizes.TotalSize());
    if (!file.Ok) {
        if (report) {
            ctx.Dialogs.MessageBox(TMessageKind::Warning, msg::CantRead(path, file.Error),
                                   TButtons::Ok);
        }
        return false;
    }
    return ReadAllBanks(ctx, banks, file.Bytes, report);
}

std::vector<std::string> UnfitPatches(const TUserBanks& banks) {
    std::vector<std::string> unfit;
    for (const TPatchBank* bank : banks) {
        bank->ListUnfit(unfit);
    }
    return unfit;
}

bool SaveAllBanksDialog(TPatchContext& ctx, const TUserBanks& banks) {
    if (RefuseUnfitPatches(ctx, UnfitPatches(banks))) {
        return false;
    }
    const TDialogSave save = SaveThroughDialog(
        ctx, msg::SaveAllTitle, msg::SysexFilter, ctx.AllBanksDir, ctx.AllBanksFile,
        msg::BackupQuestionAllBanks, [&](TByteWriter& out) { WriteBanks(ctx, banks, out); });
    if (save.Result != TSaveResult::Saved) {
        return false;
    }
    ctx.AllBanksFile = save.FileName;
    return true;
}

std::vector<uint8_t> AllBanksBytes(const TPatchContext& ctx, const TUserBanks& banks) {
    TByteWriter out;
    WriteBanks(ctx, banks, out);
    return out.Bytes();
}

bool WriteAllBanks(TPatchContext& ctx, const TUserBanks& banks, const std::string& path) {
    if (RefuseUnfitPatches(ctx, UnfitPatches(banks))) {
        return false;
    }
    const TFileWrite w = WriteFileAtomically(path, AllBanksBytes(ctx, banks));
    if (!w.Ok) {
        ctx.Dialogs.MessageBox(TMessageKind::Error, msg::CantSave(path, w.Error), TButtons::Ok);
        return false;
    }
    ctx.AllBanksFile = path;
    return true;
}

} // namespace velcora
