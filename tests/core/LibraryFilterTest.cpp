// The library filter: which rows show, the count, and every grid command kept to the rows
// that show (no command may reach a patch the person cannot see).
#include "DumpBuilder.h"
#include "VirtualSynthWorkspace.h"

#include <string>
#include <vector>

using namespace velcora;
using namespace velcora::test;

namespace {

TShiftState ShiftKey() {
    return {.Shift = true};
}
TShiftState CtrlKey() {
    return {.Ctrl = true};
}

/// One library patch: its 16-character name (type, colon, name proper) and three notes.
struct TEntry {
    const char* Name;
    const char* Notes[3];
};

/// Six patches whose words lie in different cells; each has its own data bytes.
const std::vector<TEntry> Entries = {
    {"Pad:Warm Strings", {"soft", "", ""}},     // 0
    {"PAD:Glass", {"", "bright attack", ""}},   // 1
    {"Bas:Deep Sub", {"", "", "warm low end"}}, // 2
    {"Led:Saw Lead", {"Pads of fire", "", ""}}, // 3
    {"Arp:Pulse Arp", {"", "", ""}},            // 4
    {"Pad:Choir", {"\xE9t\xE9 WARM", "", ""}},  // 5 (Windows-1252 accents)
};

class LibraryFilterTest : public TVirtualSynthWorkspace {
protected:
    void SetUp() override {
        TVirtualSynthWorkspace::SetUp();
        Connect();
        WriteBytes(Dir.File("Bank.syx"), MakeDumps(Sizes, 128, 500));
        ASSERT_TRUE(Ws->pcUserBankChange(1));
        Dialogs.ExpectOpen("Load Patch Bank File", Dir.File("Bank.syx"));
        Ws->bbLoadBankClick();
        ASSERT_TRUE(Dialogs.ScriptDone());
        Lib().Clear();
        for (size_t i = 0; i < Entries.size(); ++i) {
            TPatchRec patch;
            Ws->UserBank(1).Slot(static_cast<int>(i)).CopyTo(patch);
            patch.SetName(Entries[i].Name, Sizes);
            for (int n = 0; n < 3; ++n) {
                patch.SetNote(n, Entries[i].Notes[n]);
            }
            ASSERT_TRUE(Lib().Add(patch));
        }
        Lib().DeselectAll();
        Lib().SetModified(false);
        Ws->ReapplyLibraryFilter();
    }
    TPatchLib& Lib() { return Ws->Library(); }
    /// The library indices of the patches whose grid rows show.
    std::vector<int> Shown() {
        std::vector<int> shown;
        for (int i = 0; i < Lib().Count(); ++i) {
            if (Ws->LibRowVisible(i + 1)) {
                shown.push_back(i);
            }
        }
        return shown;
    }
    std::vector<int> Marked() {
        std::vector<int> marked;
        for (int i = 0; i < Lib().Count(); ++i) {
            if (Lib().Patch(i).Selected()) {
                marked.push_back(i);
            }
        }
        return marked;
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (int i = 0; i < Lib().Count(); ++i) {
            names.push_back(Lib().Patch(i).TypePart() + ":" + Lib().Patch(i).NamePart());
        }
        return names;
    }
    void Click(int row, TShiftState shift = {}) {
        Ws->sgLibMouseDown(TMouseButton::Left, shift, 1, row);
        Ws->sgLibClick();
    }
    /// The name as Names() lists it: type, colon, the name proper padded to 12.
    static std::string Listed(const std::string& name) {
        std::string padded = name;
        padded.resize(16, ' ');
        return padded;
    }

    const TDumpSizes Sizes = TDumpSizes::ForModelClass(TModelClass::Proteus);
};

} // namespace

TEST_F(LibraryFilterTest, RowsShowWhenEveryWordLiesInOneOfTheirCells) {
    const struct {
        const char* Text;
        std::vector<int> Shown;
    } cases[] = {
        {"", {0, 1, 2, 3, 4, 5}},
        {"   ", {0, 1, 2, 3, 4, 5}},
        {"pad", {0, 1, 3, 5}}, // the type, either case, and "Pads" in a note
        {"PaD", {0, 1, 3, 5}},
        {"warm", {0, 2, 5}}, // the name proper, note 3, note 1
        {"pad warm", {0, 5}},
        {"  warm\tpad ", {0, 5}},
        {"bright", {1}}, // note 2 only
        {"arp", {4}},    // type and name proper of the same patch: shown once
        {"d:w", {}},     // a word never spans two cells
        {"zzz", {}},
        {"pad zzz", {}},
        {"\xC9T\xC9", {}},     // only ASCII letters fold: É is not é
        {"\xE9t\xE9", {5}},    // the same bytes match
        {"deep sub", {2}},     // two words of one cell
        {"strings soft", {0}}, // name and note of one patch
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("filter \"") + c.Text + "\"");
        Ws->edLibFilterChange(c.Text);
        EXPECT_EQ(Shown(), c.Shown);
        EXPECT_TRUE(Ws->LibRowVisible(0)) << "the title row";
        EXPECT_FALSE(Ws->LibRowVisible(Lib().Count() + 1));
        EXPECT_FALSE(Ws->LibRowVisible(-1));
        EXPECT_EQ(Ws->Status().LibFilter, c.Text);
        EXPECT_EQ(Ws->Status().LibVisibleCount, static_cast<int>(c.Shown.size()));
        EXPECT_EQ(View.FilterVisible, static_cast<int>(c.Shown.size()));
        EXPECT_EQ(View.FilterTotal, 6);
    }
}

