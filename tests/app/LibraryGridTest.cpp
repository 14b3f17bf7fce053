// The library grid and the library tab's controls as a person drives them: clicks with and
// without Shift and Ctrl, the title row, the menu and the in-cell editor, the wheel, the
// buttons and the "New Library" tab, on the program's windows beside the in-process virtual
// synth. What the grid shows is read through its model and its drawing.
#include "DumpMaker.h"
#include "LibraryCellDelegate.h"
#include "LibraryModel.h"
#include "LibraryView.h"
#include "LibraryWheel.h"
#include "MainWindow.h"
#include "Program.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "TestApp.h"
#include "VelcoraApplication.h"
#include "VirtualMidiDriver.h"
#include "VirtualSynthDevice.h"
#include "WindowTestSupport.h"
#include "Workspace.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace velcora;
using namespace velcora::test;
using namespace std::chrono_literals;

namespace {

using TAppEnvironment = TWidgetAppEnvironment<TVelcoraApplication>;

[[maybe_unused]] ::testing::Environment* const AppEnvironment =
    ::testing::AddGlobalTestEnvironment(new TAppEnvironment);

// ---- The wheel, as a table: V = 10 whole rows, 100 patches (101 grid rows) unless said.

struct TWheelCase {
    const char* What;
    TGridScroll From;
    bool Down;
    bool Ctrl;
    int Visible;
    int RowCount;
    TGridScroll To;
};

const TWheelCase WheelCases[] = {
    {"down scrolls one row, the current row stays", {1, 1}, true, false, 10, 101, {2, 1}},
    {"down at the last page scrolls no further", {91, 95}, true, false, 10, 101, {91, 95}},
    {"up scrolls one row", {5, 10}, false, false, 10, 101, {4, 10}},
    {"up at the top stays at the top", {1, 1}, false, false, 10, 101, {1, 1}},
    {"a row far below the view stays there", {1, 40}, true, false, 10, 101, {2, 40}},
    {"Ctrl down from the last visible row turns the page", {1, 10}, true, true, 10, 101, {10, 19}},
    {"Ctrl down from inside the page goes to its end", {1, 3}, true, true, 10, 101, {1, 10}},
    {"Ctrl down near the end goes to the last row", {85, 95}, true, true, 10, 101, {91, 100}},
    {"Ctrl up from the first visible row turns the page", {20, 20}, false, true, 10, 101, {11, 11}},
    {"Ctrl up from inside the page goes to its start", {20, 25}, false, true, 10, 101, {20, 20}},
    {"Ctrl up near the start goes to the first patch", {3, 8}, false, true, 10, 101, {1, 1}},
    {"all rows in sight: down moves nothing", {1, 1}, true, false, 10, 6, {1, 1}},
    {"all rows in sight: Ctrl down goes to the last", {1, 1}, true, true, 10, 6, {1, 5}},
    {"no patch rows: nothing moves", {1, 1}, true, true, 10, 1, {1, 1}},
};

TEST(LibraryWheelTest, EachStepMovesTheRowsAndTheCurrentRowAsTheGridDoes) {
    for (const TWheelCase& c : WheelCases) {
        SCOPED_TRACE(c.What);
        const TGridScroll to = LibraryWheelStep(c.From, c.Down, c.Ctrl, c.Visible, c.RowCount);
        EXPECT_EQ(to.Top, c.To.Top);
        EXPECT_EQ(to.Row, c.To.Row);
    }
}

/// The patches of the library file the tests load: type, name and first note.
struct TLibPatch {
    const char* Name;
    const char* Note;
};
const TLibPatch LibPatches[] = {
    {"Pad:Charlie     ", "warm"},    {"Bas:Alpha       ", "deep"}, {"Ld :Echo        ", "bright"},
    {"Org:Bravo       ", "drawbar"}, {"Pad:Delta       ", "slow"}, {"Syn:Golf        ", "saw"},
    {"Bel:Foxtrot     ", "glass"},   {"Str:Hotel       ", "lush"},
};
constexpr int LibCount = static_cast<int>(std::size(LibPatches));

} // namespace

class LibraryGridTest : public ::testing::Test {
protected:
    static inline const std::string SynthPort = emu::TVirtualSynthDevice::kDefaultName;

