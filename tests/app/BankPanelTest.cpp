// The bank panel driven as a person drives it: clicks with and without Shift and Ctrl, keys,
// the wheel, the bank menu and the rename box, the option groups, the tabs and the ROM tab's
// lists, on a workspace beside the in-process virtual synth. What the views show is read
// through their models and their cell drawing.
#include "BankPanel.h"

#include "BankCellDelegate.h"
#include "BankModel.h"
#include "BankView.h"
#include "DumpMaker.h"
#include "IniFile.h"
#include "RecordingView.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "TestApp.h"
#include "VirtualMidiDriver.h"
#include "VirtualSynthDevice.h"
#include "WidgetApp.h"
#include "Workspace.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <set>

using namespace velcora;
using namespace velcora::test;

namespace {

[[maybe_unused]] ::testing::Environment* const AppEnvironment =
    ::testing::AddGlobalTestEnvironment(new test::TWidgetApp);

/// Records what the workspace shows and passes the bank panel's part on to the panel, as the
/// main window does.
class TPanelView : public TRecordingView {
public:
    TBankPanel* Panel = nullptr;

    void SetBankTabCaption(int tab, const std::string& caption) override {
        TRecordingView::SetBankTabCaption(tab, caption);
        if (Panel)
            Panel->SetBankTabCaption(tab, caption);
    }
    void ShowUserTab(int bank) override {
        TRecordingView::ShowUserTab(bank);
        if (Panel)
            Panel->ShowUserTab(bank);
    }
    void ShowRomBankFile(const std::string& fileName) override {
        TRecordingView::ShowRomBankFile(fileName);
        if (Panel)
            Panel->ShowRomBankFile(fileName);
    }
    void SetRomList(const std::vector<std::string>& items, int selected) override {
        TRecordingView::SetRomList(items, selected);
        if (Panel)
            Panel->SetRomList(items, selected);
    }
    void SetRomBankList(const std::vector<std::string>& items, int selected) override {
        TRecordingView::SetRomBankList(items, selected);
        if (Panel)
            Panel->SetRomBankList(items, selected);
    }
    void EnableCommands(bool on, bool selectionCommands) override {
        TRecordingView::EnableCommands(on, selectionCommands);
        if (Panel)
            Panel->EnableCommands(on, selectionCommands);
    }
    void EnableRomLists(bool on) override {
        TRecordingView::EnableRomLists(on);
        if (Panel)
            Panel->EnableRomLists(on);
    }
    void ShowLoadMethod(TLoadMethod method) override {
        TRecordingView::ShowLoadMethod(method);
        if (Panel)
            Panel->ShowLoadMethod(method);
    }
    void ShowCursor(int bankNumber, int slot) override {
        TRecordingView::ShowCursor(bankNumber, slot);
        if (Panel)
            Panel->ShowCursor(bankNumber, slot);
    }
    void EnableSelectionCommands(bool userToLib, bool getSendSelected) override {
        TRecordingView::EnableSelectionCommands(userToLib, getSendSelected);
        if (Panel)
            Panel->EnableSelectionCommands(userToLib, getSendSelected);
    }
    void ShowBankMenu(bool swapVisible) override {
        TRecordingView::ShowBankMenu(swapVisible);
        if (Panel)
            Panel->ShowBankMenu(swapVisible);
    }
    void PrepareRenameBox(int bankNumber, int slot, const std::string& text) override {
        TRecordingView::PrepareRenameBox(bankNumber, slot, text);
        if (Panel)
            Panel->PrepareRenameBox(bankNumber, slot, text);
    }
    void ShowRenameBox() override {
        TRecordingView::ShowRenameBox();
        if (Panel)
            Panel->ShowRenameBox();
    }
    void HideRenameBox() override {
        TRecordingView::HideRenameBox();
        if (Panel)
            Panel->HideRenameBox();
    }
    void FocusRenameBox() override {
        TRecordingView::FocusRenameBox();
        if (Panel)
            Panel->FocusRenameBox();
    }
    void RestoreFocus(int focusView) override {
        TRecordingView::RestoreFocus(focusView);
        if (Panel)
            Panel->RestoreFocus(focusView);
    }
    void ShowUndoState(const std::string& undoText, const std::string& redoText) override {
        TRecordingView::ShowUndoState(undoText, redoText);
        if (Panel)
            Panel->ShowUndoState(undoText, redoText);
    }
};

constexpr int Rom = TWorkspace::RomTab;
const char* const ViewNames[] = {"vleUser0", "vleUser1", "vleUser2", "vleUser3", "vleRomBank"};

class BankPanelTest : public ::testing::Test {
protected:
    static inline const std::string SynthPort = emu::TVirtualSynthDevice::kDefaultName;

