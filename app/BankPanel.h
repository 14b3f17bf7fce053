#pragma once

#include "LoadMethod.h"
#include "OptionGroups.h"
#include "ViewInput.h"
#include "WorkspaceCommand.h"

#include <QPoint>
#include <QSet>
#include <QWidget>
#include <array>
#include <optional>
#include <string>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QStackedWidget;
class QTabBar;
class QToolButton;

namespace velcora {

class TBankView;
class TWorkspace;

/// The key code the bank views' commands know a Qt key by (letters by their capitals, the
/// arrows, Delete, Enter ...); 0 for a key they have no use for.
int ViewKeyCode(int qtKey);
/// The modifier keys of a Qt event as the bank views' commands take them.
TShiftState ViewShiftState(Qt::KeyboardModifiers modifiers);
/// A Qt mouse button as the views' operations name it.
TMouseButton ViewButton(Qt::MouseButton button);

/// The bank panel on the right of the Patch page: the five bank tabs with their views, the
/// bank commands, the option groups and the ROM tab's controls. Every event goes to one
/// workspace operation; what the workspace shows comes back through the methods below, which
/// the main window forwards from the workspace's view interface.
class TBankPanel : public QWidget {
    Q_OBJECT

public:
    static inline const QColor PanelColour{0x2F, 0xA7, 0xFF};

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
    /// The bank menu's Undo and Redo items.
    void ShowUndoState(const std::string& undoText, const std::string& redoText);
    void PrepareRenameBox(int bankNumber, int slot, const std::string& text);
    void ShowRenameBox();
    void HideRenameBox();
    void FocusRenameBox();
    /// 1..4 the user banks' views, 5 the ROM view.
    void RestoreFocus(int focusView);

signals:
    /// bbPatchList: the patch list window is opened by whoever made it.
    void patchListClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr int ViewCount = 5;

    QWidget* MakeUserControls();
    QWidget* MakeRomControls();
    QWidget* MakeRomPage();
    QToolButton* MakeButton(const char* name, const char* icon, const QString& hint,
                            void (TWorkspace::*command)() = nullptr);
    QGroupBox* MakeOptionGroup(const char* name, const QString& caption, const QString& item0,
                               const QString& item1, QButtonGroup*& items);
    void ConnectView(int view);
    /// The row under the rename box moved away (a scroll, a resize): the box closes without
    /// renaming.
    void RenameRowMoved();
    void MakeMenu();
    /// The person chose a tab; a refused choice shows the workspace's tab again.
    void TabChosen(int tab);
    /// Shows the controls and the view of the workspace's tab.
    void ShowTab();
    /// The buttons each option group shows, hides or pictures, from the workspace's choices.
    void ApplyOptions();
    TBankView* ViewOfBank(int bankNumber) const;
    void Forward(void (TWorkspace::*command)());

    TWorkspace& FWorkspace;
    QTabBar* FTabs = nullptr;
    QStackedWidget* FViewStack = nullptr;
    QStackedWidget* FControlStack = nullptr;
    std::array<TBankView*, ViewCount> FViews{};

    QToolButton* FGetBank = nullptr;
    QToolButton* FGetSelected = nullptr;
    QToolButton* FSendBank = nullptr;
    QToolButton* FSendSelected = nullptr;
    QToolButton* FLoadBank = nullptr;
    QToolButton* FSaveBank = nullptr;
    QToolButton* FLoadAll = nullptr;
    QToolButton* FSaveAll = nullptr;
    QToolButton* FUserToLib = nullptr;
    QToolButton* FPatchList = nullptr;
    QToolButton* FRomGetBank = nullptr;
    QToolButton* FRomLoadBank = nullptr;
    QToolButton* FRomSaveBank = nullptr;
    QToolButton* FRomToLib = nullptr;

    QButtonGroup* FFromToMidi = nullptr;
    QButtonGroup* FLoadSave = nullptr;
    QButtonGroup* FBankToLib = nullptr;
    QButtonGroup* FInsertMode = nullptr;
    QButtonGroup* FDeleteMode = nullptr;
    QButtonGroup* FLoadMethod = nullptr;

    QLabel* FRomBankFile = nullptr;
    QComboBox* FRomList = nullptr;
    QComboBox* FRomBankList = nullptr;

    QMenu* FBankMenu = nullptr;
    QAction* FSwapItem = nullptr;
    /// Where the bank menu opens when a key asked for it (the pointer's place otherwise).
    std::optional<QPoint> FMenuAt;
    TUndoItems FUndoItems;
    QLineEdit* FRenameBox = nullptr;
    /// The keys pressed while the rename box had the focus: only their release acts, not
    /// that of the Enter which chose Edit in the menu.
    QSet<int> FRenameKeys;
    /// The grids of the bank tab and of the ROM tab, where the patch-list button moves to
    /// with the tab shown (the MIDNAM export names the ROM bank too).
    QGridLayout* FLibraryButtons = nullptr;
    QGridLayout* FRomButtons = nullptr;
};

} // namespace velcora
