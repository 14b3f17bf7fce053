// The library grid: selection, audition, sorting, the in-cell editor, the popup menu's
// commands, the shortcuts and the library buttons.
#include "Workspace.h"
#include "WorkspaceView.h"

namespace velcora {

void TWorkspace::sgLibMouseDown(TMouseButton, TShiftState, int, int) {}

void TWorkspace::sgLibClick() {}

void TWorkspace::sgLibDblClick(int) {}

bool TWorkspace::sgLibKeyDown(int, TShiftState, int) {
    return false;
}

void TWorkspace::pmLibEditClick() {}

void TWorkspace::pmLibCopyClick() {}

void TWorkspace::pmLibPasteClick() {}

void TWorkspace::pmLibDeleteClick() {}

void TWorkspace::pmLibSwapClick() {}

void TWorkspace::eGridEditKeyUp(const std::string&, int) {}

void TWorkspace::bbLoadLibClick() {}

void TWorkspace::bbSaveLibClick() {}

void TWorkspace::bbDeDupClick() {}

void TWorkspace::bbMixPatchesClick() {}

void TWorkspace::bbMorphPatchesClick() {}

void TWorkspace::bbUserToLibClick() {}

void TWorkspace::bbRomToLibClick() {}

void TWorkspace::bbEditToLibClick() {}

void TWorkspace::pcPatchChange(int) {}

} // namespace velcora