    BankPanelTest() {
        for (const char* shipped :
             {"Default Audity.syx", "Default Composer.syx", "Default XL-2.syx"}) {
            WriteBytes(Dir.File(shipped),
                       ReadBytes(std::string(VELCORA_ASSETS_DIR) + "/" + shipped));
        }
        Ws = std::make_unique<TWorkspace>(Dialogs, View, Dir.File("Velcora.INI"), Dir.Path(),
                                          Dir.Path(), &Driver);
        Panel = std::make_unique<TBankPanel>(*Ws);
        View.Panel = Panel.get();
        Panel->resize(317, 850);
        Panel->show();
        QApplication::processEvents();
    }
    ~BankPanelTest() override {
        View.Panel = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMenu*>(top) != nullptr) {
                top->close();
            }
        }
    }

    /// Both ports on the virtual synth; waits for the identification and the edit buffer,
    /// then fills user bank 0 from a file whose slot i is named "Tst:Patch i".
    void Connect() {
        Ws->lbMidiOutClick(TWorkspace::EntryIndex(Ws->PortEntries(TPort::SynthOutput), SynthPort));
        Ws->lbMidiInClick(TWorkspace::EntryIndex(Ws->PortEntries(TPort::SynthInput), SynthPort));
        ASSERT_TRUE(PumpUntil([&] { return Ws->Status().SynthFound && !View.RomList.empty(); },
                              std::chrono::seconds(20)));
        ASSERT_TRUE(PumpUntil([&] { return !View.EditName.empty(); }, std::chrono::seconds(20)));
        Ws->SetTimeBetweenSysex(0);
        Ws->SetTimeBetweenPatches(1);
        WriteBytes(Dir.File("Bank.syx"),
                   MakeDumps(TDumpSizes::ForModelClass(TModelClass::Proteus), 128, 300));
        Dialogs.ExpectOpen("Load Patch Bank File", Dir.File("Bank.syx"));
        QTest::mouseClick(Button("bbLoadBank"), Qt::LeftButton);
        ASSERT_TRUE(Dialogs.ScriptDone());
    }

    template <typename TWidget> TWidget* Find(const char* name) {
        auto* widget = Panel->findChild<TWidget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QToolButton* Button(const char* name) { return Find<QToolButton>(name); }
    TBankView* BankView(int view) { return Find<TBankView>(ViewNames[view]); }
    QTabBar* Tabs() { return Find<QTabBar>("pcUserBank"); }
    QLineEdit* RenameBox() { return Find<QLineEdit>("eUserEdit"); }

    QModelIndex Cell(int view, int slot, int column = 1) {
        return BankView(view)->model()->index(slot, column);
    }
    std::set<int> Marked(int view) {
        std::set<int> marked;
        for (int slot = 0; slot < TPatchBank::SlotCount; ++slot) {
            if (Cell(view, slot).data(TBankModel::SelectedRole).toBool()) {
                marked.insert(slot);
            }
        }
        return marked;
    }
    QString Name(int view, int slot) { return Cell(view, slot).data().toString(); }
    QPoint Centre(int view, int slot) {
        TBankView* bank = BankView(view);
        bank->scrollTo(Cell(view, slot));
        return bank->visualRect(Cell(view, slot)).center();
    }
    void Press(int view, int slot, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers keys = {}) {
        QTest::mouseClick(BankView(view)->viewport(), button, keys, Centre(view, slot));
    }
    void ChooseTab(int tab) {
        QTabBar* tabs = Tabs();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(tab).center());
    }
    QRadioButton* Item(const char* group, int item) {
        return Find<QRadioButton>((std::string(group) + "Item" + std::to_string(item)).c_str());
    }
    /// Clicks an option group's item on its round indicator, which a click always hits.
    void ClickItem(const char* group, int item) {
        QRadioButton* radio = Item(group, item);
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
    }
    QMenu* OpenMenu() {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == "pmBank" && top->isVisible()) {
                return qobject_cast<QMenu*>(top);
            }
        }
        return nullptr;
    }
    /// A right press on a selected slot, then a click on the bank menu's item.
    void ChooseMenuItem(int view, int slot, const std::string& item) {
        Press(view, slot, Qt::RightButton);
        QMenu* menu = OpenMenu();
        ASSERT_NE(menu, nullptr) << item;
        for (QAction* action : menu->actions()) {
            if (action->text().toStdString() == item) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
                return;
            }
        }
        FAIL() << "no item " << item;
    }
    std::string Ini(const std::string& key) {
        return TIniFile(Dir.File("Velcora.INI")).ReadString("General", key, "(absent)");
    }
    std::string SynthEditName() {
        return Synth.With([](emu::TVirtualSynth& s) { return s.EditBuffer().Name(); });
    }

    TTempDir Dir;
    TScriptedDialogs Dialogs;
    TPanelView View;
    TVirtualMidiDriver Driver;
    emu::TVirtualSynthDevice Synth{Driver};
    std::unique_ptr<TWorkspace> Ws;
    std::unique_ptr<TBankPanel> Panel;
};

std::set<int> Range(int first, int last) {
    std::set<int> range;
    for (int slot = first; slot <= last; ++slot) {
        range.insert(slot);
    }
    return range;
}

} // namespace

TEST(BankPanelKeys, QtKeysBecomeTheCodesTheCommandsKnow) {
    const struct {
        int Qt;
        int Code;
    } keys[] = {
        {Qt::Key_Up, TKey::Up},
        {Qt::Key_Down, TKey::Down},
        {Qt::Key_Delete, TKey::Delete},
        {Qt::Key_Return, TKey::Enter},
        {Qt::Key_Enter, TKey::Enter},
        {Qt::Key_Escape, TKey::Escape},
        {Qt::Key_Backspace, TKey::Backspace},
        {Qt::Key_Shift, TKey::Shift},
        {Qt::Key_Control, TKey::Ctrl},
        {Qt::Key_A, TKey::A},
        {Qt::Key_C, TKey::C},
        {Qt::Key_L, TKey::L},
        {Qt::Key_O, TKey::O},
        {Qt::Key_S, TKey::S},
        {Qt::Key_V, TKey::V},
        {Qt::Key_Z, TKey::Z},
        {Qt::Key_PageUp, 33},
        {Qt::Key_Home, 36},
        {Qt::Key_5, '5'},
        {Qt::Key_F1, 112},
        // A key the commands have no use for must not pass for Shift or Ctrl, which keep the
        // press's click alive.
        {Qt::Key_Meta, 0},
        {Qt::Key_VolumeUp, 0},
    };
    for (const auto& k : keys) {
        EXPECT_EQ(ViewKeyCode(k.Qt), k.Code) << std::hex << k.Qt;
    }
    const TShiftState both = ViewShiftState(Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_TRUE(both.Shift && both.Ctrl && !both.Alt);
    EXPECT_FALSE(ViewShiftState(Qt::KeypadModifier).Shift);
}

TEST_F(BankPanelTest, TheFaceOfThePanel) {
    const char* const captions[] = {"User  0", "User 1", "User 2", "User 3", "ROM"};
    ASSERT_EQ(Tabs()->count(), 5);
    for (int tab = 0; tab < 5; ++tab) {
        EXPECT_EQ(Tabs()->tabText(tab).toStdString(), captions[tab]);
        TBankView* view = BankView(tab);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->model()->rowCount(), 128);
        EXPECT_EQ(view->model()->headerData(0, Qt::Horizontal).toString(), "Num");
        EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString(), "Patch (Type : Name)");
        EXPECT_FALSE(view->accessibleName().isEmpty());
        EXPECT_EQ(view->selectionMode(), QAbstractItemView::NoSelection);
        EXPECT_TRUE(view->font().bold());
        EXPECT_EQ(view->font().pointSize(), 8);
    }
    EXPECT_EQ(BankView(3)->toolTip().toStdString(),
              "Use mouse click to select (with or without Shift or Ctrl )");
    EXPECT_EQ(Find<QLabel>("lRomBankFile")->text().toStdString(), "No FIle Loaded");
    EXPECT_EQ(RenameBox()->toolTip().toStdString(), "Press ENTER to finish");
    EXPECT_EQ(RenameBox()->maxLength(), 16);
    EXPECT_FALSE(RenameBox()->isVisible());
    EXPECT_EQ(Button("bbUserToLib")->toolTip().toStdString(),
              "Add selected patches to the Library");

    const struct {
        const char* Group;
        const char* Caption;
        const char* Items[2];
    } groups[] = {
        {"rgFromToMidi", "Midi Get-Send", {"Bank", "Selected"}},
        {"rgLoadSave", "Load / Save", {"Bank", "All Banks"}},
        {"rgBankToLib", "User to Lib", {"Bank", "Selected"}},
        {"rgInsertMode", "Insert Clipboard", {"Overwrite", "Pushdown"}},
        {"rgDeleteMode", "Delete Mode", {"Put Blank", "Pull up list"}},
        {"rgLoadMethod", "Method", {"Edit Buffer", "Direct ROM"}},
    };
    for (const auto& g : groups) {
        SCOPED_TRACE(g.Group);
        EXPECT_EQ(Find<QGroupBox>(g.Group)->title().toStdString(), g.Caption);
        for (int item = 0; item < 2; ++item) {
            EXPECT_EQ(Item(g.Group, item)->text().toStdString(), g.Items[item]);
        }
    }
    EXPECT_TRUE(Item("rgLoadMethod", 1)->isChecked()); // "Direct ROM" at start

    // Every picture button has its picture (drawn from the resources), its hint and the words
    // a screen reader says.
    for (const char* name :
         {"bbGetBank", "bbGetSelected", "bbSendBank", "bbSendSelected", "bbLoadBank", "bbSaveBank",
          "bbLoadAll", "bbSaveAll", "bbUserToLib", "bbPatchList", "bbROMGetBank", "bbROMLoadBank",
          "bbROMSaveBank", "bbRomToLib", "bbRomAllSoundOff"}) {
        SCOPED_TRACE(name);
        QToolButton* button = Button(name);
        ASSERT_NE(button, nullptr);
        EXPECT_FALSE(button->toolTip().isEmpty());
        EXPECT_FALSE(button->accessibleName().isEmpty());
        const QImage picture = button->icon().pixmap(24, 24).toImage();
        ASSERT_FALSE(picture.isNull());
        int drawn = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                drawn += qAlpha(picture.pixel(x, y)) > 0 ? 1 : 0;
            }
        }
        EXPECT_GT(drawn, 50);
    }
    // It fits a 1366 x 768 screen beside the rest of the main window.
    EXPECT_LE(Panel->minimumSizeHint().height(), 560);
    EXPECT_LE(Panel->minimumSizeHint().width(), 330);
}

