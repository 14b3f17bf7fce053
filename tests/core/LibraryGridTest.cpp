// The library grid as its window drives it: sorting by the titles, selection by click and
// key, audition, the menu's commands, the in-cell editor with the sequence rename, the
// shortcuts and the library buttons.
#include "DumpBuilder.h"
#include "VirtualSynthWorkspace.h"
#include "WorkspaceProbe.h"

#include <cstdio>
#include <functional>
#include <optional>

using namespace velcora;
using namespace velcora::test;

namespace {

constexpr int Rom = TWorkspace::RomTab;

TShiftState ShiftKey() {
    return {.Shift = true};
}
TShiftState CtrlKey() {
    return {.Ctrl = true};
}

class LibraryGridTest : public TVirtualSynthWorkspace {
protected:
    /// Connected to the synth, user bank 1 showing, it and the ROM bank filled from a file
    /// whose slot i is named "Tst:Patch i" (three digits), each with its own data bytes; the
    /// library holds patches copies of slots 0..count - 1, none marked.
    void SetUpLibrary(int count = 10) {
        Connect();
        WriteBytes(Dir.File("Bank.syx"), MakeDumps(Sizes, 128, 500));
        ASSERT_TRUE(Ws->pcUserBankChange(1));
        Dialogs.ExpectOpen("Load Patch Bank File", Dir.File("Bank.syx"));
        Ws->bbLoadBankClick();
        Dialogs.ExpectOpen("Load Patch Bank File", Dir.File("Bank.syx"));
        Ws->bbROMLoadBankClick();
        ASSERT_TRUE(Dialogs.ScriptDone());
        FillLibrary(count);
    }
    /// The library becomes copies of user bank 1's slots 0..count - 1, none marked, saved.
    void FillLibrary(int count) {
        Lib().Clear();
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(Lib().Add(Ws->UserBank(1).Slot(i)));
        }
        Lib().DeselectAll();
        Lib().SetModified(false);
        View.Tabs.clear();
    }
    TPatchLib& Lib() { return Ws->Library(); }
    static std::string Named(int slot) {
        char name[32];
        std::snprintf(name, sizeof name, "Tst:Patch %03d   ", slot);
        return name;
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (int i = 0; i < Lib().Count(); ++i) {
            names.push_back(Lib().Patch(i).Name().substr(0, 16));
        }
        return names;
    }
    /// The marked patches' indices (grid row - 1).
    std::vector<int> Marked() {
        std::vector<int> marked;
        for (int i = 0; i < Lib().Count(); ++i) {
            if (Lib().Patch(i).Selected()) {
                marked.push_back(i);
            }
        }
        return marked;
    }
    void Mark(const std::vector<int>& wanted) {
        Lib().DeselectAll();
        for (int i : wanted) {
            Lib().Patch(i).SetSelected(true);
        }
        Lib().BuildSelection();
    }
    /// A left press on a grid row and the click the grid raises after it.
    void Click(int row, TShiftState shift = {}, int column = 1) {
        Ws->sgLibMouseDown(TMouseButton::Left, shift, column, row);
        Ws->sgLibClick();
    }
    void PressTitle(int column) { Ws->sgLibMouseDown(TMouseButton::Left, {}, column, 0); }
    std::string SynthEditBuffer() {
        return Synth.With([](emu::TVirtualSynth& s) { return s.EditBuffer().Name(); });
    }
    bool Auditioned(const std::string& name) {
        return PumpUntil([&] { return SynthEditBuffer().substr(0, 16) == name.substr(0, 16); },
                         std::chrono::seconds(10));
    }
    /// What the synth's edit buffer holds once every message sent so far has reached it.
    std::string SynthEditBufferAfterAll() {
        Ws->bbGetEditBufClick();
        EXPECT_TRUE(
            PumpUntil([&] { return !Ws->Status().AwaitingDump; }, std::chrono::seconds(20)));
        return SynthEditBuffer().substr(0, 16);
    }
    /// Right press on a marked row, then Edit: the editor shows over that cell.
    void EditCell(int row, int column) {
        Ws->sgLibMouseDown(TMouseButton::Right, {}, column, row);
        Ws->pmLibEditClick();
        ASSERT_TRUE(Ws->Status().GridEditorShowing);
    }

    const TDumpSizes Sizes = TDumpSizes::ForModelClass(TModelClass::Proteus);
};

} // namespace

