#include "BankPanel.h"

#include "BankModel.h"
#include "BankView.h"
#include "Cp1252.h"
#include "Teardown.h"
#include "Workspace.h"
#include "WorkspaceCommand.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace velcora {

namespace {

using TGroup = TOptionGroups::TGroup;

constexpr int RomView = TWorkspace::RomTab;
constexpr int UserNameWidth = 153;
constexpr int RomNameWidth = 148;
constexpr int ControlsWidth = 122;
const QSize IconSize{24, 24};

const char* const TabCaptions[] = {"User  0", "User 1", "User 2", "User 3", "ROM"};
const char* const ViewNames[] = {"vleUser0", "vleUser1", "vleUser2", "vleUser3", "vleRomBank"};
const char* const ViewAccessibleNames[] = {"User bank 0", "User bank 1", "User bank 2",
                                           "User bank 3", "ROM bank"};
const QColor ViewColours[] = {{0xCE, 0xCF, 0xB1},
                              {0xD0, 0xCD, 0xE9},
                              {0xF9, 0xD6, 0xA2},
                              {0xF8, 0xF3, 0xA3},
                              {0xCE, 0xCF, 0xB1}};

QString Text(const std::string& bytes) {
    return FromCp1252(bytes);
}

QIcon Icon(const char* name) {
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
}

void Paint(QWidget* widget, const QColor& colour) {
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, colour);
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

/// A column of controls that scrolls instead of being cut when the screen is too small.
QScrollArea* Scrolling(QWidget* content) {
    auto* area = new QScrollArea;
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Paint(area->viewport(), TBankPanel::PanelColour);
    return area;
}

} // namespace

TMouseButton ViewButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return TMouseButton::Left;
    case Qt::RightButton:
        return TMouseButton::Right;
    default:
        return TMouseButton::Middle;
    }
}

int ViewKeyCode(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return qtKey; // Qt numbers these keys by their ASCII capitals, as the codes do
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) {
        return 112 + (qtKey - Qt::Key_F1);
    }
    switch (qtKey) {
    case Qt::Key_Backspace:
        return TKey::Backspace;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return TKey::Enter;
    case Qt::Key_Shift:
        return TKey::Shift;
    case Qt::Key_Control:
        return TKey::Ctrl;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Escape:
        return TKey::Escape;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return TKey::Up;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return TKey::Down;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return TKey::Delete;
    default:
        return 0;
    }
}

TShiftState ViewShiftState(Qt::KeyboardModifiers modifiers) {
    TShiftState shift;
    shift.Shift = modifiers.testFlag(Qt::ShiftModifier);
    shift.Ctrl = modifiers.testFlag(Qt::ControlModifier);
    shift.Alt = modifiers.testFlag(Qt::AltModifier);
    return shift;
}

