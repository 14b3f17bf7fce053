#pragma once

#include "LoadMethod.h"

#include <QWidget>
#include <string>
#include <vector>

namespace velcora {

class TWorkspace;

/// The bank panel on the right of the Patch page: the five bank tabs with their views, the
/// bank commands, the option groups and the ROM tab's controls. Every event goes to one
/// workspace operation; what the workspace shows comes back through the methods below, which
/// the main window forwards from the workspace's view interface.
class TBankPanel : public QWidget {
    Q_OBJECT

public:
    explicit TBankPanel(TWorkspace& workspace, QWidget* parent = nullptr);
    ~TBankPanel() override;

    void SetBankTabCaption(int tab, const std::string& caption);
    void ShowUserTab(int bank);
    void ShowRomBankFile(const std::string& fileName);
    void SetRomList(const std::vector<std::string>& items, int selected);
    void SetRomBankList(const std::vector<std::string>& items, int selected);
    void EnableCommands(bool on, bool selectionCommands);
    void EnableRomLists(bool on);
    void ShowLoadMethod(TLoadMethod method);
    void ShowCursor(int bankNumber, int slot);
    void EnableSelectionCommands(bool userToLib, bool getSendSelected);
    void ShowBankMenu(bool swapVisible);
    void PrepareRenameBox(int bankNumber, int slot, const std::string& text);
    void ShowRenameBox();
    void HideRenameBox();
    void FocusRenameBox();
    /// 1..4 the user banks' views, 5 the ROM view.
    void RestoreFocus(int focusView);

private:
    TWorkspace& FWorkspace;
};

} // namespace velcora
