#include "Workspace.h"

namespace velcora {

void TWorkspace::SetCheckedSends(bool /*on*/) {}

} // namespace velcora