TBankPanel::TBankPanel(TWorkspace& workspace, QWidget* parent)
    : QWidget(parent), FWorkspace(workspace) {
    setObjectName(QStringLiteral("pUserBank"));
    Paint(this, PanelColour);

    FTabs = new QTabBar;
    FTabs->setObjectName(QStringLiteral("pcUserBank"));
    FTabs->setAccessibleName(tr("Banks"));
    FTabs->setExpanding(false);
    FTabs->setDrawBase(false);
    FTabs->setUsesScrollButtons(false);
    // Tabs drawn as buttons, the pressed one sunk.
    FTabs->setStyleSheet(QStringLiteral(
        "QTabBar::tab { background: #E8E8E8; color: black; border: 1px solid #5A5A5A;"
        " border-radius: 2px; padding: 2px 5px; margin: 1px 1px 2px 1px; }"
        "QTabBar::tab:selected { background: #FFFFFF; border: 2px solid #202020; }"));
    for (const char* caption : TabCaptions) {
        FTabs->addTab(QString::fromLatin1(caption));
    }

    FViewStack = new QStackedWidget;
    for (int v = 0; v < ViewCount; ++v) {
        FViews[static_cast<size_t>(v)] =
            new TBankView(ViewColours[v], v == RomView ? RomNameWidth : UserNameWidth, this);
        TBankView* view = FViews[static_cast<size_t>(v)];
        view->setObjectName(QString::fromLatin1(ViewNames[v]));
        view->setAccessibleName(QString::fromLatin1(ViewAccessibleNames[v]));
        TPatchBank& bank = v == RomView ? FWorkspace.RomBank() : FWorkspace.UserBank(v);
        view->setModel(new TBankModel(bank, view));
        view->SetCurrentSlot(0);
        ConnectView(v);
        if (v != RomView) {
            FViewStack->addWidget(view);
        }
    }
    FViews[3]->setToolTip(
        QStringLiteral("Use mouse click to select (with or without Shift or Ctrl )"));
    FViewStack->addWidget(MakeRomPage());

    FControlStack = new QStackedWidget;
    FControlStack->addWidget(Scrolling(MakeUserControls()));
    FControlStack->addWidget(Scrolling(MakeRomControls()));
    FControlStack->setFixedWidth(ControlsWidth);

    auto* content = new QHBoxLayout;
    content->setContentsMargins(0, 0, 0, 0);
    content->setSpacing(4);
    content->addWidget(FControlStack);
    content->addWidget(FViewStack, 1);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(2);
    outer->addWidget(FTabs);
    outer->addLayout(content, 1);

    FRenameBox = new QLineEdit(this);
    FRenameBox->setObjectName(QStringLiteral("eUserEdit"));
    FRenameBox->setAccessibleName(tr("Patch name"));
    FRenameBox->setToolTip(QStringLiteral("Press ENTER to finish"));
    FRenameBox->setMaxLength(16);
    FRenameBox->hide();
    FRenameBox->installEventFilter(this);

    MakeMenu();

    connect(FTabs, &QTabBar::currentChanged, this, &TBankPanel::TabChosen);
    ApplyOptions();
    ShowTab();
    // The workspace shows the commands' states after every command; until then they start
    // as its status has them.
    const TWorkspaceStatus status = FWorkspace.Status();
    EnableCommands(status.CommandsEnabled, status.GetSendSelectedEnabled);
    EnableSelectionCommands(status.UserToLibEnabled, status.GetSendSelectedEnabled);
}

TBankPanel::~TBankPanel() {
    DetachChildren(*this);
}

QToolButton* TBankPanel::MakeButton(const char* name, const char* icon, const QString& hint,
                                    void (TWorkspace::*command)()) {
    auto* button = new QToolButton;
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(Icon(icon));
    button->setIconSize(IconSize);
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setMinimumSize(34, 34);
    if (command != nullptr) {
        connect(button, &QToolButton::clicked, this, [this, command] { Forward(command); });
    }
    return button;
}

QGroupBox* TBankPanel::MakeOptionGroup(const char* name, const QString& caption,
                                       const QString& item0, const QString& item1,
                                       QButtonGroup*& items) {
    auto* box = new QGroupBox(caption);
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(caption);
    Paint(box, PanelColour);
    items = new QButtonGroup(box);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(6, 2, 4, 2);
    layout->setSpacing(0);
    int id = 0;
    for (const QString& text : {item0, item1}) {
        auto* radio = new QRadioButton(text);
        radio->setObjectName(QStringLiteral("%1Item%2").arg(QLatin1String(name)).arg(id));
        items->addButton(radio, id++);
        layout->addWidget(radio);
    }
    return box;
}