    LibraryGridTest() {
        TAppEnvironment::Instance();
        for (const char* shipped :
             {"Default Audity.syx", "Default Composer.syx", "Default XL-2.syx"}) {
            WriteBytes(Dir.File(shipped),
                       ReadBytes(std::string(VELCORA_ASSETS_DIR) + "/" + shipped));
        }
    }
    ~LibraryGridTest() override {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMenu*>(top) != nullptr) {
                top->close();
            }
        }
    }

    /// The program on the virtual synth, identified, its main window showing.
    void Start() {
        Program = std::make_unique<TProgram>(
            Dialogs, Driver, TProgramPlaces{Dir.File("Velcora.INI"), Dir.Path(), Dir.Path()},
            SynthPort);
        Main().show();
        ASSERT_TRUE(PumpUntil([&] { return Ws().Status().SynthFound; }, 20s));
        Ws().SetTimeBetweenSysex(0);
        Ws().SetTimeBetweenPatches(1);
    }
    /// Started, with the library file of LibPatches loaded through bbLoadLib.
    void StartWithLibrary() {
        Start();
        std::vector<TLibRecord> records;
        uint32_t seed = 11;
        for (const TLibPatch& p : LibPatches) {
            TDumpSpec made;
            made.Seed = seed++;
            made.Name = p.Name;
            records.push_back({{p.Note, "", ""}, MakeDump(TDumpSizes{}, made)});
        }
        const std::string file = Dir.File("Grid.lib");
        WriteBytes(file, LibraryBytes(LibCount, records));
        Dialogs.ExpectOpen("Load Patch Library File", file);
        QTest::mouseClick(&Find<QToolButton>("bbLoadLib"), Qt::LeftButton);
        ASSERT_TRUE(Dialogs.ScriptDone());
        ASSERT_EQ(Grid().model()->rowCount(), LibCount);
    }

    TWorkspace& Ws() { return Program->Workspace(); }
    TfMain& Main() { return Program->Main(); }
    template <typename T> T& Find(const char* name) {
        T* widget = Main().findChild<T*>(name);
        if (widget == nullptr) {
            throw std::logic_error(std::string("no control ") + name);
        }
        return *widget;
    }
    TLibraryView& Grid() { return Find<TLibraryView>("sgLib"); }
    QLineEdit& Editor() { return Find<QLineEdit>("eGridEdit"); }
    QMenu& Menu() { return Find<QMenu>("pmLib"); }

    /// Presses (and releases) a button over a cell of a patch row (grid rows: 1 the first).
    void ClickCell(int column, int row, Qt::KeyboardModifiers keys = {},
                   Qt::MouseButton button = Qt::LeftButton) {
        TLibraryView& grid = Grid();
        grid.scrollTo(grid.model()->index(row - 1, column));
        const QRect cell = grid.CellRect(column, row);
        ASSERT_FALSE(cell.isEmpty());
        QTest::mouseClick(grid.viewport(), button, keys, cell.center());
    }
    void ClickTitle(int column) {
        QHeaderView* titles = Grid().horizontalHeader();
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {},
                          QPoint(titles->sectionViewportPosition(column) + 6, 6));
    }
    /// The grid rows whose patch is marked.
    std::vector<int> Marked() {
        std::vector<int> rows;
        QAbstractItemModel* model = Grid().model();
        for (int r = 0; r < model->rowCount(); ++r) {
            if (model->index(r, 0).data(TLibraryModel::SelectedRole).toBool()) {
                rows.push_back(r + 1);
            }
        }
        return rows;
    }
    std::string Cell(int column, int row) {
        return Grid().model()->index(row - 1, column).data().toString().toStdString();
    }
    std::vector<std::string> Column(int column) {
        std::vector<std::string> texts;
        for (int r = 1; r <= Grid().model()->rowCount(); ++r) {
            texts.push_back(Cell(column, r));
        }
        return texts;
    }
    std::vector<std::string> MenuItems() {
        std::vector<std::string> items;
        for (const QAction* action : Menu().actions()) {
            if (action->isVisible()) {
                items.push_back(action->text().toStdString());
            }
        }
        return items;
    }
    /// Chooses an item of the open library menu.
    void Choose(const char* item) {
        QAction* action = Menu().findChild<QAction*>(item);
        ASSERT_NE(action, nullptr) << item;
        Menu().close();
        action->trigger();
    }
    bool MixOn() { return Find<QToolButton>("bbMixPatches").isEnabled(); }
    bool MorphOn() { return Find<QToolButton>("bbMorphPatches").isEnabled(); }

    TTempDir Dir;
    TScriptedDialogs Dialogs;
    TVirtualMidiDriver Driver;
    emu::TVirtualSynthDevice Synth{Driver};
    std::unique_ptr<TProgram> Program;
};

