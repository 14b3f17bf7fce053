#include "Program.h"

#include "BankPanel.h"
#include "MainWindow.h"
#include "PatchList.h"
#include "QtDialogs.h"
#include "SeqRename.h"
#include "SetMidi.h"
#include "Splash.h"
#include "Workspace.h"

#include <QApplication>
#include <QIcon>

namespace velcora {

TProgram::TProgram(IDialogs& dialogs, IMidiDriver& driver, const TProgramPlaces& places,
                   const std::string& synthDevice) {
    QApplication::setApplicationName("velcora");
    QApplication::setApplicationDisplayName(AppTitle);
    QApplication::setWindowIcon(QIcon(":/data/velcora.svg"));

    FWorkspace = std::make_unique<TWorkspace>(dialogs, FView, places.IniPath, places.StartDir,
                                              places.DocumentsDir, &driver);
    if (!synthDevice.empty()) {
        // The devices of this run are not the person's choice: the saved ones stay saved.
        FWorkspace->SetRememberDevices(false);
    }
    FSplash = std::make_unique<TfSplash>(*FWorkspace,
                                         [this](bool withSetup) { SplashFinished(withSetup); });
    FView.SetSplash(FSplash.get());
    FMain = std::make_unique<TfMain>(*FWorkspace);
    FView.SetMain(FMain.get());
    FSetMidi = std::make_unique<TfSetMidi>(*FWorkspace, FMain.get());
    FView.SetSetupDialog(FSetMidi.get());
    FMain->SetSetupDialog(FSetMidi.get());
    FPatchList = std::make_unique<TfPatchList>(*FWorkspace, dialogs, FMain.get());
    QObject::connect(&FMain->BankPanel(), &TBankPanel::patchListClicked, FPatchList.get(),
                     &TfPatchList::Open);
    FSeqRename = std::make_unique<TfSeqRename>(FMain.get());
    FView.SetSeqRename(FSeqRename.get());
    if (!synthDevice.empty()) {
        // Picked in the dialog as the person would, so that its lists show the choice.
        FSetMidi->ChooseDevices(synthDevice, synthDevice);
    }
}

TProgram::~TProgram() {
    FView.SetSeqRename(nullptr);
    FSeqRename.reset();
    FPatchList.reset();
    FView.SetSetupDialog(nullptr);
    FMain->SetSetupDialog(nullptr);
    FSetMidi.reset();
    FView.SetMain(nullptr);
    FMain.reset();
    FView.SetSplash(nullptr);
    FSplash.reset();
    FWorkspace.reset();
}

void TProgram::Start() {
    FSplash->show();
}

void TProgram::SplashFinished(bool withSetup) {
    FMain->show();
    FMain->raise();
    FMain->activateWindow();
    if (withSetup) {
        FMain->bSetupMidiClick();
    }
}

} // namespace velcora