TEST_F(LibraryGridTest, TheTitlesSortAscendingThenDescendingAndClearTheMarks) {
    SetUpLibrary(4);
    const char* names[] = {"Pad:Bravo", "Bas:Delta", "Led:Alpha", "Arp:Charlie"};
    const char* notes[] = {"n3", "n1", "n4", "n2"};
    for (int i = 0; i < 4; ++i) {
        Lib().Patch(i).SetName(names[i], Sizes);
        Lib().Patch(i).SetNote(0, notes[i]);
    }
    const auto sorted = [&](std::vector<int> order) {
        std::vector<std::string> want;
        for (int i : order) {
            want.push_back((names[i] + std::string(16, ' ')).substr(0, 16));
        }
        return want;
    };
    const struct {
        int Column;
        std::vector<int> Order; ///< indices into names
        bool Descending;
    } clicks[] = {
        {1, {2, 0, 3, 1}, false}, // Name
        {1, {1, 3, 0, 2}, true},  // the same title again
        {0, {3, 1, 2, 0}, false}, // Type: another title starts ascending
        {1, {2, 0, 3, 1}, false}, // back on Name: ascending again
        {2, {1, 3, 0, 2}, false}, // Note 1
        {2, {2, 0, 3, 1}, true},
    };
    for (const auto& c : clicks) {
        SCOPED_TRACE(c.Column);
        Mark({0, 2});
        PressTitle(c.Column);
        EXPECT_EQ(Names(), sorted(c.Order));
        EXPECT_EQ(Marked(), std::vector<int>{}) << "a sort clears every mark";
        EXPECT_EQ(Ws->Status().LibSortColumn, c.Column);
        EXPECT_EQ(Ws->Status().LibSortDescending, c.Descending);
    }
    // The click the grid raises after a press on the title selects nothing.
    Ws->sgLibClick();
    EXPECT_EQ(Marked(), std::vector<int>{});
}

TEST_F(LibraryGridTest, TheSortTellsLetterCases) {
    SetUpLibrary(2);
    // Were the cases equal, the order would stay as it was in one of the two runs.
    std::vector<std::vector<std::string>> results;
    for (const auto& first : {"Tst:pad", "Tst:Pad"}) {
        Lib().Patch(0).SetName(first, Sizes);
        Lib().Patch(1).SetName(std::string(first) == "Tst:pad" ? "Tst:Pad" : "Tst:pad", Sizes);
        PressTitle(0); // a sort by another title first, so that the next one is ascending
        PressTitle(1);
        results.push_back(Names());
    }
    EXPECT_EQ(results[0], results[1]);
    EXPECT_NE(results[0][0], results[0][1]);
}

TEST_F(LibraryGridTest, AFullLibrarySortsByItsWholeKey) {
    SetUpLibrary(0);
    // Keys that differ only past the twelfth character of a note: the sort looks at 50.
    TPatchRec rec;
    rec.SetBuiltInBlank(Sizes);
    for (int i = 0; i < TPatchLib::MaxPatches; ++i) {
        char note[64];
        std::snprintf(note, sizeof note, "Same beginning for all %05d", (i * 7919) % 20000);
        rec.SetNote(2, note);
        ASSERT_TRUE(Lib().Add(rec));
    }
    PressTitle(4);
    for (int i = 0; i < Lib().Count(); ++i) {
        char note[64];
        std::snprintf(note, sizeof note, "Same beginning for all %05d", i);
        ASSERT_EQ(Lib().Patch(i).Note(2), note);
    }
    PressTitle(4);
    EXPECT_EQ(Lib().Patch(0).Note(2), "Same beginning for all 19999");
}

