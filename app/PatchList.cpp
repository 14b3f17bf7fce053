#include "PatchList.h"

#include "Dialogs.h"
#include "Workspace.h"

namespace velcora {

TfPatchList::TfPatchList(TWorkspace& workspace, IDialogs& dialogs, QWidget* parent)
    : QDialog(parent), FWorkspace(workspace), FDialogs(dialogs) {}

TfPatchList::~TfPatchList() = default;

void TfPatchList::Open() {}

} // namespace velcora