QWidget* TBankPanel::MakeUserControls() {
    auto* controls = new QWidget;
    Paint(controls, PanelColour);
    auto* column = new QVBoxLayout(controls);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    FGetBank = MakeButton("bbGetBank", "get-bank", tr("Get the bank from the synth"),
                          &TWorkspace::bbGetBankClick);
    FGetSelected =
        MakeButton("bbGetSelected", "get-selected", tr("Get the selected patches from the synth"),
                   &TWorkspace::bbGetSelectedClick);
    FSendBank = MakeButton("bbSendBank", "send-bank", tr("Send the bank to the synth"),
                           &TWorkspace::bbSendBankClick);
    FSendSelected =
        MakeButton("bbSendSelected", "send-selected", tr("Send the selected patches to the synth"),
                   &TWorkspace::bbSendSelectedClick);
    auto* midi = new QGridLayout;
    // Each pair shares its place; the "Midi Get-Send" choice shows one of the two.
    midi->addWidget(FGetBank, 0, 0);
    midi->addWidget(FGetSelected, 0, 0);
    midi->addWidget(FSendBank, 0, 1);
    midi->addWidget(FSendSelected, 0, 1);
    column->addLayout(midi);
    column->addWidget(MakeOptionGroup("rgFromToMidi", QStringLiteral("Midi Get-Send"),
                                      QStringLiteral("Bank"), QStringLiteral("Selected"),
                                      FFromToMidi));

    FLoadBank =
        MakeButton("bbLoadBank", "load", tr("Load a bank file"), &TWorkspace::bbLoadBankClick);
    FSaveBank = MakeButton("bbSaveBank", "save", tr("Save the bank to a file"),
                           &TWorkspace::bbSaveBankClick);
    FLoadAll = MakeButton("bbLoadAll", "load-all", tr("Load all four user banks from one file"),
                          &TWorkspace::bbLoadAllClick);
    FSaveAll = MakeButton("bbSaveAll", "save-all", tr("Save all four user banks to one file"),
                          &TWorkspace::bbSaveAllClick);
    auto* files = new QGridLayout;
    files->addWidget(FLoadBank, 0, 0);
    files->addWidget(FLoadAll, 0, 0);
    files->addWidget(FSaveBank, 0, 1);
    files->addWidget(FSaveAll, 0, 1);
    column->addLayout(files);
    column->addWidget(MakeOptionGroup("rgLoadSave", QStringLiteral("Load / Save"),
                                      QStringLiteral("Bank"), QStringLiteral("All Banks"),
                                      FLoadSave));

    FUserToLib = MakeButton("bbUserToLib", "bank-to-lib",
                            QStringLiteral("Add selected patches to the Library"),
                            &TWorkspace::bbUserToLibClick);
    // The patch list is a window of its own: whoever made it opens it.
    FPatchList = MakeButton("bbPatchList", "patch-list", tr("Patch name lists for sequencers"));
    connect(FPatchList, &QToolButton::clicked, this, &TBankPanel::patchListClicked);
    FLibraryButtons = new QGridLayout;
    FLibraryButtons->addWidget(FUserToLib, 0, 0);
    FLibraryButtons->addWidget(FPatchList, 0, 1);
    column->addLayout(FLibraryButtons);
    column->addWidget(MakeOptionGroup("rgBankToLib", QStringLiteral("User to Lib"),
                                      QStringLiteral("Bank"), QStringLiteral("Selected"),
                                      FBankToLib));
    column->addWidget(MakeOptionGroup("rgInsertMode", QStringLiteral("Insert Clipboard"),
                                      QStringLiteral("Overwrite"), QStringLiteral("Pushdown"),
                                      FInsertMode));
    column->addWidget(MakeOptionGroup("rgDeleteMode", QStringLiteral("Delete Mode"),
                                      QStringLiteral("Put Blank"), QStringLiteral("Pull up list"),
                                      FDeleteMode));
    column->addStretch(1);

    const std::pair<QButtonGroup*, TGroup> groups[] = {
        {FFromToMidi, TGroup::FromTo},     {FLoadSave, TGroup::LoadSave},
        {FBankToLib, TGroup::UserToLib},   {FInsertMode, TGroup::InsertMode},
        {FDeleteMode, TGroup::DeleteMode},
    };
    for (const auto& [items, group] : groups) {
        // clicked, unlike toggled, comes only from the person: the program's own settings of
        // the items never run the click.
        connect(items, &QButtonGroup::idClicked, this, [this, group = group](int item) {
            FWorkspace.RunGuarded([&] { FWorkspace.rgOptionClick(group, item); });
            ApplyOptions();
        });
    }
    return controls;
}

QWidget* TBankPanel::MakeRomControls() {
    auto* controls = new QWidget;
    Paint(controls, PanelColour);
    auto* column = new QVBoxLayout(controls);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    FRomGetBank =
        MakeButton("bbROMGetBank", "rom-get", tr("Get the chosen ROM bank from the synth"),
                   &TWorkspace::bbROMGetBankClick);
    FRomToLib = MakeButton("bbRomToLib", "bank-to-lib", tr("Add the ROM bank to the Library"),
                           &TWorkspace::bbRomToLibClick);
    FRomLoadBank = MakeButton("bbROMLoadBank", "load", tr("Load a ROM bank file"),
                              &TWorkspace::bbROMLoadBankClick);
    FRomSaveBank = MakeButton("bbROMSaveBank", "save", tr("Save the ROM bank to a file"),
                              &TWorkspace::bbROMSaveBankClick);
    FRomButtons = new QGridLayout;
    FRomButtons->addWidget(FRomGetBank, 0, 0);
    FRomButtons->addWidget(FRomToLib, 0, 1);
    FRomButtons->addWidget(FRomLoadBank, 1, 0);
    FRomButtons->addWidget(FRomSaveBank, 1, 1);
    column->addLayout(FRomButtons);

    column->addWidget(MakeOptionGroup("rgLoadMethod", QStringLiteral("Method"),
                                      QStringLiteral("Edit Buffer"), QStringLiteral("Direct ROM"),
                                      FLoadMethod));
    FLoadMethod->button(static_cast<int>(TLoadMethod::DirectRom))->setChecked(true);
    connect(FLoadMethod, &QButtonGroup::idClicked, this, [this](int item) {
        FWorkspace.RunGuarded([&] { FWorkspace.rgLoadMethodClick(item); });
    });

    // The edit-buffer panel has its own; this one silences the synth while ROM presets are
    // auditioned one after another.
    auto* soundOff = MakeButton("bbRomAllSoundOff", "sound-off", tr("All Sound Off"),
                                &TWorkspace::bbAllSoundOffClick);
    column->addWidget(soundOff, 0, Qt::AlignLeft);
    column->addStretch(1);
    return controls;
}

