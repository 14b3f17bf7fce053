// The bank views as their window drives them: selection by click and key, audition on the
// synth, the bank menu's commands with their modes and marks, the rename box and the
// shortcuts, and the option groups' clicks.
#include "DumpBuilder.h"
#include "VirtualSynthWorkspace.h"
#include "WorkspaceProbe.h"

#include <cstdio>
#include <functional>

using namespace velcora;
using namespace velcora::test;

namespace {

constexpr int Rom = TWorkspace::RomTab;
constexpr int RomMark = 1;  ///< index of the ROM bank's mark in the dirty flags
constexpr int UserMark = 2; ///< index of user bank 0's mark

TShiftState NoKeys() {
    return {};
}
TShiftState ShiftKey() {
    return {.Shift = true};
}
TShiftState CtrlKey() {
    return {.Ctrl = true};
}
TShiftState CtrlShift() {
    return {.Shift = true, .Ctrl = true};
}

class BankViewsTest : public TVirtualSynthWorkspace {
protected:
    /// Connected to the synth, user bank 1 showing, it and the ROM bank filled from files
    /// whose slot i is named "Tst:Patch i" (three digits).
    void SetUpBanks() {
        Connect();
        WriteBytes(Dir.File("Bank.syx"), MakeDumps(Sizes, 128, 500));
        ASSERT_TRUE(Ws->pcUserBankChange(1));
        Dialogs.ExpectOpen(LoadBank, Dir.File("Bank.syx"));
        Ws->bbLoadBankClick();
        Dialogs.ExpectOpen(LoadBank, Dir.File("Bank.syx"));
        Ws->bbROMLoadBankClick();
        ASSERT_TRUE(Dialogs.ScriptDone());
        ASSERT_EQ(Ws->UserBank(1).Slot(7).Name(), Named(7));
        View.Tabs.clear();
    }
    static std::string Named(int slot) {
        char name[17];
        std::snprintf(name, sizeof name, "Tst:Patch %03d   ", slot);
        return name;
    }
    TPatchBank& Bank(int view) { return *Ws->BankOf(view == Rom ? 99 : view); }
    static std::vector<int> Marked(const TPatchBank& bank) {
        std::vector<int> marked;
        for (int i = 0; i < TPatchBank::SlotCount; ++i) {
            if (bank.Slot(i).Selected()) {
                marked.push_back(i);
            }
        }
        return marked;
    }
    void Mark(int view, const std::vector<int>& wanted) {
        Bank(view).DeselectAll();
        for (int s : wanted) {
            Bank(view).Slot(s).SetSelected(true);
        }
        Bank(view).CountSelected();
    }
    /// A press and the click the view raises after it.
    void Click(int view, int slot, TShiftState shift = {},
               TMouseButton button = TMouseButton::Left) {
        Ws->vleUserMouseDown(view, button, shift, slot);
        Ws->vleUserClick(view);
    }
    std::string SynthEditBuffer() {
        return Synth.With([](emu::TVirtualSynth& s) { return s.EditBuffer().Name(); });
    }
    /// Waits until the synth's edit buffer holds the patch named so.
    bool Auditioned(const std::string& name) {
        return PumpUntil([&] { return SynthEditBuffer().substr(0, 16) == name.substr(0, 16); },
                         std::chrono::seconds(10));
    }
    /// What the synth's edit buffer holds once every message sent so far has reached it:
    /// the edit buffer fetched back comes after them.
    std::string SynthEditBufferAfterAll() {
        Ws->bbGetEditBufClick();
        EXPECT_TRUE(
            PumpUntil([&] { return !Ws->Status().AwaitingDump; }, std::chrono::seconds(20)));
        return SynthEditBuffer().substr(0, 16);
    }
    void ExpectOnlyMarked(int view, const std::vector<int>& wanted) {
        for (int other = 0; other <= Rom; ++other) {
            EXPECT_EQ(Marked(Bank(other)), other == view ? wanted : std::vector<int>{}) << other;
        }
    }

    const TDumpSizes Sizes = TDumpSizes::ForModelClass(TModelClass::Proteus);
    const std::string LoadBank = "Load Patch Bank File";
    const std::string SaveBank = "Save Patch Bank File";
};

} // namespace

TEST_F(BankViewsTest, AClickSelectsByItsKeysAndClearsEveryOtherSelection) {
    SetUpBanks();
    const struct {
        const char* Name;
        std::vector<int> Before;
        TShiftState Shift;
        TMouseButton Button;
        int Slot;
        std::vector<int> After;
    } cases[] = {
        {"plain click after a range", {2, 3, 4, 5, 6, 7, 8}, NoKeys(), TMouseButton::Left, 5, {5}},
        {"Shift extends from the lowest",
         {10, 40},
         ShiftKey(),
         TMouseButton::Left,
         20,
         {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}},
        {"Shift extends upwards", {10}, ShiftKey(), TMouseButton::Left, 7, {7, 8, 9, 10}},
        {"Shift without a selection selects one", {}, ShiftKey(), TMouseButton::Left, 20, {20}},
        {"Ctrl toggles a selected slot off", {3, 9}, CtrlKey(), TMouseButton::Left, 9, {3}},
        {"Ctrl toggles an unselected slot on", {3, 9}, CtrlKey(), TMouseButton::Left, 6, {3, 6, 9}},
        {"Ctrl and Shift select one", {3, 9}, CtrlShift(), TMouseButton::Left, 6, {6}},
        {"the right button held extends", {3}, NoKeys(), TMouseButton::Right, 5, {3, 4, 5}},
        {"the middle button selects one", {3, 9}, NoKeys(), TMouseButton::Middle, 127, {127}},
    };
    for (int view : {1, Rom}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.Name) + " in view " + std::to_string(view));
            for (int other = 0; other <= Rom; ++other) {
                Mark(other, {0, 127});
            }
            Ws->Library().Patch(0).SetSelected(true);
            View.MixMorphOn = true;
            Mark(view, c.Before);
            Click(view, c.Slot, c.Shift, c.Button);
            ExpectOnlyMarked(view, c.After);
            EXPECT_FALSE(Ws->Library().Patch(0).Selected());
            EXPECT_EQ(View.MixMorphOn, false);
            EXPECT_EQ(Ws->Status().FocusView, view == Rom ? 5 : 2);
            EXPECT_EQ(Bank(view).SelectedCount(), static_cast<int>(c.After.size()));
            // They act on the current user bank: a click in the ROM view leaves it unmarked.
            EXPECT_EQ(View.GetSendSelectedOn, view != Rom && !c.After.empty());
        }
    }
    EXPECT_TRUE(Dialogs.ScriptDone());
}