TEST_F(LibraryGridTest, TheGridAndTheButtonsAreNamedAsDesigned) {
    Start();
    TLibraryView& grid = Grid();
    EXPECT_EQ(grid.toolTip().toStdString(), "Left Click to select : Right to edit selected");
    EXPECT_FALSE(grid.accessibleName().isEmpty());
    EXPECT_EQ(grid.font().pointSize(), 8);
    EXPECT_EQ(grid.verticalHeader()->defaultSectionSize(), 18);
    EXPECT_EQ(grid.selectionMode(), QAbstractItemView::NoSelection);
    // Type is widened to its title; the others keep the designed widths.
    EXPECT_GE(grid.columnWidth(0), 25);
    EXPECT_GE(grid.columnWidth(0),
              grid.horizontalHeader()->fontMetrics().horizontalAdvance("Type") + 4);
    EXPECT_EQ(grid.columnWidth(1), 95);
    EXPECT_EQ(grid.columnWidth(2), 119);
    EXPECT_EQ(grid.columnWidth(3), 135);

    struct TButton {
        const char* Name;
        bool Enabled;
    };
    for (const TButton& b : {TButton{"bbLoadLib", true}, TButton{"bbSaveLib", true},
                             TButton{"bbDeDup", true}, TButton{"bbMixPatches", false},
                             TButton{"bbMorphPatches", false}, TButton{"bbEditToLib", true}}) {
        SCOPED_TRACE(b.Name);
        const auto& button = Find<QToolButton>(b.Name);
        EXPECT_FALSE(button.accessibleName().isEmpty());
        EXPECT_FALSE(button.toolTip().isEmpty());
        EXPECT_FALSE(button.icon().isNull());
        EXPECT_FALSE(button.icon().pixmap(24, 24).isNull()) << "the picture draws";
        EXPECT_EQ(button.isEnabled(), b.Enabled);
    }
    EXPECT_EQ(Find<QToolButton>("bbEditToLib").toolTip().toStdString(),
              "Add the Edit Buffer to the  Library");
    EXPECT_TRUE(Find<QToolButton>("bbEditToLib").parentWidget()->objectName() == "pEditBuff");

    EXPECT_FALSE(Editor().isVisible());
    EXPECT_EQ(Editor().toolTip().toStdString(), "Press ENTER to finish");
    EXPECT_EQ(Editor().font(), grid.font());
    EXPECT_EQ(Menu().actions().size(), 9) << "the commands, a separator, Undo and Redo";
    for (const char* item : {"pmLibUndo", "pmLibRedo"}) {
        EXPECT_NE(Menu().findChild<QAction*>(item), nullptr) << item;
    }
    SaveScreenshot(Main(), "library-tab.png");
}