QWidget* TBankPanel::MakeRomPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsROM"));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    column->addWidget(FViews[RomView], 1);

    FRomBankFile = new QLabel(QStringLiteral("No FIle Loaded"));
    FRomBankFile->setObjectName(QStringLiteral("lRomBankFile"));
    FRomBankFile->setAccessibleName(tr("ROM bank file"));
    QFont bold = FRomBankFile->font();
    bold.setBold(true);
    FRomBankFile->setFont(bold);
    Paint(FRomBankFile, Qt::yellow);
    FRomBankFile->setContentsMargins(3, 1, 3, 1);
    // A long file name is cut at the panel's edge rather than widening the panel.
    FRomBankFile->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    column->addWidget(FRomBankFile);

    FRomList = new QComboBox;
    FRomList->setObjectName(QStringLiteral("cbROMList"));
    FRomList->setAccessibleName(tr("Sound ROM"));
    FRomList->setToolTip(tr("The synth's sound ROMs"));
    FRomBankList = new QComboBox;
    FRomBankList->setObjectName(QStringLiteral("cbROMBankList"));
    FRomBankList->setAccessibleName(tr("ROM bank"));
    FRomBankList->setToolTip(tr("The banks of the chosen ROM"));
    for (QComboBox* box : {FRomList, FRomBankList}) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(8);
        column->addWidget(box);
    }
    // activated comes only from the person's choice; the program fills and selects the lists
    // without running it.
    connect(FRomList, &QComboBox::activated, this, [this](int index) {
        FWorkspace.RunGuarded([&] { FWorkspace.cbROMListChange(index); });
    });
    connect(FRomBankList, &QComboBox::activated, this, [this](int index) {
        FWorkspace.RunGuarded([&] { FWorkspace.cbROMBankListChange(index); });
    });
    return page;
}

void TBankPanel::ConnectView(int v) {
    TBankView* view = FViews[static_cast<size_t>(v)];
    connect(view, &TBankView::slotPressed, this,
            [this, v](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int slot) {
                FWorkspace.RunGuarded([&] {
                    FWorkspace.vleUserMouseDown(v, ViewButton(button), ViewShiftState(modifiers),
                                                slot);
                });
            });
    connect(view, &TBankView::pressClicked, this,
            [this, v] { FWorkspace.RunGuarded([&] { FWorkspace.vleUserClick(v); }); });
    connect(view, &TBankView::slotDoubleClicked, this, [this, v](int slot) {
        FWorkspace.RunGuarded([&] { FWorkspace.vleUser0DblClick(v, slot); });
    });
    connect(view, &TBankView::slotKeyPressed, this,
            [this, v](int key, Qt::KeyboardModifiers modifiers, int slot) {
                FWorkspace.RunGuarded([&] {
                    FWorkspace.vleUserKeyDown(v, ViewKeyCode(key), ViewShiftState(modifiers), slot);
                });
            });
    connect(view, &TBankView::menuKeyPressed, this, [this, v, view](int slot) {
        const QRect cell = view->visualRect(view->model()->index(slot, 1));
        FMenuAt = view->viewport()->mapToGlobal(cell.bottomLeft());
        FWorkspace.RunGuarded([&] { FWorkspace.vleUserMenuKey(v, slot); });
        FMenuAt.reset();
    });
    // Whatever moves the rows moves them away from under the rename box.
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &TBankPanel::RenameRowMoved);
    view->installEventFilter(this);
}

void TBankPanel::RenameRowMoved() {
    if (FRenameBox->isVisible()) {
        FWorkspace.RunGuarded([this] { FWorkspace.CloseRenameBox(); });
    }
}