TEST_F(BankViewsTest, OnlyAClickAfterAPressInAViewSelects) {
    Make();
    Mark(0, {4});
    // The click a keyboard move raises comes without a press.
    Ws->vleUserClick(0);
    EXPECT_EQ(Marked(Bank(0)), std::vector<int>{4});

    Ws->vleUserMouseDown(0, TMouseButton::Left, {}, 9);
    EXPECT_TRUE(Ws->Status().PressedInView);
    Ws->vleUserClick(0);
    EXPECT_FALSE(Ws->Status().PressedInView);
    EXPECT_EQ(Marked(Bank(0)), std::vector<int>{9});
    Ws->vleUserClick(0);
    EXPECT_EQ(Marked(Bank(0)), std::vector<int>{9}) << "one press, one click";

    // The title row, or a place outside the rows, selects nothing.
    for (int slot : {-1, 128}) {
        Click(0, slot);
        EXPECT_EQ(Marked(Bank(0)), std::vector<int>{9}) << slot;
    }

    // A key other than Shift or Ctrl between press and click makes it a keyboard move's.
    const struct {
        int Key;
        bool Kept;
    } keys[] = {{TKey::Shift, true}, {TKey::Ctrl, true}, {33, false}, {TKey::Escape, false}};
    for (const auto& k : keys) {
        Ws->vleUserMouseDown(0, TMouseButton::Left, {}, 2);
        Ws->vleUserKeyDown(0, k.Key, {}, 2);
        EXPECT_EQ(Ws->Status().PressedInView, k.Kept) << k.Key;
        Ws->vleUserClick(0);
        EXPECT_EQ(Marked(Bank(0)), k.Kept ? std::vector<int>{2} : std::vector<int>{9}) << k.Key;
        Mark(0, {9});
    }
}

TEST_F(BankViewsTest, TheSelectionButtonsFollowTheClickedSelection) {
    Make();
    const struct {
        int UserToLib;
        std::vector<int> Before;
        int CtrlClicked;
        bool UserToLibOn;
        bool GetSendOn;
    } cases[] = {
        {0, {7}, 7, true, false}, // the last selected slot unselected
        {1, {7}, 7, false, false},
        {0, {7}, 8, true, true},
        {1, {}, 8, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.UserToLib);
        Ws->rgOptionClick(TOptionGroups::TGroup::UserToLib, c.UserToLib);
        Mark(0, c.Before);
        Click(0, c.CtrlClicked, CtrlKey());
        EXPECT_EQ(View.UserToLibOn, c.UserToLibOn);
        EXPECT_EQ(View.GetSendSelectedOn, c.GetSendOn);
    }
}

TEST_F(BankViewsTest, UpAndDownAuditionAndSelectTheNextSlot) {
    SetUpBanks();
    const struct {
        int View;
        int Key;
        int Slot;
        int Next; ///< -1: nothing happens
    } cases[] = {
        {1, TKey::Down, 5, 6},    {1, TKey::Up, 5, 4},         {1, TKey::Up, 0, -1},
        {1, TKey::Down, 127, -1}, {Rom, TKey::Down, 126, 127}, {Rom, TKey::Up, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.View) + " " + std::to_string(c.Key) + " " +
                     std::to_string(c.Slot));
        Mark(c.View, {20, 30});
        View.GetSendSelectedOn.reset();
        // As the window runs it: the commands' states are shown after the key.
        bool command = true;
        Ws->RunGuarded([&] { command = Ws->vleUserKeyDown(c.View, c.Key, {}, c.Slot); });
        EXPECT_FALSE(command) << "the view moves its row";
        if (c.Next < 0) {
            EXPECT_EQ(Marked(Bank(c.View)), (std::vector<int>{20, 30}));
            continue;
        }
        EXPECT_EQ(Marked(Bank(c.View)), std::vector<int>{c.Next});
        EXPECT_EQ(Bank(c.View).Selection(), std::vector<int>{c.Next});
        EXPECT_EQ(View.GetSendSelectedOn, !Marked(Bank(1)).empty())
            << "the buttons follow the current user bank's marks";
        EXPECT_EQ(Ws->Status().ActionBank, c.View == Rom ? 99 : 1);
        EXPECT_TRUE(Auditioned(Bank(c.View).Slot(c.Next).Name()));
        // The audition sends the patch to the edit buffer; the bank keeps it.
        EXPECT_EQ(Bank(c.View).Slot(c.Next).Name(), Named(c.Next));
    }
    // Nothing was sent for the first and the last row.
    EXPECT_EQ(SynthEditBufferAfterAll(), Named(0).substr(0, 16));
}

TEST_F(BankViewsTest, ARightPressAuditionsAnUnselectedSlotAndOffersTheMenuOverASelectedOne) {
    SetUpBanks();
    Mark(1, {3});
    Ws->vleUserMouseDown(1, TMouseButton::Right, {}, 12);
    EXPECT_TRUE(Auditioned(Named(12)));
    EXPECT_EQ(View.MenusOpened, 0);
    EXPECT_EQ(View.RenameSlot, -1);
    EXPECT_EQ(Marked(Bank(1)), std::vector<int>{3});

    const struct {
        int View;
        std::vector<int> Selected;
        int Slot;
        bool Swap;
    } cases[] = {
        {1, {3}, 3, false},
        {1, {3, 40}, 40, true},
        {1, {3, 40, 41}, 41, false},
        {Rom, {9, 10}, 10, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Slot);
        Mark(c.View, c.Selected);
        const int menus = View.MenusOpened;
        Ws->vleUserMouseDown(c.View, TMouseButton::Right, {}, c.Slot);
        EXPECT_EQ(View.MenusOpened, menus + 1);
        EXPECT_EQ(View.MenuSwapVisible, c.Swap);
        EXPECT_EQ(View.RenameBank, c.View == Rom ? 99 : 1);
        EXPECT_EQ(View.RenameSlot, c.Slot);
        EXPECT_EQ(View.RenameText, Named(c.Slot));
        EXPECT_FALSE(View.RenameShowing) << "only Edit shows the box";
        EXPECT_EQ(Marked(Bank(c.View)), c.Selected);
    }
    // On the title row the right button does nothing at all.
    const int menus = View.MenusOpened;
    Ws->vleUserMouseDown(1, TMouseButton::Right, {}, -1);
    EXPECT_EQ(View.MenusOpened, menus);
    // A selected slot is not auditioned.
    EXPECT_EQ(SynthEditBufferAfterAll(), Named(12).substr(0, 16));
}