TEST_F(BankPanelTest, NumberAndNameCellsAsTheyAreDrawn) {
    Connect();
    Press(0, 7);
    const QColor viewColours[] = {{0xCE, 0xCF, 0xB1},
                                  {0xD0, 0xCD, 0xE9},
                                  {0xF9, 0xD6, 0xA2},
                                  {0xF8, 0xF3, 0xA3},
                                  {0xCE, 0xCF, 0xB1}};
    for (int view = 0; view < 5; ++view) {
        SCOPED_TRACE(view);
        const TBankCellDelegate& cells = BankView(view)->CellDelegate();
        const auto number = cells.Look(Cell(view, 7, 0));
        EXPECT_EQ(number.Text.toStdString(), " 007");
        EXPECT_EQ(cells.Look(Cell(view, 127, 0)).Text.toStdString(), " 127");
        EXPECT_EQ(number.Background, QColor(0xA6, 0xCA, 0xF0));
        EXPECT_EQ(number.Foreground, QColor(Qt::black));
        const auto name = cells.Look(Cell(view, 8));
        EXPECT_EQ(name.Text, " " + Name(view, 8));
        EXPECT_EQ(name.Background, viewColours[view]);
        EXPECT_EQ(name.Foreground, QColor(Qt::black));
    }
    EXPECT_EQ(Name(0, 7).toStdString().substr(0, 13), "Tst:Patch 007");
    const auto marked = BankView(0)->CellDelegate().Look(Cell(0, 7));
    EXPECT_EQ(marked.Text.toStdString().substr(0, 14), " Tst:Patch 007");
    EXPECT_EQ(marked.Background, QColor(0x00, 0x00, 0xFF));
    EXPECT_EQ(marked.Foreground, QColor(Qt::white));

    // On screen: the marked row's name cell is blue, its neighbour keeps the view's colour,
    // whatever Qt's own selection would have painted.
    TBankView* view = BankView(0);
    const QImage shot = view->viewport()->grab().toImage();
    const QRect cell7 = view->visualRect(Cell(0, 7));
    const QRect cell8 = view->visualRect(Cell(0, 8));
    const QPoint blank7(cell7.right() - 3, cell7.center().y());
    const QPoint blank8(cell8.right() - 3, cell8.center().y());
    const qreal ratio = shot.devicePixelRatio();
    EXPECT_EQ(QColor(shot.pixel(blank7 * ratio)), QColor(0x00, 0x00, 0xFF));
    EXPECT_EQ(QColor(shot.pixel(blank8 * ratio)), viewColours[0]);
}

TEST_F(BankPanelTest, ClicksSelectWithShiftAndCtrl) {
    Connect();
    ASSERT_TRUE(Ws->pcUserBankChange(0));
    // The pair Get/Send Selected shows, to see it follow the selection.
    ClickItem("rgFromToMidi", 1);
    const Qt::KeyboardModifiers none{};
    const struct {
        const char* Step;
        int View;
        int Slot;
        Qt::KeyboardModifiers Keys;
        std::set<int> User0;
        std::set<int> User1;
        bool SelectedCommands;
    } steps[] = {
        {"plain click", 0, 5, none, {5}, {}, true},
        {"shift extends down", 0, 9, Qt::ShiftModifier, Range(5, 9), {}, true},
        {"plain click keeps one", 0, 5, none, {5}, {}, true},
        {"another bank's click clears this one", 1, 3, none, {}, {3}, true},
        {"and back", 0, 10, none, {10}, {}, true},
        {"ctrl adds", 0, 40, Qt::ControlModifier, {10, 40}, {}, true},
        {"shift from the lowest", 0, 20, Qt::ShiftModifier, Range(10, 20), {}, true},
        {"shift upwards", 0, 2, Qt::ShiftModifier, Range(2, 10), {}, true},
        {"ctrl and shift selects one",
         0,
         64,
         Qt::ShiftModifier | Qt::ControlModifier,
         {64},
         {},
         true},
        {"ctrl removes the last", 0, 64, Qt::ControlModifier, {}, {}, false},
        {"shift with nothing selected", 0, 30, Qt::ShiftModifier, {30}, {}, true},
        {"the last slot", 0, 127, none, {127}, {}, true},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.Step);
        Press(s.View, s.Slot, Qt::LeftButton, s.Keys);
        EXPECT_EQ(Marked(0), s.User0);
        EXPECT_EQ(Marked(1), s.User1);
        EXPECT_EQ(BankView(s.View)->CurrentSlot(), s.Slot);
        if (s.View == 0) {
            EXPECT_EQ(Button("bbGetSelected")->isEnabled(), s.SelectedCommands);
            EXPECT_EQ(Button("bbSendSelected")->isEnabled(), s.SelectedCommands);
        }
    }
    EXPECT_TRUE(Button("bbGetSelected")->isVisible());
    EXPECT_FALSE(Button("bbGetBank")->isVisible());
}