TEST_F(LibraryFilterTest, MarksOnRowsTheFilterHidesAreCleared) {
    Click(1);
    Click(4, CtrlKey());
    Click(6, CtrlKey());
    ASSERT_EQ(Marked(), (std::vector<int>{0, 3, 5}));
    ASSERT_EQ(View.MixOn, true);
    ASSERT_EQ(View.MorphOn, false);

    // "warm" hides patch 3: two marks stay, so Mix and Morph are both enabled as after a click.
    Ws->edLibFilterChange("warm");
    EXPECT_EQ(Marked(), (std::vector<int>{0, 5}));
    EXPECT_EQ(Lib().Selection(), (std::vector<int>{0, 5}));
    EXPECT_EQ(View.MixOn, true);
    EXPECT_EQ(View.MorphOn, true);

    // Widening the filter brings no mark back.
    Ws->edLibFilterChange("");
    EXPECT_EQ(Marked(), (std::vector<int>{0, 5}));

    Ws->edLibFilterChange("bright");
    EXPECT_EQ(Marked(), std::vector<int>{});
    EXPECT_EQ(View.MixOn, false);
    EXPECT_EQ(View.MorphOn, false);
    EXPECT_FALSE(Ws->Status().Dirty[0]) << "a filter changes no patch";
}

TEST_F(LibraryFilterTest, ClicksKeysAndRangesReachOnlyTheRowsThatShow) {
    Ws->edLibFilterChange("pad"); // rows 1, 2, 4, 6 show
    // A Shift range from row 1 to row 6 marks the shown rows between, not rows 3 and 5.
    Click(1);
    Click(6, ShiftKey());
    EXPECT_EQ(Marked(), (std::vector<int>{0, 1, 3, 5}));

    // Presses on hidden rows reach nothing, whatever the button or the keys.
    Click(1);
    Click(3, CtrlKey());
    Click(5);
    Ws->sgLibDblClick(3);
    EXPECT_EQ(Marked(), std::vector<int>{0});
    const int menus = View.LibMenusOpened;
    Lib().Patch(2).SetSelected(true); // as if a mark had survived: the menu still must not open
    Ws->sgLibMouseDown(TMouseButton::Right, {}, 1, 3);
    EXPECT_EQ(View.LibMenusOpened, menus);
    Lib().Patch(2).SetSelected(false);

    // Up and Down go to the next row that shows.
    const struct {
        int Key;
        int Row;
        int Next; ///< -1: nothing happens
    } cases[] = {
        {TKey::Down, 2, 4}, {TKey::Down, 4, 6}, {TKey::Up, 6, 4},
        {TKey::Up, 4, 2},   {TKey::Up, 1, -1},  {TKey::Down, 6, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Key) + " " + std::to_string(c.Row));
        Click(1);
        EXPECT_FALSE(Ws->sgLibKeyDown(c.Key, {}, c.Row));
        EXPECT_EQ(Marked(), std::vector<int>{c.Next < 0 ? 0 : c.Next - 1});
    }
    Ws->edLibFilterChange("arp");
    Click(5);
    EXPECT_FALSE(Ws->sgLibKeyDown(TKey::Down, {}, 5)) << "no row below shows";
    EXPECT_FALSE(Ws->sgLibKeyDown(TKey::Up, {}, 5)) << "no row above shows";
    EXPECT_EQ(Marked(), std::vector<int>{4});
}

