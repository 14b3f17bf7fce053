#pragma once

#include "WorkspaceView.h"

#include <map>
#include <optional>
#include <string>
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
    void EnableMixMorph(bool on) override { MixMorphOn = on; }
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

    std::optional<bool> UserToLibOn;
    std::optional<bool> GetSendSelectedOn;
    std::optional<bool> MixMorphOn;
    int MenusOpened = 0;
    bool MenuSwapVisible = false;
    int RenameBank = -1;
    int RenameSlot = -1;
    std::string RenameText;
    bool RenameShowing = false;
    int RenameFocused = 0;
    int FocusedView = -1;
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