// An audition sends a copy addressed to the synth's edit buffer: the stored record keeps
// every byte, so the history sees no change and undoing another step leaves the marks alone.
TEST_F(BankViewsTest, AnAuditionLeavesTheStoredPatchByteForByte) {
    SetUpBanks();
    const auto bytes = [](const TPatchRec& patch) {
        std::vector<uint8_t> all;
        for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
            const auto slot = const_cast<TPatchRec&>(patch).Dump().Slot(p);
            all.insert(all.end(), slot.begin(), slot.end());
        }
        return all;
    };
    const struct {
        const char* What;
        int View;
        int Slot;
        std::function<void()> Audition;
    } cases[] = {
        {"Down", 1, 5, [&] { Ws->vleUserKeyDown(1, TKey::Down, {}, 4); }},
        {"a right press", 1, 12, [&] { Ws->vleUserMouseDown(1, TMouseButton::Right, {}, 12); }},
        {"a double click in the ROM view", Rom, 50, [&] { Ws->vleUser0DblClick(Rom, 50); }},
    };
    const TDirtyFlags clean = Ws->Status().Dirty;
    ASSERT_FALSE(clean[RomMark]);
    ASSERT_FALSE(clean[UserMark + 1]);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Mark(c.View, {});
        const std::vector<uint8_t> before = bytes(Bank(c.View).Slot(c.Slot));
        c.Audition();
        EXPECT_TRUE(Auditioned(Named(c.Slot)));
        EXPECT_EQ(bytes(Bank(c.View).Slot(c.Slot)), before);
    }
    // A step of the library alone, taken back: the banks stay as saved.
    Ws->bbEditToLibClick();
    Ws->Undo();
    EXPECT_EQ(Ws->Status().Dirty[RomMark], clean[RomMark]);
    EXPECT_EQ(Ws->Status().Dirty[UserMark + 1], clean[UserMark + 1]);
    for (int tab : {1, Rom}) {
        EXPECT_NE(View.Tabs[tab].substr(0, 1), "*") << "no mark shown on the tab " << tab;
    }
}

TEST_F(BankViewsTest, ADoubleClickAuditionsAndAddsTheSlotToTheSelection) {
    SetUpBanks();
    for (int view : {1, Rom}) {
        Mark(view, {2});
        Ws->vleUser0DblClick(view, 50);
        EXPECT_TRUE(Auditioned(Named(50)));
        EXPECT_EQ(Marked(Bank(view)), (std::vector<int>{2, 50}));
        Bank(view).Slot(60).SetName("Dbl:Clicked", Sizes);
        Ws->vleUser0DblClick(view, 60);
        EXPECT_TRUE(Auditioned("Dbl:Clicked     "));
    }
}

TEST_F(BankViewsTest, TheMenuCommandsUseTheModesAndMarkTheBankActedOn) {
    const auto names = [&](int view, int from, int to) {
        std::vector<std::string> n;
        for (int i = from; i <= to; ++i) {
            n.push_back(Bank(view).Slot(i).Name());
        }
        return n;
    };
    const std::string blank = "(blank)";
    const struct {
        const char* Name;
        int View;
        int Insert;
        int Delete;
        std::vector<int> Copied; ///< selected for Copy; empty: nothing copied
        std::vector<int> Selected;
        void (TWorkspace::*Command)();
        std::vector<std::string> Slots3To9;
        std::vector<int> After;
    } cases[] = {
        {"Paste Pushdown",
         1,
         1,
         0,
         {20, 21, 22},
         {5},
         &TWorkspace::pmBankPasteClick,
         {Named(3), Named(4), Named(20), Named(21), Named(22), Named(5), Named(6)},
         {5, 6, 7}},
        {"Paste Overwrite",
         1,
         0,
         0,
         {20, 21, 22},
         {5, 9},
         &TWorkspace::pmBankPasteClick,
         {Named(3), Named(4), Named(20), Named(21), Named(22), Named(8), Named(9)},
         {5, 6, 7}},
        {"Paste from the ROM bank's copy",
         Rom,
         0,
         0,
         {30},
         {4},
         &TWorkspace::pmBankPasteClick,
         {Named(3), Named(30), Named(5), Named(6), Named(7), Named(8), Named(9)},
         {4}},
        {"Delete Put Blank",
         1,
         0,
         0,
         {},
         {3, 9},
         &TWorkspace::pmBankDeleteClick,
         {blank, Named(4), Named(5), Named(6), Named(7), Named(8), blank},
         {}},
        {"Delete Pull up list",
         1,
         0,
         1,
         {},
         {3, 5},
         &TWorkspace::pmBankDeleteClick,
         {Named(4), Named(6), Named(7), Named(8), Named(9), Named(10), Named(11)},
         {}},
        {"Swap",
         Rom,
         0,
         0,
         {},
         {3, 9},
         &TWorkspace::pmBankSwapClick,
         {Named(9), Named(4), Named(5), Named(6), Named(7), Named(8), Named(3)},
         {3, 9}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        SetUpBanks();
        Ws->rgOptionClick(TOptionGroups::TGroup::InsertMode, c.Insert);
        Ws->rgOptionClick(TOptionGroups::TGroup::DeleteMode, c.Delete);
        if (!c.Copied.empty()) {
            Mark(c.View, c.Copied);
            Ws->vleUserMouseDown(c.View, TMouseButton::Right, {}, c.Copied.front());
            Ws->pmBankCopyClick();
            EXPECT_TRUE(View.Tabs.empty()) << "Copy marks nothing";
        }
        Mark(c.View, c.Selected);
        Ws->vleUserMouseDown(c.View, TMouseButton::Right, {}, c.Selected.front());
        (Ws.get()->*c.Command)();
        std::vector<std::string> expected = c.Slots3To9;
        for (auto& name : expected) {
            name = name == blank ? Ws->BlankPatch().Name() : name;
        }
        EXPECT_EQ(names(c.View, 3, 9), expected);
        EXPECT_EQ(Marked(Bank(c.View)), c.After);
        // Only the bank acted on changes and is marked.
        const int other = c.View == Rom ? 1 : Rom;
        for (int i = 3; i <= 9; ++i) {
            EXPECT_EQ(Bank(other).Slot(i).Name(), Named(i));
        }
        const TDirtyFlags dirty = Ws->Status().Dirty;
        EXPECT_EQ(dirty[RomMark], c.View == Rom);
        EXPECT_EQ(dirty[UserMark + 1], c.View == 1);
        EXPECT_EQ(View.Tabs,
                  (std::map<int, std::string>{{c.View, c.View == Rom ? "*ROM" : "*User 1"}}));
    }
}

TEST_F(BankViewsTest, CommandsThatCannotActChangeNothingButStillMark) {
    SetUpBanks();
    // Swap with other than two selected: the error box, nothing swapped, the bank marked.
    for (const std::vector<int>& selected : {std::vector<int>{3}, std::vector<int>{3, 4, 5}}) {
        Mark(1, selected);
        Ws->vleUserMouseDown(1, TMouseButton::Right, {}, 3);
        Dialogs.ExpectMessage(TMessageKind::Error,
                              "Can only Swap 2 selected patches in the same bank !");
        Ws->pmBankSwapClick();
        ASSERT_TRUE(Dialogs.ScriptDone());
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(Bank(1).Slot(i).Name(), Named(i));
        }
        EXPECT_EQ(View.Tabs[1], "*User 1");
        View.Tabs.clear();
    }
    // Paste with an empty clipboard (a Copy of nothing empties it).
    Mark(1, {});
    Ws->pmBankCopyClick();
    Mark(1, {6});
    Ws->pmBankPasteClick();
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(Bank(1).Slot(i).Name(), Named(i));
    }
    EXPECT_EQ(View.Tabs[1], "*User 1");
}

