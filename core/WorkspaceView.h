#pragma once

#include "LoadMethod.h"

#include <string>
#include <vector>

namespace velcora {

/// What the workspace changes on the main window's face; the windows implement it, the
/// tests record it.
class IWorkspaceView {
public:
    virtual ~IWorkspaceView() = default;

    /// Tab 0..3 the user banks, 4 the ROM bank.
    virtual void SetBankTabCaption(int tab, const std::string& caption) = 0;
    /// The edit buffer's category field and name field.
    virtual void ShowEditBufferName(const std::string& category, const std::string& name) = 0;
    /// Shows a user bank's tab as if the person had chosen it.
    virtual void ShowUserTab(int bank) = 0;
    /// The ROM tab's label with the ROM bank file's name.
    virtual void ShowRomBankFile(const std::string& fileName) = 0;

    // What identification shows.
    virtual void SetCaption(const std::string& caption) = 0;
    /// The splash window's two title labels.
    virtual void ShowSplashModel(const std::string& modelName) = 0;
    /// The setup dialog's synth name, blank-file name and the two pauses.
    virtual void ShowSetupSynth(const std::string& synthName) = 0;
    virtual void ShowSetupBlankName(const std::string& blankName) = 0;
    virtual void ShowSetupTimes(int timeBetweenSysex, int timeBetweenPatches) = 0;
    /// The ROM list and the ROM bank list, with the selected entry. A selection made here
    /// is the program's: it must not run the person's choice (cbROMListChange,
    /// cbROMBankListChange) again.
    virtual void SetRomList(const std::vector<std::string>& items, int selected) = 0;
    virtual void SetRomBankList(const std::vector<std::string>& items, int selected) = 0;

    // What the transfers show.
    /// The progress bar and the cancel button: shown with a maximum and a position, or hidden.
    virtual void ShowProgress(bool visible, int maximum, int position) = 0;
    /// The commands a transfer disables; the two selection commands separately.
    virtual void EnableCommands(bool on, bool selectionCommands) = 0;
    virtual void EnableRomLists(bool on) = 0;
    /// The ROM fetch method group. Shown only: the person's click (rgLoadMethodClick) is not
    /// run for it.
    virtual void ShowLoadMethod(TLoadMethod method) = 0;
    /// Moves a bank view's cursor to a slot's row.
    virtual void ShowCursor(int bankNumber, int slot) = 0;

    // What the bank views' commands show.
    /// bbUserToLib, and the pair bbGetSelected / bbSendSelected.
    virtual void EnableSelectionCommands(bool userToLib, bool getSendSelected) = 0;
    /// The library's Mix and Morph buttons.
    virtual void EnableMixMorph(bool on) = 0;
    /// Opens the bank popup menu at the pointer, with "Swap" listed or not.
    virtual void ShowBankMenu(bool swapVisible) = 0;
    /// Prepares the rename box, still hidden, over the name cell of a slot of a bank view
    /// (bankNumber 0..3, or 99 the ROM bank), holding text.
    virtual void PrepareRenameBox(int bankNumber, int slot, const std::string& text) = 0;
    /// Shows the prepared rename box with its whole text selected, and gives it the focus.
    virtual void ShowRenameBox() = 0;
    virtual void HideRenameBox() = 0;
    /// Gives the showing rename box the focus back.
    virtual void FocusRenameBox() = 0;
    /// Gives the focus to a view: 0 the library grid, 1..4 user banks 0..3, 5 the ROM view;
    /// nothing when the main window is not visible.
    virtual void RestoreFocus(int focusView) = 0;

    // What the library grid's commands show. Rows are the grid's: 0 the title row, row r
    // (1..) the library's patch r - 1.
    /// Opens the library popup menu at the pointer, with "Swap" listed or not.
    virtual void ShowLibMenu(bool swapVisible) = 0;
    /// Shows the in-cell editor over a cell holding text, its text selected, with the focus.
    virtual void ShowGridEditor(int column, int row, const std::string& text) = 0;
    /// Hides the in-cell editor and gives the grid the focus.
    virtual void HideGridEditor() = 0;
    /// Gives the showing in-cell editor the focus back.
    virtual void FocusGridEditor() = 0;
    /// Makes row the grid's first visible row (as far as the grid can scroll).
    virtual void ScrollLibraryTo(int row) = 0;
    /// Shows the " Patch Library " tab (after the "New Library" tab acted).
    virtual void ShowLibraryPage() = 0;
    /// The sequence rename dialog, modal, for count patches named baseName (at most 12
    /// characters). True when the person answered Yes, with the first number and the width
    /// of the numbers; false for No or a closed window.
    virtual bool AskSequenceRename(const std::string& baseName, int count, int& start,
                                   int& width) = 0;
    /// The library's Mix and Morph buttons each on its own: Mix wants two or more marked
    /// patches, Morph exactly two.
    virtual void EnableMixAndMorph(bool mix, bool morph) = 0;

    // What the additions to the library and the history show.
    /// What Undo and Redo would take back or do again (the step's label), empty when there is
    /// nothing: the windows enable their undo and redo commands by it.
    virtual void ShowUndoState(const std::string& undoText, const std::string& redoText) = 0;
    /// The library filter changed or the library did under it: the grid shows the rows that
    /// pass (LibRowVisible) and the count "visible of total".
    virtual void ShowLibraryFilter(int visible, int total) = 0;
};

/// A face that shows nothing: for runs without windows (the command-line program, benchmarks,
/// fuzzing), which override what they want to show.
class TSilentWorkspaceView : public IWorkspaceView {
public:
    void SetBankTabCaption(int, const std::string&) override {}
    void ShowEditBufferName(const std::string&, const std::string&) override {}
    void ShowUserTab(int) override {}
    void ShowRomBankFile(const std::string&) override {}
    void SetCaption(const std::string&) override {}
    void ShowSplashModel(const std::string&) override {}
    void ShowSetupSynth(const std::string&) override {}
    void ShowSetupBlankName(const std::string&) override {}
    void ShowSetupTimes(int, int) override {}
    void SetRomList(const std::vector<std::string>&, int) override {}
    void SetRomBankList(const std::vector<std::string>&, int) override {}
    void ShowProgress(bool, int, int) override {}
    void EnableCommands(bool, bool) override {}
    void EnableRomLists(bool) override {}
    void ShowLoadMethod(TLoadMethod) override {}
    void ShowCursor(int, int) override {}
    void EnableSelectionCommands(bool, bool) override {}
    void EnableMixMorph(bool) override {}
    void ShowBankMenu(bool) override {}
    void PrepareRenameBox(int, int, const std::string&) override {}
    void ShowRenameBox() override {}
    void HideRenameBox() override {}
    void FocusRenameBox() override {}
    void RestoreFocus(int) override {}
    void ShowLibMenu(bool) override {}
    void ShowGridEditor(int, int, const std::string&) override {}
    void HideGridEditor() override {}
    void FocusGridEditor() override {}
    void ScrollLibraryTo(int) override {}
    void ShowLibraryPage() override {}
    bool AskSequenceRename(const std::string&, int, int&, int&) override { return false; }
    void EnableMixAndMorph(bool, bool) override {}
    void ShowUndoState(const std::string&, const std::string&) override {}
    void ShowLibraryFilter(int, int) override {}
};

} // namespace velcora
