// The library grid: selection, audition, sorting, the in-cell editor, the popup menu's
// commands, the shortcuts and the library buttons.
#include "Dialogs.h"
#include "Workspace.h"
#include "WorkspaceView.h"

#include <algorithm>
#include <cstdio>

namespace velcora {

namespace {

constexpr size_t TypeLength = 3;
constexpr size_t NameLength = 12;
/// The grid rows a bank added last stay in view when the grid is longer than this.
constexpr int RowsBeforeScroll = 50;
/// How far above the end the grid's top row goes after a bank was added.
constexpr int RowsShownAfterAdd = 129;

/// A running number with leading zeros to width digits.
std::string Numbered(int number, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*d", width, number);
    return text;
}

} // namespace

std::string TWorkspace::DuplicatesQuestion(int count) {
    return std::to_string(count) +
           " Selected duplicates ignoring the name\n\n             Press OK to delete.";
}

std::string TWorkspace::LibraryFullText(int leftOut) {
    return "The library is full: it holds at most " + std::to_string(TPatchLib::MaxPatches) +
           " patches.\n" + std::to_string(leftOut) +
           (leftOut == 1 ? " patch was not added." : " patches were not added.");
}

TPatchRec* TWorkspace::LibPatchAt(int row) {
    // A row the filter hides is out of every command's reach, as if beyond the last.
    return LibRowVisible(row) && row >= 1 ? &FLib->Patch(row - 1) : nullptr;
}

void TWorkspace::AuditionLibPatch(int row) {
    TPatchRec* patch = LibPatchAt(row);
    if (patch == nullptr || FRunning == TRunning::Transfer) {
        return;
    }
    RunGuarded([&] { AuditionCopy(*patch); });
}

void TWorkspace::LeaveBanksForLibrary() {
    for (int view = 0; view <= RomTab; ++view) {
        ViewBank(view)->DeselectAllAndRepaint();
    }
    UpdateSelectionButtons();
}

bool TWorkspace::RefusedDuringImport() {
    // The import adds to the library as it goes, and knows its duplicates by their rows: a
    // command that changes the library under it would reach rows it adds meanwhile.
    if (FRunning != TRunning::Import) {
        return false;
    }
    FCtx.Dialogs.MessageBox(TMessageKind::Warning, LibraryDuringImport, TButtons::Ok);
    return true;
}

void TWorkspace::SortLibrary(int column) {
    if (column < 0 || column >= TPatchLib::ColumnCount || RefusedDuringImport()) {
        return;
    }
    if (column != FLibSortColumn) {
        FLibSortDescending = false;
    }
    FLibSortColumn = column;
    FLib->Sort(column, FLibSortDescending);
    FLibSortDescending = !FLibSortDescending;
    ReapplyLibraryFilter();
    CommitUndoStep("Sort");
}

void TWorkspace::sgLibMouseDown(TMouseButton button, TShiftState shift, int column, int row) {
    FLibPressShift = shift;
    if (shift.Alt || (shift.Ctrl && shift.Shift)) {
        return;
    }
    FPressedInView = true;
    FLibPressPending = true;
    // A click in a bank view must not take this press for one of its own.
    FPressView = -1;
    FLibPressButton = button;
    FLibPressColumn = column;
    FLibPressRow = row;
    if (row == 0) {
        SortLibrary(column);
        return;
    }
    if (FGridEditorShowing) {
        FView.FocusGridEditor();
        return;
    }
    LeaveBanksForLibrary();
    FFocusView = 0;
    TPatchRec* patch = LibPatchAt(row);
    if (button != TMouseButton::Right || patch == nullptr) {
        return;
    }
    if (patch->Selected()) {
        FLib->BuildSelection();
        FView.ShowLibMenu(FLib->Selection().size() == 2);
        return;
    }
    // Outside a transfer the flag is already clear; inside one, clearing it would send the
    // rest of a ROM fetch into the current user bank.
    if (FRunning != TRunning::Transfer) {
        FRomXfer = false;
    }
    AuditionLibPatch(row);
}

void TWorkspace::sgLibClick() {
    if (!FPressedInView || !FLibPressPending) {
        return;
    }
    FPressedInView = false;
    FLibPressPending = false;
    if (FLibPressShift.Alt || (FLibPressShift.Ctrl && FLibPressShift.Shift) ||
        FLibPressButton != TMouseButton::Left || FGridEditorShowing) {
        return;
    }
    TPatchRec* patch = LibPatchAt(FLibPressRow);
    if (patch == nullptr) {
        return;
    }
    const int index = FLibPressRow - 1;
    if (FLibPressShift.Ctrl) {
        patch->SetSelected(!patch->Selected());
    } else {
        int first = -1;
        for (int i = 0; i < FLib->Count() && FLibPressShift.Shift; ++i) {
            if (FLib->Patch(i).Selected()) {
                first = i;
                break;
            }
        }
        FLib->DeselectAll();
        const int from = first < 0 ? index : std::min(first, index);
        const int to = first < 0 ? index : std::max(first, index);
        // A range takes only the rows that show: the hidden ones between stay unmarked.
        for (int i = from; i <= to; ++i) {
            if (LibRowVisible(i + 1)) {
                FLib->Patch(i).SetSelected(true);
            }
        }
    }
    FLib->Repaint();
    FLib->BuildSelection();
    const size_t marked = FLib->Selection().size();
    SetMixMorph(marked >= 2, marked == 2);
}

void TWorkspace::sgLibMenuKey(int column, int row) {
    TPatchRec* patch = LibPatchAt(row);
    if (patch == nullptr) {
        return;
    }
    if (FGridEditorShowing) {
        FView.FocusGridEditor();
        return;
    }
    if (!patch->Selected()) {
        sgLibMouseDown(TMouseButton::Left, {}, column, row);
        sgLibClick();
    }
    sgLibMouseDown(TMouseButton::Right, {}, column, row);
    // A right press leaves its click to come; a key has none.
    FPressedInView = false;
    FLibPressPending = false;
}

void TWorkspace::sgLibDblClick(int row) {
    TPatchRec* patch = LibPatchAt(row);
    if (patch == nullptr) {
        return;
    }
    if (FRunning != TRunning::Transfer) {
        FRomXfer = false;
    }
    AuditionLibPatch(row);
    FLib->DeselectAllAndRepaint();
    patch->SetSelected(true);
    FLib->Repaint();
}

bool TWorkspace::sgLibKeyDown(int key, TShiftState shift, int row) {
    if (key != TKey::Shift && key != TKey::Ctrl) {
        FPressedInView = false;
        FLibPressPending = false;
    }
    if (key == TKey::Up || key == TKey::Down) {
        // The next row that shows: the grid's neighbour under the filter.
        const int step = key == TKey::Up ? -1 : 1;
        const int next = NextVisibleLibRow(row + step, step);
        if (LibPatchAt(row) == nullptr || LibPatchAt(next) == nullptr) {
            return false;
        }
        AuditionLibPatch(next);
        FLib->DeselectAll();
        LibPatchAt(next)->SetSelected(true);
        FLib->BuildSelection();
        FLib->Repaint();
        return false;
    }
    if (key == TKey::Delete) {
        pmLibDeleteClick();
        return true;
    }
    if (!shift.Ctrl) {
        return false;
    }
    switch (key) {
    case TKey::C:
        pmLibCopyClick();
        return true;
    case TKey::V:
        pmLibPasteClick();
        return true;
    case TKey::L:
    case TKey::O:
        bbLoadLibClick();
        return true;
    case TKey::S:
        bbSaveLibClick();
        return true;
    case TKey::Z:
    case TKey::Y:
        HistoryKey(key, shift);
        return true;
    default:
        return false;
    }
}

void TWorkspace::pmLibEditClick() {
    if (RefusedDuringImport()) {
        return;
    }
    const TPatchRec* patch = LibPatchAt(FLibPressRow);
    if (patch == nullptr || !patch->Selected() || FLibPressColumn < 0 ||
        FLibPressColumn >= TPatchLib::ColumnCount) {
        return;
    }
    FGridEditorShowing = true;
    FGridEditColumn = FLibPressColumn;
    FView.ShowGridEditor(FLibPressColumn, FLibPressRow,
                         TPatchLib::CellText(*patch, FLibPressColumn));
    FLib->MarkModified();
}

void TWorkspace::pmLibCopyClick() {
    FLib->CopySelection();
}

void TWorkspace::pmLibPasteClick() {
    if (RefusedDuringImport()) {
        return;
    }
    FLib->Paste();
    FLib->MarkModified();
    ReapplyLibraryFilter();
    CommitUndoStep("Paste");
}

void TWorkspace::pmLibDeleteClick() {
    if (RefusedDuringImport()) {
        return;
    }
    FLib->DeleteSelected();
    FLib->MarkModified();
    ReapplyLibraryFilter();
    CommitUndoStep("Delete");
}

void TWorkspace::pmLibSwapClick() {
    if (RefusedDuringImport()) {
        return;
    }
    FLib->SwapTwo();
    FLib->MarkModified();
    ReapplyLibraryFilter();
    CommitUndoStep("Swap");
}

void TWorkspace::eGridEditKeyUp(const std::string& text, int key) {
    if (!FGridEditorShowing || (key != TKey::Escape && key != TKey::Enter)) {
        return;
    }
    FGridEditorShowing = false;
    FView.HideGridEditor();
    if (key == TKey::Enter && !RefusedDuringImport()) {
        ApplyGridEdit(text);
    }
}

void TWorkspace::ApplyGridEdit(const std::string& text) {
    FLib->BuildSelection();
    const std::vector<int> marked = FLib->Selection();
    const int column = FGridEditColumn;
    std::string cell = text;
    bool numbering = false;
    int number = 0;
    int width = 1;
    if (column == 0) {
        cell = cell.substr(0, TypeLength);
    } else if (column == 1) {
        cell = cell.substr(0, NameLength);
        if (marked.size() > 1 &&
            FView.AskSequenceRename(cell, static_cast<int>(marked.size()), number, width)) {
            numbering = true;
            // The numbers and the blank before them must fit the 12 characters of a name.
            width = std::clamp(width, 1, static_cast<int>(NameLength) - 1);
            number = std::max(number, 0);
        }
    } else {
        cell = cell.substr(0, TPatchRec::MaxNoteLength);
    }
    for (int index : marked) {
        TPatchRec& patch = FLib->Patch(index);
        if (column >= 2) {
            patch.SetNote(column - 2, cell);
            continue;
        }
        std::string type = column == 0 ? cell : patch.TypePart();
        std::string name = patch.NamePart();
        if (column == 1) {
            name = numbering ? cell.substr(0, NameLength - 1 - static_cast<size_t>(width)) + " " +
                                   Numbered(number++, width)
                             : cell;
        }
        type.resize(TypeLength, ' ');
        patch.SetName(type + ":" + name, FCtx.Sizes);
    }
    if (!marked.empty()) {
        FLib->ShowRows(marked.front(), marked.back());
    }
    // A new name or note may no longer hold the filter's words.
    ReapplyLibraryFilter();
    CommitUndoStep("Edit");
    FView.RestoreFocus(0);
}

void TWorkspace::bbLoadLibClick() {
    if (RefusedDuringImport()) {
        return;
    }
    // The library marks itself saved only when a file was read: a cancelled or failed load
    // leaves unsaved work unsaved.
    FLib->LoadFileDialog();
    ReapplyLibraryFilter();
    CommitUndoStep("Load Library");
}

void TWorkspace::bbSaveLibClick() {
    // Saved under the import, the library would be marked saved while it goes on growing.
    if (RefusedDuringImport()) {
        return;
    }
    FLib->SaveFileDialog();
    AbsorbUndoState();
}

void TWorkspace::bbDeDupClick() {
    if (RefusedDuringImport()) {
        return;
    }
    // Among the rows that show only: a duplicate the person cannot see must not be marked,
    // nor one whose earlier equal is hidden.
    const int duplicates = FLib->DeDup([this](int index) { return LibRowVisible(index + 1); });
    if (duplicates == 0) {
        FCtx.Dialogs.MessageBox(TMessageKind::Information, NoDuplicates, TButtons::Ok);
        return;
    }
    if (FCtx.Dialogs.MessageBox(TMessageKind::Confirmation, DuplicatesQuestion(duplicates),
                                TButtons::OkCancel) == TAnswer::Ok &&
        !RefusedDuringImport()) {
        FLib->DeleteSelected();
        ReapplyLibraryFilter();
        CommitUndoStep("Delete Duplicates");
    }
}

void TWorkspace::bbMixPatchesClick() {
    if (RefusedDuringImport()) {
        return;
    }
    TPatchBank& target = FTab == RomTab ? *FRomBank : CurUserBank();
    FLib->BuildSelection();
    const size_t marked = FLib->Selection().size();
    // The buttons follow clicks only: deleting, sorting or pasting can leave this one
    // enabled over a selection that no longer suits.
    if (marked < 2) {
        SetMixMorph(false, false);
        return;
    }
    if (TransferOn(target)) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning, GenerateDuringTransfer, TButtons::Ok);
        return;
    }
    if (FLib->Mix(target)) {
        MarkDirty(target);
        CommitUndoStep("Mix");
    }
}