TEST_F(LibraryGridTest, AClickSelectsByItsKeysAndSetsMixAndMorph) {
    SetUpLibrary(10);
    const struct {
        const char* Name;
        std::vector<int> Before;
        TShiftState Shift;
        int Row;
        std::vector<int> After;
    } cases[] = {
        {"plain click", {1, 2, 3}, {}, 5, {4}},
        {"Shift from the first marked upwards", {7}, ShiftKey(), 3, {2, 3, 4, 5, 6, 7}},
        {"Shift from the first marked downwards", {1, 8}, ShiftKey(), 5, {1, 2, 3, 4}},
        {"Shift with nothing marked", {}, ShiftKey(), 6, {5}},
        {"Ctrl marks", {2}, CtrlKey(), 4, {2, 3}},
        {"Ctrl unmarks", {2, 3}, CtrlKey(), 4, {2}},
        {"Ctrl on the only mark", {2}, CtrlKey(), 3, {}},
        {"a row past the last", {2}, {}, 11, {2}},
        {"the title row", {2, 3}, {}, 0, {}},
        {"Alt does nothing", {2}, {.Alt = true}, 5, {2}},
        {"Ctrl and Shift do nothing", {2}, {.Shift = true, .Ctrl = true}, 5, {2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Mark(c.Before);
        Ws->UserBank(1).Slot(7).SetSelected(true);
        Ws->RomBank().Slot(8).SetSelected(true);
        View.MixOn.reset();
        View.MorphOn.reset();
        Click(c.Row, c.Shift);
        EXPECT_EQ(Marked(), c.After);
        EXPECT_FALSE(Ws->Status().PressedInView);
        if (c.Row == 0 || c.Row > 10 || c.Shift.Alt || (c.Shift.Ctrl && c.Shift.Shift)) {
            EXPECT_FALSE(View.MixOn.has_value()) << "only a click on a patch sets them";
            continue;
        }
        EXPECT_EQ(Lib().Selection(), c.After);
        EXPECT_EQ(View.MixOn, c.After.size() >= 2);
        EXPECT_EQ(View.MorphOn, c.After.size() == 2);
        EXPECT_FALSE(Ws->UserBank(1).Slot(7).Selected()) << "the banks lose their marks";
        EXPECT_FALSE(Ws->RomBank().Slot(8).Selected());
        EXPECT_EQ(View.GetSendSelectedOn, false);
        EXPECT_EQ(Ws->Status().FocusView, 0);
    }
    // UserToLib follows its option group: on "Bank" it stays enabled.
    for (int option : {0, 1}) {
        Ws->rgOptionClick(TOptionGroups::TGroup::UserToLib, option);
        Click(2);
        EXPECT_EQ(View.UserToLibOn, option == 0);
    }
    EXPECT_TRUE(Dialogs.ScriptDone());
}

TEST_F(LibraryGridTest, OnlyAClickAfterAPressInTheGridSelects) {
    SetUpLibrary(10);
    Mark({4});
    Ws->sgLibClick();
    EXPECT_EQ(Marked(), std::vector<int>{4}) << "a keyboard move's click";
    // A key other than Shift or Ctrl between press and click.
    const struct {
        int Key;
        bool Kept;
    } keys[] = {{TKey::Shift, true}, {TKey::Ctrl, true}, {33, false}, {TKey::Escape, false}};
    for (const auto& k : keys) {
        Mark({4});
        Ws->sgLibMouseDown(TMouseButton::Left, {}, 1, 2);
        Ws->sgLibKeyDown(k.Key, {}, 2);
        EXPECT_EQ(Ws->Status().PressedInView, k.Kept) << k.Key;
        Ws->sgLibClick();
        EXPECT_EQ(Marked(), k.Kept ? std::vector<int>{1} : std::vector<int>{4}) << k.Key;
    }
    // A press in a bank view is not taken for the grid's, nor the grid's for a bank view's.
    Mark({4});
    Ws->vleUserMouseDown(1, TMouseButton::Left, {}, 9);
    Ws->sgLibClick();
    EXPECT_EQ(Marked(), std::vector<int>{4});
    Ws->vleUserClick(1);
    Ws->sgLibMouseDown(TMouseButton::Left, {}, 1, 3);
    Ws->vleUserClick(1);
    EXPECT_FALSE(Ws->UserBank(1).Slot(3).Selected());
}

TEST_F(LibraryGridTest, TheMenuKeyOpensTheMenuOverTheCurrentRow) {
    SetUpLibrary(10);
    const struct {
        const char* What;
        std::vector<int> Before;
        int Row;
        std::vector<int> After;
        bool Swap;
    } cases[] = {
        {"a marked row", {3, 7}, 8, {3, 7}, true},
        {"an unmarked row, marked alone first", {3, 7}, 5, {4}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Mark(c.Before);
        const int menus = View.LibMenusOpened;
        Ws->sgLibMenuKey(1, c.Row);
        EXPECT_EQ(View.LibMenusOpened, menus + 1);
        EXPECT_EQ(View.LibMenuSwapVisible, c.Swap);
        EXPECT_EQ(Marked(), c.After);
        // Edit from the menu edits the current cell.
        Ws->pmLibEditClick();
        EXPECT_TRUE(Ws->Status().GridEditorShowing);
        EXPECT_EQ(View.GridEditorRow, c.Row);
        Ws->eGridEditKeyUp("", TKey::Escape);
        // A later click is a click of its own, not the key's.
        Click(2);
        EXPECT_EQ(Marked(), std::vector<int>{1});
    }
    const int menus = View.LibMenusOpened;
    Ws->sgLibMenuKey(1, 0);
    Ws->sgLibMenuKey(1, 11);
    EXPECT_EQ(View.LibMenusOpened, menus) << "the title row and beyond the last open nothing";
}

// An audition sends a copy addressed to the edit buffer; the library's patch keeps its bytes.
TEST_F(LibraryGridTest, AnAuditionLeavesTheLibraryPatchByteForByte) {
    SetUpLibrary(10);
    const auto bytes = [&](int index) {
        std::vector<uint8_t> all;
        for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
            const auto slot = Lib().Patch(index).Dump().Slot(p);
            all.insert(all.end(), slot.begin(), slot.end());
        }
        return all;
    };
    const std::vector<uint8_t> before = bytes(5);
    Ws->sgLibMouseDown(TMouseButton::Right, {}, 1, 6);
    EXPECT_TRUE(Auditioned(Named(5)));
    EXPECT_EQ(bytes(5), before);
    EXPECT_FALSE(Ws->Status().Dirty[0]) << "the library stays as saved";
}

TEST_F(LibraryGridTest, TheRightButtonAuditionsAnUnmarkedRowAndOffersTheMenuOverAMarkedOne) {
    SetUpLibrary(10);
    Mark({3});
    Ws->sgLibMouseDown(TMouseButton::Right, {}, 1, 6);
    EXPECT_TRUE(Auditioned(Named(5)));
    EXPECT_EQ(View.LibMenusOpened, 0);
    EXPECT_EQ(Marked(), std::vector<int>{3});

    const struct {
        std::vector<int> Marked;
        int Row;
        bool Swap;
    } cases[] = {{{3}, 4, false}, {{3, 7}, 8, true}, {{3, 7, 8}, 9, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Row);
        Mark(c.Marked);
        const int menus = View.LibMenusOpened;
        Ws->sgLibMouseDown(TMouseButton::Right, {}, 1, c.Row);
        EXPECT_EQ(View.LibMenusOpened, menus + 1);
        EXPECT_EQ(View.LibMenuSwapVisible, c.Swap);
        EXPECT_EQ(Marked(), c.Marked);
    }
    // Unmarked after the last selection list was built: the menu counts the marks as they are.
    Mark({1, 2});
    Lib().Patch(2).SetSelected(false);
    Ws->sgLibMouseDown(TMouseButton::Right, {}, 1, 2);
    EXPECT_FALSE(View.LibMenuSwapVisible);
    // Outside the rows nothing is auditioned or offered.
    const int menus = View.LibMenusOpened;
    Ws->sgLibMouseDown(TMouseButton::Right, {}, 1, 11);
    EXPECT_EQ(View.LibMenusOpened, menus);
    EXPECT_EQ(SynthEditBufferAfterAll(), Named(5).substr(0, 16)) << "marked rows were not sent";
}

TEST_F(LibraryGridTest, SwapExchangesTwoMarkedPatchesAndMarksTheLibrary) {
    SetUpLibrary(6);
    Mark({1, 4});
    Ws->pmLibSwapClick();
    EXPECT_EQ(Names()[1], Named(4));
    EXPECT_EQ(Names()[4], Named(1));
    EXPECT_TRUE(Ws->Status().Dirty[0]);
    EXPECT_EQ(Lib().Caption().substr(0, 1), "*");

    Mark({1, 2, 3});
    Dialogs.ExpectMessage(TMessageKind::Error, "Can only Swap 2 selected patches !");
    Ws->pmLibSwapClick();
    EXPECT_TRUE(Dialogs.ScriptDone());
}

TEST_F(LibraryGridTest, UpAndDownAuditionAndSelectTheNextRow) {
    SetUpLibrary(5);
    const struct {
        int Key;
        int Row;
        int Next; ///< -1: nothing happens
    } cases[] = {
        {TKey::Down, 2, 3},  {TKey::Up, 2, 1},  {TKey::Up, 1, -1},
        {TKey::Down, 5, -1}, {TKey::Up, 0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Key) + " " + std::to_string(c.Row));
        Mark({0, 4});
        View.MixOn.reset();
        EXPECT_FALSE(Ws->sgLibKeyDown(c.Key, {}, c.Row)) << "the grid moves its row";
        if (c.Next < 0) {
            EXPECT_EQ(Marked(), (std::vector<int>{0, 4}));
            continue;
        }
        EXPECT_EQ(Marked(), std::vector<int>{c.Next - 1});
        EXPECT_EQ(Lib().Selection(), std::vector<int>{c.Next - 1});
        EXPECT_FALSE(View.MixOn.has_value()) << "keys leave Mix and Morph";
        EXPECT_TRUE(Auditioned(Named(c.Next - 1)));
    }
    EXPECT_EQ(SynthEditBufferAfterAll(), Named(0).substr(0, 16));
}

TEST_F(LibraryGridTest, ADoubleClickAuditionsAndMarksOnlyThatRow) {
    SetUpLibrary(5);
    Mark({0, 1});
    Ws->sgLibDblClick(4);
    EXPECT_TRUE(Auditioned(Named(3)));
    EXPECT_EQ(Marked(), std::vector<int>{3});
    Ws->sgLibDblClick(0);
    Ws->sgLibDblClick(6);
    EXPECT_EQ(Marked(), std::vector<int>{3});
}

TEST_F(LibraryGridTest, TheTypeEditRenamesEveryMarkedPatchKeepingItsName) {
    SetUpLibrary(5);
    Mark({1, 3});
    EditCell(2, 0);
    EXPECT_EQ(View.GridEditorColumn, 0);
    EXPECT_EQ(View.GridEditorRow, 2);
    EXPECT_EQ(View.GridEditorText, "Tst");
    EXPECT_TRUE(Ws->Status().Dirty[0]) << "Edit marks the library";
    Ws->eGridEditKeyUp("a", 'A');
    EXPECT_TRUE(Ws->Status().GridEditorShowing) << "only Enter and Escape act";
    Ws->eGridEditKeyUp("ab", TKey::Enter);
    EXPECT_FALSE(View.GridEditorShowing);
    EXPECT_FALSE(Ws->Status().GridEditorShowing);
    EXPECT_TRUE(View.SequenceAsked.empty());
    EXPECT_EQ(Names(), (std::vector<std::string>{Named(0), "ab :Patch 001   ", Named(2),
                                                 "ab :Patch 003   ", Named(4)}));
    // The dump holds the name too: the name read back from it is the same.
    Lib().Patch(1).ReadName();
    EXPECT_EQ(Lib().Patch(1).Name(), "ab :Patch 001   ");

    // A longer type is cut to three characters.
    EditCell(2, 0);
    Ws->eGridEditKeyUp("Lead", TKey::Enter);
    EXPECT_EQ(Names()[1], "Lea:Patch 001   ");

    // Bytes a SysEx packet cannot carry never reach the dump, whichever column they came by.
    for (int column : {0, 1}) {
        EditCell(2, column);
        Ws->eGridEditKeyUp("\xF7\x01\xE9x", TKey::Enter);
        for (uint8_t b : Lib().Patch(1).Dump().Slot(1).subspan(TPatchData::NameOffset, 16)) {
            EXPECT_TRUE(b >= 0x20 && b < 0x7F) << column << " " << int(b);
        }
    }
}

TEST_F(LibraryGridTest, TheNameEditNumbersWhatTheSequenceRenameSays) {
    const auto numbered = [](const std::string& stem, int from, int count, int width) {
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) {
            char number[16];
            std::snprintf(number, sizeof number, "%0*d", width, from + i);
            names.push_back(("Tst:" + stem + " " + number + std::string(16, ' ')).substr(0, 16));
        }
        return names;
    };
    const struct {
        const char* Typed;
        std::optional<std::pair<int, int>> Answer; ///< start and width; none: No
        std::string Base;
        std::vector<std::string> Names;
    } cases[] = {
        {"Warm Strings", std::pair{1, 2}, "Warm Strings", numbered("Warm Stri", 1, 12, 2)},
        {"Pad", std::pair{1, 2}, "Pad", numbered("Pad", 1, 12, 2)},
        {"Warm Strings", std::pair{0, 2}, "Warm Strings", numbered("Warm Stri", 0, 12, 2)},
        {"Warm Strings Ensemble", std::nullopt, "Warm Strings",
         std::vector<std::string>(12, "Tst:Warm Strings")},
    };
    SetUpLibrary(14);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Typed);
        FillLibrary(14);
        Mark({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
        View.SequenceAnswer = c.Answer;
        EditCell(3, 1);
        EXPECT_EQ(View.GridEditorText, "Patch 002   ");
        Ws->eGridEditKeyUp(c.Typed, TKey::Enter);
        ASSERT_EQ(View.SequenceAsked.size(), 1u);
        EXPECT_EQ(View.SequenceAsked[0], std::make_pair(c.Base, 12));
        const std::vector<std::string> names = Names();
        EXPECT_EQ(std::vector<std::string>(names.begin() + 1, names.begin() + 13), c.Names);
        EXPECT_EQ(names[0], Named(0));
        EXPECT_EQ(names[13], Named(13));
        View.SequenceAsked.clear();
    }
}

