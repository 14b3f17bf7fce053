#include "WindowsView.h"

#include "BankPanel.h"
#include "MainWindow.h"
#include "SeqRename.h"
#include "SetMidi.h"
#include "Splash.h"

namespace velcora {

void TWindowsView::SetBankTabCaption(int tab, const std::string& caption) {
    if (FMain) {
        FMain->BankPanel().SetBankTabCaption(tab, caption);
    }
}

void TWindowsView::ShowEditBufferName(const std::string& category, const std::string& name) {
    if (FMain) {
        FMain->ShowEditBufferName(category, name);
    }
}

void TWindowsView::ShowUserTab(int bank) {
    if (FMain) {
        FMain->BankPanel().ShowUserTab(bank);
    }
}

void TWindowsView::ShowRomBankFile(const std::string& fileName) {
    if (FMain) {
        FMain->BankPanel().ShowRomBankFile(fileName);
    }
}

void TWindowsView::SetCaption(const std::string& caption) {
    if (FMain) {
        FMain->SetCaption(caption);
    }
}

void TWindowsView::ShowSplashModel(const std::string& modelName) {
    if (FSplash) {
        FSplash->ShowSplashModel(modelName);
    }
}

void TWindowsView::ShowSetupSynth(const std::string& synthName) {
    if (FSetMidi) {
        FSetMidi->ShowSetupSynth(synthName);
    }
}

void TWindowsView::ShowSetupBlankName(const std::string& blankName) {
    if (FSetMidi) {
        FSetMidi->ShowSetupBlankName(blankName);
    }
}

void TWindowsView::ShowSetupTimes(int timeBetweenSysex, int timeBetweenPatches) {
    if (FSetMidi) {
        FSetMidi->ShowSetupTimes(timeBetweenSysex, timeBetweenPatches);
    }
}

void TWindowsView::SetRomList(const std::vector<std::string>& items, int selected) {
    if (FMain) {
        FMain->BankPanel().SetRomList(items, selected);
    }
}

void TWindowsView::SetRomBankList(const std::vector<std::string>& items, int selected) {
    if (FMain) {
        FMain->BankPanel().SetRomBankList(items, selected);
    }
}

void TWindowsView::ShowProgress(bool visible, int maximum, int position) {
    if (FMain) {
        FMain->ShowProgress(visible, maximum, position);
    }
}

void TWindowsView::EnableCommands(bool on, bool selectionCommands) {
    if (FMain) {
        FMain->EnableCommands(on, selectionCommands);
    }
}

void TWindowsView::EnableRomLists(bool on) {
    if (FMain) {
        FMain->BankPanel().EnableRomLists(on);
    }
}

void TWindowsView::ShowLoadMethod(TLoadMethod method) {
    if (FMain) {
        FMain->BankPanel().ShowLoadMethod(method);
    }
}

void TWindowsView::ShowCursor(int bankNumber, int slot) {
    if (FMain) {
        FMain->BankPanel().ShowCursor(bankNumber, slot);
    }
}

void TWindowsView::EnableSelectionCommands(bool userToLib, bool getSendSelected) {
    if (FMain) {
        FMain->BankPanel().EnableSelectionCommands(userToLib, getSendSelected);
    }
}

void TWindowsView::EnableMixMorph(bool on) {
    if (FMain) {
        FMain->EnableMixMorph(on);
    }
}

void TWindowsView::ShowBankMenu(bool swapVisible) {
    if (FMain) {
        FMain->BankPanel().ShowBankMenu(swapVisible);
    }
}

void TWindowsView::PrepareRenameBox(int bankNumber, int slot, const std::string& text) {
    if (FMain) {
        FMain->BankPanel().PrepareRenameBox(bankNumber, slot, text);
    }
}

void TWindowsView::ShowRenameBox() {
    if (FMain) {
        FMain->BankPanel().ShowRenameBox();
    }
}

void TWindowsView::HideRenameBox() {
    if (FMain) {
        FMain->BankPanel().HideRenameBox();
    }
}

void TWindowsView::FocusRenameBox() {
    if (FMain) {
        FMain->BankPanel().FocusRenameBox();
    }
}

void TWindowsView::RestoreFocus(int focusView) {
    if (FMain) {
        FMain->RestoreFocus(focusView);
    }
}

void TWindowsView::ShowLibMenu(bool swapVisible) {
    if (FMain) {
        FMain->ShowLibMenu(swapVisible);
    }
}

void TWindowsView::ShowGridEditor(int column, int row, const std::string& text) {
    if (FMain) {
        FMain->ShowGridEditor(column, row, text);
    }
}

void TWindowsView::HideGridEditor() {
    if (FMain) {
        FMain->HideGridEditor();
    }
}

void TWindowsView::FocusGridEditor() {
    if (FMain) {
        FMain->FocusGridEditor();
    }
}

void TWindowsView::ScrollLibraryTo(int row) {
    if (FMain) {
        FMain->ScrollLibraryTo(row);
    }
}

void TWindowsView::ShowLibraryPage() {
    if (FMain) {
        FMain->ShowLibraryPage();
    }
}

bool TWindowsView::AskSequenceRename(const std::string& baseName, int count, int& start,
                                     int& width) {
    return FSeqRename != nullptr && FSeqRename->Ask(baseName, count, start, width);
}

void TWindowsView::EnableMixAndMorph(bool mix, bool morph) {
    if (FMain) {
        FMain->EnableMixAndMorph(mix, morph);
    }
}

void TWindowsView::ShowUndoState(const std::string& undoText, const std::string& redoText) {
    if (FMain) {
        FMain->ShowUndoState(undoText, redoText);
    }
}

void TWindowsView::ShowLibraryFilter(int visible, int total) {
    if (FMain) {
        FMain->ShowLibraryFilter(visible, total);
    }
}

} // namespace velcora
