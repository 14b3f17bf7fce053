#include "MainWindow.h"

#include "BankPanel.h"
#include "Cp1252.h"
#include "LibraryModel.h"
#include "Teardown.h"
#include "Workspace.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <array>

namespace velcora {

namespace {

// The Patch page's wallpaper panel has no picture: it shows its own colour.
const QColor WallpaperGreen(0x00, 0x80, 0x00);
// The library grid's columns: Type, Name, Note 1..3.
constexpr std::array<int, 5> LibColumnWidths{25, 95, 119, 135, 156};
constexpr int LibRowHeight = 18;
constexpr int CategoryLength = 3;
constexpr int NameLength = 12;

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
    FLibGrid = new QTableView;
    FLibGrid->setObjectName("sgLib");
    FLibGrid->setAccessibleName("Patch Library");
    FLibGrid->setToolTip("Left Click to select : Right to edit selected");
    FLibModel = new TLibraryModel(FWorkspace.Library(), this);
    FLibGrid->setModel(FLibModel);
    QFont gridFont = FLibGrid->font();
    gridFont.setPointSize(8);
    FLibGrid->setFont(gridFont);
    FLibGrid->verticalHeader()->hide();
    FLibGrid->verticalHeader()->setDefaultSectionSize(LibRowHeight);
    FLibGrid->horizontalHeader()->setStretchLastSection(true);
    for (size_t c = 0; c < LibColumnWidths.size(); ++c) {
        FLibGrid->setColumnWidth(static_cast<int>(c), LibColumnWidths[c]);
    }
    FLibGrid->setSelectionMode(QAbstractItemView::NoSelection);
    FLibGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FPatchTabs->addTab(FLibGrid, " Patch Library ");
    auto* newLibrary = new QWidget;
    newLibrary->setObjectName("tsNewLibrary");
    newLibrary->setAccessibleName("New Library");
    FPatchTabs->addTab(newLibrary, "New Library");
    connect(FLibModel, &TLibraryModel::captionChanged, this,
            [this](const QString& caption) { FPatchTabs->setTabText(0, caption); });

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
    buttons->addWidget(FAllSoundOff, 3, 0, 1, 2, Qt::AlignHCenter);

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
         {FGetEditBuf, FSendEditBuf, FLoadEditBuf, FSaveEditBuf, FRandEditBuf, FRenameEditBuf}) {
        button->setEnabled(on);
    }
    FBankPanel->EnableCommands(on, selectionCommands);
}

void TfMain::EnableMixMorph(bool) {
    // The library's Mix and Morph buttons come with the library's commands.
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

void TfMain::ShowLibMenu(bool) {}

void TfMain::ShowGridEditor(int, int, const std::string&) {}

void TfMain::HideGridEditor() {}

void TfMain::FocusGridEditor() {}

void TfMain::ScrollLibraryTo(int) {}

void TfMain::ShowLibraryPage() {}

void TfMain::EnableMixAndMorph(bool, bool) {}

} // namespace velcora
