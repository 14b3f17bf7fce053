// The bank views: selection by mouse and keyboard, audition, the popup menu's commands, the
// rename box and the shortcuts.
#include "Dialogs.h"
#include "PresetNumber.h"
#include "Workspace.h"
#include "WorkspaceView.h"

#include <algorithm>

namespace velcora {

namespace {

/// The focus view of a bank view: 1..4 the user banks' views, 5 the ROM view.
int FocusViewOf(int view) {
    return view == TWorkspace::RomTab ? 5 : view + 1;
}

bool ValidSlot(int slot) {
    return slot >= 0 && slot < TPatchBank::SlotCount;
}

/// The 16 characters a row shows of a patch's name.
std::string RowName(const TPatchRec& patch) {
    return patch.Name().substr(0, TPatchData::NameLength);
}

} // namespace

TPatchBank* TWorkspace::ViewBank(int view) {
    if (view == RomTab) {
        return FRomBank.get();
    }
    return view >= 0 && view < 4 ? &UserBank(view) : nullptr;
}

TPatchBank& TWorkspace::ActionBankOf(int view) {
    return view == RomTab ? *FRomBank : CurUserBank();
}

bool TWorkspace::TransferOn(const TPatchBank& bank) const {
    return FRunning == TRunning::Transfer && FXferBank == &bank;
}

bool TWorkspace::RefusedOnTransferBank(const TPatchBank& bank, const std::string& warning) {
    if (!TransferOn(bank)) {
        return false;
    }
    FCtx.Dialogs.MessageBox(TMessageKind::Warning, warning, TButtons::Ok);
    return true;
}

void TWorkspace::AuditionSlot(TPatchBank& bank, int slot) {
    if (FRunning == TRunning::Transfer) {
        return;
    }
    RunGuarded([&] { AuditionCopy(bank.Slot(slot)); });
}

void TWorkspace::AuditionCopy(const TPatchRec& patch) {
    // The stored record keeps its own address: rewritten, it would count as a change of its
    // bank or library in the history and the modified marks.
    TPatchRec copy;
    patch.CopyTo(copy);
    copy.SetPresetNumber(EditBufferNumber, EditBufferNumber);
    copy.SetDeviceId(FCtx.DeviceId, FCtx.Sizes);
    std::vector<std::vector<uint8_t>> messages;
    for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
        const auto slot = copy.Dump().Slot(p);
        messages.emplace_back(slot.begin(), slot.end());
    }
    // Silence first, at once: the patch still sounding is the one the person left.
    FAudition.Stop();
    FSynth.AllSoundOff();
    FAudition.Start(std::move(messages), FSynth.TimeBetweenSysex);
}

void TWorkspace::vleUserMouseDown(int view, TMouseButton button, TShiftState shift, int slot) {
    if (ViewBank(view) == nullptr) {
        return;
    }
    FPressedInView = true;
    if (FRenameShowing) {
        FView.FocusRenameBox();
        return;
    }
    FPressView = view;
    FPressButton = button;
    FPressShift = shift;
    FPressSlot = ValidSlot(slot) ? slot : -1;
    FActionBank = &ActionBankOf(view);
    if (button != TMouseButton::Right || FPressSlot < 0) {
        return;
    }
    TPatchBank& bank = *FActionBank;
    TPatchRec& patch = bank.Slot(FPressSlot);
    if (!patch.Selected()) {
        AuditionSlot(bank, FPressSlot);
        return;
    }
    FRenameBank = &bank;
    FRenameSlot = FPressSlot;
    FView.PrepareRenameBox(bank.BankNumber(), FPressSlot, RowName(patch));
    FView.ShowBankMenu(bank.CountSelected() == 2);
}