TEST_F(LibraryGridTest, OneMarkedPatchIsRenamedWithoutTheSequenceQuestion) {
    SetUpLibrary(3);
    Mark({2});
    View.SequenceAnswer = std::pair{1, 2};
    EditCell(3, 1);
    Ws->eGridEditKeyUp("Solo", TKey::Enter);
    EXPECT_TRUE(View.SequenceAsked.empty());
    EXPECT_EQ(Names()[2], "Tst:Solo        ");
}

TEST_F(LibraryGridTest, TheNoteEditAndEscape) {
    SetUpLibrary(4);
    Mark({0, 2});
    EditCell(1, 3);
    EXPECT_EQ(View.GridEditorText, "");
    Ws->eGridEditKeyUp("Bright, for the intro", TKey::Enter);
    EXPECT_EQ(Lib().Patch(0).Note(1), "Bright, for the intro");
    EXPECT_EQ(Lib().Patch(2).Note(1), "Bright, for the intro");
    EXPECT_EQ(Lib().Patch(1).Note(1), "");
    EXPECT_EQ(Lib().Patch(0).Note(0), "");
    EXPECT_EQ(Names()[0], Named(0)) << "a note leaves the name";

    // Escape discards the text.
    EditCell(1, 1);
    Ws->eGridEditKeyUp("Lost", TKey::Escape);
    EXPECT_FALSE(View.GridEditorShowing);
    EXPECT_EQ(Names()[0], Named(0));
    Ws->eGridEditKeyUp("Lost", TKey::Enter);
    EXPECT_EQ(Names()[0], Named(0)) << "Enter without the editor does nothing";

    // Edit over an unmarked row shows nothing.
    Ws->sgLibMouseDown(TMouseButton::Right, {}, 1, 2);
    Ws->pmLibEditClick();
    EXPECT_FALSE(Ws->Status().GridEditorShowing);
}