TEST_F(BankPanelTest, UpAndDownMoveTheSelectionAndAuditionTheSlot) {
    Connect();
    Press(0, 5);
    TBankView* view = BankView(0);
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(Marked(0), std::set<int>{6});
    EXPECT_EQ(view->CurrentSlot(), 6);
    EXPECT_TRUE(PumpUntil([&] { return SynthEditName() == Name(0, 6).toStdString(); }))
        << SynthEditName();
    QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Up);
    EXPECT_EQ(Marked(0), std::set<int>{4});
    EXPECT_EQ(view->CurrentSlot(), 4);

    // At either end nothing changes.
    Press(0, 0);
    QTest::keyClick(view, Qt::Key_Up);
    EXPECT_EQ(Marked(0), std::set<int>{0});
    EXPECT_EQ(view->CurrentSlot(), 0);
    Press(0, 127);
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(Marked(0), std::set<int>{127});
    EXPECT_EQ(view->CurrentSlot(), 127);

    // Home, End and the page keys move the row alone.
    QTest::keyClick(view, Qt::Key_Home);
    EXPECT_EQ(view->CurrentSlot(), 0);
    QTest::keyClick(view, Qt::Key_PageDown);
    EXPECT_GT(view->CurrentSlot(), 0);
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_EQ(view->CurrentSlot(), 127);
    EXPECT_EQ(Marked(0), std::set<int>{127});
}

TEST_F(BankPanelTest, RightPressAuditionsOrOpensTheBankMenu) {
    Connect();
    // Unselected: the synth plays the slot, no menu.
    Press(0, 12, Qt::RightButton);
    EXPECT_EQ(OpenMenu(), nullptr);
    EXPECT_TRUE(PumpUntil([&] { return SynthEditName() == Name(0, 12).toStdString(); }));
    EXPECT_TRUE(Marked(0).empty());

    const char* const items[] = {"Selection --", "Edit", "Copy", "Paste  ", "Delete", "Swap"};
    const struct {
        std::set<int> Selected;
        bool Swap;
    } cases[] = {{{12}, false}, {{12, 14}, true}, {{12, 13, 14}, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Selected.size());
        bool first = true;
        for (int slot : c.Selected) {
            Press(0, slot, Qt::LeftButton, first ? Qt::KeyboardModifiers{} : Qt::ControlModifier);
            first = false;
        }
        ASSERT_EQ(Marked(0), c.Selected);
        Press(0, 12, Qt::RightButton);
        QMenu* menu = OpenMenu();
        ASSERT_NE(menu, nullptr);
        const QList<QAction*> actions = menu->actions();
        ASSERT_EQ(actions.size(), 9) << "then a separator, Undo and Redo";
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(actions[i]->text().toStdString(), items[i]);
        }
        EXPECT_TRUE(actions[6]->isSeparator());
        EXPECT_EQ(actions[7]->objectName().toStdString(), "pmBankUndo");
        EXPECT_EQ(actions[8]->objectName().toStdString(), "pmBankRedo");
        EXPECT_EQ(actions[5]->isVisible(), c.Swap);
        EXPECT_EQ(Marked(0), c.Selected); // the press changed no mark
        menu->close();
    }
}

TEST_F(BankPanelTest, EditRenamesTheSlotThroughTheRenameBox) {
    Connect();
    const struct {
        int View;
        int Slot;
        const char* Caption;
    } cases[] = {{0, 20, "*User 0"}, {Rom, 10, "*ROM"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.View);
        ChooseTab(c.View);
        const std::string userSlot10 = Ws->UserBank(0).Slot(10).Name();
        Press(c.View, c.Slot);
        ChooseMenuItem(c.View, c.Slot, "Edit");

        QLineEdit* box = RenameBox();
        ASSERT_TRUE(box->isVisible());
        EXPECT_EQ(box->text(), Name(c.View, c.Slot));
        EXPECT_EQ(box->selectedText(), box->text());
        EXPECT_TRUE(box->hasFocus());
        // Over the name cell of the row pressed.
        TBankView* view = BankView(c.View);
        const QRect cell = view->visualRect(Cell(c.View, c.Slot));
        EXPECT_TRUE(box->geometry().contains(view->viewport()->mapTo(Panel.get(), cell.center())));
        EXPECT_EQ(Tabs()->tabText(c.View).toStdString(), c.Caption);

        QTest::keyClicks(box, "abc");
        EXPECT_EQ(box->text().toStdString(), "abc:");
        EXPECT_EQ(box->cursorPosition(), 4);
        QTest::keyClick(box, 'L');
        // The box's text reaches the names one byte a character (Windows-1252: é is E9).
        // QTest types ASCII only.
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent key(type, Qt::Key_Eacute, Qt::NoModifier, QString(QChar(0xE9)));
            QApplication::sendEvent(box, &key);
        }
        QTest::keyClicks(box, "ad");
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_FALSE(box->isVisible());
        // The synth's names are 7-bit: the data layer writes é as e, one character for one.
        EXPECT_EQ(Name(c.View, c.Slot).trimmed().toStdString(), "abc:Lead");
        const TPatchBank& bank = c.View == Rom ? Ws->RomBank() : Ws->UserBank(c.View);
        EXPECT_EQ(bank.Slot(c.Slot).Name().substr(0, 16), "abc:Lead        ");
        if (c.View == Rom) {
            EXPECT_EQ(Ws->UserBank(0).Slot(10).Name(), userSlot10);
        }
    }
}

TEST_F(BankPanelTest, MenuItemsRunTheirCommands) {
    Connect();
    const std::string blank = Ws->BlankPatch().Name();
    Press(0, 10);
    Press(0, 11, Qt::LeftButton, Qt::ControlModifier);
    ChooseMenuItem(0, 10, "Copy");
    EXPECT_EQ(Tabs()->tabText(0).toStdString(), "User 0") << "Copy changes nothing";

    Press(0, 50);
    ChooseMenuItem(0, 50, "Paste  ");
    EXPECT_EQ(Name(0, 50).trimmed().toStdString(), "Tst:Patch 010");
    EXPECT_EQ(Name(0, 51).trimmed().toStdString(), "Tst:Patch 011");
    EXPECT_EQ(Name(0, 52).trimmed().toStdString(), "Tst:Patch 052");
    EXPECT_EQ(Marked(0), (std::set<int>{50, 51}));
    EXPECT_EQ(Tabs()->tabText(0).toStdString(), "*User 0");

    ChooseMenuItem(0, 50, "Swap");
    EXPECT_EQ(Name(0, 50).trimmed().toStdString(), "Tst:Patch 011");
    EXPECT_EQ(Name(0, 51).trimmed().toStdString(), "Tst:Patch 010");

    ChooseMenuItem(0, 51, "Delete");
    EXPECT_EQ(Name(0, 50).toStdString(), blank);
    EXPECT_EQ(Name(0, 51).toStdString(), blank);
    EXPECT_EQ(Name(0, 52).trimmed().toStdString(), "Tst:Patch 052");
}

