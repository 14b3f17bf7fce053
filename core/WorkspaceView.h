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
};

} // namespace velcora
