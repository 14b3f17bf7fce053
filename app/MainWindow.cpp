#include "MainWindow.h"

#include "BankPanel.h"
#include "Cp1252.h"
#include "LibraryModel.h"
#include "LibraryView.h"
#include "Teardown.h"
#include "Workspace.h"
#include "WorkspaceCommand.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QFile>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

namespace velcora {

namespace {

// The Patch page's wallpaper panel has no picture: it shows its own colour.
const QColor WallpaperGreen(0x00, 0x80, 0x00);
constexpr int CategoryLength = 3;
constexpr int NameLength = 12;
/// The in-cell editor's place: this far right of and below its cell's corner.
constexpr int GridEditOffset = 2;

} // namespace

TfMain::TfMain(TWorkspace& workspace, QWidget* parent) : QWidget(parent), FWorkspace(workspace) {
    setObjectName("fMain");
    setAccessibleName("Velcora");
    setWindowIcon(QIcon(":/data/velcora.svg"));

    // The top row: a transfer's progress and its cancel button, then "Setup Midi".
    FProgress = new QProgressBar(this);
    FProgress->setObjectName("pbLoadPatches");
    FProgress->setAccessibleName("Transfer progress");
    FProgress->setTextVisible(false);
    FProgress->setMaximumHeight(16);
    FProgress->hide();
    FCancelGet = MakePictureButton("bbCancelGet", "cancel", "Cancel the transfer");
    FCancelGet->setIconSize(QSize(14, 14));
    FCancelGet->hide();
    connect(FCancelGet, &QToolButton::clicked, this, [this] { FWorkspace.bbCancelGetClick(); });
    FSetupMidi = new QPushButton("Setup Midi", this);
    FSetupMidi->setObjectName("bSetupMidi");
    FSetupMidi->setAccessibleName("Setup Midi");
    connect(FSetupMidi, &QPushButton::clicked, this, &TfMain::bSetupMidiClick);
    auto* top = new QHBoxLayout;
    top->addWidget(FProgress, 1);
    top->addWidget(FCancelGet);
    // The bar's place stays taken while it is hidden, so "Setup Midi" does not jump.
    QSizePolicy keepPlace = FProgress->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    FProgress->setSizePolicy(keepPlace);
    top->addSpacing(12);
    top->addWidget(FSetupMidi);

    // The library tabs, tabs on the left edge.
    FPatchTabs = new QTabWidget;
    FPatchTabs->setObjectName("pcPatch");
    FPatchTabs->setAccessibleName("Libraries");
    FPatchTabs->setTabPosition(QTabWidget::West);
    FPatchTabs->addTab(MakeLibraryPage(), " Patch Library ");
    auto* newLibrary = new QWidget;
    newLibrary->setObjectName("tsNewLib");
    newLibrary->setAccessibleName("New Library");
    FPatchTabs->addTab(newLibrary, "New Library");
    FPatchTabs->setTabToolTip(1, "Start a new, empty library");
    connect(FLibModel, &TLibraryModel::captionChanged, this,
            [this](const QString& caption) { FPatchTabs->setTabText(0, caption); });
    connect(FPatchTabs, &QTabWidget::currentChanged, this, &TfMain::pcPatchChange);

    FBankPanel = new TBankPanel(FWorkspace);
    FBankPanel->setObjectName("pUserBank");
    if (FBankPanel->accessibleName().isEmpty()) {
        FBankPanel->setAccessibleName("Banks");
    }
    FExitProgram = new QPushButton(QIcon(":/assets/icons/main/exit.svg"), "Exit", this);
    FExitProgram->setObjectName("bbExitProgram");
    FExitProgram->setAccessibleName("Exit");
    FExitProgram->setToolTip("Exit the program");
    connect(FExitProgram, &QPushButton::clicked, this, &QWidget::close);
    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->addWidget(FBankPanel, 1);
    right->addWidget(FExitProgram, 0, Qt::AlignRight);

    // The Patch page: the green wallpaper holding library, edit buffer and bank panel.
    auto* wallpaper = new QWidget;
    wallpaper->setObjectName("Wallpaper1");
    wallpaper->setAutoFillBackground(true);
    QPalette green = wallpaper->palette();
    green.setColor(QPalette::Window, WallpaperGreen);
    wallpaper->setPalette(green);
    auto* page = new QHBoxLayout(wallpaper);
    page->setContentsMargins(6, 6, 6, 6);
    page->addWidget(FPatchTabs, 1);
    page->addWidget(MakeEditBufferPanel());
    page->addLayout(right);

    auto* pcMain = new QTabWidget;
    pcMain->setObjectName("pcMain");
    pcMain->setAccessibleName("Pages");
    pcMain->setDocumentMode(true);
    auto* tsPatch = new QWidget;
    tsPatch->setObjectName("tsPatch");
    tsPatch->setAccessibleName("Patch");
    auto* pageLayout = new QVBoxLayout(tsPatch);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(wallpaper);
    pcMain->addTab(tsPatch, "Patch");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addLayout(top);
    layout->addWidget(pcMain, 1);

    // The designed size where the screen has room; the layouts let it shrink to a small one.
    QSize size(ClientWidth, ClientHeight);
    if (const QScreen* screen = this->screen()) {
        const QSize room = screen->availableSize() - QSize(16, 48);
        size = size.boundedTo(room);
    }
    resize(size);
    if (const QScreen* screen = this->screen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

TfMain::~TfMain() {
    DetachChildren(*this);
}

QToolButton* TfMain::MakePictureButton(const char* name, const char* icon, const QString& hint) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setIcon(QIcon(QString(":/assets/icons/main/%1.svg").arg(icon)));
    button->setIconSize(QSize(24, 24));
    button->setAccessibleName(hint);
    button->setToolTip(hint);
    button->setAutoRaise(false);
    return button;
}

QWidget* TfMain::MakeEditBufferPanel() {
    auto* panel = new QFrame;
    panel->setObjectName("pEditBuff");
    panel->setAccessibleName("Edit Buffer");
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    // A panel of its own on the green wallpaper, in the window's usual colour.
    panel->setAutoFillBackground(true);
    QPalette plain = panel->palette();
    plain.setColor(QPalette::Window, QApplication::palette().color(QPalette::Window));
    panel->setPalette(plain);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

    FCategory = new QLineEdit("Cat", panel);
    FCategory->setObjectName("eCatagory");
    FCategory->setAccessibleName("Edit buffer type");
    FCategory->setToolTip("The type of the edit buffer's name");
    FCategory->setMaxLength(CategoryLength);
    FCategory->setFont(fixed);
    FEditName = new QLineEdit("Patch Name", panel);
    FEditName->setObjectName("eEditBufName");
    FEditName->setAccessibleName("Edit buffer name");
    FEditName->setToolTip("The edit buffer's name: press ENTER to rename it on the synth");
    FEditName->setMaxLength(NameLength);
    FEditName->setFont(fixed);
    const QFontMetrics metrics(fixed);
    FCategory->setFixedWidth(metrics.horizontalAdvance(QString(CategoryLength + 2, 'W')));
    FEditName->setMinimumWidth(metrics.horizontalAdvance(QString(NameLength + 1, 'W')));
    connect(FCategory, &QLineEdit::returnPressed, this, &TfMain::bbRenameEditBufClick);
    connect(FEditName, &QLineEdit::returnPressed, this, &TfMain::bbRenameEditBufClick);

    FGetEditBuf = MakePictureButton("bbGetEditBuf", "get", "Get the Edit Buffer from the synth");
    FSendEditBuf = MakePictureButton("bbSendEditBuf", "send", "Send the Edit Buffer to the synth");
    FAllSoundOff = MakePictureButton("bbAllSoundOff", "sound-off", "All Sound Off");
    FLoadEditBuf = MakePictureButton("bbLoadEditBuf", "load", "Load the Edit Buffer from a file");
    FSaveEditBuf = MakePictureButton("bbSaveEditBuf", "save", "Save the Edit Buffer to a file");
    FRandEditBuf =
        MakePictureButton("bbRandEditBuf", "random", "Get a random patch from the synth");
    FRenameEditBuf =
        MakePictureButton("bbRenameEditBuf", "rename", "Rename the Edit Buffer on the synth");
    FEditToLib =
        MakePictureButton("bbEditToLib", "edit-to-lib", "Add the Edit Buffer to the  Library");
    connect(FEditToLib, &QToolButton::clicked, this,
            [this] { Forward(&TWorkspace::bbEditToLibClick); });
    connect(FGetEditBuf, &QToolButton::clicked, this, [this] { FWorkspace.bbGetEditBufClick(); });
    connect(FSendEditBuf, &QToolButton::clicked, this, [this] { FWorkspace.bbSendEditBufClick(); });
    connect(FAllSoundOff, &QToolButton::clicked, this, [this] { FWorkspace.bbAllSoundOffClick(); });
    connect(FLoadEditBuf, &QToolButton::clicked, this, [this] { FWorkspace.bbLoadEditBufClick(); });
    connect(FSaveEditBuf, &QToolButton::clicked, this, &TfMain::bbSaveEditBufClick);
    connect(FRandEditBuf, &QToolButton::clicked, this, [this] { FWorkspace.bbRandEditBufClick(); });
    connect(FRenameEditBuf, &QToolButton::clicked, this, &TfMain::bbRenameEditBufClick);

    auto* buttons = new QGridLayout;
    buttons->setSpacing(4);
    buttons->addWidget(FGetEditBuf, 0, 0);
    buttons->addWidget(FSendEditBuf, 0, 1);
    buttons->addWidget(FLoadEditBuf, 1, 0);
    buttons->addWidget(FSaveEditBuf, 1, 1);
    buttons->addWidget(FRandEditBuf, 2, 0);
    buttons->addWidget(FRenameEditBuf, 2, 1);
    buttons->addWidget(FAllSoundOff, 3, 0);
    buttons->addWidget(FEditToLib, 3, 1);

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(FCategory, 0, Qt::AlignLeft);
    layout->addWidget(FEditName);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->addStretch(1);
    return panel;
}

void TfMain::SetCaption(const std::string& caption) {
    setWindowTitle(FromCp1252(caption));
}

void TfMain::ShowProgress(bool visible, int maximum, int position) {
    FProgress->setRange(0, maximum);
    FProgress->setValue(position);
    FProgress->setVisible(visible);
    FCancelGet->setVisible(visible);
}

void TfMain::ShowEditBufferName(const std::string& category, const std::string& name) {
    FCategory->setText(FromCp1252(category));
    FEditName->setText(FromCp1252(name));
}

void TfMain::EnableCommands(bool on, bool selectionCommands) {
    for (QToolButton* button :
         {FGetEditBuf, FSendEditBuf, FLoadEditBuf, FSaveEditBuf, FRandEditBuf, FRenameEditBuf,
          FImportLib, FEditToLib, FLoadLib, FSaveLib, FDeDup}) {
        button->setEnabled(on);
    }
    FPatchTabs->setTabEnabled(1, on);
    FBankPanel->EnableCommands(on, selectionCommands);
}

void TfMain::EnableMixMorph(bool on) {
    EnableMixAndMorph(on, on);
}

void TfMain::EnableMixAndMorph(bool mix, bool morph) {
    FMixPatches->setEnabled(mix);
    FMorphPatches->setEnabled(morph);
}

void TfMain::ShowUndoState(const std::string& undoText, const std::string& redoText) {
    ShowUndoItems(FLibUndoItems, undoText, redoText);
    if (FBankPanel != nullptr) {
        FBankPanel->ShowUndoState(undoText, redoText);
    }
}

void TfMain::ShowLibraryFilter(int visible, int total) {
    FLibFilterCount->setText(QStringLiteral("%1 of %2").arg(visible).arg(total));
    const int current = LibraryRow(FLibGrid->CurrentRow());
    const int count = FWorkspace.Library().Count();
    bool changed = false;
    if (visible == count) {
        changed = FLibModel->ShowAllPatches();
    } else {
        std::vector<int> patches;
        patches.reserve(static_cast<size_t>(visible));
        for (int row = 1; row <= count; ++row) {
            if (FWorkspace.LibRowVisible(row)) {
                patches.push_back(row - 1);
            }
        }
        changed = FLibModel->ShowOnlyPatches(std::move(patches));
    }
    // The reset forgot the current row: the patch it was on keeps it while it shows.
    if (changed && FWorkspace.LibRowVisible(current)) {
        FLibGrid->SetCurrentRow(ShownRow(current));
    }
}

int TfMain::LibraryRow(int shownRow) const {
    return FLibModel->Rows().ToLibraryRow(shownRow, FWorkspace.Library().Count());
}

int TfMain::ShownRow(int libraryRow) const {
    return FLibModel->Rows().ToShownRow(libraryRow, FWorkspace.Library().Count());
}

QLayout* TfMain::MakeLibraryFilterRow() {
    FLibFilter = new QLineEdit(FLibPage);
    FLibFilter->setObjectName("edLibFilter");
    FLibFilter->setAccessibleName("Library filter");
    FLibFilter->setPlaceholderText("Filter: type, name or notes");
    FLibFilter->setToolTip("Show only the patches whose type, name or notes hold every word typed");
    FLibFilter->setClearButtonEnabled(true);
    // The field's own clear button says nothing to a screen reader unless named.
    for (QAction* action : FLibFilter->actions()) {
        action->setText(QStringLiteral("Clear filter"));
        action->setToolTip(QStringLiteral("Clear the filter: show every patch"));
    }
    for (QToolButton* button : FLibFilter->findChildren<QToolButton*>()) {
        button->setAccessibleName(QStringLiteral("Clear filter"));
        button->setToolTip(QStringLiteral("Clear the filter: show every patch"));
    }
    FLibFilter->installEventFilter(this);
    connect(FLibFilter, &QLineEdit::textChanged, this, [this](const QString& text) {
        TWorkspace& ws = FWorkspace;
        const std::string typed = ToCp1252(text);
        const std::function<void()> handler = [&ws, &typed] { ws.edLibFilterChange(typed); };
        ws.RunGuarded(handler);
    });
    FLibFilterCount = new QLabel(FLibPage);
    FLibFilterCount->setObjectName("lbLibFilterCount");
    FLibFilterCount->setAccessibleName("Patches shown");
    // No filter yet: every patch shows.
    const int count = FWorkspace.Library().Count();
    FLibFilterCount->setText(QStringLiteral("%1 of %2").arg(count).arg(count));
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(FLibFilter, 1);
    row->addWidget(FLibFilterCount);
    return row;
}

void TfMain::RestoreFocus(int focusView) {
    if (!isVisible()) {
        return;
    }
    if (focusView == 0) {
        if (FLibGrid->isVisible()) {
            FLibGrid->setFocus();
        }
        return;
    }
    FBankPanel->RestoreFocus(focusView);
}

void TfMain::bSetupMidiClick() {
    if (FSetupDialog == nullptr) {
        return;
    }
    FSetupDialog->show();
    FSetupDialog->raise();
    FSetupDialog->activateWindow();
}

void TfMain::bbRenameEditBufClick() {
    FWorkspace.bbRenameEditBufClick(ToCp1252(FCategory->text()), ToCp1252(FEditName->text()));
}

void TfMain::bbSaveEditBufClick() {
    FWorkspace.bbSaveEditBufClick(ToCp1252(FCategory->text()), ToCp1252(FEditName->text()));
}

void TfMain::closeEvent(QCloseEvent* event) {
    if (FClosing) {
        event->accept();
        return;
    }
    if (!FWorkspace.FormClose()) {
        event->ignore();
        return;
    }
    FClosing = true;
    event->accept();
    emit closed();
}

QWidget* TfMain::MakeLibraryPage() {
    FLibPage = new QWidget;
    FLibPage->setObjectName("tsPatchLib");
    FLibPage->setAccessibleName("Patch Library");

    FLibGrid = new TLibraryView(FLibPage);
    FLibGrid->setObjectName("sgLib");
    FLibGrid->setAccessibleName("Patch Library");
    FLibModel = new TLibraryModel(FWorkspace.Library(), this);
    FLibGrid->setModel(FLibModel);
    ConnectLibraryGrid();

    // The in-cell editor belongs to the page, not to the grid: the keys it leaves alone must
    // not reach the grid, where they would select and audition rows while a cell is edited.
    FGridEdit = new QLineEdit(FLibPage);
    FGridEdit->setObjectName("eGridEdit");
    FGridEdit->setAccessibleName("Library cell editor");
    FGridEdit->setToolTip("Press ENTER to finish");
    FGridEdit->setFont(FLibGrid->font());
    FGridEdit->setStyleSheet("QLineEdit { color: #FF0000; background: #FFFFFF;"
                             " border: 1px solid #000080; padding: 0px; }");
    FGridEdit->hide();
    FGridEdit->installEventFilter(this);
    MakeLibraryMenu();

    FLoadLib = MakePictureButton("bbLoadLib", "lib-load", "Load a Library file");
    FSaveLib = MakePictureButton("bbSaveLib", "lib-save", "Save the Library to a file");
    FDeDup = MakePictureButton("bbDeDup", "dedup", "Select and delete duplicate patches");
    FMixPatches =
        MakePictureButton("bbMixPatches", "mix", "Mix the selected patches into a new bank");
    FMorphPatches = MakePictureButton("bbMorphPatches", "morph",
                                      "Morph between the two selected patches into a new bank");
    FMixPatches->setEnabled(false);
    FMorphPatches->setEnabled(false);
    const std::pair<QToolButton*, void (TWorkspace::*)()> commands[] = {
        {FLoadLib, &TWorkspace::bbLoadLibClick},
        {FSaveLib, &TWorkspace::bbSaveLibClick},
        {FDeDup, &TWorkspace::bbDeDupClick},
        {FMixPatches, &TWorkspace::bbMixPatchesClick},
        {FMorphPatches, &TWorkspace::bbMorphPatchesClick},
    };
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    for (const auto& [button, command] : commands) {
        connect(button, &QToolButton::clicked, this,
                [this, command = command] { Forward(command); });
        buttons->addWidget(button);
    }
    MakeImportControls(*buttons);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(FLibPage);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);
    layout->addLayout(MakeLibraryFilterRow());
    layout->addWidget(FLibGrid, 1);
    layout->addLayout(buttons);
    return FLibPage;
}

void TfMain::MakeImportControls(QHBoxLayout& row) {
    FImportLib = new QToolButton(this);
    FImportLib->setObjectName("bbImportLib");
    FImportLib->setText("Import...");
    const QString hint = "Import presets from files or a folder into the Library";
    FImportLib->setAccessibleName(hint);
    FImportLib->setToolTip(hint);
    FImportLib->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(FImportLib);
    menu->setObjectName("pmImport");
    QAction* files = menu->addAction("Files...");
    files->setObjectName("miImportFiles");
    QAction* folder = menu->addAction("Folder...");
    folder->setObjectName("miImportFolder");
    connect(files, &QAction::triggered, this, [this] { Forward(&TWorkspace::bbImportLibClick); });
    connect(folder, &QAction::triggered, this,
            [this] { Forward(&TWorkspace::bbImportFolderClick); });
    FImportLib->setMenu(menu);

    FImportSkipDuplicates = new QCheckBox("Skip duplicates", this);
    FImportSkipDuplicates->setObjectName("cbImportSkipDuplicates");
    FImportSkipDuplicates->setAccessibleName("Skip duplicates when importing");
    FImportSkipDuplicates->setToolTip(
        "An imported preset equal to one in the Library apart from its name is not added");
    FImportSkipDuplicates->setChecked(FWorkspace.Status().ImportSkipDuplicates);
    connect(FImportSkipDuplicates, &QCheckBox::toggled, this, [this](bool on) {
        TWorkspace& ws = FWorkspace;
        ws.RunGuarded([&ws, on] { ws.cbImportSkipDuplicatesClick(on); });
    });

    // Dropped paths as the file system names them, so that any file found can be opened.
    connect(FLibGrid, &TLibraryView::pathsDropped, this, [this](const QStringList& paths) {
        std::vector<std::string> names;
        for (const QString& path : paths) {
            names.push_back(QFile::encodeName(path).toStdString());
        }
        TWorkspace& ws = FWorkspace;
        ws.RunGuarded([&ws, &names] { ws.ImportPaths(names); });
    });

    row.addSpacing(8);
    row.addWidget(FImportLib);
    row.addWidget(FImportSkipDuplicates);
}

void TfMain::MakeLibraryMenu() {
    FLibMenu = MakeSelectionMenu(*this, FWorkspace, "pmLib", QStringLiteral("Selection ---"),
                                 {{"pmLibEdit", "Edit", &TWorkspace::pmLibEditClick},
                                  {"pmLibCopy", "Copy", &TWorkspace::pmLibCopyClick},
                                  {"pmLibPaste", "Paste  ", &TWorkspace::pmLibPasteClick},
                                  {"pmLibDelete", "Delete", &TWorkspace::pmLibDeleteClick},
                                  {"pmLibSwap", "Swap", &TWorkspace::pmLibSwapClick}});
    FLibSwapItem = FLibMenu->actions().back();
    FLibUndoItems = AddUndoItems(*FLibMenu, *this, FWorkspace);
}

void TfMain::ConnectLibraryGrid() {
    connect(FLibGrid, &TLibraryView::cellPressed, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int column, int row) {
                TWorkspace& ws = FWorkspace;
                const int libraryRow = LibraryRow(row);
                const std::function<void()> handler = [&ws, button, modifiers, column,
                                                       row = libraryRow] {
                    ws.sgLibMouseDown(ViewButton(button), ViewShiftState(modifiers), column, row);
                };
                ws.RunGuarded(handler);
            });
    connect(FLibGrid, &TLibraryView::pressClicked, this,
            [this] { Forward(&TWorkspace::sgLibClick); });
    connect(FLibGrid, &TLibraryView::rowDoubleClicked, this, [this](int shownRow) {
        TWorkspace& ws = FWorkspace;
        const int row = LibraryRow(shownRow);
        const std::function<void()> handler = [&ws, row] { ws.sgLibDblClick(row); };
        ws.RunGuarded(handler);
    });
    connect(FLibGrid, &TLibraryView::rowKeyPressed, this,
            [this](int key, Qt::KeyboardModifiers modifiers, int shownRow) {
                TWorkspace& ws = FWorkspace;
                const int row = LibraryRow(shownRow);
                const std::function<void()> handler = [&ws, key, modifiers, row] {
                    ws.sgLibKeyDown(ViewKeyCode(key), ViewShiftState(modifiers), row);
                };
                ws.RunGuarded(handler);
            });
    connect(FLibGrid, &TLibraryView::menuKeyPressed, this, [this](int column, int shownRow) {
        const QRect cell = FLibGrid->CellRect(column, shownRow);
        FLibMenuAt =
            FLibGrid->viewport()->mapToGlobal(cell.isEmpty() ? QPoint() : cell.bottomLeft());
        TWorkspace& ws = FWorkspace;
        const int row = LibraryRow(shownRow);
        const std::function<void()> handler = [&ws, column, row] { ws.sgLibMenuKey(column, row); };
        ws.RunGuarded(handler);
        FLibMenuAt.reset();
    });
}

