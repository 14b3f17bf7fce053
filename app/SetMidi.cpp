#include "SetMidi.h"

#include "Workspace.h"

namespace velcora {

TfSetMidi::TfSetMidi(TWorkspace& workspace, QWidget* parent)
    : QDialog(parent), FWorkspace(workspace) {}

TfSetMidi::~TfSetMidi() = default;

void TfSetMidi::ShowSetupSynth(const std::string&) {}
void TfSetMidi::ShowSetupBlankName(const std::string&) {}
void TfSetMidi::ShowSetupTimes(int, int) {}

} // namespace velcora