TEST_F(LibraryGridTest, CellsAreDrawnByTheirMarkAndColumn) {
    StartWithLibrary();
    // Wide enough for every column.
    Main().resize(1200, 700);
    ClickCell(1, 2);
    ASSERT_EQ(Marked(), std::vector<int>{2});
    QApplication::processEvents();

    const QColor navy(0x00, 0x00, 0x80), green(0x00, 0x80, 0x00), blue(0x00, 0x00, 0xFF);
    struct TLook {
        int Row, Column;
        QColor Background, Foreground;
        bool Bold;
    };
    const TLook looks[] = {
        {1, 0, Qt::white, navy, true},       {1, 1, Qt::white, green, true},
        {1, 2, Qt::white, Qt::black, false}, {1, 4, Qt::white, Qt::black, false},
        {2, 0, blue, Qt::white, true},       {2, 1, blue, Qt::white, true},
        {2, 2, blue, Qt::white, false},
    };
    TLibraryView& grid = Grid();
    const QImage picture = grid.viewport()->grab().toImage();
    for (const TLook& look : looks) {
        SCOPED_TRACE(testing::Message() << "row " << look.Row << " column " << look.Column);
        const QModelIndex index = grid.model()->index(look.Row - 1, look.Column);
        const TLibraryCellDelegate::TCellLook drawn = TLibraryCellDelegate::Look(index);
        EXPECT_EQ(drawn.Background, look.Background);
        EXPECT_EQ(drawn.Foreground, look.Foreground);
        EXPECT_EQ(drawn.Bold, look.Bold);

        const QRect cell = grid.CellRect(look.Column, look.Row);
        EXPECT_EQ(picture.pixelColor(cell.right() - 2, cell.bottom() - 2), look.Background);
        if (drawn.Text.isEmpty()) {
            continue;
        }
        bool textInColour = false;
        for (int y = cell.top(); y <= cell.bottom() && !textInColour; ++y) {
            for (int x = cell.left(); x <= cell.right() && !textInColour; ++x) {
                // Thin strokes are smoothed into the background; their cores come near.
                const QColor pixel = picture.pixelColor(x, y);
                textInColour = std::abs(pixel.red() - look.Foreground.red()) < 40 &&
                               std::abs(pixel.green() - look.Foreground.green()) < 40 &&
                               std::abs(pixel.blue() - look.Foreground.blue()) < 40;
            }
        }
        EXPECT_TRUE(textInColour) << "the text is drawn in its colour";
    }
    const QImage titles = grid.horizontalHeader()->viewport()->grab().toImage();
    EXPECT_EQ(titles.pixelColor(grid.columnWidth(0) + 60, titles.height() / 2),
              QColor(0xFF, 0xFF, 0x00))
        << "the title row is yellow";
}

TEST_F(LibraryGridTest, ClicksWithShiftAndCtrlMarkRowsAndSetMixAndMorph) {
    StartWithLibrary();
    struct TStep {
        const char* What;
        int Row;
        Qt::KeyboardModifiers Keys;
        std::vector<int> Marked;
        bool Mix, Morph;
    };
    const TStep steps[] = {
        {"a plain click marks the row alone", 6, {}, {6}, false, false},
        {"Shift marks from the first marked row up to the click",
         3,
         Qt::ShiftModifier,
         {3, 4, 5, 6},
         true,
         false},
        {"Ctrl unmarks a marked row", 4, Qt::ControlModifier, {3, 5, 6}, true, false},
        {"Ctrl unmarks another: two are left", 5, Qt::ControlModifier, {3, 6}, true, true},
        {"Ctrl marks an unmarked row", 8, Qt::ControlModifier, {3, 6, 8}, true, false},
        {"a plain click starts again", 1, {}, {1}, false, false},
        {"Shift runs downwards too", 4, Qt::ShiftModifier, {1, 2, 3, 4}, true, false},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.What);
        ClickCell(1, step.Row, step.Keys);
        EXPECT_EQ(Marked(), step.Marked);
        EXPECT_EQ(MixOn(), step.Mix);
        EXPECT_EQ(MorphOn(), step.Morph);
        EXPECT_EQ(Grid().CurrentRow(), step.Row);
    }
    EXPECT_TRUE(Dialogs.ScriptDone());
}

TEST_F(LibraryGridTest, ATitleSortsItsColumnAscendingThenDescendingAndClearsTheMarks) {
    StartWithLibrary();
    ClickCell(1, 2);
    ClickTitle(1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"Alpha       ", "Bravo       ", "Charlie     ",
                                                   "Delta       ", "Echo        ", "Foxtrot     ",
                                                   "Golf        ", "Hotel       "}));
    EXPECT_TRUE(Marked().empty());
    ClickTitle(1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"Hotel       ", "Golf        ", "Foxtrot     ",
                                                   "Echo        ", "Delta       ", "Charlie     ",
                                                   "Bravo       ", "Alpha       "}));
    // Another title in between: the first one sorts ascending again.
    ClickTitle(2);
    EXPECT_EQ(Cell(2, 1), "bright");
    ClickTitle(1);
    EXPECT_EQ(Cell(1, 1), "Alpha       ");
    EXPECT_TRUE(Dialogs.ScriptDone());
}