TEST_F(LibraryFilterTest, DeDupLooksAmongTheRowsThatShowOnly) {
    // Copies of patches 0 (shown under "pad") and 2 (hidden), each under a name that shows.
    for (int i : {0, 2}) {
        TPatchRec copy;
        Lib().Patch(i).CopyTo(copy);
        copy.SetName("Pad:Copy", Sizes);
        ASSERT_TRUE(Lib().Add(copy));
    }
    // A hidden copy of patch 1.
    TPatchRec hidden;
    Lib().Patch(1).CopyTo(hidden);
    hidden.SetName("Bas:Hidden", Sizes);
    ASSERT_TRUE(Lib().Add(hidden));
    Ws->edLibFilterChange("pad");
    ASSERT_EQ(Shown(), (std::vector<int>{0, 1, 3, 5, 6, 7}));

    // Only the copy of patch 0 has an equal among the shown rows.
    Dialogs.ExpectMessage(TMessageKind::Confirmation,
                          "1 Selected duplicates ignoring the name\n\n             Press OK to "
                          "delete.",
                          TAnswer::Ok);
    Ws->bbDeDupClick();
    EXPECT_TRUE(Dialogs.ScriptDone());
    EXPECT_EQ(Lib().Count(), 8);
    EXPECT_EQ(Names()[6], Listed("Pad:Copy")) << "the copy of the hidden patch stays";
    EXPECT_EQ(Names()[7], Listed("Bas:Hidden"));
    EXPECT_EQ(Ws->Status().LibVisibleCount, 5);
    EXPECT_EQ(View.FilterTotal, 8);

    Ws->edLibFilterChange("bas");
    Dialogs.ExpectMessage(TMessageKind::Information,
                          "No duplicate patches \n(ignoring patch names)");
    Ws->bbDeDupClick();
    EXPECT_TRUE(Dialogs.ScriptDone());
    EXPECT_EQ(Marked(), std::vector<int>{});
}

TEST_F(LibraryFilterTest, EditingCommandsActOnTheRowsThatShowAndTheFilterFollows) {
    Ws->edLibFilterChange("pad"); // rows 1, 2, 4, 6 show

    // Copy row 2, paste before the marked row 4: the pasted patch shows and keeps its mark.
    Click(2);
    EXPECT_TRUE(Ws->sgLibKeyDown(TKey::C, CtrlKey(), 2));
    Click(4);
    EXPECT_TRUE(Ws->sgLibKeyDown(TKey::V, CtrlKey(), 4));
    EXPECT_EQ(Names()[3], Listed("PAD:Glass"));
    EXPECT_EQ(Names()[4], Listed("Led:Saw Lead"));
    EXPECT_EQ(Shown(), (std::vector<int>{0, 1, 3, 4, 6}));
    EXPECT_EQ(Marked(), std::vector<int>{3});
    EXPECT_EQ(View.FilterVisible, 5);
    EXPECT_EQ(View.FilterTotal, 7);

    // Delete removes the marked patch and no hidden neighbour.
    EXPECT_TRUE(Ws->sgLibKeyDown(TKey::Delete, {}, 4));
    EXPECT_EQ(Lib().Count(), 6);
    EXPECT_EQ(Names()[2], Listed("Bas:Deep Sub"));
    EXPECT_EQ(Names()[3], Listed("Led:Saw Lead"));
    EXPECT_EQ(View.FilterVisible, 4);

    // A name edited so that it no longer holds the word: its row hides and loses its mark.
    Click(1);
    Ws->sgLibMouseDown(TMouseButton::Right, {}, 0, 1);
    Ws->pmLibEditClick();
    ASSERT_TRUE(Ws->Status().GridEditorShowing);
    Ws->eGridEditKeyUp("Str", TKey::Enter);
    EXPECT_EQ(Names()[0], Listed("Str:Warm Strings"));
    EXPECT_EQ(Shown(), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(Marked(), std::vector<int>{});

    // Sorting by name: the library sorts whole, the shown rows follow it.
    Ws->sgLibMouseDown(TMouseButton::Left, {}, 1, 0);
    EXPECT_EQ(Names(),
              (std::vector<std::string>{Listed("Pad:Choir"), Listed("Bas:Deep Sub"),
                                        Listed("PAD:Glass"), Listed("Arp:Pulse Arp"),
                                        Listed("Led:Saw Lead"), Listed("Str:Warm Strings")}));
    EXPECT_EQ(Shown(), (std::vector<int>{0, 2, 4}));

    // Added patches are filtered as they come.
    Ws->EditPatch().SetName("Syn:Edit", Sizes);
    Ws->bbEditToLibClick();
    Ws->EditPatch().SetName("Pad:Edit", Sizes);
    Ws->bbEditToLibClick();
    EXPECT_EQ(Lib().Count(), 8);
    EXPECT_EQ(Shown(), (std::vector<int>{0, 2, 4, 7}));
    EXPECT_EQ(View.FilterVisible, 4);
    EXPECT_EQ(View.FilterTotal, 8);
    Ws->edLibFilterChange("");
    EXPECT_EQ(Ws->Status().LibVisibleCount, 8);

    // A new library: its single blank patch, filtered too.
    Ws->edLibFilterChange("pad");
    Ws->pcPatchChange(1);
    EXPECT_EQ(View.FilterTotal, 1);
    EXPECT_EQ(Shown(), std::vector<int>{});
}
