#include "Workspace.h"

namespace velcora {

void TWorkspace::edLibFilterChange(const std::string& /*text*/) {}

void TWorkspace::ReapplyLibraryFilter() {}

bool TWorkspace::LibRowVisible(int /*row*/) const {
    return true;
}

} // namespace velcora