TEST_F(LibraryGridTest, ARightPressOnAMarkedRowOpensTheMenuOnAnUnmarkedOneAuditions) {
    StartWithLibrary();
    ClickCell(1, 2);
    ClickCell(1, 5, Qt::ControlModifier);
    ClickCell(1, 5, {}, Qt::RightButton);
    ASSERT_TRUE(Menu().isVisible());
    // Undo offers the library's load, the last step; nothing to redo.
    EXPECT_EQ(MenuItems(),
              (std::vector<std::string>{"Selection ---", "Edit", "Copy", "Paste  ", "Delete",
                                        "Swap", "", "Undo Load Library", "Redo"}));
    Menu().close();

    ClickCell(1, 7, Qt::ControlModifier);
    ClickCell(1, 2, {}, Qt::RightButton);
    ASSERT_TRUE(Menu().isVisible());
    EXPECT_EQ(MenuItems(), (std::vector<std::string>{"Selection ---", "Edit", "Copy", "Paste  ",
                                                     "Delete", "", "Undo Load Library", "Redo"}))
        << "Swap only with two marked";
    Menu().close();

    // An unmarked row: the synth's edit buffer gets the patch, no menu opens.
    ClickCell(1, 4, {}, Qt::RightButton);
    EXPECT_FALSE(Menu().isVisible());
    ASSERT_TRUE(PumpUntil(
        [&] {
            return Synth.With([](emu::TVirtualSynth& s) { return s.EditBuffer().Name(); }) ==
                   "Org:Bravo       ";
        },
        10s));
    EXPECT_EQ(Marked(), (std::vector<int>{2, 5, 7})) << "an audition leaves the marks";
    EXPECT_TRUE(Dialogs.ScriptDone());
}