void TWorkspace::vleUserClick(int view) {
    if (!FPressedInView) {
        return;
    }
    FPressedInView = false;
    if (FRenameShowing) {
        FView.FocusRenameBox();
        return;
    }
    TPatchBank* bank = ViewBank(view);
    if (bank == nullptr || view != FPressView || FPressSlot < 0) {
        return;
    }
    const int slot = FPressSlot;
    FLib->DeselectAllAndRepaint();
    FMixOn = false;
    FMorphOn = false;
    FView.EnableMixMorph(false);
    for (int other = 0; other <= RomTab; ++other) {
        if (other != view) {
            ViewBank(other)->DeselectAllAndRepaint();
        }
    }
    FFocusView = FocusViewOf(view);

    const bool toggle = FPressShift.Ctrl && !FPressShift.Shift;
    const bool extend =
        (FPressShift.Shift && !FPressShift.Ctrl) || FPressButton == TMouseButton::Right;
    int lowest = -1;
    for (int i = 0; i < TPatchBank::SlotCount && extend; ++i) {
        if (bank->Slot(i).Selected()) {
            lowest = i;
            break;
        }
    }
    if (toggle) {
        bank->Slot(slot).SetSelected(!bank->Slot(slot).Selected());
    } else {
        bank->DeselectAll();
        const int first = lowest < 0 ? slot : std::min(lowest, slot);
        const int last = lowest < 0 ? slot : std::max(lowest, slot);
        for (int i = first; i <= last; ++i) {
            bank->Slot(i).SetSelected(true);
        }
    }
    bank->CountSelected();
    bank->ShowNames();
    UpdateSelectionButtons();
}

void TWorkspace::vleUser0DblClick(int view, int slot) {
    if (ViewBank(view) == nullptr || !ValidSlot(slot)) {
        return;
    }
    // Outside a transfer the flag is already clear; inside one, clearing it would send the
    // rest of a ROM fetch into the current user bank.
    if (FRunning != TRunning::Transfer) {
        FRomXfer = false;
    }
    TPatchBank& bank = ActionBankOf(view);
    AuditionSlot(bank, slot);
    bank.Slot(slot).SetSelected(true);
    bank.ShowName(slot);
}

bool TWorkspace::vleUserKeyDown(int view, int key, TShiftState shift, int slot) {
    if (ViewBank(view) == nullptr) {
        return false;
    }
    FActionBank = &ActionBankOf(view);
    if (key != TKey::Shift && key != TKey::Ctrl) {
        FPressedInView = false;
    }
    TPatchBank& bank = *FActionBank;
    if (key == TKey::Up || key == TKey::Down) {
        const int next = key == TKey::Up ? slot - 1 : slot + 1;
        if (!ValidSlot(slot) || !ValidSlot(next)) {
            return false;
        }
        AuditionSlot(bank, next);
        bank.DeselectAll();
        bank.Slot(next).SetSelected(true);
        // A transfer walks the list of its bank: rebuilt now, it would end the transfer early.
        if (TransferOn(bank)) {
            bank.CountSelected();
        } else {
            bank.BuildSelection(true);
        }
        bank.ShowNames();
        return false;
    }
    if (key == TKey::Delete) {
        pmBankDeleteClick();
        return true;
    }
    if (!shift.Ctrl) {
        return false;
    }
    switch (key) {
    case TKey::A:
        bank.SelectAll();
        bank.ShowNames();
        return true;
    case TKey::C:
        pmBankCopyClick();
        return true;
    case TKey::V:
        pmBankPasteClick();
        return true;
    case TKey::L:
    case TKey::O:
        // The file commands' buttons are disabled while a transfer runs: a bank loaded or
        // saved under it would be marked saved while the transfer goes on changing it.
        if (FRunning != TRunning::Transfer) {
            bbLoadBankClick();
        }
        return true;
    case TKey::S:
        if (FRunning != TRunning::Transfer) {
            bbSaveBankClick();
        }
        return true;
    case TKey::Z:
    case TKey::Y:
        HistoryKey(key, shift);
        return true;
    default:
        return false;
    }
}

void TWorkspace::pmBankEditClick() {
    // The fetch would overwrite the new name, or the send carry half of it.
    if (FRenameBank == nullptr || RefusedOnTransferBank(*FRenameBank, RenameDuringTransfer)) {
        return;
    }
    FRenameShowing = true;
    FView.ShowRenameBox();
    MarkDirty(*FRenameBank);
}