TEST_F(BankPanelTest, KeysInAViewRunTheShortcuts) {
    Connect();
    TBankView* view = BankView(0);
    Press(0, 7);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    Press(0, 9);
    QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Name(0, 9).trimmed().toStdString(), "Tst:Patch 007");
    EXPECT_EQ(Tabs()->tabText(0).toStdString(), "*User 0");

    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(Name(0, 9).toStdString(), Ws->BlankPatch().Name());

    QTest::keyClick(view, Qt::Key_Z); // a letter alone is nothing
    EXPECT_EQ(Name(0, 9).toStdString(), Ws->BlankPatch().Name());
    // Ctrl+Z takes the delete back; Ctrl+Shift+Z and Ctrl+Y do it again.
    const struct {
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        bool Deleted;
    } undoKeys[] = {
        {Qt::Key_Z, Qt::ControlModifier, false},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, true},
        {Qt::Key_Z, Qt::ControlModifier, false},
        {Qt::Key_Y, Qt::ControlModifier, true},
    };
    for (const auto& k : undoKeys) {
        QTest::keyClick(view, k.Key, k.Modifiers);
        EXPECT_EQ(Name(0, 9).toStdString(),
                  k.Deleted ? Ws->BlankPatch().Name() : std::string("Tst:Patch 007   "));
    }
    EXPECT_TRUE(Dialogs.ScriptDone());

    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Marked(0).size(), 128u);
}

TEST_F(BankPanelTest, ADoubleClickAuditionsAndMarksTheSlot) {
    Connect();
    Press(0, 3);
    // A person's double click presses first; QTest's sends the double click alone.
    Press(0, 33);
    QTest::mouseDClick(BankView(0)->viewport(), Qt::LeftButton, {}, Centre(0, 33));
    EXPECT_TRUE(Marked(0).count(33));
    EXPECT_TRUE(PumpUntil([&] { return SynthEditName() == Name(0, 33).toStdString(); }))
        << SynthEditName();
}

TEST_F(BankPanelTest, IdentificationShowsTheFirstUserBankAsIfChosen) {
    // The tab already showing: its reaction runs all the same, which writes the three keys
    // the user tabs apply.
    Connect();
    EXPECT_EQ(Ini("FromTo"), "Bank");
    EXPECT_EQ(Ini("LoadSave"), "Bank");
    EXPECT_EQ(Ini("UserToLib"), "Bank");
}

TEST_F(BankPanelTest, IdentificationBringsBackTheFirstUserBank) {
    ChooseTab(2);
    ASSERT_EQ(Ws->Status().CurUserBank, 2);
    Connect();
    EXPECT_EQ(Tabs()->currentIndex(), 0);
    EXPECT_EQ(Ws->Status().CurUserBank, 0);
    EXPECT_TRUE(BankView(0)->isVisible());
}

TEST_F(BankPanelTest, OptionGroupsWriteTheirKeyAndShowTheirButtons) {
    const struct {
        const char* Group;
        int Item;
        const char* Key;
        const char* Written;
        std::vector<const char*> Shown;
        std::vector<const char*> Hidden;
    } clicks[] = {
        {"rgFromToMidi",
         1,
         "FromTo",
         "Selected",
         {"bbGetSelected", "bbSendSelected"},
         {"bbGetBank", "bbSendBank"}},
        {"rgFromToMidi",
         0,
         "FromTo",
         "Bank",
         {"bbGetBank", "bbSendBank"},
         {"bbGetSelected", "bbSendSelected"}},
        {"rgLoadSave",
         1,
         "LoadSave",
         "AllBanks",
         {"bbLoadAll", "bbSaveAll"},
         {"bbLoadBank", "bbSaveBank"}},
        {"rgLoadSave",
         0,
         "LoadSave",
         "Bank",
         {"bbLoadBank", "bbSaveBank"},
         {"bbLoadAll", "bbSaveAll"}},
        {"rgBankToLib", 1, "UserToLib", "Selected", {"bbUserToLib"}, {}},
        {"rgInsertMode", 1, "InsertMode", "Pushdown", {}, {}},
        {"rgDeleteMode", 1, "DeleteMode", "Pullup", {}, {}},
    };
    for (const auto& c : clicks) {
        SCOPED_TRACE(std::string(c.Group) + " " + std::to_string(c.Item));
        ClickItem(c.Group, c.Item);
        EXPECT_EQ(Ini(c.Key), c.Written);
        EXPECT_TRUE(Item(c.Group, c.Item)->isChecked());
        for (const char* name : c.Shown) {
            EXPECT_TRUE(Button(name)->isVisible()) << name;
        }
        for (const char* name : c.Hidden) {
            EXPECT_FALSE(Button(name)->isVisible()) << name;
        }
    }
    EXPECT_EQ(Ws->Options().DeleteMode, 1);

    // A new panel on the same settings starts with the stored choices.
    View.Panel = nullptr;
    Panel.reset();
    Ws.reset();
    Ws = std::make_unique<TWorkspace>(Dialogs, View, Dir.File("Velcora.INI"), Dir.Path(),
                                      Dir.Path(), &Driver);
    Panel = std::make_unique<TBankPanel>(*Ws);
    View.Panel = Panel.get();
    Panel->show();
    for (const char* group : {"rgBankToLib", "rgInsertMode", "rgDeleteMode"}) {
        EXPECT_TRUE(Item(group, 1)->isChecked()) << group;
    }
    EXPECT_TRUE(Item("rgFromToMidi", 0)->isChecked());
    EXPECT_TRUE(Button("bbLoadBank")->isVisible());
    // Nothing is selected: "User to Lib" on "Selected" starts disabled, with its second face,
    // and so do Get and Send Selected.
    EXPECT_FALSE(Button("bbUserToLib")->isEnabled());
    EXPECT_FALSE(Button("bbGetSelected")->isEnabled());
    EXPECT_FALSE(Button("bbSendSelected")->isEnabled());
    const QImage selectedFace = Button("bbUserToLib")->icon().pixmap(24, 24).toImage();
    ClickItem("rgBankToLib", 0);
    EXPECT_TRUE(Button("bbUserToLib")->isEnabled());
    EXPECT_NE(Button("bbUserToLib")->icon().pixmap(24, 24).toImage(), selectedFace);
}

