#include "Patchbank.h"

#include "BankListener.h"
#include "ByteStream.h"
#include "Dialogs.h"
#include "DumpFile.h"
#include "FileSave.h"
#include "PatchContext.h"
#include "PatchMessages.h"
#include "SafeFile.h"
#include "SectionSettings.h"

namespace velcora {

TPatchBank::TPatchBank(TPatchContext& ctx, int bankNumber, std::string displayName, bool hasView)
    : FCtx(ctx), FDisplayName(std::move(displayName)),
      FSettingsKey(bankNumber == RomBankNumber ? "RomBank"
                                               : "UserBank" + std::to_string(bankNumber)),
      FHasView(hasView), FBankNumber(bankNumber) {
    for (auto& slot : FSlots) {
        slot = std::make_unique<TPatchRec>();
        slot->Init(FCtx);
    }
    FSelection.reserve(SlotCount);
}

TPatchBank::~TPatchBank() = default;

void TPatchBank::RowsChanged(int first, int last) {
    if (FListener != nullptr && first < SlotCount) {
        FListener->RowsChanged(first, std::min(last, SlotCount - 1));
    }
}

void TPatchBank::Repaint() {
    if (FListener != nullptr) {
        FListener->Repaint();
    }
}

void TPatchBank::CopyBlankInto(TPatchRec& rec) const {
    rec.MakeBlank(FCtx);
    rec.SetSelected(false);
}

void TPatchBank::BuildSelection(bool onlySelected) {
    FSelection.clear();
    for (int i = 0; i < SlotCount; ++i) {
        if (!onlySelected || Slot(i).Selected()) {
            FSelection.push_back(i);
        }
    }
    FSelectedCount = static_cast<int>(FSelection.size());
}

int TPatchBank::CountSelected() {
    FSelectedCount = 0;
    for (int i = 0; i < SlotCount; ++i) {
        FSelectedCount += Slot(i).Selected() ? 1 : 0;
    }
    return FSelectedCount;
}

void TPatchBank::SelectAll() {
    for (int i = 0; i < SlotCount; ++i) {
        Slot(i).SetSelected(true);
    }
    CountSelected();
}

void TPatchBank::DeselectAll() {
    for (int i = 0; i < SlotCount; ++i) {
        Slot(i).SetSelected(false);
    }
}

void TPatchBank::DeselectAllAndRepaint() {
    DeselectAll();
    Repaint();
}

void TPatchBank::Reset() {
    for (int i = 0; i < SlotCount; ++i) {
        Slot(i).Init(FCtx);
    }
    Refresh();
}

void TPatchBank::Refresh() {
    if (!FHasView) {
        return;
    }
    for (int i = 0; i < SlotCount; ++i) {
        Slot(i).MarkChecksums(FCtx.Sizes);
        Slot(i).ReadName();
    }
    RowsChanged(0, SlotCount - 1);
    Repaint();
}

void TPatchBank::ReadAll(TByteReader& in) {
    in.Seek(0);
    for (int i = 0; i < SlotCount; ++i) {
        Slot(i).ReadDump(in, FCtx);
    }
    Refresh();
}

void TPatchBank::FillHidden() {
    for (int i = SlotCount; i < HiddenEnd; ++i) {
        Slot(SlotCount - 1).CopyTo(Slot(i));
    }
}

void TPatchBank::CopySelection() {
    TPatchBank* clip = FCtx.ClipBank;
    FCtx.ClipCount = 0;
    if (clip == nullptr || clip == this) {
        return;
    }
    for (int i = 0; i < SlotCount; ++i) {
        if (Slot(i).Selected()) {
            Slot(i).CopyTo(clip->Slot(FCtx.ClipCount++));
        }
    }
}

void TPatchBank::Paste(TInsertMode mode) {
    const TPatchBank* clip = FCtx.ClipBank;
    const int n = FCtx.ClipCount;
    if (n < 1 || clip == nullptr || clip == this) {
        return;
    }
    int s = SlotCount;
    for (int i = 0; i < SlotCount; ++i) {
        if (Slot(i).Selected()) {
            s = i;
            break;
        }
    }
    DeselectAllAndRepaint();
    if (mode == TInsertMode::Pushdown) {
        for (int i = HiddenEnd - 1 - n; i >= s; --i) {
            Slot(i).CopyTo(Slot(i + n));
        }
        RowsChanged(s + n, SlotCount - 1);
    }
    // Pasted patches keep their marks, in the hidden extension too: a later pull-up then
    // brings them back into view still marked, as the person left them.
    for (int j = 0; j < n && s < HiddenEnd; ++j, ++s) {
        clip->Slot(j).CopyTo(Slot(s));
        Slot(s).SetSelected(true);
        RowsChanged(s, s);
    }
    Repaint();
}

void TPatchBank::DeleteSelected(TDeleteMode mode) {
    int removed = 0;
    for (int i = 0; i < SlotCount;) {
        if (!Slot(i).Selected()) {
            ++i;
            continue;
        }
        if (mode == TDeleteMode::PutBlank) {
            CopyBlankInto(Slot(i));
            RowsChanged(i, i);
            ++i;
            continue;
        }
        for (int j = i; j < HiddenEnd; ++j) {
            Slot(j + 1).CopyTo(Slot(j));
            if (j >= SlotCount) {
                Slot(j).SetSelected(false);
            }
        }
        ++removed;
        RowsChanged(i, SlotCount - 1);
        // The patch that moved up into position i is examined next.
    }
    for (int i = HiddenEnd - removed; i < HiddenEnd; ++i) {
        CopyBlankInto(Slot(i));
    }
    Repaint();
}

void TPatchBank::SwapTwo() {
    BuildSelection(true);
    if (FSelection.size() != 2) {
        FCtx.Dialogs.MessageBox(TMessageKind::Error, msg::SwapTwoInBank, TButtons::Ok);
        return;
    }
    const int a = FSelection[0];
    const int b = FSelection[1];
    Slot(a).CopyTo(Slot(SwapSpare));
    Slot(b).CopyTo(Slot(a));
    Slot(SwapSpare).CopyTo(Slot(b));
    Refresh();
}

bool TPatchBank::LoadBytes(std::span<const uint8_t> bytes) {
    if (bytes.empty()) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning, msg::EmptyFile, TButtons::Ok);
        return false;
    }
    TByteReader in(bytes);
    if (Slot(Scratch).Dump().CheckDumpFile(in, false, FCtx) != TReadResult::Ok) {
        return false;
    }
    // Every dump the bank takes must be whole: a dump cut short or badly framed halfway
    // through the file would otherwise leave slots with a mixture of two patches.
    if (auto damage = DamageMessage(ScanDumps(bytes, FCtx.Sizes, SlotCount))) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning, *damage, TButtons::Ok);
        return false;
    }
    ReadAll(in);
    FillHidden();
    return true;
}

