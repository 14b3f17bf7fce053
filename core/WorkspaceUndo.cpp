#include "Workspace.h"

namespace velcora {

void TWorkspace::CommitUndoStep(const std::string& /*label*/) {}

void TWorkspace::Undo() {}

void TWorkspace::Redo() {}

void TWorkspace::ClearUndoHistory() {}

} // namespace velcora