void TfMain::Forward(void (TWorkspace::*command)()) {
    RunCommand(FWorkspace, command);
}

void TfMain::pcPatchChange(int page) {
    TWorkspace& ws = FWorkspace;
    const std::function<void()> handler = [&ws, page] { ws.pcPatchChange(page); };
    ws.RunGuarded(handler);
}

bool TfMain::eventFilter(QObject* watched, QEvent* event) {
    // Escape in the filter field empties it, and so shows every patch again.
    if (watched == FLibFilter && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !FLibFilter->text().isEmpty()) {
        FLibFilter->clear();
        return true;
    }
    if (watched == FGridEdit && event->type() == QEvent::KeyPress) {
        FGridEditKeys.insert(static_cast<QKeyEvent*>(event)->key());
    }
    // A key held down repeats its press but is released once: the editor reacts to the
    // release, and only of a key pressed in it.
    if (watched == FGridEdit && event->type() == QEvent::KeyRelease &&
        !static_cast<QKeyEvent*>(event)->isAutoRepeat() &&
        FGridEditKeys.remove(static_cast<QKeyEvent*>(event)->key())) {
        TWorkspace& ws = FWorkspace;
        const std::string text = ToCp1252(FGridEdit->text());
        const int key = ViewKeyCode(static_cast<QKeyEvent*>(event)->key());
        const std::function<void()> handler = [&ws, &text, key] { ws.eGridEditKeyUp(text, key); };
        ws.RunGuarded(handler);
    }
    return QWidget::eventFilter(watched, event);
}