bool TPatchBank::LoadFileByName(const std::string& fileName) {
    if (!FileExists(fileName)) {
        return false;
    }
    const TFileRead file =
        ReadFilePrefix(fileName, static_cast<size_t>(SlotCount) * FCtx.Sizes.TotalSize());
    if (!file.Ok) {
        return false;
    }
    return LoadBytes(file.Bytes);
}

bool TPatchBank::LoadFileDialog() {
    const TFileChoice choice =
        FCtx.Dialogs.OpenFile(msg::LoadBankTitle, msg::SysexFilter, FCtx.BanksDir, FFileName);
    if (!choice.Accepted) {
        return false;
    }
    const TFileRead file =
        ReadFilePrefix(choice.FileName, static_cast<size_t>(SlotCount) * FCtx.Sizes.TotalSize());
    if (!file.Ok) {
        if (!FCtx.QuietLoad) {
            FCtx.Dialogs.MessageBox(TMessageKind::Warning, msg::CantOpenBank, TButtons::Ok);
        }
        return false;
    }
    if (!LoadBytes(file.Bytes)) {
        return false;
    }
    FFileName = choice.FileName;
    return true;
}

void TPatchBank::WriteBank(TByteWriter& out) {
    out.Reserve(static_cast<size_t>(SlotCount) * FCtx.Sizes.TotalSize());
    for (int i = 0; i < SlotCount; ++i) {
        Slot(i).WriteAddressed(out, static_cast<uint8_t>(i), static_cast<uint8_t>(FBankNumber),
                               FCtx);
    }
}

void TPatchBank::ListUnfit(std::vector<std::string>& into) const {
    for (int i = 0; i < SlotCount; ++i) {
        if (!Slot(i).FitsFile(FCtx)) {
            into.push_back(FDisplayName + " slot " + std::to_string(i) + ": " +
                           Slot(i).ShownName());
        }
    }
}

bool TPatchBank::SaveFileDialog() {
    std::vector<std::string> unfit;
    ListUnfit(unfit);
    if (RefuseUnfitPatches(FCtx, unfit)) {
        return false;
    }
    const TDialogSave save =
        SaveThroughDialog(FCtx, msg::SaveBankTitle, msg::SysexFilter, FCtx.BanksDir, FFileName,
                          msg::BackupQuestion, [this](TByteWriter& out) { WriteBank(out); });
    if (save.Result != TSaveResult::Saved) {
        return false;
    }
    FFileName = save.FileName;
    return true;
}

std::string TPatchBank::LoadDefaultFile() {
    const std::string name =
        FCtx.Settings != nullptr ? FCtx.Settings->ReadString(FSettingsKey, NoBankFile) : NoBankFile;
    FFileName = name;
    if (FBankNumber != RomBankNumber && name != NoBankFile) {
        LoadFileByName(name);
    }
    return name;
}

} // namespace velcora
