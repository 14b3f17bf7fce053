#include "BankPanel.h"

#include "Workspace.h"

namespace velcora {

TBankPanel::TBankPanel(TWorkspace& workspace, QWidget* parent)
    : QWidget(parent), FWorkspace(workspace) {}

TBankPanel::~TBankPanel() = default;

void TBankPanel::SetBankTabCaption(int, const std::string&) {}
void TBankPanel::ShowUserTab(int) {}
void TBankPanel::ShowRomBankFile(const std::string&) {}
void TBankPanel::SetRomList(const std::vector<std::string>&, int) {}
void TBankPanel::SetRomBankList(const std::vector<std::string>&, int) {}
void TBankPanel::EnableCommands(bool, bool) {}
void TBankPanel::EnableRomLists(bool) {}
void TBankPanel::ShowLoadMethod(TLoadMethod) {}
void TBankPanel::ShowCursor(int, int) {}
void TBankPanel::EnableSelectionCommands(bool, bool) {}
void TBankPanel::ShowBankMenu(bool) {}
void TBankPanel::PrepareRenameBox(int, int, const std::string&) {}
void TBankPanel::ShowRenameBox() {}
void TBankPanel::HideRenameBox() {}
void TBankPanel::FocusRenameBox() {}
void TBankPanel::RestoreFocus(int) {}

} // namespace velcora