void TfMain::ShowLibMenu(bool swapVisible) {
    FLibSwapItem->setVisible(swapVisible);
    // popup, not exec: the press that opened the menu returns at once, and the item chosen
    // later runs as an event of its own.
    FLibMenu->popup(FLibMenuAt.value_or(QCursor::pos()));
}

void TfMain::ShowGridEditor(int column, int row, const std::string& text) {
    const QRect cell = FLibGrid->CellRect(column, ShownRow(row));
    if (cell.isEmpty()) {
        return;
    }
    const QPoint corner = FLibGrid->viewport()->mapTo(FLibPage, cell.topLeft());
    FGridEdit->setGeometry(QRect(corner + QPoint(GridEditOffset, GridEditOffset), cell.size()));
    FGridEdit->setText(FromCp1252(text));
    FGridEditKeys.clear();
    FGridEdit->show();
    FGridEdit->raise();
    FGridEdit->selectAll();
    FGridEdit->setFocus();
}

void TfMain::HideGridEditor() {
    FGridEdit->hide();
    FLibGrid->setFocus();
}

void TfMain::FocusGridEditor() {
    if (FGridEdit->isVisible()) {
        FGridEdit->setFocus();
    }
}

void TfMain::ScrollLibraryTo(int row) {
    FLibGrid->SetTopRow(ShownRow(row));
}

void TfMain::ShowLibraryPage() {
    // The page is shown, not chosen: the tab change must not run its command again.
    const QSignalBlocker quiet(FPatchTabs);
    FPatchTabs->setCurrentIndex(0);
}

} // namespace velcora