void TWorkspace::bbMorphPatchesClick() {
    if (RefusedDuringImport()) {
        return;
    }
    TPatchBank& target = FTab == RomTab ? *FRomBank : CurUserBank();
    FLib->BuildSelection();
    const size_t marked = FLib->Selection().size();
    if (marked != 2) {
        SetMixMorph(marked >= 2, false);
        return;
    }
    if (TransferOn(target)) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning, GenerateDuringTransfer, TButtons::Ok);
        return;
    }
    if (FLib->Morph(target)) {
        MarkDirty(target);
        CommitUndoStep("Morph");
    }
}

void TWorkspace::AddBankToLibrary(TPatchBank& bank, bool onlyMarked) {
    FLib->DeselectAllAndRepaint();
    std::vector<int> wanted;
    for (int i = 0; i < TPatchBank::SlotCount; ++i) {
        if (!onlyMarked || bank.Slot(i).Selected()) {
            wanted.push_back(i);
        }
    }
    int leftOut = 0;
    for (int slot : wanted) {
        if (!FLib->Add(bank.Slot(slot))) {
            ++leftOut;
        }
    }
    ReapplyLibraryFilter();
    const int rows = FLib->Count() + 1;
    if (rows > RowsBeforeScroll) {
        FView.ScrollLibraryTo(std::max(1, rows - RowsShownAfterAdd));
    }
    CommitUndoStep("Add to Library");
    if (leftOut > 0) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning, LibraryFullText(leftOut), TButtons::Ok);
    }
}

void TWorkspace::bbUserToLibClick() {
    if (RefusedDuringImport()) {
        return;
    }
    AddBankToLibrary(CurUserBank(), FOptions.UserToLib == 1);
}

void TWorkspace::bbRomToLibClick() {
    if (RefusedDuringImport()) {
        return;
    }
    AddBankToLibrary(*FRomBank, false);
}

void TWorkspace::bbEditToLibClick() {
    if (RefusedDuringImport()) {
        return;
    }
    if (!FLib->Add(*FEditPatch)) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning, LibraryFullText(1), TButtons::Ok);
    }
    ReapplyLibraryFilter();
    CommitUndoStep("Add to Library");
    FView.ScrollLibraryTo(FLib->Count());
}

void TWorkspace::pcPatchChange(int page) {
    if (page != 1) {
        return;
    }
    if (RefusedDuringImport()) {
        FView.ShowLibraryPage();
        return;
    }
    // The editor's text was meant for a patch of the library being replaced.
    if (FGridEditorShowing) {
        FGridEditorShowing = false;
        FView.HideGridEditor();
    }
    FLib->NewLibrary();
    ReapplyLibraryFilter();
    CommitUndoStep("New Library");
    FView.ShowLibraryPage();
}

} // namespace velcora
