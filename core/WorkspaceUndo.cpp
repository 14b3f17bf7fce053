#include "Dialogs.h"
#include "Workspace.h"
#include "WorkspaceView.h"

#include <algorithm>

namespace velcora {

TPatchBank& TWorkspace::UndoBank(int container) {
    return container == TUndoHistory::RomBank ? *FRomBank : UserBank(container);
}

std::array<std::optional<TUndoHistory::TSnapList>, TUndoHistory::ContainerCount>
TWorkspace::CaptureContainers() {
    std::array<std::optional<TUndoHistory::TSnapList>, TUndoHistory::ContainerCount> lists;
    for (int c = 0; c < TUndoHistory::Library; ++c) {
        const TPatchBank& bank = UndoBank(c);
        // A fetch fills its bank slot by slot: it becomes one step when it ends, not part of
        // whatever else is done meanwhile.
        if (TransferOn(bank) && !FSending) {
            continue;
        }
        lists[static_cast<size_t>(c)] = FUndo.CaptureBank(c, bank);
    }
    lists[TUndoHistory::Library] = FUndo.CaptureLibrary(*FLib);
    return lists;
}

std::array<bool, TUndoHistory::ContainerCount> TWorkspace::CleanMarks() const {
    std::array<bool, TUndoHistory::ContainerCount> clean{};
    for (int c = 0; c < TUndoHistory::Library; ++c) {
        clean[static_cast<size_t>(c)] = !FBankDirty[static_cast<size_t>(c)];
    }
    clean[TUndoHistory::Library] = !FLib->Modified();
    return clean;
}

TUndoHistory::TSources TWorkspace::Sources() const {
    TUndoHistory::TSources sources;
    for (int c = 0; c < TUndoHistory::RomBank; ++c) {
        sources[static_cast<size_t>(c)].FileName = FUserBank[static_cast<size_t>(c)]->FileName();
    }
    sources[TUndoHistory::RomBank] = {FRomBank->FileName(), FRomBankLabel};
    sources[TUndoHistory::Library] = {FLib->FileName(), FLib->RememberedFile()};
    return sources;
}

void TWorkspace::CommitUndoStep(const std::string& label) {
    FUndo.Commit(label, CaptureContainers(), CleanMarks(), Sources());
    ReportUndoState();
}

void TWorkspace::AbsorbUndoState() {
    FUndo.Absorb(CaptureContainers(), CleanMarks(), Sources());
}

void TWorkspace::ClearUndoHistory() {
    std::array<TUndoHistory::TSnapList, TUndoHistory::ContainerCount> lists;
    for (int c = 0; c < TUndoHistory::Library; ++c) {
        lists[static_cast<size_t>(c)] = FUndo.CaptureBank(c, UndoBank(c));
    }
    lists[TUndoHistory::Library] = FUndo.CaptureLibrary(*FLib);
    FUndo.Reset(std::move(lists), CleanMarks(), Sources());
    ReportUndoState();
}

void TWorkspace::Undo() {
    StepHistory(true);
}

void TWorkspace::Redo() {
    StepHistory(false);
}

void TWorkspace::HistoryKey(int key, TShiftState shift) {
    // Ctrl+Z takes back; Ctrl+Shift+Z and Ctrl+Y do again, as people know them from elsewhere.
    if (key == TKey::Z && !shift.Shift) {
        Undo();
    } else {
        Redo();
    }
}

void TWorkspace::StepHistory(bool back) {
    if (back ? !FUndo.CanUndo() : !FUndo.CanRedo()) {
        return;
    }
    // An import adds to the library as it goes: a step taken back under it would be mixed
    // with what it adds next.
    if (FRunning != TRunning::None) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning, UndoDuringTransfer, TButtons::Ok);
        return;
    }
    // Their text was meant for a patch that the step may move or take away.
    if (FRenameShowing) {
        FRenameShowing = false;
        FView.HideRenameBox();
    }
    if (FGridEditorShowing) {
        FGridEditorShowing = false;
        FView.HideGridEditor();
    }
    if (back) {
        FUndo.Undo();
    } else {
        FUndo.Redo();
    }
    ReportUndoState();
}

void TWorkspace::RestoreContainer(int container, const TUndoHistory::TSnapList& list, bool modified,
                                  const TUndoHistory::TSource* source) {
    if (container == TUndoHistory::Library) {
        std::vector<const TPatchRec*> patches;
        patches.reserve(list.size());
        for (const auto& snap : list) {
            patches.push_back(snap.get());
        }
        FLib->ReplaceAll(patches);
        FUndo.BindLibrary(*FLib);
        // With the contents of another file goes its name: a save then writes them back
        // where they came from, never over the file whose load was taken back.
        if (source != nullptr) {
            FLib->RestoreFile(source->FileName, source->Remembered);
        }
        FLib->UpdateTitle();
        if (modified) {
            FLib->MarkModified();
        } else {
            FLib->SetModified(false);
        }
        ReapplyLibraryFilter();
        return;
    }
    TPatchBank& bank = UndoBank(container);
    if (source != nullptr) {
        bank.SetFileName(source->FileName);
        if (container == TUndoHistory::RomBank) {
            ShowRomBankLabel(source->Remembered);
        }
    }
    const int count = std::min(static_cast<int>(list.size()), TUndoHistory::BankSlots);
    for (int i = 0; i < count; ++i) {
        list[static_cast<size_t>(i)]->CopyTo(bank.Slot(i));
        bank.Slot(i).SetSelected(false);
    }
    bank.BuildSelection(true);
    bank.ShowNames();
    if (modified) {
        MarkDirty(bank);
    } else {
        MarkClean(bank);
    }
    if (&bank == &CurUserBank()) {
        UpdateSelectionButtons();
    }
}

void TWorkspace::ReportUndoState() {
    FView.ShowUndoState(FUndo.UndoText(), FUndo.RedoText());
}

} // namespace velcora