TEST_F(LibraryGridTest, TheFilterFieldShowsTheMatchingRowsAndCommandsKeepToThem) {
    StartWithLibrary();
    QLineEdit& filter = Find<QLineEdit>("edLibFilter");
    QLabel& count = Find<QLabel>("lbLibFilterCount");
    EXPECT_EQ(filter.accessibleName().toStdString(), "Library filter");
    EXPECT_TRUE(filter.isClearButtonEnabled());
    EXPECT_EQ(count.text().toStdString(), "8 of 8");

    // Typed a key at a time: each key filters again.
    const struct {
        const char* Keys;
        std::vector<std::string> Names;
        const char* Count;
    } typing[] = {
        {"PA", {"Charlie     ", "Delta       "}, "2 of 8"},
        {"d sl", {"Delta       "}, "1 of 8"}, // "pad sl": the second word is in a note
        {"x", {}, "0 of 8"},
    };
    for (const auto& step : typing) {
        SCOPED_TRACE(step.Keys);
        QTest::keyClicks(&filter, step.Keys);
        EXPECT_EQ(Column(1), step.Names);
        EXPECT_EQ(count.text().toStdString(), step.Count);
    }
    QTest::keyClick(&filter, Qt::Key_Escape);
    EXPECT_TRUE(filter.text().isEmpty()) << "Escape empties the field";
    EXPECT_EQ(Grid().model()->rowCount(), LibCount);
    EXPECT_EQ(count.text().toStdString(), "8 of 8");

    // "e" hides Bravo (library row 4) and Golf (row 6): the grid shows 6 rows.
    QTest::keyClicks(&filter, "e");
    ASSERT_EQ(Column(1),
              (std::vector<std::string>{"Charlie     ", "Alpha       ", "Echo        ",
                                        "Delta       ", "Foxtrot     ", "Hotel       "}));
    // A Shift range over the shown rows 1..4 leaves the hidden Bravo unmarked.
    ClickCell(1, 1);
    ClickCell(1, 4, Qt::ShiftModifier);
    EXPECT_EQ(Marked(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_FALSE(Ws().Library().Patch(3).Selected());
    EXPECT_TRUE(Ws().Library().Patch(4).Selected());

    // Down goes to the next shown row: Foxtrot, library row 7.
    QTest::keyClick(&Grid(), Qt::Key_Down);
    EXPECT_EQ(Grid().CurrentRow(), 5);
    EXPECT_EQ(Marked(), std::vector<int>{5});
    EXPECT_TRUE(Ws().Library().Patch(6).Selected());

    // The editor shows over the shown row's cell.
    ClickCell(1, 4);
    ClickCell(1, 4, {}, Qt::RightButton);
    ASSERT_TRUE(Menu().isVisible());
    Choose("pmLibEdit");
    QLineEdit& editor = Editor();
    ASSERT_TRUE(editor.isVisible());
    EXPECT_EQ(editor.text().toStdString(), "Delta       ");
    EXPECT_EQ(Grid().viewport()->mapFrom(editor.parentWidget(), editor.pos()),
              Grid().CellRect(1, 4).topLeft() + QPoint(2, 2));
    QTest::keyClick(&editor, Qt::Key_Escape);
    SaveScreenshot(Main(), "library-filter.png");

    // A click on a shown row, then Delete: that patch goes, and no other.
    ClickCell(1, 4);
    QTest::keyClick(&Grid(), Qt::Key_Delete);
    EXPECT_EQ(Ws().Library().Count(), LibCount - 1);
    for (int i = 0; i < Ws().Library().Count(); ++i) {
        EXPECT_NE(Ws().Library().Patch(i).Name().substr(0, 16), "Pad:Delta       ");
    }
    EXPECT_EQ(Column(1), (std::vector<std::string>{"Charlie     ", "Alpha       ", "Echo        ",
                                                   "Foxtrot     ", "Hotel       "}));
    EXPECT_EQ(count.text().toStdString(), "5 of 7");

    // Copy and paste under the filter: the copy goes before the marked row and shows.
    ClickCell(1, 2);
    QTest::keyClick(&Grid(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&Grid(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Column(1),
              (std::vector<std::string>{"Charlie     ", "Alpha       ", "Alpha       ",
                                        "Echo        ", "Foxtrot     ", "Hotel       "}));
    EXPECT_EQ(count.text().toStdString(), "6 of 8");

    // Emptied with its clear button's action: every patch shows again.
    filter.clear();
    EXPECT_EQ(Grid().model()->rowCount(), LibCount);
    EXPECT_EQ(count.text().toStdString(), "8 of 8");
    EXPECT_TRUE(Dialogs.ScriptDone());
}

TEST_F(LibraryGridTest, EditShowsTheEditorOverTheCellEnterRenamesEscapeDiscards) {
    StartWithLibrary();
    ClickCell(1, 3);
    ClickCell(1, 3, {}, Qt::RightButton);
    ASSERT_TRUE(Menu().isVisible());
    Choose("pmLibEdit");

    QLineEdit& editor = Editor();
    ASSERT_TRUE(editor.isVisible());
    EXPECT_EQ(editor.text().toStdString(), "Echo        ");
    EXPECT_EQ(editor.selectedText().toStdString(), "Echo        ");
    EXPECT_TRUE(editor.hasFocus());
    TLibraryView& grid = Grid();
    const QRect cell = grid.CellRect(1, 3);
    EXPECT_EQ(grid.viewport()->mapFrom(editor.parentWidget(), editor.pos()),
              cell.topLeft() + QPoint(2, 2));
    EXPECT_EQ(editor.size(), cell.size());
    SaveScreenshot(Main(), "library-editor.png");

    QTest::keyClicks(&editor, "Zulu");
    QTest::keyClick(&editor, Qt::Key_Return);
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(Cell(1, 3), "Zulu        ");
    EXPECT_EQ(Ws().Library().Patch(2).Name().substr(0, 16), "Ld :Zulu        ");

    // Escape: the typed text goes, the name stays.
    ClickCell(1, 3, {}, Qt::RightButton);
    Choose("pmLibEdit");
    ASSERT_TRUE(editor.isVisible());
    QTest::keyClicks(&editor, "Nothing");
    QTest::keyClick(&editor, Qt::Key_Escape);
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(Cell(1, 3), "Zulu        ");
    EXPECT_TRUE(Dialogs.ScriptDone());
}

TEST_F(LibraryGridTest, KeysInTheEditorDoNotReachTheGrid) {
    StartWithLibrary();
    ClickCell(1, 3);
    ClickCell(1, 3, {}, Qt::RightButton);
    Choose("pmLibEdit");
    ASSERT_TRUE(Editor().isVisible());
    // Down in the grid would mark and audition the next row.
    QTest::keyClick(&Editor(), Qt::Key_Down);
    EXPECT_EQ(Marked(), std::vector<int>{3});
    EXPECT_EQ(Grid().CurrentRow(), 3);
    QTest::keyClick(&Editor(), Qt::Key_Escape);
}

TEST_F(LibraryGridTest, TheWheelScrollsTheGridAndMovesItsCurrentRow) {
    Start();
    std::vector<TLibRecord> records;
    for (int i = 0; i < 200; ++i) {
        TDumpSpec made;
        made.Seed = static_cast<uint32_t>(i + 1);
        records.push_back({{"", "", ""}, MakeDump(TDumpSizes{}, made)});
    }
    const std::string file = Dir.File("Many.lib");
    WriteBytes(file, LibraryBytes(200, records));
    Dialogs.ExpectOpen("Load Patch Library File", file);
    QTest::mouseClick(&Find<QToolButton>("bbLoadLib"), Qt::LeftButton);
    TLibraryView& grid = Grid();
    grid.SetTopRow(1);
    grid.SetCurrentRow(1);
    const int visible = grid.VisibleRows();
    const TGridScroll expected = LibraryWheelStep({1, 1}, true, true, visible, 201);
    const QPoint at = grid.viewport()->rect().center();
    QWheelEvent wheel(at, grid.viewport()->mapToGlobal(at), {}, {0, -120}, Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid.viewport(), &wheel);
    EXPECT_EQ(grid.TopRow(), expected.Top);
    EXPECT_EQ(grid.CurrentRow(), expected.Row);
    EXPECT_EQ(expected.Row, visible);
}

TEST_F(LibraryGridTest, ThePlainWheelLeavesTheCurrentRowWhereItWas) {
    StartWithLibrary();
    ClickCell(1, 3);
    TLibraryView& grid = Grid();
    const QPoint at = grid.viewport()->rect().center();
    QWheelEvent wheel(at, grid.viewport()->mapToGlobal(at), {}, {0, -120}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid.viewport(), &wheel);
    EXPECT_EQ(grid.CurrentRow(), 3);
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(Marked(), std::vector<int>{4});
}

// The menu key and Shift+F10 open the library menu at the current row, a row not marked
// being marked first; the title is a heading, and the filter's clear button has a name.
TEST_F(LibraryGridTest, TheKeyboardReachesTheMenuAndTheFilterButton) {
    StartWithLibrary();
    const struct {
        const char* What;
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
    } keys[] = {{"menu key", Qt::Key_Menu, Qt::NoModifier},
                {"Shift+F10", Qt::Key_F10, Qt::ShiftModifier}};
    for (const auto& k : keys) {
        SCOPED_TRACE(k.What);
        ClickCell(1, 2);
        QTest::keyClick(&Grid(), Qt::Key_Down);
        ASSERT_EQ(Grid().CurrentRow(), 3);
        Ws().Library().DeselectAllAndRepaint();
        QTest::keyClick(&Grid(), k.Key, k.Modifiers);
        ASSERT_TRUE(Menu().isVisible());
        EXPECT_EQ(Marked(), std::vector<int>{3});
        const QRect cell = Grid().CellRect(1, 3);
        const QPoint below = Grid().viewport()->mapToGlobal(cell.bottomLeft());
        EXPECT_LE(std::abs(Menu().pos().y() - below.y()), cell.height() * 2);
        EXPECT_TRUE(Menu().actions().front()->isSeparator()) << "a heading, not a command";
        // Edit from there edits the current row.
        Choose("pmLibEdit");
        ASSERT_TRUE(Editor().isVisible());
        EXPECT_EQ(Editor().text().toStdString(), Cell(1, 3));
        QTest::keyClick(&Editor(), Qt::Key_Escape);
    }
    auto& filter = Find<QLineEdit>("edLibFilter");
    QTest::keyClicks(&filter, "pad");
    bool named = false;
    for (QToolButton* button : filter.findChildren<QToolButton*>()) {
        if (button->isVisible()) {
            EXPECT_FALSE(button->accessibleName().isEmpty());
            named = !button->accessibleName().isEmpty();
        }
    }
    EXPECT_TRUE(named) << "the clear button shows once there is text";
}

TEST_F(LibraryGridTest, TheCurrentRowIsFramed) {
    StartWithLibrary();
    ClickCell(2, 4);
    // Unmarked, the row's cells are white: only the frame is dark on them.
    Ws().Library().DeselectAllAndRepaint();
    TLibraryView& grid = Grid();
    const QImage shot = grid.viewport()->grab().toImage();
    // Dark pixels along the top edge of the first note's cell: the frame's alone.
    const auto frameOnTop = [&](int row) {
        const QRect cell = grid.CellRect(2, row);
        int dark = 0;
        for (int x = cell.left() + 1; x < cell.right(); ++x) {
            dark += qGray(shot.pixel(x, cell.top())) < 60 ? 1 : 0;
        }
        return dark;
    };
    EXPECT_GE(frameOnTop(4), grid.CellRect(2, 4).width() / 3);
    for (int row : {2, 3, 5}) {
        EXPECT_EQ(frameOnTop(row), 0) << row;
    }
}

TEST_F(LibraryGridTest, TheNewLibraryTabEmptiesTheLibraryAndShowsItAgain) {
    StartWithLibrary();
    auto& tabs = Find<QTabWidget>("pcPatch");
    QTest::mouseClick(tabs.tabBar(), Qt::LeftButton, {}, tabs.tabBar()->tabRect(1).center());
    EXPECT_EQ(tabs.currentIndex(), 0);
    EXPECT_EQ(Grid().model()->rowCount(), 1) << "the blank patch alone";
    EXPECT_TRUE(Dialogs.ScriptDone());
}

TEST_F(LibraryGridTest, EditToLibAddsTheEditBufferAtTheEnd) {
    StartWithLibrary();
    QTest::mouseClick(&Find<QToolButton>("bbEditToLib"), Qt::LeftButton);
    EXPECT_EQ(Grid().model()->rowCount(), LibCount + 1);
    EXPECT_EQ(Marked().back(), LibCount + 1);
}

TEST_F(LibraryGridTest, TheUndoKeysAndMenuItemsTakeBackAndRedoTheLastStep) {
    StartWithLibrary();
    const std::vector<std::string> loaded = Column(1);
    ClickCell(1, 2);
    QTest::keyClick(&Grid(), Qt::Key_Delete);
    const std::vector<std::string> deleted = Column(1);
    ASSERT_EQ(deleted.size(), loaded.size() - 1);
    const struct {
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        bool Deleted;
    } keys[] = {
        {Qt::Key_Z, Qt::ControlModifier, false},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, true},
        {Qt::Key_Z, Qt::ControlModifier, false},
        {Qt::Key_Y, Qt::ControlModifier, true},
    };
    for (const auto& k : keys) {
        QTest::keyClick(&Grid(), k.Key, k.Modifiers);
        EXPECT_EQ(Column(1), k.Deleted ? deleted : loaded) << k.Key;
    }
    // The menu's items name the steps and run them.
    QAction* undo = Menu().findChild<QAction*>("pmLibUndo");
    QAction* redo = Menu().findChild<QAction*>("pmLibRedo");
    ASSERT_NE(undo, nullptr);
    ASSERT_NE(redo, nullptr);
    EXPECT_EQ(undo->text().toStdString(), "Undo Delete");
    EXPECT_FALSE(redo->isEnabled());
    ClickCell(1, 2);
    ClickCell(1, 2, {}, Qt::RightButton);
    ASSERT_TRUE(Menu().isVisible());
    Choose("pmLibUndo");
    EXPECT_EQ(Column(1), loaded);
    EXPECT_EQ(undo->text().toStdString(), "Undo Load Library");
    EXPECT_EQ(redo->text().toStdString(), "Redo Delete");
    EXPECT_TRUE(redo->isEnabled());
    redo->trigger();
    EXPECT_EQ(Column(1), deleted);
    EXPECT_TRUE(Dialogs.ScriptDone());
}
