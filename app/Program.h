#pragma once

#include "ProgramPlaces.h"
#include "WindowsView.h"

#include <memory>
#include <string>

namespace velcora {

class IDialogs;
class IMidiDriver;
class TWorkspace;
class TfMain;
class TfPatchList;
class TfSeqRename;
class TfSetMidi;
class TfSplash;

using TProgramPlaces = TRunPlaces;

/// The program's start-up and its lifetime: the workspace and the windows, made in the order
/// the program needs (the splash, the main window hidden, then the setup dialog, whose
/// creation opens the saved ports and looks for the synth), and unmade in the reverse order.
/// The program entry and the tests build it alike. Needs a QApplication.
class TProgram {
public:
    /// synthDevice: a device to use for both synth ports instead of the saved ones, chosen in
    /// the setup dialog for this run only (the settings file keeps the saved devices); empty
    /// for the saved ones.
    TProgram(IDialogs& dialogs, IMidiDriver& driver, const TProgramPlaces& places,
             const std::string& synthDevice = {});
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;
    /// Destroys the windows first, the setup dialog (which writes the device choices) before
    /// the others, then the workspace, which closes the ports.
    ~TProgram();

    /// Shows the splash, whose schedule then brings up the main window.
    void Start();

    TWorkspace& Workspace() { return *FWorkspace; }
    TfSplash& Splash() { return *FSplash; }
    TfMain& Main() { return *FMain; }
    TfSetMidi& SetupDialog() { return *FSetMidi; }
    TfPatchList& PatchList() { return *FPatchList; }
    TfSeqRename& SeqRename() { return *FSeqRename; }

private:
    /// The splash is done: the main window comes up, with the setup dialog when no synth
    /// answered.
    void SplashFinished(bool withSetup);

    // The view outlives the workspace that talks to it.
    TWindowsView FView;
    std::unique_ptr<TWorkspace> FWorkspace;
    std::unique_ptr<TfSplash> FSplash;
    std::unique_ptr<TfMain> FMain;
    std::unique_ptr<TfSetMidi> FSetMidi;
    std::unique_ptr<TfPatchList> FPatchList;
    std::unique_ptr<TfSeqRename> FSeqRename;
};

} // namespace velcora