TEST_F(LibraryGridTest, WhileTheEditorShowsAPressOnlyGivesItTheFocusAndTheColumnStays) {
    SetUpLibrary(4);
    Mark({1});
    EditCell(2, 2);
    const int focused = View.GridEditorFocused;
    // A press on another column of another row, and its click.
    Ws->sgLibMouseDown(TMouseButton::Left, {}, 1, 4);
    Ws->sgLibClick();
    EXPECT_EQ(View.GridEditorFocused, focused + 1);
    EXPECT_EQ(Marked(), std::vector<int>{1}) << "the marks the edit acts on stay";
    Ws->eGridEditKeyUp("Note text", TKey::Enter);
    EXPECT_EQ(Lib().Patch(1).Note(0), "Note text");
    EXPECT_EQ(Names()[1], Named(1)) << "the text went to the column being edited";
    EXPECT_EQ(Names()[3], Named(3));
}

TEST_F(LibraryGridTest, TheShortcuts) {
    SetUpLibrary(6);
    // Ctrl+Z and Ctrl+Y without a step say and change nothing; keys that are not letters are
    // no shortcuts.
    Mark({2});
    Ws->ClearUndoHistory();
    EXPECT_TRUE(Ws->sgLibKeyDown(TKey::Z, CtrlKey(), 3));
    EXPECT_TRUE(Ws->sgLibKeyDown(TKey::Y, CtrlKey(), 3));
    EXPECT_TRUE(Dialogs.ScriptDone());
    for (int key : {96 /* num pad 0 */, 99 /* num pad 3 */, 112 /* F1 */}) {
        EXPECT_FALSE(Ws->sgLibKeyDown(key, CtrlKey(), 3)) << key;
    }
    EXPECT_FALSE(Ws->sgLibKeyDown(TKey::C, {}, 3)) << "without Ctrl a letter is no command";
    EXPECT_EQ(Lib().Count(), 6);
    EXPECT_FALSE(Ws->Status().Dirty[0]);

    // Ctrl+C and Ctrl+V: copied rows go before the first marked row.
    Mark({1, 2});
    EXPECT_TRUE(Ws->sgLibKeyDown(TKey::C, CtrlKey(), 3));
    Mark({4});
    EXPECT_TRUE(Ws->sgLibKeyDown(TKey::V, CtrlKey(), 5));
    EXPECT_EQ(Names(), (std::vector<std::string>{Named(0), Named(1), Named(2), Named(3), Named(1),
                                                 Named(2), Named(4), Named(5)}));
    EXPECT_EQ(Marked(), (std::vector<int>{4, 5}));
    EXPECT_TRUE(Ws->Status().Dirty[0]);

    // Delete removes the marked rows.
    EXPECT_TRUE(Ws->sgLibKeyDown(TKey::Delete, {}, 5));
    EXPECT_EQ(Names(), (std::vector<std::string>{Named(0), Named(1), Named(2), Named(3), Named(4),
                                                 Named(5)}));

    // Ctrl+L, Ctrl+O and Ctrl+S are the file buttons.
    for (int key : {TKey::L, TKey::O}) {
        Dialogs.ExpectOpen("Load Patch Library File", "");
        EXPECT_TRUE(Ws->sgLibKeyDown(key, CtrlKey(), 1));
    }
    Dialogs.ExpectSave("Save Patch Library File", "");
    EXPECT_TRUE(Ws->sgLibKeyDown(TKey::S, CtrlKey(), 1));
    EXPECT_TRUE(Dialogs.ScriptDone());
}

