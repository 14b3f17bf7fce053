#pragma once

#include "WorkspaceView.h"

namespace velcora {

class TfMain;
class TfSeqRename;
class TfSetMidi;
class TfSplash;

/// The workspace's view interface over the program's windows: each call goes to the window
/// that shows it. A window not made yet (or already gone) is skipped: the workspace starts
/// talking while the windows are still being created.
class TWindowsView : public IWorkspaceView {
public:
    void SetSplash(TfSplash* splash) { FSplash = splash; }
    void SetMain(TfMain* main) { FMain = main; }
    void SetSetupDialog(TfSetMidi* setMidi) { FSetMidi = setMidi; }
    void SetSeqRename(TfSeqRename* seqRename) { FSeqRename = seqRename; }

    void SetBankTabCaption(int tab, const std::string& caption) override;
    void ShowEditBufferName(const std::string& category, const std::string& name) override;
    void ShowUserTab(int bank) override;
    void ShowRomBankFile(const std::string& fileName) override;
    void SetCaption(const std::string& caption) override;
    void ShowSplashModel(const std::string& modelName) override;
    void ShowSetupSynth(const std::string& synthName) override;
    void ShowSetupBlankName(const std::string& blankName) override;
    void ShowSetupTimes(int timeBetweenSysex, int timeBetweenPatches) override;
    void SetRomList(const std::vector<std::string>& items, int selected) override;
    void SetRomBankList(const std::vector<std::string>& items, int selected) override;
    void ShowProgress(bool visible, int maximum, int position) override;
    void EnableCommands(bool on, bool selectionCommands) override;
    void EnableRomLists(bool on) override;
    void ShowLoadMethod(TLoadMethod method) override;
    void ShowCursor(int bankNumber, int slot) override;
    void EnableSelectionCommands(bool userToLib, bool getSendSelected) override;
    void EnableMixMorph(bool on) override;
    void ShowBankMenu(bool swapVisible) override;
    void PrepareRenameBox(int bankNumber, int slot, const std::string& text) override;
    void ShowRenameBox() override;
    void HideRenameBox() override;
    void FocusRenameBox() override;
    void RestoreFocus(int focusView) override;
    void ShowLibMenu(bool swapVisible) override;
    void ShowGridEditor(int column, int row, const std::string& text) override;
    void HideGridEditor() override;
    void FocusGridEditor() override;
    void ScrollLibraryTo(int row) override;
    void ShowLibraryPage() override;
    bool AskSequenceRename(const std::string& baseName, int count, int& start, int& width) override;
    void EnableMixAndMorph(bool mix, bool morph) override;
    void ShowUndoState(const std::string& undoText, const std::string& redoText) override;
    void ShowLibraryFilter(int visible, int total) override;

private:
    TfSplash* FSplash = nullptr;
    TfMain* FMain = nullptr;
    TfSetMidi* FSetMidi = nullptr;
    TfSeqRename* FSeqRename = nullptr;
};

} // namespace velcora
