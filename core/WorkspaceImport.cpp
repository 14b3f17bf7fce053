#include "Workspace.h"

namespace velcora {

void TWorkspace::bbImportLibClick() {}

void TWorkspace::ImportPaths(const std::vector<std::string>& /*paths*/) {}

} // namespace velcora