TEST_F(BankViewsTest, TheClipboardIsSharedWithTheLibrary) {
    SetUpBanks();
    TPatchLib& lib = Ws->Library();
    lib.DeselectAll();
    TPatchRec patch;
    patch.SetBuiltInBlank(Sizes);
    for (const char* name : {"Lib:First", "Lib:Second"}) {
        patch.SetName(name, Sizes);
        ASSERT_TRUE(lib.Add(patch));
    }
    lib.CopySelection();
    Click(1, 5);
    EXPECT_TRUE(Ws->vleUserKeyDown(1, TKey::V, CtrlKey(), 5));
    EXPECT_EQ(Bank(1).Slot(4).Name(), Named(4));
    EXPECT_EQ(Bank(1).Slot(5).Name().substr(0, 16), "Lib:First       ");
    EXPECT_EQ(Bank(1).Slot(6).Name().substr(0, 16), "Lib:Second      ");
    EXPECT_EQ(Bank(1).Slot(7).Name(), Named(7));

    // And back: a bank's copy pastes into the library.
    Click(1, 40);
    EXPECT_TRUE(Ws->vleUserKeyDown(1, TKey::C, CtrlKey(), 40));
    const int count = lib.Count();
    lib.DeselectAll();
    lib.Paste();
    ASSERT_EQ(lib.Count(), count + 1);
    EXPECT_EQ(lib.Patch(count).Name(), Named(40));
}