TEST_F(LibraryGridTest, ABankCopyPastesIntoTheLibrary) {
    SetUpLibrary(3);
    Ws->vleUserMouseDown(1, TMouseButton::Left, {}, 40);
    Ws->vleUserClick(1);
    Ws->vleUserMouseDown(1, TMouseButton::Left, ShiftKey(), 41);
    Ws->vleUserClick(1);
    EXPECT_TRUE(Ws->vleUserKeyDown(1, TKey::C, CtrlKey(), 41));
    Click(2);
    EXPECT_FALSE(Ws->UserBank(1).Slot(40).Selected()) << "the press in the grid left the bank";
    EXPECT_TRUE(Ws->sgLibKeyDown(TKey::V, CtrlKey(), 2));
    EXPECT_EQ(Names(),
              (std::vector<std::string>{Named(0), Named(40), Named(41), Named(1), Named(2)}));
    EXPECT_EQ(Lib().Caption(), "* : 5");
}

TEST_F(LibraryGridTest, DeDupSaysWhatItFoundAndDeletesOnOk) {
    SetUpLibrary(4);
    Dialogs.ExpectMessage(TMessageKind::Information,
                          "No duplicate patches \n(ignoring patch names)");
    Ws->bbDeDupClick();
    EXPECT_EQ(Lib().Count(), 4);

    // Copies of patches 1 and 2 under other names.
    for (int i : {1, 2}) {
        TPatchRec copy;
        Lib().Patch(i).CopyTo(copy);
        copy.SetName("Dup:Copy", Sizes);
        ASSERT_TRUE(Lib().Add(copy));
    }
    const std::string question =
        "2 Selected duplicates ignoring the name\n\n             Press OK to delete.";
    Dialogs.ExpectMessage(TMessageKind::Confirmation, question, TAnswer::Cancel);
    Ws->bbDeDupClick();
    EXPECT_EQ(Lib().Count(), 6);
    EXPECT_EQ(Marked(), (std::vector<int>{4, 5})) << "Cancel leaves the duplicates marked";

    Dialogs.ExpectMessage(TMessageKind::Confirmation, question, TAnswer::Ok);
    Ws->bbDeDupClick();
    EXPECT_EQ(Names(), (std::vector<std::string>{Named(0), Named(1), Named(2), Named(3)}));
    EXPECT_TRUE(Ws->Status().Dirty[0]);
    EXPECT_TRUE(Dialogs.ScriptDone());
}