void TBankPanel::MakeMenu() {
    FBankMenu = MakeSelectionMenu(*this, FWorkspace, "pmBank", QStringLiteral("Selection --"),
                                  {{"pmBankEdit", "Edit", &TWorkspace::pmBankEditClick},
                                   {"pmBankCopy", "Copy", &TWorkspace::pmBankCopyClick},
                                   {"pmBankPaste", "Paste  ", &TWorkspace::pmBankPasteClick},
                                   {"pmBankDelete", "Delete", &TWorkspace::pmBankDeleteClick},
                                   {"pmBankSwap", "Swap", &TWorkspace::pmBankSwapClick}});
    FSwapItem = FBankMenu->actions().back();
    FUndoItems = AddUndoItems(*FBankMenu, *this, FWorkspace);
}

void TBankPanel::ShowUndoState(const std::string& undoText, const std::string& redoText) {
    ShowUndoItems(FUndoItems, undoText, redoText);
}

void TBankPanel::Forward(void (TWorkspace::*command)()) {
    RunCommand(FWorkspace, command);
}

void TBankPanel::TabChosen(int tab) {
    bool taken = false;
    FWorkspace.RunGuarded([&] { taken = FWorkspace.pcUserBankChange(tab); });
    if (!taken) {
        const QSignalBlocker quiet(FTabs);
        FTabs->setCurrentIndex(FWorkspace.Status().Tab);
    }
    ShowTab();
}

void TBankPanel::ShowTab() {
    const int tab = FWorkspace.Status().Tab;
    FViewStack->setCurrentIndex(tab);
    FControlStack->setCurrentIndex(tab == RomView ? 1 : 0);
    // One patch-list button, beside the buttons of the tab shown.
    if (tab == RomView) {
        FRomButtons->addWidget(FPatchList, 2, 0);
    } else {
        FLibraryButtons->addWidget(FPatchList, 0, 1);
    }
    FPatchList->show();
    ApplyOptions();
}

void TBankPanel::ApplyOptions() {
    const TOptionGroups& options = FWorkspace.Options();
    const std::pair<QButtonGroup*, int> choices[] = {
        {FFromToMidi, options.FromTo},     {FLoadSave, options.LoadSave},
        {FBankToLib, options.UserToLib},   {FInsertMode, options.InsertMode},
        {FDeleteMode, options.DeleteMode},
    };
    for (const auto& [items, item] : choices) {
        if (QAbstractButton* button = items->button(item)) {
            button->setChecked(true);
        }
    }
    const bool bank = options.FromTo == 0;
    FGetBank->setVisible(bank);
    FSendBank->setVisible(bank);
    FGetSelected->setVisible(!bank);
    FSendSelected->setVisible(!bank);
    const bool oneFile = options.LoadSave == 0;
    FLoadBank->setVisible(oneFile);
    FSaveBank->setVisible(oneFile);
    FLoadAll->setVisible(!oneFile);
    FSaveAll->setVisible(!oneFile);
    FUserToLib->setIcon(Icon(options.UserToLib == 0 ? "bank-to-lib" : "selected-to-lib"));
}

TBankView* TBankPanel::ViewOfBank(int bankNumber) const {
    if (bankNumber >= 0 && bankNumber < RomView) {
        return FViews[static_cast<size_t>(bankNumber)];
    }
    return bankNumber == TPatchBank::RomBankNumber ? FViews[RomView] : nullptr;
}

void TBankPanel::SetBankTabCaption(int tab, const std::string& caption) {
    if (tab >= 0 && tab < FTabs->count()) {
        FTabs->setTabText(tab, Text(caption));
    }
}

void TBankPanel::ShowUserTab(int bank) {
    if (bank < 0 || bank >= RomView) {
        return;
    }
    // The tab-change reaction runs as for the person's choice, also when the tab already shows.
    if (FTabs->currentIndex() == bank) {
        TabChosen(bank);
    } else {
        FTabs->setCurrentIndex(bank);
    }
}

void TBankPanel::ShowRomBankFile(const std::string& fileName) {
    FRomBankFile->setText(Text(fileName));
}

void TBankPanel::SetRomList(const std::vector<std::string>& items, int selected) {
    const QSignalBlocker quiet(FRomList);
    FRomList->clear();
    for (const std::string& item : items) {
        FRomList->addItem(Text(item));
    }
    FRomList->setCurrentIndex(selected);
}