TEST_F(BankPanelTest, TheRomTabHidesTheUserControlsAndKeepsEverySelection) {
    Connect();
    ChooseTab(2);
    EXPECT_EQ(Ws->Status().CurUserBank, 2);
    Press(2, 3);
    ChooseTab(Rom);
    EXPECT_EQ(Ws->Status().Tab, Rom);
    EXPECT_EQ(Ws->Status().CurUserBank, 2);
    EXPECT_TRUE(BankView(Rom)->isVisible());
    EXPECT_FALSE(BankView(2)->isVisible());
    for (const char* name :
         {"bbGetBank", "bbSendBank", "bbLoadBank", "bbSaveBank", "bbUserToLib"}) {
        EXPECT_FALSE(Button(name)->isVisible()) << name;
    }
    // The patch lists name the ROM bank this tab shows: their button stays, and works.
    EXPECT_TRUE(Button("bbPatchList")->isVisible());
    int listsOpened = 0;
    QObject::connect(Panel.get(), &TBankPanel::patchListClicked, [&] { ++listsOpened; });
    QTest::mouseClick(Button("bbPatchList"), Qt::LeftButton);
    EXPECT_EQ(listsOpened, 1);
    for (const char* group :
         {"rgFromToMidi", "rgLoadSave", "rgBankToLib", "rgInsertMode", "rgDeleteMode"}) {
        EXPECT_FALSE(Find<QGroupBox>(group)->isVisible()) << group;
    }
    for (const char* name : {"bbROMGetBank", "bbROMLoadBank", "bbROMSaveBank", "bbRomToLib"}) {
        EXPECT_TRUE(Button(name)->isVisible()) << name;
    }
    // Ctrl+A marks the whole ROM bank without touching the user bank's marks.
    QTest::keyClick(BankView(Rom), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Marked(Rom).size(), 128u);
    EXPECT_EQ(Marked(2), std::set<int>{3});

    ChooseTab(2);
    EXPECT_TRUE(BankView(2)->isVisible());
    EXPECT_TRUE(Button("bbGetBank")->isVisible());
    EXPECT_TRUE(Button("bbPatchList")->isVisible());
    EXPECT_EQ(Marked(2), std::set<int>{3});
    EXPECT_EQ(Marked(Rom).size(), 128u);
}

TEST_F(BankPanelTest, ARefusedTabShowsTheBankBeingFetched) {
    Connect();
    ChooseTab(1);
    QTest::mouseClick(Button("bbGetBank"), Qt::LeftButton);
    ASSERT_TRUE(Ws->Status().TransferRunning);
    EXPECT_FALSE(Button("bbGetBank")->isEnabled());
    EXPECT_FALSE(Button("bbROMGetBank")->isEnabled());
    EXPECT_EQ(Tabs()->tabText(1).toStdString(), "*User 1");
    ChooseTab(3);
    EXPECT_EQ(Tabs()->currentIndex(), 1);
    EXPECT_TRUE(BankView(1)->isVisible());
    Ws->bbCancelGetClick();
    EXPECT_TRUE(Button("bbGetBank")->isEnabled());
    ChooseTab(3);
    EXPECT_EQ(Tabs()->currentIndex(), 3);
    EXPECT_EQ(Ws->Status().CurUserBank, 3);
}

TEST_F(BankPanelTest, TheRomListsAndTheMethod) {
    Connect();
    ChooseTab(Rom);
    auto* roms = Find<QComboBox>("cbROMList");
    auto* banks = Find<QComboBox>("cbROMBankList");
    ASSERT_EQ(roms->count(), static_cast<int>(View.RomList.size()));
    EXPECT_EQ(roms->itemText(0).toStdString(), View.RomList.front());
    // The second ROM of the virtual Proteus 2000 has five banks: the fifth is fetched through
    // the edit buffer.
    roms->setFocus();
    QTest::keyClick(roms, Qt::Key_End);
    EXPECT_EQ(Ws->Status().RomIndex, roms->count() - 1);
    ASSERT_EQ(banks->count(), 5);
    EXPECT_EQ(banks->itemText(4).toStdString(), "Bank 4");
    for (int bank : {4, 2, 3, 4}) {
        SCOPED_TRACE(bank);
        banks->setFocus();
        QTest::keyClick(banks, Qt::Key_Home);
        for (int i = 0; i < bank; ++i) {
            QTest::keyClick(banks, Qt::Key_Down);
        }
        EXPECT_EQ(Ws->Status().RomBankListIndex, bank);
        const int method = bank >= 4 ? 0 : 1; // Edit Buffer from bank 4 on
        EXPECT_TRUE(Item("rgLoadMethod", method)->isChecked());
        EXPECT_EQ(Ws->Status().LoadMethod, static_cast<TLoadMethod>(method));
    }
    // Choosing the ROM again refills the bank list with its first bank selected; that is the
    // program's selection, which must not run the bank choice (it would set "Direct ROM").
    roms->setFocus();
    QTest::keyClick(roms, Qt::Key_Home);
    EXPECT_EQ(Ws->Status().RomIndex, 0);
    EXPECT_EQ(banks->count(), 4);
    EXPECT_EQ(banks->currentIndex(), 0);
    EXPECT_EQ(Ws->Status().LoadMethod, TLoadMethod::EditBuffer);
    EXPECT_TRUE(Item("rgLoadMethod", 0)->isChecked());

    // The person may change the method afterwards.
    ClickItem("rgLoadMethod", 1);
    EXPECT_EQ(Ws->Status().LoadMethod, TLoadMethod::DirectRom);
}