TEST_F(BankViewsTest, TheShortcuts) {
    const struct {
        const char* Name;
        int View;
        int Key;
        TShiftState Shift;
        std::function<void()> Script;
        bool Command;
        std::vector<int> After; ///< the selection of the view's bank, from {2, 3}; {-1}: all
        int Marked;             ///< the dirty flag set, -1 none
    } cases[] = {
        // With no step to take back or do again, the undo keys say and change nothing.
        {"Ctrl+Z", 1, TKey::Z, CtrlKey(), [] {}, true, {2, 3}, -1},
        {"Ctrl+Y", Rom, TKey::Y, CtrlKey(), [] {}, true, {2, 3}, -1},
        {"Y alone", 1, TKey::Y, NoKeys(), [] {}, false, {2, 3}, -1},
        {"Z alone", 1, TKey::Z, NoKeys(), [] {}, false, {2, 3}, -1},
        {"Shift+Z", 1, TKey::Z, ShiftKey(), [] {}, false, {2, 3}, -1},
        {"Ctrl+Shift+Z", 1, TKey::Z, CtrlShift(), [] {}, true, {2, 3}, -1},
        {"Ctrl+A", Rom, TKey::A, CtrlKey(), [] {}, true, {-1}, -1},
        {"A alone", 1, TKey::A, NoKeys(), [] {}, false, {2, 3}, -1},
        {"Delete", 1, TKey::Delete, NoKeys(), [] {}, true, {}, UserMark + 1},
        {"Delete in the ROM view", Rom, TKey::Delete, NoKeys(), [] {}, true, {}, RomMark},
        {"Ctrl+V", Rom, TKey::V, CtrlKey(), [] {}, true, {2}, RomMark},
        {"Ctrl+C", 1, TKey::C, CtrlKey(), [] {}, true, {2, 3}, -1},
        {"Ctrl+L",
         1,
         TKey::L,
         CtrlKey(),
         [&] { Dialogs.ExpectOpen(LoadBank, ""); },
         true,
         {2, 3},
         -1},
        {"Ctrl+O in the ROM view",
         Rom,
         TKey::O,
         CtrlKey(),
         [&] { Dialogs.ExpectOpen(LoadBank, ""); },
         true,
         {2, 3},
         -1},
        {"Ctrl+S in the ROM view",
         Rom,
         TKey::S,
         CtrlKey(),
         [&] { Dialogs.ExpectSave(SaveBank, ""); },
         true,
         {2, 3},
         -1},
        {"Page Down", 1, 34, NoKeys(), [] {}, false, {2, 3}, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        SetUpBanks();
        // One patch on the clipboard for Ctrl+V.
        Mark(1, {60});
        Ws->vleUserKeyDown(1, TKey::C, CtrlKey(), 60);
        Mark(c.View, {2, 3});
        View.GetSendSelectedOn.reset();
        Ws->ClearUndoHistory(); // the loads above are no step for Ctrl+Z to take back
        c.Script();
        EXPECT_EQ(Ws->vleUserKeyDown(c.View, c.Key, c.Shift, 2), c.Command);
        EXPECT_TRUE(Dialogs.ScriptDone());
        std::vector<int> after = c.After;
        if (after == std::vector<int>{-1}) {
            after.clear();
            for (int i = 0; i < 128; ++i) {
                after.push_back(i);
            }
            EXPECT_EQ(Bank(c.View).SelectedCount(), 128);
        }
        EXPECT_EQ(Marked(Bank(c.View)), after);
        EXPECT_FALSE(View.GetSendSelectedOn.has_value()) << "no key updates the buttons";
        const TDirtyFlags dirty = Ws->Status().Dirty;
        for (int mark = RomMark; mark <= UserMark + 3; ++mark) {
            EXPECT_EQ(dirty[static_cast<size_t>(mark)], mark == c.Marked) << mark;
        }
    }
    // Delete and Paste acted on the bank of the view the key was pressed in.
    SetUpBanks();
    Mark(1, {2});
    Mark(Rom, {2});
    Ws->vleUserKeyDown(Rom, TKey::Delete, {}, 2);
    EXPECT_EQ(Bank(Rom).Slot(2).Name(), Ws->BlankPatch().Name());
    EXPECT_EQ(Bank(1).Slot(2).Name(), Named(2));
}

TEST_F(BankViewsTest, TheFileShortcutsActOnTheCurrentUserBank) {
    SetUpBanks();
    WriteBytes(Dir.File("Other.syx"), MakeDumps(Sizes, 128, 77));
    Ws->MarkDirty(Bank(1));
    // Pressed in the ROM view: the current user bank is loaded, and its mark cleared.
    Dialogs.ExpectOpen(LoadBank, Dir.File("Other.syx"));
    EXPECT_TRUE(Ws->vleUserKeyDown(Rom, TKey::L, CtrlKey(), 0));
    EXPECT_FALSE(Ws->Status().Dirty[UserMark + 1]);
    EXPECT_EQ(Bank(1).FileName(), Dir.File("Other.syx"));
    EXPECT_NE(Bank(Rom).FileName(), Dir.File("Other.syx"));
    Dialogs.ExpectSave(SaveBank, Dir.File("Saved.syx"));
    EXPECT_TRUE(Ws->vleUserKeyDown(1, TKey::S, CtrlKey(), 0));
    EXPECT_EQ(ReadBytes(Dir.File("Saved.syx")).size(), 128u * Sizes.TotalSize());
}

TEST_F(BankViewsTest, TheRenameBoxTexts) {
    const struct {
        const char* Typed;
        int Key;
        std::string Shown;
        std::string Stored; ///< empty: no rename
    } cases[] = {
        {"Pad", 'D', "Pad:", ""},
        {"Pa", 'A', "Pa", ""},
        {"Pad:Warm", TKey::Escape, "Pad:Warm", ""},
        {"Pad", TKey::Enter, "Pad:", "Pad:            "},
        {"Pad:Warm Strings", TKey::Enter, "Pad:Warm Strings", "Pad:Warm Strings"},
        {"PadWarm Strings", TKey::Enter, "Pad:Warm Strings", "Pad:Warm Strings"},
        {"ab", TKey::Enter, "ab:", "ab:             "},
        {"", TKey::Enter, ":", ":               "},
        {"Lead Synth Brass 1", TKey::Enter, "Lea:d Synth Bras", "Lea:d Synth Bras"},
        {"Bas:Deep and wide sub bass", TKey::Enter, "Bas:Deep and wid", "Bas:Deep and wid"},
        {"Pad:Caf\xE9 \x01", TKey::Enter, "Pad:Caf\xE9 \x01", "Pad:Cafe ?      "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Typed);
        SetUpBanks();
        Mark(1, {10});
        Ws->vleUserMouseDown(1, TMouseButton::Right, {}, 10);
        Ws->pmBankEditClick();
        EXPECT_TRUE(View.RenameShowing);
        EXPECT_TRUE(Ws->Status().RenameBoxShowing);
        EXPECT_EQ(View.Tabs[1], "*User 1") << "marked when the box opens";
        EXPECT_EQ(Ws->eUserEditKeyUp(c.Typed, c.Key), c.Shown);
        const bool renamed = !c.Stored.empty();
        // Enter closes the box with the rename, Escape without it; other keys leave it open.
        const bool open = !renamed && c.Key != TKey::Escape;
        EXPECT_EQ(Ws->Status().RenameBoxShowing, open);
        EXPECT_EQ(View.RenameShowing, open);
        EXPECT_EQ(Bank(1).Slot(10).Name().substr(0, 16), renamed ? c.Stored : Named(10));
        for (int i : {9, 11}) {
            EXPECT_EQ(Bank(1).Slot(i).Name(), Named(i));
        }
    }
}

TEST_F(BankViewsTest, RenamingARomSlotChangesOnlyTheRomBank) {
    SetUpBanks();
    Mark(Rom, {10});
    Mark(1, {10});
    Ws->vleUserMouseDown(Rom, TMouseButton::Right, {}, 10);
    Ws->pmBankEditClick();
    EXPECT_EQ(Ws->eUserEditKeyUp("Rom:Renamed", TKey::Enter), "Rom:Renamed");
    EXPECT_EQ(Bank(Rom).Slot(10).Name().substr(0, 16), "Rom:Renamed     ");
    for (int n = 0; n < 4; ++n) {
        EXPECT_NE(Bank(n).Slot(10).Name().substr(0, 16), "Rom:Renamed     ") << n;
    }
    EXPECT_EQ(View.Tabs, (std::map<int, std::string>{{Rom, "*ROM"}}));
    EXPECT_TRUE(Ws->Status().Dirty[RomMark]);
    EXPECT_FALSE(Ws->Status().Dirty[UserMark + 1]);
}

TEST_F(BankViewsTest, WhileTheRenameBoxShowsAPressOnlyGivesItTheFocus) {
    SetUpBanks();
    Mark(1, {10});
    Ws->vleUserMouseDown(1, TMouseButton::Right, {}, 10);
    Ws->pmBankEditClick();
    const int menus = View.MenusOpened;
    for (TMouseButton button : {TMouseButton::Left, TMouseButton::Right}) {
        const int focused = View.RenameFocused;
        Click(1, 20, {}, button);
        EXPECT_EQ(View.RenameFocused, focused + 2) << "the press and the click";
        EXPECT_EQ(Marked(Bank(1)), std::vector<int>{10});
        EXPECT_EQ(View.MenusOpened, menus);
    }
    // Another tab chosen meanwhile takes the row away from under the box: it closes, and
    // Enter renames nothing, neither the slot it was opened for nor the one now in its place.
    for (int tab : {2, Rom}) {
        SCOPED_TRACE(tab);
        ASSERT_TRUE(Ws->pcUserBankChange(1));
        const std::string otherName = Bank(tab).Slot(10).Name();
        Ws->vleUserMouseDown(1, TMouseButton::Right, {}, 10);
        Ws->pmBankEditClick();
        ASSERT_TRUE(Ws->Status().RenameBoxShowing);
        ASSERT_TRUE(Ws->pcUserBankChange(tab));
        EXPECT_FALSE(Ws->Status().RenameBoxShowing);
        EXPECT_FALSE(View.RenameShowing);
        Ws->eUserEditKeyUp("Kep:Target", TKey::Enter);
        EXPECT_EQ(Bank(1).Slot(10).Name(), Named(10));
        EXPECT_EQ(Bank(tab).Slot(10).Name(), otherName);
    }
    // Hidden again, presses select as before.
    ASSERT_TRUE(Ws->pcUserBankChange(1));
    Click(1, 20);
    EXPECT_EQ(Marked(Bank(1)), std::vector<int>{20});
}

TEST_F(BankViewsTest, ARenameBoxClosedWithoutRenamingLeavesEveryNameAndOpensAgain) {
    SetUpBanks();
    Mark(1, {10});
    const struct {
        const char* What;
        std::function<void()> Close;
    } cases[] = {
        {"Escape", [&] { Ws->eUserEditKeyUp("Kep:Typed", TKey::Escape); }},
        {"the row moved away", [&] { Ws->CloseRenameBox(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Ws->vleUserMouseDown(1, TMouseButton::Right, {}, 10);
        Ws->pmBankEditClick();
        ASSERT_TRUE(Ws->Status().RenameBoxShowing);
        const std::string undoBefore = Ws->Status().UndoText;
        c.Close();
        EXPECT_FALSE(Ws->Status().RenameBoxShowing);
        EXPECT_FALSE(View.RenameShowing);
        // The Enter that follows belongs to no rename.
        Ws->eUserEditKeyUp("Kep:Target", TKey::Enter);
        EXPECT_EQ(Bank(1).Slot(10).Name(), Named(10));
        EXPECT_EQ(Ws->Status().UndoText, undoBefore) << "no step recorded";
        // Presses select again, as with the box hidden.
        Click(1, 20);
        EXPECT_EQ(Marked(Bank(1)), std::vector<int>{20});
        Mark(1, {10});
    }
}

TEST_F(BankViewsTest, TheMenuKeyOpensTheBankMenuOverTheCurrentRow) {
    SetUpBanks();
    const struct {
        const char* What;
        int View;
        std::vector<int> Before;
        int Slot;
        std::vector<int> After;
        bool Swap;
    } cases[] = {
        {"a selected slot", 1, {3, 40}, 40, {3, 40}, true},
        {"an unselected slot, selected alone first", 1, {3, 40}, 7, {7}, false},
        {"the ROM view", Rom, {9}, 9, {9}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Mark(c.View, c.Before);
        const int menus = View.MenusOpened;
        Ws->vleUserMenuKey(c.View, c.Slot);
        EXPECT_EQ(View.MenusOpened, menus + 1);
        EXPECT_EQ(View.MenuSwapVisible, c.Swap);
        EXPECT_EQ(Marked(Bank(c.View)), c.After);
        EXPECT_EQ(View.RenameBank, c.View == Rom ? 99 : 1);
        EXPECT_EQ(View.RenameSlot, c.Slot);
        EXPECT_EQ(Ws->Status().ActionBank, c.View == Rom ? 99 : 1);
        // Edit from the menu renames the slot of the current row.
        Ws->pmBankEditClick();
        Ws->eUserEditKeyUp("Key:Menu", TKey::Enter);
        EXPECT_EQ(Bank(c.View).Slot(c.Slot).Name().substr(0, 16), "Key:Menu        ");
        // A later click is a click of its own, not the menu key's.
        Click(c.View, 100);
        EXPECT_EQ(Marked(Bank(c.View)), std::vector<int>{100});
    }
    // Over the title row or outside the rows nothing opens.
    const int menus = View.MenusOpened;
    Ws->vleUserMenuKey(1, -1);
    EXPECT_EQ(View.MenusOpened, menus);
}

TEST_F(BankViewsTest, TheOptionGroupsWriteTheirKeyAndGiveTheFocusBack) {
    Make();
    using G = TOptionGroups::TGroup;
    const struct {
        G Group;
        int Item;
        const char* Key;
        const char* Written;
    } cases[] = {
        {G::FromTo, 1, "FromTo", "Selected"},         {G::FromTo, 0, "FromTo", "Bank"},
        {G::LoadSave, 1, "LoadSave", "AllBanks"},     {G::LoadSave, 0, "LoadSave", "Bank"},
        {G::DeleteMode, 1, "DeleteMode", "Pullup"},   {G::DeleteMode, 0, "DeleteMode", "PutBlank"},
        {G::InsertMode, 1, "InsertMode", "Pushdown"}, {G::InsertMode, 0, "InsertMode", "Overwrite"},
    };
    ASSERT_TRUE(Ws->pcUserBankChange(Rom));
    ASSERT_TRUE(Ws->pcUserBankChange(2));
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Key) + "=" + c.Written);
        View.FocusedView = -1;
        Ws->rgOptionClick(c.Group, c.Item);
        EXPECT_EQ(Ini("General", c.Key), c.Written);
        EXPECT_EQ(View.FocusedView, 3);
    }
    // Each group writes only its own key.
    TTempDir fresh;
    const std::string ini = fresh.File("Velcora.INI");
    {
        TScriptedDialogs dialogs;
        TRecordingView view;
        TWorkspace ws(dialogs, view, ini, fresh.Path(), fresh.Path());
        ws.rgOptionClick(G::DeleteMode, 1);
    }
    EXPECT_EQ(TIniFile(ini).ReadString("General", "DeleteMode", "(absent)"), "Pullup");
    EXPECT_EQ(TIniFile(ini).ReadString("General", "InsertMode", "(absent)"), "(absent)");

    // The ROM fetch method gives the focus back too.
    ASSERT_TRUE(Ws->pcUserBankChange(Rom));
    View.FocusedView = -1;
    Ws->rgLoadMethodClick(0);
    EXPECT_EQ(View.FocusedView, 5);
}

TEST_F(BankViewsTest, UserToLibAndTheTabChangeEnableTheSelectionCommands) {
    Make();
    using G = TOptionGroups::TGroup;
    Mark(2, {4});
    Mark(Rom, {8, 9});
    const struct {
        int Tab;
        int UserToLib;
        bool UserToLibOn;
        bool GetSendOn;
    } cases[] = {
        {0, 0, true, false}, {0, 1, false, false}, {2, 1, true, true},
        {2, 0, true, true},  {3, 1, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Tab) + " " + std::to_string(c.UserToLib));
        ASSERT_TRUE(Ws->pcUserBankChange(c.Tab));
        View.UserToLibOn.reset();
        Ws->rgOptionClick(G::UserToLib, c.UserToLib);
        EXPECT_EQ(Ini("General", "UserToLib"), c.UserToLib == 0 ? "Bank" : "Selected");
        EXPECT_EQ(View.UserToLibOn, c.UserToLibOn);
        EXPECT_EQ(View.GetSendSelectedOn, c.GetSendOn);
        // A user tab applies the group as its click does.
        ASSERT_TRUE(Ws->pcUserBankChange(Rom));
        View.UserToLibOn.reset();
        ASSERT_TRUE(Ws->pcUserBankChange(c.Tab));
        EXPECT_EQ(View.UserToLibOn, c.UserToLibOn);
        EXPECT_EQ(View.GetSendSelectedOn, c.GetSendOn);
        EXPECT_EQ(View.FocusedView, c.Tab + 1);
    }
    // Tab changes keep every selection.
    EXPECT_EQ(Marked(Bank(2)), std::vector<int>{4});
    EXPECT_EQ(Marked(Bank(Rom)), (std::vector<int>{8, 9}));
}

// While a transfer runs, the views still select, but nothing they do may disturb it: no
// audition crosses the replies, no list the transfer walks is rebuilt, no command its
// buttons disabled comes back through a key or a selection.
TEST_F(BankViewsTest, ATransferRunsUndisturbedByTheViews) {
    SetUpBanks();
    const std::string editBuffer = SynthEditBuffer().substr(0, 16);
    Ws->bbGetBankClick();
    ASSERT_TRUE(Ws->Status().TransferRunning);
    ASSERT_EQ(Bank(1).SelectionCount(), 128);

    Ws->vleUserKeyDown(1, TKey::Down, {}, 5);
    EXPECT_EQ(Marked(Bank(1)), std::vector<int>{6});
    EXPECT_EQ(Bank(1).SelectionCount(), 128) << "the fetch's list stays whole";
    Ws->vleUser0DblClick(1, 9);
    EXPECT_EQ(Marked(Bank(1)), (std::vector<int>{6, 9}));
    Ws->vleUserMouseDown(1, TMouseButton::Right, {}, 30);

    Click(1, 40);
    EXPECT_EQ(View.GetSendSelectedOn, false);
    EXPECT_EQ(View.UserToLibOn, false);
    // No dialog may open for these: the script would fail the test.
    EXPECT_TRUE(Ws->vleUserKeyDown(1, TKey::S, CtrlKey(), 40));
    EXPECT_TRUE(Ws->vleUserKeyDown(1, TKey::L, CtrlKey(), 40));
    Mark(1, {40, 41});
    Ws->vleUserMouseDown(1, TMouseButton::Right, {}, 40);
    Dialogs.ExpectMessage(TMessageKind::Warning, TWorkspace::SwapDuringTransfer);
    Ws->pmBankSwapClick();
    EXPECT_TRUE(Dialogs.ScriptDone());
    EXPECT_EQ(Bank(1).SelectionCount(), 128);

    ASSERT_TRUE(PumpUntil([&] { return !Ws->Status().TransferRunning; }, std::chrono::seconds(60)));
    EXPECT_EQ(TWorkspaceProbe(*Ws).CurPreset(), 127) << "every slot was fetched";
    EXPECT_EQ(SynthEditBufferAfterAll(), editBuffer) << "nothing was auditioned";
    Click(1, 40);
    EXPECT_EQ(View.GetSendSelectedOn, true);
}

TEST_F(BankViewsTest, ADoubleClickKeepsARomFetchOnItsBank) {
    SetUpBanks();
    Ws->bbROMGetBankClick();
    ASSERT_TRUE(Ws->Status().TransferRunning);
    ASSERT_TRUE(TWorkspaceProbe(*Ws).RomXfer());
    Ws->vleUser0DblClick(Rom, 3);
    EXPECT_TRUE(TWorkspaceProbe(*Ws).RomXfer());
    ASSERT_TRUE(PumpUntil([&] { return !Ws->Status().TransferRunning; }, std::chrono::seconds(60)));
    for (int i = 0; i < 128; ++i) {
        ASSERT_EQ(Bank(1).Slot(i).Name(), Named(i)) << "the user bank took no ROM preset";
    }
}

// The commands that rewrite slots are refused on the bank a transfer walks, from the menu as
// from the keys: a fetch would overwrite what they wrote, a send carry blanks or half a
// rename. The other banks stay free.
TEST_F(BankViewsTest, PasteDeleteAndEditAreRefusedOnTheBankOfATransfer) {
    SetUpBanks();
    const std::string pasting =
        "A transfer is running.\nWait for it to end, or cancel it, before pasting into its bank.";
    const std::string deleting = "A transfer is running.\nWait for it to end, or cancel it, "
                                 "before deleting patches of its bank.";
    const std::string renaming = "A transfer is running.\nWait for it to end, or cancel it, "
                                 "before renaming patches of its bank.";
    using G = TOptionGroups::TGroup;
    Ws->ChooseOption(G::InsertMode, 1);
    Ws->ChooseOption(G::DeleteMode, 1);
    Mark(Rom, {100});
    ASSERT_TRUE(Ws->vleUserKeyDown(Rom, TKey::C, CtrlKey(), 100));
    const struct {
        const char* What;
        std::string Warning;
        std::function<void()> Command;
    } commands[] = {
        {"menu Paste", pasting, [&] { Ws->pmBankPasteClick(); }},
        {"Ctrl+V", pasting, [&] { Ws->vleUserKeyDown(1, TKey::V, CtrlKey(), 10); }},
        {"menu Delete", deleting, [&] { Ws->pmBankDeleteClick(); }},
        {"Delete key", deleting, [&] { Ws->vleUserKeyDown(1, TKey::Delete, {}, 10); }},
        {"menu Edit", renaming, [&] { Ws->pmBankEditClick(); }},
    };
    const struct {
        const char* What;
        void (TWorkspace::*Start)();
    } transfers[] = {{"fetch", &TWorkspace::bbGetBankClick},
                     {"send", &TWorkspace::bbSendBankClick}};
    for (const auto& t : transfers) {
        (Ws.get()->*t.Start)();
        ASSERT_TRUE(Ws->Status().TransferRunning) << t.What;
        std::vector<std::string> before;
        for (int i = 0; i < TPatchBank::SlotCount; ++i) {
            before.push_back(Bank(1).Slot(i).Name());
        }
        for (const auto& c : commands) {
            Mark(1, {10, 11});
            // The right press on a marked slot makes bank 1 the bank acted on and prepares
            // the rename box, as before the menu opens.
            Ws->vleUserMouseDown(1, TMouseButton::Right, {}, 10);
            Dialogs.ExpectMessage(TMessageKind::Warning, c.Warning);
            c.Command();
            EXPECT_TRUE(Dialogs.ScriptDone()) << t.What << ": " << c.What;
            EXPECT_FALSE(Ws->Status().RenameBoxShowing) << t.What << ": " << c.What;
            for (int i = 0; i < TPatchBank::SlotCount; ++i) {
                ASSERT_EQ(Bank(1).Slot(i).Name(), before[static_cast<size_t>(i)])
                    << t.What << ": " << c.What << ", slot " << i;
            }
            EXPECT_TRUE(Ws->Status().TransferRunning) << t.What << ": " << c.What;
        }
        // The ROM bank is not the transfer's: it still takes a paste.
        Mark(Rom, {20});
        ASSERT_TRUE(Ws->vleUserKeyDown(Rom, TKey::V, CtrlKey(), 20));
        EXPECT_EQ(Bank(Rom).Slot(20).Name(), Named(100)) << t.What;
        Ws->bbCancelGetClick();
        ASSERT_TRUE(
            PumpUntil([&] { return !Ws->Status().AwaitingDump; }, std::chrono::seconds(20)));
    }
}

// Get Selected, Send Selected and User to Lib (Selected) follow the current bank's marks
// after every command, whichever way the marks changed.
TEST_F(BankViewsTest, TheSelectionButtonsFollowTheMarksAfterEveryCommand) {
    SetUpBanks();
    using G = TOptionGroups::TGroup;
    Ws->rgOptionClick(G::UserToLib, 1);
    Ws->ChooseOption(G::DeleteMode, 0);
    const auto run = [&](const std::function<void()>& command) { Ws->RunGuarded(command); };
    const struct {
        const char* What;
        std::function<void()> Command;
        bool Marked;
    } steps[] = {
        {"a click marks slot 4", [&] { Click(1, 4); }, true},
        {"Ctrl+C keeps the marks", [&] { Ws->vleUserKeyDown(1, TKey::C, CtrlKey(), 4); }, true},
        {"Delete blanks the slot and drops its mark",
         [&] { Ws->vleUserKeyDown(1, TKey::Delete, {}, 4); }, false},
        {"Ctrl+A marks every slot", [&] { Ws->vleUserKeyDown(1, TKey::A, CtrlKey(), 4); }, true},
        {"menu Delete drops the marks", [&] { Ws->pmBankDeleteClick(); }, false},
        {"a click marks slot 9 again", [&] { Click(1, 9); }, true},
        {"a press in the library clears the banks",
         [&] { Ws->sgLibMouseDown(TMouseButton::Left, {}, 0, 1); }, false},
    };
    for (const auto& s : steps) {
        run(s.Command);
        EXPECT_EQ(View.GetSendSelectedOn, s.Marked) << s.What;
        EXPECT_EQ(View.UserToLibOn, s.Marked) << s.What;
        EXPECT_TRUE(View.CommandsOn) << s.What;
    }
}

// Get Selected with nothing marked starts nothing and changes nothing: the unchanged bank
// must not show up as unsaved.
TEST_F(BankViewsTest, GetSelectedWithNothingMarkedLeavesTheBankSaved) {
    SetUpBanks();
    ASSERT_TRUE(Ws->pcUserBankChange(2));
    ASSERT_TRUE(Marked(Bank(2)).empty());
    Ws->RunGuarded([&] { Ws->bbGetSelectedClick(); });
    EXPECT_FALSE(Ws->Status().TransferRunning);
    EXPECT_FALSE(Ws->Dirty()[4]) << "user bank 2 is not unsaved";
    EXPECT_EQ(View.Tabs.count(2), 0u) << "its tab got no star";
}

// Closing while a fetch runs asks first: No keeps it running; Yes cancels it and closes.
// The bank it left half-filled goes into the end-of-run backup but comes back at the next
// start still unsaved, while a bank fetched whole comes back as saved.
TEST_F(BankViewsTest, ClosingDuringAFetchAsksAndKeepsTheHalfFetchedBankUnsaved) {
    const std::string question = "A transfer is running. Cancel it and close?";
    const struct {
        const char* What;
        bool CutShort;
    } cases[] = {{"a fetch cancelled by the close", true}, {"a whole fetch", false}};
    for (const auto& c : cases) {
        Connect();
        Ws->RunGuarded([&] { Ws->bbGetBankClick(); });
        ASSERT_TRUE(Ws->Status().TransferRunning) << c.What;
        ASSERT_TRUE(Ws->Dirty()[2]) << c.What;
        if (c.CutShort) {
            ASSERT_TRUE(PumpUntil([&] { return TWorkspaceProbe(*Ws).CurPreset() >= 3; },
                                  std::chrono::seconds(20)));
            Dialogs.ExpectMessage(TMessageKind::Confirmation, question, TAnswer::No);
            EXPECT_FALSE(Ws->FormClose()) << c.What;
            EXPECT_TRUE(Dialogs.ScriptDone()) << c.What;
            EXPECT_TRUE(Ws->Status().TransferRunning) << c.What << ": No keeps it running";
            Dialogs.ExpectMessage(TMessageKind::Confirmation, question, TAnswer::Yes);
            Dialogs.ExpectMessage(TMessageKind::Confirmation, ClosePrompt(Ws->Dirty()),
                                  TAnswer::Yes);
        } else {
            ASSERT_TRUE(
                PumpUntil([&] { return !Ws->Status().TransferRunning; }, std::chrono::seconds(60)));
            Dialogs.ExpectMessage(TMessageKind::Confirmation, ClosePrompt(Ws->Dirty()),
                                  TAnswer::Yes);
        }
        EXPECT_TRUE(Ws->FormClose()) << c.What;
        EXPECT_TRUE(Dialogs.ScriptDone()) << c.What;
        EXPECT_FALSE(Ws->Status().TransferRunning) << c.What;
        EXPECT_FALSE(View.ProgressVisible) << c.What;
        const std::string slot0 = Ws->UserBank(0).Slot(0).Name();
        Ws.reset();

        View.Tabs.clear();
        Connect();
        EXPECT_EQ(Ws->UserBank(0).Slot(0).Name(), slot0) << c.What << ": the backup came back";
        EXPECT_EQ(Ws->Dirty()[2], c.CutShort) << c.What;
        EXPECT_EQ(View.Tabs[0], c.CutShort ? "*User 0" : "User 0") << c.What;
        Ws.reset();
    }
}

// An import running at the close is asked about and cancelled the same way.
TEST_F(BankViewsTest, ClosingDuringAnImportAsksAndCancelsIt) {
    Connect();
    WriteBytes(Dir.File("a.syx"), MakeDumps(Sizes, 4, 700));
    Ws->RunGuarded([&] { Ws->ImportPaths({Dir.File("a.syx")}); });
    ASSERT_TRUE(Ws->Status().ImportRunning);
    const std::string question = "An import is running. Cancel it and close?";
    Dialogs.ExpectMessage(TMessageKind::Confirmation, question, TAnswer::No);
    EXPECT_FALSE(Ws->FormClose());
    EXPECT_TRUE(Ws->Status().ImportRunning);
    Dialogs.ExpectMessage(TMessageKind::Confirmation, question, TAnswer::Yes);
    Dialogs.ExpectMessage(TMessageKind::Information, "Imported 0 presets from 0 files.\n"
                                                     "Import cancelled: 1 file not read.\n"
                                                     "Duplicates skipped: 0");
    Dialogs.ExpectMessage(TMessageKind::Confirmation, ClosePrompt(Ws->Dirty()), TAnswer::Yes);
    EXPECT_TRUE(Ws->FormClose());
    EXPECT_TRUE(Dialogs.ScriptDone());
    EXPECT_FALSE(Ws->Status().ImportRunning);
}

// A rename box opened before a transfer began on its bank gives its name to no slot.
TEST_F(BankViewsTest, ARenameBoxOpenedBeforeATransferDoesNotRenameInItsBank) {
    SetUpBanks();
    Mark(1, {10});
    Ws->vleUserMouseDown(1, TMouseButton::Right, {}, 10);
    Ws->pmBankEditClick();
    ASSERT_TRUE(Ws->Status().RenameBoxShowing);
    Ws->bbSendBankClick();
    ASSERT_TRUE(Ws->Status().TransferRunning);
    Dialogs.ExpectMessage(TMessageKind::Warning,
                          "A transfer is running.\nWait for it to end, or cancel it, before "
                          "renaming patches of its bank.");
    Ws->eUserEditKeyUp("New:Name", TKey::Enter);
    EXPECT_TRUE(Dialogs.ScriptDone());
    EXPECT_FALSE(Ws->Status().RenameBoxShowing);
    EXPECT_EQ(Bank(1).Slot(10).Name(), Named(10));
    Ws->bbCancelGetClick();
}