TEST_F(LibraryGridTest, MixAndMorphFillTheBankOfTheTabShowing) {
    SetUpLibrary(6);
    const struct {
        int Tab;
        bool Morph;
        int Caption; ///< the tab whose caption gets its "*"
        std::string Slot5;
    } cases[] = {
        {1, false, 1, "000:Mix 005     "},
        {Rom, false, Rom, "001:Mix 005     "},
        {2, true, 2, "005:Patch 001   "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Tab);
        ASSERT_TRUE(Ws->pcUserBankChange(c.Tab));
        Click(2);
        Click(3, ShiftKey());
        ASSERT_EQ(View.MorphOn, true);
        View.Tabs.clear();
        if (c.Morph) {
            Ws->bbMorphPatchesClick();
        } else {
            Ws->bbMixPatchesClick();
        }
        TPatchBank& bank = *Ws->BankOf(c.Tab == Rom ? 99 : c.Tab);
        EXPECT_EQ(bank.Slot(5).Name().substr(0, 16), c.Slot5);
        EXPECT_EQ(View.Tabs[c.Caption], c.Tab == Rom ? "*ROM" : "*User " + std::to_string(c.Tab));
        EXPECT_EQ(View.Tabs.size(), 1u) << "only the target is marked";
    }
}

TEST_F(LibraryGridTest, MixAndMorphRefuseASelectionThatNoLongerSuits) {
    SetUpLibrary(10);
    const auto bankNames = [&] {
        std::vector<std::string> names;
        for (int i = 0; i < TPatchBank::SlotCount; ++i) {
            names.push_back(Ws->UserBank(1).Slot(i).Name());
        }
        return names;
    };
    const std::vector<std::string> before = bankNames();
    const struct {
        const char* Name;
        std::function<void()> Stale;
        bool Morph;
        bool MixOn;
    } cases[] = {
        {"Mix after the marked rows were deleted", [&] { Ws->pmLibDeleteClick(); }, false, false},
        {"Morph after the marked rows were deleted", [&] { Ws->pmLibDeleteClick(); }, true, false},
        {"Mix after a sort", [&] { PressTitle(1); }, false, false},
        {"Morph with a third row pasted",
         [&] {
             Ws->pmLibCopyClick();
             Ws->pmLibPasteClick();
             Lib().Patch(0).SetSelected(true);
         },
         true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Click(2);
        Click(3, ShiftKey());
        ASSERT_EQ(View.MixOn, true);
        ASSERT_EQ(View.MorphOn, true);
        c.Stale();
        if (c.Morph) {
            Ws->bbMorphPatchesClick();
        } else {
            Ws->bbMixPatchesClick();
        }
        EXPECT_EQ(bankNames(), before);
        EXPECT_FALSE(Ws->Status().Dirty[3]);
        EXPECT_EQ(View.MixOn, c.MixOn);
        EXPECT_EQ(View.MorphOn, false);
    }
}

TEST_F(LibraryGridTest, ATransferRunsUndisturbedByTheGrid) {
    SetUpLibrary(4);
    const std::string editBuffer = SynthEditBuffer().substr(0, 16);
    Click(1);
    Click(2, ShiftKey());
    Ws->bbGetBankClick();
    ASSERT_TRUE(Ws->Status().TransferRunning);
    // No audition crosses the replies the fetch awaits; the selection still follows.
    Ws->sgLibMouseDown(TMouseButton::Right, {}, 1, 4);
    Ws->sgLibKeyDown(TKey::Down, {}, 2);
    EXPECT_EQ(Marked(), std::vector<int>{2});
    Ws->sgLibDblClick(4);
    EXPECT_EQ(Marked(), std::vector<int>{3});
    Click(1);
    Click(2, ShiftKey());
    Dialogs.ExpectMessage(TMessageKind::Warning, TWorkspace::GenerateDuringTransfer);
    Ws->bbMixPatchesClick();
    EXPECT_TRUE(Dialogs.ScriptDone());
    ASSERT_TRUE(PumpUntil([&] { return !Ws->Status().TransferRunning; }, std::chrono::seconds(60)));
    for (int i = 0; i < 128; ++i) {
        ASSERT_NE(Ws->UserBank(1).Slot(i).Name().substr(3, 5), ":Mix ") << i;
    }
    EXPECT_EQ(SynthEditBufferAfterAll(), editBuffer) << "nothing was auditioned";
}

TEST_F(LibraryGridTest, AddingABankTakesItsMarkedSlotsOrAllAndScrollsToThem) {
    const struct {
        const char* Name;
        int UserToLib;
        bool Rom;
        int Added;
    } cases[] = {
        {"user bank, Selected", 1, false, 2},
        {"user bank, Bank", 0, false, 128},
        {"ROM bank, Selected", 1, true, 128},
    };
    SetUpLibrary(3);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FillLibrary(3);
        Ws->rgOptionClick(TOptionGroups::TGroup::UserToLib, c.UserToLib);
        for (TPatchBank* bank : {&Ws->UserBank(1), &Ws->RomBank()}) {
            bank->DeselectAll();
            bank->Slot(4).SetSelected(true);
            bank->Slot(9).SetSelected(true);
        }
        Lib().Patch(0).SetSelected(true);
        if (c.Rom) {
            Ws->bbRomToLibClick();
        } else {
            Ws->bbUserToLibClick();
        }
        ASSERT_EQ(Lib().Count(), 3 + c.Added);
        EXPECT_FALSE(Lib().Patch(0).Selected());
        EXPECT_EQ(static_cast<int>(Marked().size()), c.Added) << "added patches come marked";
        if (c.Added == 2) {
            EXPECT_EQ(Names()[3], Named(4));
            EXPECT_EQ(Names()[4], Named(9));
            EXPECT_EQ(View.LibraryTopRow, -1) << "a short grid is not scrolled";
        } else {
            EXPECT_EQ(Names()[3 + 127], Named(127));
            EXPECT_EQ(View.LibraryTopRow, 3 + 128 + 1 - 129);
        }
        EXPECT_TRUE(Ws->Status().Dirty[0]);
        EXPECT_EQ(Lib().Caption(), "* : " + std::to_string(3 + c.Added));
        View.LibraryTopRow = -1;
    }
}