TEST_F(BankPanelTest, TheWheelMovesTwoRowsAndStopsAtTheEnds) {
    TBankView* view = BankView(0);
    auto wheel = [&](int delta) {
        const QPointF at(20, 20);
        QWheelEvent event(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &event);
    };
    // The last row shows whole at the bottom, and the row above the top is out of sight.
    auto lastRowAtBottom = [&] {
        const int height = view->viewport()->height();
        const QRect last = view->visualRect(Cell(0, 127));
        return last.bottom() < height && last.bottom() + last.height() >= height &&
               view->TopSlot() > 0 && view->visualRect(Cell(0, view->TopSlot() - 1)).bottom() < 0;
    };
    // The current row stays where the person put it, whatever the wheel shows.
    wheel(-120);
    EXPECT_EQ(view->TopSlot(), 2);
    EXPECT_EQ(view->CurrentSlot(), 0);
    wheel(-240); // two steps in one turn
    EXPECT_EQ(view->TopSlot(), 6);
    EXPECT_EQ(view->CurrentSlot(), 0);
    wheel(-60); // half a step waits for its other half
    EXPECT_EQ(view->TopSlot(), 6);
    wheel(-60);
    EXPECT_EQ(view->TopSlot(), 8);
    int lastTop = -1;
    for (int i = 0; i < 80; ++i) {
        wheel(-120);
        const QRect last = view->visualRect(Cell(0, 127));
        ASSERT_GE(last.bottom() + last.height(), view->viewport()->height()) << "past the end";
        if (lastRowAtBottom() && lastTop < 0) {
            lastTop = view->TopSlot();
        }
    }
    ASSERT_GT(lastTop, 60);
    EXPECT_EQ(view->TopSlot(), lastTop) << "scrolled past the last row";
    EXPECT_TRUE(lastRowAtBottom());
    EXPECT_EQ(view->CurrentSlot(), 0);
    for (int i = 0; i < 80; ++i) {
        wheel(120);
    }
    EXPECT_EQ(view->TopSlot(), 0);
    EXPECT_EQ(view->visualRect(Cell(0, 0)).top(), 0);
    EXPECT_EQ(view->CurrentSlot(), 0);
}

// After the wheel, Down goes on from the row the person left current, not from one the wheel
// dragged along out of sight: the slot auditioned is the one next to the frame.
TEST_F(BankPanelTest, AfterTheWheelDownGoesOnFromTheCurrentRow) {
    Connect();
    Press(0, 10);
    TBankView* view = BankView(0);
    for (int i = 0; i < 5; ++i) {
        const QPointF at(20, 20);
        QWheelEvent event(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &event);
    }
    EXPECT_EQ(view->CurrentSlot(), 10);
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(Marked(0), std::set<int>{11});
    EXPECT_EQ(view->CurrentSlot(), 11);
    EXPECT_TRUE(PumpUntil([&] { return SynthEditName() == Name(0, 11).toStdString(); }));
}

TEST_F(BankPanelTest, TheCursorFollowsTheProgram) {
    // A fetch brings the row it fills into sight; the current row stays where the person
    // put it, so that Up and Down go on from there.
    const auto inSight = [&](int view, int slot) {
        const QRect row = BankView(view)->visualRect(Cell(view, slot));
        return row.top() >= 0 && row.bottom() < BankView(view)->viewport()->height();
    };
    ChooseTab(2);
    BankView(2)->SetCurrentSlot(3);
    Panel->ShowCursor(2, 90);
    EXPECT_TRUE(inSight(2, 90));
    EXPECT_EQ(BankView(2)->CurrentSlot(), 3);
    ChooseTab(Rom);
    Panel->ShowCursor(TPatchBank::RomBankNumber, 117);
    EXPECT_TRUE(inSight(Rom, 117));
    EXPECT_EQ(BankView(Rom)->CurrentSlot(), 0);
    Panel->ShowCursor(100, 5); // the clipboard has no view
    Panel->ShowRomBankFile("Rom Bank.syx");
    EXPECT_EQ(Find<QLabel>("lRomBankFile")->text().toStdString(), "Rom Bank.syx");
    Panel->SetBankTabCaption(Rom, "*ROM");
    EXPECT_EQ(Tabs()->tabText(Rom).toStdString(), "*ROM");
    Panel->EnableRomLists(false);
    EXPECT_FALSE(Find<QComboBox>("cbROMList")->isEnabled());
    EXPECT_FALSE(Find<QComboBox>("cbROMBankList")->isEnabled());
    Panel->EnableSelectionCommands(false, true);
    EXPECT_FALSE(Button("bbUserToLib")->isEnabled());
    EXPECT_TRUE(Button("bbGetSelected")->isEnabled());
}

