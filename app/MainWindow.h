#pragma once

#include "WorkspaceCommand.h"

#include <QPoint>
#include <QSet>
#include <QWidget>
#include <optional>
#include <string>

class QAction;
class QLabel;
class QCheckBox;
class QHBoxLayout;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace velcora {

class TBankPanel;
class TLibraryModel;
class TLibraryView;
class TWorkspace;

/// The main window: the progress bar and its cancel button, "Setup Midi", and the Patch page
/// with the library grid, the edit-buffer panel, the bank panel and the exit button. Each
/// event goes to one workspace operation; what the workspace shows comes back through the
/// methods below, forwarded from its view interface. Closing it ends the program when the
/// workspace's close question is answered Yes.
class TfMain : public QWidget {
    Q_OBJECT

public:
    /// The client area the window opens with where the screen allows.
    static constexpr int ClientWidth = 1007;
    static constexpr int ClientHeight = 881;

    explicit TfMain(TWorkspace& workspace, QWidget* parent = nullptr);
    ~TfMain() override;

    TBankPanel& BankPanel() { return *FBankPanel; }
    /// The dialog "Setup Midi" shows; none until the setup dialog exists.
    void SetSetupDialog(QWidget* dialog) { FSetupDialog = dialog; }

    // What the workspace shows, forwarded from its view interface.
    void SetCaption(const std::string& caption);
    void ShowProgress(bool visible, int maximum, int position);
    void ShowEditBufferName(const std::string& category, const std::string& name);
    /// The main window's commands a transfer disables, then the bank panel's.
    void EnableCommands(bool on, bool selectionCommands);
    void EnableMixMorph(bool on);
    /// Mix and Morph each on its own: Mix wants two or more marked patches, Morph two.
    void EnableMixAndMorph(bool mix, bool morph);
    void ShowUndoState(const std::string& undoText, const std::string& redoText);
    void ShowLibraryFilter(int visible, int total);
    /// 0 the library grid, when it shows; 1..5 the bank panel's views. Nothing while the
    /// window is hidden.
    void RestoreFocus(int focusView);
    // The library grid's, forwarded likewise (rows as the workspace counts them: 0 the title).
    void ShowLibMenu(bool swapVisible);
    void ShowGridEditor(int column, int row, const std::string& text);
    void HideGridEditor();
    void FocusGridEditor();
    void ScrollLibraryTo(int row);
    void ShowLibraryPage();

    /// Shows the setup dialog beside the main window without blocking it.
    void bSetupMidiClick();

    /// Forwards the in-cell editor's key releases to the workspace.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    /// The close was agreed to and the end-of-run backups are written: the program ends.
    void closed();

protected:
    /// The workspace's close question; No keeps the window open.
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* MakeEditBufferPanel();
    QWidget* MakeLibraryPage();
    void MakeLibraryMenu();
    QToolButton* MakePictureButton(const char* name, const char* icon, const QString& hint);
    /// Runs one workspace command as the handler of the event that asked for it.
    void Forward(void (TWorkspace::*command)());
    void ConnectLibraryGrid();
    // The library filter: the field and its count above the grid.
    QLayout* MakeLibraryFilterRow();
    /// A row of the grid as shown, as the workspace counts the library's rows, and back.
    int LibraryRow(int shownRow) const;
    int ShownRow(int libraryRow) const;
    void pcPatchChange(int page);
    void bbRenameEditBufClick();
    void bbSaveEditBufClick();

    TWorkspace& FWorkspace;
    QWidget* FSetupDialog = nullptr;
    /// The close has been agreed to: a second close event must not ask again.
    bool FClosing = false;

    QProgressBar* FProgress = nullptr;
    QToolButton* FCancelGet = nullptr;
    QPushButton* FSetupMidi = nullptr;
    QTabWidget* FPatchTabs = nullptr;
    QWidget* FLibPage = nullptr;
    TLibraryView* FLibGrid = nullptr;
    TLibraryModel* FLibModel = nullptr;
    QLineEdit* FGridEdit = nullptr;
    QLineEdit* FLibFilter = nullptr;
    QLabel* FLibFilterCount = nullptr;
    QMenu* FLibMenu = nullptr;
    QAction* FLibSwapItem = nullptr;
    /// Where the library menu opens when a key asked for it (the pointer's place otherwise).
    std::optional<QPoint> FLibMenuAt;
    /// The keys pressed while the in-cell editor had the focus: only their release acts, not
    /// that of the Enter which chose Edit in the menu.
    QSet<int> FGridEditKeys;
    TUndoItems FLibUndoItems;
    QToolButton* FLoadLib = nullptr;
    QToolButton* FSaveLib = nullptr;
    QToolButton* FDeDup = nullptr;
    QToolButton* FMixPatches = nullptr;
    QToolButton* FMorphPatches = nullptr;
    /// Importing preset collections: the button with its Files/Folder menu and the option.
    QToolButton* FImportLib = nullptr;
    QCheckBox* FImportSkipDuplicates = nullptr;
    void MakeImportControls(QHBoxLayout& row);
    QToolButton* FEditToLib = nullptr;
    QLineEdit* FCategory = nullptr;
    QLineEdit* FEditName = nullptr;
    QToolButton* FGetEditBuf = nullptr;
    QToolButton* FSendEditBuf = nullptr;
    QToolButton* FAllSoundOff = nullptr;
    QToolButton* FLoadEditBuf = nullptr;
    QToolButton* FSaveEditBuf = nullptr;
    QToolButton* FRandEditBuf = nullptr;
    QToolButton* FRenameEditBuf = nullptr;
    TBankPanel* FBankPanel = nullptr;
    QPushButton* FExitProgram = nullptr;
};

} // namespace velcora