void TBankPanel::SetRomBankList(const std::vector<std::string>& items, int selected) {
    const QSignalBlocker quiet(FRomBankList);
    FRomBankList->clear();
    for (const std::string& item : items) {
        FRomBankList->addItem(Text(item));
    }
    FRomBankList->setCurrentIndex(selected);
}

void TBankPanel::EnableCommands(bool on, bool selectionCommands) {
    for (QToolButton* button :
         {FGetBank, FSendBank, FLoadBank, FSaveBank, FLoadAll, FSaveAll, FUserToLib, FPatchList,
          FRomGetBank, FRomLoadBank, FRomSaveBank, FRomToLib}) {
        button->setEnabled(on);
    }
    FGetSelected->setEnabled(selectionCommands);
    FSendSelected->setEnabled(selectionCommands);
}

void TBankPanel::EnableRomLists(bool on) {
    FRomList->setEnabled(on);
    FRomBankList->setEnabled(on);
}

void TBankPanel::ShowLoadMethod(TLoadMethod method) {
    // setChecked does not raise clicked: the person's click handler stays out of it.
    if (QAbstractButton* button = FLoadMethod->button(static_cast<int>(method))) {
        button->setChecked(true);
    }
}

void TBankPanel::ShowCursor(int bankNumber, int slot) {
    if (TBankView* view = ViewOfBank(bankNumber)) {
        view->ShowSlot(slot);
    }
}

void TBankPanel::EnableSelectionCommands(bool userToLib, bool getSendSelected) {
    FUserToLib->setEnabled(userToLib);
    FGetSelected->setEnabled(getSendSelected);
    FSendSelected->setEnabled(getSendSelected);
}

void TBankPanel::ShowBankMenu(bool swapVisible) {
    FSwapItem->setVisible(swapVisible);
    // popup, not exec: the press that opened the menu returns at once, and the item chosen
    // later runs as an event of its own.
    FBankMenu->popup(FMenuAt.value_or(QCursor::pos()));
}

void TBankPanel::PrepareRenameBox(int bankNumber, int slot, const std::string& text) {
    TBankView* view = ViewOfBank(bankNumber);
    if (view == nullptr || slot < 0 || slot >= TPatchBank::SlotCount) {
        return;
    }
    const QRect cell = view->visualRect(view->model()->index(slot, 1));
    FRenameBox->setFont(view->font());
    const int height = std::max(cell.height(), FRenameBox->sizeHint().height());
    const QPoint topLeft = view->viewport()->mapTo(this, cell.topLeft());
    FRenameBox->setGeometry(topLeft.x(), topLeft.y() - (height - cell.height()) / 2, cell.width(),
                            height);
    FRenameBox->setText(Text(text));
    FRenameBox->hide();
}

void TBankPanel::ShowRenameBox() {
    FRenameKeys.clear();
    FRenameBox->show();
    FRenameBox->raise();
    FRenameBox->selectAll();
    FRenameBox->setFocus();
}

void TBankPanel::HideRenameBox() {
    FRenameBox->hide();
}

void TBankPanel::FocusRenameBox() {
    if (FRenameBox->isVisible()) {
        FRenameBox->setFocus();
    }
}

void TBankPanel::RestoreFocus(int focusView) {
    if (focusView < 1 || focusView > ViewCount || !window()->isVisible()) {
        return;
    }
    FViews[static_cast<size_t>(focusView - 1)]->setFocus();
}

bool TBankPanel::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::Resize || event->type() == QEvent::Move) &&
        watched != FRenameBox) {
        RenameRowMoved();
    }
    if (watched == FRenameBox && event->type() == QEvent::KeyPress) {
        FRenameKeys.insert(static_cast<QKeyEvent*>(event)->key());
    }
    // A key held down repeats its press but is released once: the box reacts to the release,
    // and only of a key pressed in it.
    if (watched == FRenameBox && event->type() == QEvent::KeyRelease &&
        !static_cast<QKeyEvent*>(event)->isAutoRepeat() &&
        FRenameKeys.remove(static_cast<QKeyEvent*>(event)->key())) {
        const int key = ViewKeyCode(static_cast<QKeyEvent*>(event)->key());
        const std::string before = ToCp1252(FRenameBox->text());
        std::string after = before;
        FWorkspace.RunGuarded([&] { after = FWorkspace.eUserEditKeyUp(before, key); });
        if (after != before) {
            FRenameBox->setText(Text(after));
            FRenameBox->setCursorPosition(static_cast<int>(FRenameBox->text().size()));
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velcora