// Whatever takes the row away from under the rename box closes it without renaming; so does
// Escape. The Enter typed afterwards renames nothing.
TEST_F(BankPanelTest, TheRenameBoxClosesWhenItsRowMovesAway) {
    Connect();
    TBankView* view = BankView(0);
    const struct {
        const char* What;
        std::function<void()> Move;
    } cases[] = {
        {"Escape", [&] { QTest::keyClick(RenameBox(), Qt::Key_Escape); }},
        {"the wheel",
         [&] {
             const QPointF at(20, 20);
             QWheelEvent event(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                               Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
             QApplication::sendEvent(view->viewport(), &event);
         }},
        {"a fetch scrolling the view", [&] { Panel->ShowCursor(0, 120); }},
        {"the window resized", [&] { Panel->resize(Panel->width(), Panel->height() - 80); }},
        {"another tab", [&] { ChooseTab(1); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        ChooseTab(0);
        Panel->resize(317, 850);
        view->scrollToTop();
        const QString before = Name(0, 20);
        Press(0, 20);
        ChooseMenuItem(0, 20, "Edit");
        QLineEdit* box = RenameBox();
        ASSERT_TRUE(box->isVisible());
        QTest::keyClicks(box, "New:Name");
        c.Move();
        QApplication::processEvents();
        EXPECT_FALSE(box->isVisible());
        EXPECT_FALSE(Ws->Status().RenameBoxShowing);
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_EQ(Name(0, 20), before);
        for (int slot = 0; slot < TPatchBank::SlotCount; ++slot) {
            ASSERT_NE(Ws->UserBank(0).Slot(slot).Name().substr(0, 8), "New:Name") << slot;
            ASSERT_NE(Ws->UserBank(1).Slot(slot).Name().substr(0, 8), "New:Name") << slot;
        }
    }
}

// Edit chosen in the menu with the keyboard: the Enter that chose it is released over the
// new box, which must not take it for the end of the rename.
TEST_F(BankPanelTest, EditChosenWithTheKeyboardWaitsForAnEnterOfItsOwn) {
    Connect();
    Ws->UserBank(0).Slot(20).SetName("Grand Piano 1", Ws->Context().Sizes);
    Ws->UserBank(0).ShowName(20);
    Press(0, 20);
    Press(0, 20, Qt::RightButton);
    QMenu* menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    QTest::keyClick(menu, Qt::Key_Down);
    ASSERT_NE(menu->activeAction(), nullptr);
    EXPECT_EQ(menu->activeAction()->text(), QStringLiteral("Edit")) << "the title is no item";
    QTest::keyPress(menu, Qt::Key_Return);
    QLineEdit* box = RenameBox();
    ASSERT_TRUE(box->isVisible());
    QTest::keyRelease(box, Qt::Key_Return);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->text(), QStringLiteral("Grand Piano 1   "));
    EXPECT_EQ(Ws->UserBank(0).Slot(20).Name().substr(0, 16), "Grand Piano 1   ");
    // Its own Enter renames.
    box->setText(QStringLiteral("Pno:Grand 1"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(Ws->UserBank(0).Slot(20).Name().substr(0, 16), "Pno:Grand 1     ");
}

// The menu key and Shift+F10 open the bank menu at the current row; its title is a heading.
TEST_F(BankPanelTest, TheMenuKeyOpensTheBankMenuAtTheCurrentRow) {
    Connect();
    const struct {
        const char* What;
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        int View;
    } keys[] = {
        {"menu key", Qt::Key_Menu, Qt::NoModifier, 0},
        {"Shift+F10", Qt::Key_F10, Qt::ShiftModifier, 0},
        {"in the ROM view", Qt::Key_Menu, Qt::NoModifier, Rom},
    };
    for (const auto& k : keys) {
        SCOPED_TRACE(k.What);
        ChooseTab(k.View);
        Press(k.View, 30);
        QTest::keyClick(BankView(k.View), Qt::Key_Down);
        ASSERT_EQ(BankView(k.View)->CurrentSlot(), 31);
        QTest::keyClick(BankView(k.View), k.Key, k.Modifiers);
        QMenu* menu = OpenMenu();
        ASSERT_NE(menu, nullptr);
        const QRect row = BankView(k.View)->visualRect(Cell(k.View, 31));
        const QPoint rowBottom = BankView(k.View)->viewport()->mapToGlobal(row.bottomLeft());
        EXPECT_LE(std::abs(menu->pos().y() - rowBottom.y()), row.height() * 2)
            << "opened at the row, not at the pointer";
        QAction* title = menu->actions().front();
        EXPECT_EQ(title->text(), QStringLiteral("Selection --"));
        EXPECT_TRUE(title->isSeparator()) << "a heading, not a command";
        menu->close();
        EXPECT_EQ(Marked(k.View), std::set<int>{31});
    }
}

// The current row carries a frame; other rows do not.
TEST_F(BankPanelTest, TheCurrentRowIsFramed) {
    Connect();
    TBankView* view = BankView(0);
    Press(0, 5);
    QTest::keyClick(view, Qt::Key_Down);
    ASSERT_EQ(view->CurrentSlot(), 6);
    const QImage shot = view->viewport()->grab().toImage();
    // Dark pixels along the top edge of the number cell: the frame's, the cell has none.
    const auto frameOnTop = [&](int slot) {
        const QRect cell = view->visualRect(Cell(0, slot, 0));
        int dark = 0;
        for (int x = cell.left(); x <= cell.right(); ++x) {
            dark += qGray(shot.pixel(x, cell.top())) < 60 ? 1 : 0;
        }
        return dark;
    };
    EXPECT_GE(frameOnTop(6), view->visualRect(Cell(0, 6, 0)).width() / 3);
    for (int slot : {4, 5, 7, 8}) {
        EXPECT_EQ(frameOnTop(slot), 0) << slot;
    }
}

TEST_F(BankPanelTest, Picture) {
    const QByteArray shot = qgetenv("VELCORA_PANEL_SHOT");
    if (shot.isEmpty()) {
        GTEST_SKIP() << "VELCORA_PANEL_SHOT names the folder for the panel's pictures";
    }
    Connect();
    Press(0, 3);
    Press(0, 6, Qt::LeftButton, Qt::ShiftModifier);
    Panel->grab().save(QString::fromLocal8Bit(shot) + "/panel.png");
    Panel->resize(317, 560);
    Panel->grab().save(QString::fromLocal8Bit(shot) + "/panel-small.png");
    ChooseTab(Rom);
    Panel->resize(317, 850);
    Panel->grab().save(QString::fromLocal8Bit(shot) + "/panel-rom.png");
    Press(0, 4, Qt::RightButton);
}

TEST_F(BankPanelTest, TheBankMenuUndoesAndRedoesTheLastStep) {
    Connect();
    Ws->ClearUndoHistory();
    Press(0, 7);
    ChooseMenuItem(0, 7, "Copy");
    Press(0, 9);
    ChooseMenuItem(0, 9, "Paste  ");
    ASSERT_EQ(Name(0, 9).trimmed().toStdString(), "Tst:Patch 007");
    const auto item = [&](const char* name) {
        QAction* action = Panel->findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(action, nullptr) << name;
        return action;
    };
    const struct {
        const char* Choose; ///< the caption clicked
        std::string Slot9;
        const char* Undo;
        bool UndoOn;
        const char* Redo;
        bool RedoOn;
    } steps[] = {
        {"Undo Paste", "Tst:Patch 009", "Undo", false, "Redo Paste", true},
        {"Redo Paste", "Tst:Patch 007", "Undo Paste", true, "Redo", false},
    };
    EXPECT_EQ(item("pmBankUndo")->text().toStdString(), "Undo Paste");
    EXPECT_TRUE(item("pmBankUndo")->isEnabled());
    EXPECT_FALSE(item("pmBankRedo")->isEnabled());
    for (const auto& s : steps) {
        SCOPED_TRACE(s.Choose);
        Press(0, 9);
        ChooseMenuItem(0, 9, s.Choose);
        EXPECT_EQ(Name(0, 9).trimmed().toStdString(), s.Slot9);
        EXPECT_EQ(item("pmBankUndo")->text().toStdString(), s.Undo);
        EXPECT_EQ(item("pmBankUndo")->isEnabled(), s.UndoOn);
        EXPECT_EQ(item("pmBankRedo")->text().toStdString(), s.Redo);
        EXPECT_EQ(item("pmBankRedo")->isEnabled(), s.RedoOn);
    }
    EXPECT_TRUE(Dialogs.ScriptDone());
}

// The selection buttons follow the current bank's marks after every key and click, not only
// after clicks: Delete takes the marks away, Ctrl+A marks every slot.
TEST_F(BankPanelTest, TheSelectionButtonsFollowTheMarksAfterKeys) {
    Connect();
    ClickItem("rgFromToMidi", 1);
    ClickItem("rgBankToLib", 1);
    TBankView* view = BankView(0);
    const struct {
        const char* What;
        std::function<void()> Act;
        bool Enabled;
    } steps[] = {
        {"a click marks slot 4", [&] { Press(0, 4); }, true},
        {"Delete drops the mark", [&] { QTest::keyClick(view, Qt::Key_Delete); }, false},
        {"Ctrl+A marks every slot", [&] { QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier); },
         true},
        {"Delete again", [&] { QTest::keyClick(view, Qt::Key_Delete); }, false},
    };
    for (const auto& s : steps) {
        s.Act();
        for (const char* button : {"bbGetSelected", "bbSendSelected", "bbUserToLib"}) {
            EXPECT_EQ(Button(button)->isEnabled(), s.Enabled) << s.What << ": " << button;
        }
    }
}
