// Importing preset collections: files and folders of dumps added to the library a few files
// at a time on a timer, so the window stays live and the cancel button works.
#include "Dialogs.h"
#include "LibraryImport.h"
#include "PatchMessages.h"
#include "Workspace.h"
#include "WorkspaceView.h"

#include <chrono>

namespace velcora {

namespace {

const std::string ImportFilesTitle = "Import Presets";
const std::string ImportFolderTitle = "Import a Folder of Presets";
const std::string ImportFilter = "Sysex files (*.syx)|*.SYX|All files (*)|*";
const std::string ImportDuringTransfer =
    "A transfer is running. Import when it has ended or been cancelled.";
const std::string ImportSection = "Import";
const std::string SkipDuplicatesKey = "SkipDuplicates";

// Rows of the library kept in view after an import, as after adding a bank.
constexpr int RowsBeforeScroll = 50;
constexpr int RowsShownAfterAdd = 129;

/// How long one tick of the import timer may read files before the window gets its turn.
constexpr auto TickBudget = std::chrono::milliseconds(40);

} // namespace

void TWorkspace::TImportEnd::operator()(TLibraryImport* import) const {
    delete import;
}

void TWorkspace::bbImportLibClick() {
    const TPathsChoice choice =
        FCtx.Dialogs.OpenPaths(ImportFilesTitle, ImportFilter, FCtx.PatchesDir, false);
    if (choice.Accepted) {
        ImportPaths(choice.Paths);
    }
}

void TWorkspace::bbImportFolderClick() {
    const TPathsChoice choice =
        FCtx.Dialogs.OpenPaths(ImportFolderTitle, ImportFilter, FCtx.PatchesDir, true);
    if (choice.Accepted) {
        ImportPaths(choice.Paths);
    }
}

void TWorkspace::ImportPaths(const std::vector<std::string>& paths) {
    if (paths.empty()) {
        return;
    }
    // Files dropped meanwhile are not taken: the person is told why.
    if (FRunning == TRunning::Import) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning, ImportDuringImport, TButtons::Ok);
        return;
    }
    if (FRunning == TRunning::Transfer) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning, ImportDuringTransfer, TButtons::Ok);
        return;
    }
    StartImport(paths);
}

void TWorkspace::cbImportSkipDuplicatesClick(bool on) {
    FIni.WriteInteger(ImportSection, SkipDuplicatesKey, on ? 1 : 0);
}

bool TWorkspace::ImportSkipDuplicates() const {
    return FIni.ReadInteger(ImportSection, SkipDuplicatesKey, 1) != 0;
}

void TWorkspace::ImportStatus(TWorkspaceStatus& s) const {
    s.ImportRunning = FRunning == TRunning::Import;
    s.ImportSkipDuplicates = ImportSkipDuplicates();
}

void TWorkspace::StartImport(const std::vector<std::string>& paths) {
    if (!FImportTimerWired) {
        FImportTimerWired = true;
        FImportTimer.setInterval(0);
        QObject::connect(&FImportTimer, &QTimer::timeout, &FImportTimer,
                         [this] { RunGuarded([this] { ImportTimerTimer(); }); });
    }
    FImport.reset(new TLibraryImport(*FLib, FCtx, ImportSkipDuplicates()));
    FImport->CollectFiles(paths);
    // The progress bar and the cancel button are the transfers': none may start meanwhile.
    FRunning = TRunning::Import;
    FView.ShowProgress(true, FImport->FileCount(), 0);
    EnableCommands();
    SetMixMorph(FMixOn, FMorphOn);
    FImportTimer.start();
}

void TWorkspace::ImportTimerTimer() {
    if (!FImport) {
        FImportTimer.stop();
        return;
    }
    const auto until = std::chrono::steady_clock::now() + TickBudget;
    while (!FImport->Finished() && std::chrono::steady_clock::now() < until) {
        FImport->ImportNext();
    }
    if (FImport->Finished()) {
        EndImport();
        return;
    }
    FView.ShowProgress(true, FImport->FileCount(), FImport->FilesDone());
}

void TWorkspace::EndImport() {
    FImportTimer.stop();
    if (!FImport) {
        return;
    }
    const TImportSummary summary = FImport->Summary();
    FImport.reset();
    FRunning = TRunning::None;
    FView.ShowProgress(false, 0, 0);
    EnableCommands();
    SetMixMorph(FMixOn, FMorphOn);
    FLib->Redraw();
    if (summary.Added > 0) {
        FLib->MarkModified();
        const int rows = FLib->Count() + 1;
        if (rows > RowsBeforeScroll) {
            FView.ScrollLibraryTo(std::max(1, rows - RowsShownAfterAdd));
        }
        CommitUndoStep("Import");
    }
    ReapplyLibraryFilter();
    FCtx.Dialogs.MessageBox(TMessageKind::Information, summary.Text(), TButtons::Ok);
}

} // namespace velcora