TEST_F(LibraryGridTest, AFullLibraryTakesWhatFitsAndSaysHowManyWereLeftOut) {
    SetUpLibrary(0);
    for (int i = 0; i < TPatchLib::MaxPatches - 50; ++i) {
        ASSERT_TRUE(Lib().Add(Ws->UserBank(1).Slot(i % 128)));
    }
    Dialogs.ExpectMessage(TMessageKind::Warning, TWorkspace::LibraryFullText(78));
    Ws->bbRomToLibClick();
    EXPECT_TRUE(Dialogs.ScriptDone());
    ASSERT_EQ(Lib().Count(), TPatchLib::MaxPatches);
    EXPECT_EQ(Lib().Patch(TPatchLib::MaxPatches - 1).Name(), Named(49));
    EXPECT_EQ(Lib().Patch(TPatchLib::MaxPatches - 51).Name(),
              Named((TPatchLib::MaxPatches - 51) % 128));
    EXPECT_EQ(View.LibraryTopRow, TPatchLib::MaxPatches + 1 - 129);
    EXPECT_EQ(TWorkspace::LibraryFullText(78),
              "The library is full: it holds at most 20000 patches.\n78 patches were not added.");

    Dialogs.ExpectMessage(TMessageKind::Warning, TWorkspace::LibraryFullText(1));
    Ws->bbEditToLibClick();
    EXPECT_TRUE(Dialogs.ScriptDone());
    EXPECT_EQ(Lib().Count(), TPatchLib::MaxPatches);
}

TEST_F(LibraryGridTest, EditToLibAddsTheEditBufferAndScrollsToTheEnd) {
    SetUpLibrary(3);
    Ws->EditPatch().SetName("Edt:Buffer", Sizes);
    Ws->bbEditToLibClick();
    ASSERT_EQ(Lib().Count(), 4);
    EXPECT_EQ(Names()[3], "Edt:Buffer      ");
    EXPECT_EQ(View.LibraryTopRow, 4);
    EXPECT_TRUE(Ws->Status().Dirty[0]);
}

TEST_F(LibraryGridTest, TheNewLibraryTabStartsAnUntitledLibraryAndShowsTheLibraryAgain) {
    SetUpLibrary(5);
    Ws->pcPatchChange(0);
    EXPECT_EQ(View.LibraryPageShown, 0);
    EXPECT_EQ(Lib().Count(), 5);
    Ws->pcPatchChange(1);
    EXPECT_EQ(View.LibraryPageShown, 1);
    ASSERT_EQ(Lib().Count(), 1);
    EXPECT_EQ(Lib().FileName(), "");
    EXPECT_EQ(Lib().Caption(), " : 1");
}

TEST_F(LibraryGridTest, LoadAndSaveMarkTheLibrarySavedOnlyWhenAFileWasReadOrWritten) {
    SetUpLibrary(3);
    Ws->bbEditToLibClick();
    ASSERT_TRUE(Ws->Status().Dirty[0]);
    // Cancelled dialogs leave the work unsaved, so that closing still asks about it.
    Dialogs.ExpectOpen("Load Patch Library File", "");
    Ws->bbLoadLibClick();
    EXPECT_TRUE(Ws->Status().Dirty[0]);
    Dialogs.ExpectSave("Save Patch Library File", "");
    Ws->bbSaveLibClick();
    EXPECT_TRUE(Ws->Status().Dirty[0]);
    EXPECT_EQ(Lib().Caption().substr(0, 1), "*");

    const std::string file = Dir.File("Mine.lib");
    Dialogs.ExpectSave("Save Patch Library File", file);
    Ws->bbSaveLibClick();
    EXPECT_FALSE(Ws->Status().Dirty[0]);
    EXPECT_EQ(Lib().Caption(), "Mine : 4");

    Ws->pcPatchChange(1);
    Dialogs.ExpectOpen("Load Patch Library File", file);
    Ws->bbLoadLibClick();
    EXPECT_FALSE(Ws->Status().Dirty[0]);
    EXPECT_EQ(Lib().Count(), 4);
    EXPECT_EQ(Names()[2], Named(2));
    EXPECT_TRUE(Dialogs.ScriptDone());
}
