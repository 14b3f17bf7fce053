// The bank panel: choosing a bank tab, the ROM tab's choices, and the commands that load and
// save banks and the all-banks file.
#include "AllBanks.h"
#include "SafeFile.h"
#include "Workspace.h"
#include "WorkspaceView.h"

namespace velcora {

void TWorkspace::ChooseOption(TOptionGroups::TGroup group, int item) {
    FOptions.Choose(FIni, group, item);
}

bool TWorkspace::pcUserBankChange(int tab) {
    if (tab < 0 || tab > RomTab) {
        return false;
    }
    // The fetch machine asks for and fills the current user bank's slots: a bank changed
    // under it would take the rest of the fetch unmarked. Sends and ROM fetches keep their
    // own bank.
    if (tab != RomTab && FRunning == TRunning::Transfer && !FSending && !FRomXfer &&
        tab != FCtx.CurUserBank) {
        return false;
    }
    // Another view takes the place of the row under the rename box.
    if (tab != FTab) {
        CloseRenameBox();
    }
    if (tab == RomTab) {
        FTab = RomTab;
        FFocusView = 5;
        FActionBank = FRomBank.get();
        return true;
    }
    FTab = tab;
    FCtx.CurUserBank = tab;
    FFocusView = tab + 1;
    FActionBank = &CurUserBank();
    // The user tab applies these three groups as if they had been clicked, keys included.
    // Of their effects the window shows and hides the buttons from Options() itself; the
    // selection commands follow the new current bank's selection, and the focus its view.
    FOptions.Choose(FIni, TOptionGroups::TGroup::FromTo, FOptions.FromTo);
    FOptions.Choose(FIni, TOptionGroups::TGroup::LoadSave, FOptions.LoadSave);
    FOptions.Choose(FIni, TOptionGroups::TGroup::UserToLib, FOptions.UserToLib);
    CurUserBank().CountSelected();
    UpdateSelectionButtons();
    FView.RestoreFocus(FFocusView);
    return true;
}

void TWorkspace::cbROMListChange(int index) {
    FRomIndex = index;
    FRomBankListIndex = 0;
    const std::vector<std::string> banks = FSynth.RomBankEntries(index);
    FView.SetRomBankList(banks, banks.empty() ? -1 : 0);
}

void TWorkspace::rgLoadMethodClick(int item) {
    // The item comes from the window's group: only its two items name a method.
    if (item == static_cast<int>(TLoadMethod::EditBuffer) ||
        item == static_cast<int>(TLoadMethod::DirectRom)) {
        FLoadMethod = static_cast<TLoadMethod>(item);
    }
    FView.RestoreFocus(FFocusView);
}

void TWorkspace::bbLoadBankClick() {
    TPatchBank& bank = CurUserBank();
    if (bank.LoadFileDialog()) {
        MarkClean(bank);
    }
    CommitUndoStep("Load Bank");
    SelectRxView(FCtx.CurUserBank);
}

void TWorkspace::bbSaveBankClick() {
    TPatchBank& bank = CurUserBank();
    if (bank.SaveFileDialog()) {
        MarkClean(bank);
    }
    AbsorbUndoState();
}

void TWorkspace::bbLoadAllClick() {
    if (LoadAllBanksDialog(FCtx, UserBanks())) {
        MarkUserBanksClean();
    }
    CommitUndoStep("Load All Banks");
}

void TWorkspace::bbSaveAllClick() {
    if (SaveAllBanksDialog(FCtx, UserBanks())) {
        MarkUserBanksClean();
    }
    AbsorbUndoState();
}

void TWorkspace::bbROMLoadBankClick() {
    // The label keeps naming what the bank holds ("From synth" after a fetch) unless a file
    // replaced it.
    if (FRomBank->LoadFileDialog()) {
        ShowRomBankLabel(FileNameOnly(FRomBank->FileName()));
        MarkClean(*FRomBank);
    }
    CommitUndoStep("Load Bank");
}

void TWorkspace::ShowRomBankLabel(const std::string& text) {
    FRomBankLabel = text;
    FView.ShowRomBankFile(text);
}

void TWorkspace::bbROMSaveBankClick() {
    if (FRomBank->SaveFileDialog()) {
        MarkClean(*FRomBank);
    }
    AbsorbUndoState();
}

} // namespace velcora
