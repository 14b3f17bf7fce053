#pragma once

#include "WorkspaceView.h"

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velcora::test {

/// Records what the workspace shows on the main window, the splash and the setup dialog.
class TRecordingView : public IWorkspaceView {
public:
    void SetBankTabCaption(int tab, const std::string& caption) override { Tabs[tab] = caption; }
    void ShowEditBufferName(const std::string& category, const std::string& name) override {
        EditCategory = category;
        EditName = name;
    }
    void ShowUserTab(int bank) override { UserTab = bank; }
    void ShowRomBankFile(const std::string& fileName) override { RomFile = fileName; }
    void SetCaption(const std::string& caption) override { Caption = caption; }
    void ShowSplashModel(const std::string& modelName) override { SplashModel = modelName; }
    void ShowSetupSynth(const std::string& synthName) override { SetupSynth = synthName; }
    void ShowSetupBlankName(const std::string& blankName) override { BlankName = blankName; }
    void ShowSetupTimes(int sysex, int patches) override {
        TimeBetweenSysex = sysex;
        TimeBetweenPatches = patches;
    }
    void SetRomList(const std::vector<std::string>& items, int selected) override {
        RomList = items;
        RomSelected = selected;
    }
    void SetRomBankList(const std::vector<std::string>& items, int selected) override {
        RomBankList = items;
        RomBankSelected = selected;
    }

    void ShowProgress(bool visible, int maximum, int position) override {
        ProgressVisible = visible;
        ProgressMax = maximum;
        ProgressPosition = position;
    }
    void EnableCommands(bool on, bool selectionCommands) override {
        CommandsOn = on;
        SelectionCommandsOn = selectionCommands;
    }
    void EnableRomLists(bool on) override { RomListsOn = on; }
    void ShowLoadMethod(TLoadMethod method) override { LoadMethod = method; }
    void ShowCursor(int bankNumber, int slot) override { Cursors[bankNumber] = slot; }
    void EnableSelectionCommands(bool userToLib, bool getSendSelected) override {
        UserToLibOn = userToLib;
        GetSendSelectedOn = getSendSelected;
    }
    void EnableMixMorph(bool on) override {
        MixMorphOn = on;
        MixOn = on;
        MorphOn = on;
    }
    void EnableMixAndMorph(bool mix, bool morph) override {
        MixOn = mix;
        MorphOn = morph;
    }
    void ShowUndoState(const std::string& undoText, const std::string& redoText) override {
        UndoText = undoText;
        RedoText = redoText;
    }
    void ShowLibraryFilter(int visible, int total) override {
        FilterVisible = visible;
        FilterTotal = total;
    }
    void ShowBankMenu(bool swapVisible) override {
        ++MenusOpened;
        MenuSwapVisible = swapVisible;
    }
    void PrepareRenameBox(int bankNumber, int slot, const std::string& text) override {
        RenameBank = bankNumber;
        RenameSlot = slot;
        RenameText = text;
    }
    void ShowRenameBox() override { RenameShowing = true; }
    void HideRenameBox() override { RenameShowing = false; }
    void FocusRenameBox() override { ++RenameFocused; }
    void RestoreFocus(int focusView) override { FocusedView = focusView; }
    void ShowLibMenu(bool swapVisible) override {
        ++LibMenusOpened;
        LibMenuSwapVisible = swapVisible;
    }
    void ShowGridEditor(int column, int row, const std::string& text) override {
        GridEditorShowing = true;
        GridEditorColumn = column;
        GridEditorRow = row;
        GridEditorText = text;
    }
    void HideGridEditor() override { GridEditorShowing = false; }
    void FocusGridEditor() override { ++GridEditorFocused; }
    void ScrollLibraryTo(int row) override { LibraryTopRow = row; }
    void ShowLibraryPage() override { ++LibraryPageShown; }
    bool AskSequenceRename(const std::string& baseName, int count, int& start,
                           int& width) override {
        SequenceAsked.push_back({baseName, count});
        if (!SequenceAnswer) {
            return false;
        }
        start = SequenceAnswer->first;
        width = SequenceAnswer->second;
        return true;
    }

    std::optional<bool> UserToLibOn;
    std::optional<bool> GetSendSelectedOn;
    std::optional<bool> MixMorphOn;
    /// The two buttons as last set, by either call.
    std::optional<bool> MixOn;
    std::string UndoText;
    std::string RedoText;
    int FilterVisible = -1;
    int FilterTotal = -1;
    std::optional<bool> MorphOn;
    int MenusOpened = 0;
    bool MenuSwapVisible = false;
    int RenameBank = -1;
    int RenameSlot = -1;
    std::string RenameText;
    bool RenameShowing = false;
    int RenameFocused = 0;
    int FocusedView = -1;
    int LibMenusOpened = 0;
    bool LibMenuSwapVisible = false;
    bool GridEditorShowing = false;
    int GridEditorColumn = -1;
    int GridEditorRow = -1;
    std::string GridEditorText;
    int GridEditorFocused = 0;
    int LibraryTopRow = -1;
    int LibraryPageShown = 0;
    /// What the sequence rename dialog was asked: the base name and the count.
    std::vector<std::pair<std::string, int>> SequenceAsked;
    /// The answer it gives: Yes with a start and a width, or No when empty.
    std::optional<std::pair<int, int>> SequenceAnswer;
    bool ProgressVisible = false;
    int ProgressMax = 0;
    int ProgressPosition = 0;
    bool CommandsOn = true;
    bool SelectionCommandsOn = false;
    bool RomListsOn = true;
    std::optional<TLoadMethod> LoadMethod;
    std::map<int, int> Cursors;
    std::map<int, std::string> Tabs;
    std::string EditCategory;
    std::string EditName;
    int UserTab = -1;
    std::string RomFile = "?";
    std::string Caption;
    std::string SplashModel;
    std::string SetupSynth;
    std::string BlankName;
    int TimeBetweenSysex = -1;
    int TimeBetweenPatches = -1;
    std::vector<std::string> RomList;
    int RomSelected = -2;
    std::vector<std::string> RomBankList;
    int RomBankSelected = -2;
};

} // namespace velcora::test