void TWorkspace::pmBankCopyClick() {
    FActionBank->CopySelection();
}

void TWorkspace::pmBankPasteClick() {
    // The fetch would overwrite what is pasted, and a push-down moves slots it walks.
    if (RefusedOnTransferBank(*FActionBank, PasteDuringTransfer)) {
        return;
    }
    FActionBank->Paste(FOptions.InsertMode == 0 ? TInsertMode::Overwrite : TInsertMode::Pushdown);
    MarkDirty(*FActionBank);
    CommitUndoStep("Paste");
}

void TWorkspace::pmBankDeleteClick() {
    // A send would carry blanks, and a pull-up leaves an unfetched patch in a fetched slot.
    if (RefusedOnTransferBank(*FActionBank, DeleteDuringTransfer)) {
        return;
    }
    FActionBank->DeleteSelected(FOptions.DeleteMode == 0 ? TDeleteMode::PutBlank
                                                         : TDeleteMode::PullUp);
    MarkDirty(*FActionBank);
    CommitUndoStep("Delete");
}

void TWorkspace::pmBankSwapClick() {
    if (RefusedOnTransferBank(*FActionBank, SwapDuringTransfer)) {
        return;
    }
    FActionBank->SwapTwo();
    MarkDirty(*FActionBank);
    CommitUndoStep("Swap");
}

std::string TWorkspace::eUserEditKeyUp(const std::string& text, int key) {
    constexpr size_t TypeLength = 3;
    constexpr size_t MaxAfterType = 20;
    std::string shown = text;
    if (key == TKey::Escape) {
        CloseRenameBox();
        return shown;
    }
    if (shown.size() == TypeLength) {
        shown += ':';
    }
    if (key != TKey::Enter || !FRenameShowing) {
        return shown;
    }
    if (shown.size() <= TypeLength || shown[TypeLength] != ':') {
        const std::string type = shown.substr(0, TypeLength);
        const std::string rest =
            shown.size() > TypeLength ? shown.substr(TypeLength, MaxAfterType) : "";
        shown = type + ":" + rest;
    }
    shown.resize(std::min(shown.size(), size_t{TPatchData::NameLength}));
    FRenameShowing = false;
    FView.HideRenameBox();
    // A box opened before the transfer began: its name must not go into the bank it walks.
    if (FRenameBank != nullptr && RefusedOnTransferBank(*FRenameBank, RenameDuringTransfer)) {
        return shown;
    }
    if (FRenameBank != nullptr && ValidSlot(FRenameSlot)) {
        FRenameBank->Slot(FRenameSlot).SetName(shown, FCtx.Sizes);
        FRenameBank->ShowName(FRenameSlot);
    }
    CommitUndoStep("Rename");
    return shown;
}

void TWorkspace::CloseRenameBox() {
    if (!FRenameShowing) {
        return;
    }
    FRenameShowing = false;
    FView.HideRenameBox();
}

void TWorkspace::vleUserMenuKey(int view, int slot) {
    if (ViewBank(view) == nullptr || !ValidSlot(slot)) {
        return;
    }
    if (FRenameShowing) {
        FView.FocusRenameBox();
        return;
    }
    if (!ActionBankOf(view).Slot(slot).Selected()) {
        vleUserMouseDown(view, TMouseButton::Left, {}, slot);
        vleUserClick(view);
    }
    vleUserMouseDown(view, TMouseButton::Right, {}, slot);
    // A right press leaves its click to come; a key has none.
    FPressedInView = false;
}

void TWorkspace::UpdateSelectionButtons() {
    // From the marks as they are and what runs: enabled under a transfer, Get Selected would
    // start a second fetch over the running one.
    EnableCommands();
}

void TWorkspace::rgOptionClick(TOptionGroups::TGroup group, int item) {
    ChooseOption(group, item);
    if (group == TOptionGroups::TGroup::UserToLib) {
        CurUserBank().CountSelected();
        UpdateSelectionButtons();
        return;
    }
    FView.RestoreFocus(FFocusView);
}

} // namespace velcora
