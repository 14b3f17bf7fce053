// The history of changes: every command that changes a bank or the library can be taken back
// and done again exactly, the modified marks follow, and the history keeps to its bounds.
#include "DumpBuilder.h"
#include "VirtualSynthWorkspace.h"
#include "WorkspaceProbe.h"

#include <filesystem>
#include <functional>

using namespace velcora;
using namespace velcora::test;

namespace {

constexpr int Rom = TWorkspace::RomTab;
constexpr int LibMark = 0;  ///< index of the library's mark in the dirty flags
constexpr int UserMark = 2; ///< index of user bank 0's mark

TShiftState ShiftKey() {
    return {.Shift = true};
}
TShiftState CtrlKey() {
    return {.Ctrl = true};
}

/// Everything a step may change: each patch's dump, cached name and notes, bank slots
/// 0..255 (the hidden extension too) and the library in its order.
using TContents = std::vector<std::vector<std::string>>;

std::string Describe(const TPatchRec& patch) {
    const auto bytes = patch.Dump().Bytes();
    std::string text(bytes.begin(), bytes.end());
    text += '|' + patch.Name();
    for (int n = 0; n < TPatchRec::NoteCount; ++n) {
        text += '|' + patch.Note(n);
    }
    return text;
}

class UndoTest : public TVirtualSynthWorkspace {
protected:
    /// Connected, user bank 1 showing, it and the ROM bank loaded from a file whose slot i is
    /// named "Tst:Patch i", a patch of its own in bank 1's hidden extension; the library holds
    /// copies of slots 5..0 (in that order, each with a note) and a renamed copy of slot 2, saved.
    /// The history starts here.
    void SetUpWork() {
        Connect();
        WriteBytes(Dir.File("Bank.syx"), MakeDumps(Sizes, 128, 500));
        ASSERT_TRUE(Ws->pcUserBankChange(1));
        Dialogs.ExpectOpen("Load Patch Bank File", Dir.File("Bank.syx"));
        Ws->bbLoadBankClick();
        Dialogs.ExpectOpen("Load Patch Bank File", Dir.File("Bank.syx"));
        Ws->bbROMLoadBankClick();
        ASSERT_TRUE(Dialogs.ScriptDone());
        Bank(1).Slot(130).SetName("Hid:Den", Sizes);
        Lib().Clear();
        for (int i = 5; i >= 0; --i) {
            ASSERT_TRUE(Lib().Add(Bank(1).Slot(i)));
            Lib().Patch(Lib().Count() - 1).SetNote(0, "note " + std::to_string(i));
        }
        TPatchRec copy;
        Lib().Patch(3).CopyTo(copy);
        copy.SetName("Dup:Copy", Sizes);
        ASSERT_TRUE(Lib().Add(copy));
        Lib().DeselectAll();
        Lib().SetModified(false);
        Ws->ClearUndoHistory();
        View.Tabs.clear();
    }
    TPatchLib& Lib() { return Ws->Library(); }
    TPatchBank& Bank(int tab) { return *Ws->BankOf(tab == Rom ? 99 : tab); }
    TContents Contents() {
        TContents all;
        for (int tab : {0, 1, 2, 3, Rom}) {
            std::vector<std::string> bank;
            for (int i = 0; i < TPatchBank::HiddenEnd; ++i) {
                bank.push_back(Describe(Bank(tab).Slot(i)));
            }
            all.push_back(std::move(bank));
        }
        std::vector<std::string> lib;
        for (int i = 0; i < Lib().Count(); ++i) {
            lib.push_back(Describe(Lib().Patch(i)));
        }
        all.push_back(std::move(lib));
        return all;
    }
    void MarkSlots(int tab, const std::vector<int>& wanted) {
        Bank(tab).DeselectAll();
        for (int s : wanted) {
            Bank(tab).Slot(s).SetSelected(true);
        }
        Bank(tab).CountSelected();
    }
    /// A left press on a grid row and the click the grid raises after it.
    void ClickRow(int row, TShiftState shift = {}, int column = 1) {
        Ws->sgLibMouseDown(TMouseButton::Left, shift, column, row);
        Ws->sgLibClick();
    }
    void EditCell(int row, int column, const std::string& text) {
        ClickRow(row, {}, column);
        Ws->sgLibMouseDown(TMouseButton::Right, {}, column, row);
        Ws->pmLibEditClick();
        ASSERT_TRUE(Ws->Status().GridEditorShowing);
        Ws->eGridEditKeyUp(text, TKey::Enter);
    }
    void Paste(int from, int to) {
        MarkSlots(1, {from});
        Ws->vleUserKeyDown(1, TKey::C, CtrlKey(), from);
        MarkSlots(1, {to});
        Ws->vleUserKeyDown(1, TKey::V, CtrlKey(), to);
    }
    int LibMarks() {
        int marks = 0;
        for (int i = 0; i < Lib().Count(); ++i) {
            marks += Lib().Patch(i).Selected() ? 1 : 0;
        }
        return marks;
    }
    TWorkspaceProbe Probe() { return TWorkspaceProbe(*Ws); }
    bool Dirty(int mark) { return Ws->Status().Dirty[static_cast<size_t>(mark)]; }

    const TDumpSizes Sizes = TDumpSizes::ForModelClass(TModelClass::Proteus);
};

} // namespace

TEST_F(UndoTest, EveryCommandIsTakenBackAndDoneAgainExactly) {
    const struct {
        const char* Label;
        std::function<void()> Prepare; ///< before the history starts
        std::function<void()> Command;
    } cases[] = {
        {"Rename", nullptr,
         [this] {
             MarkSlots(1, {10});
             Ws->vleUserMouseDown(1, TMouseButton::Right, {}, 10);
             Ws->pmBankEditClick();
             Ws->eUserEditKeyUp("Ren:Named", TKey::Enter);
         }},
        {"Paste", [this] { Ws->rgOptionClick(TOptionGroups::TGroup::InsertMode, 1); },
         [this] { Paste(5, 9); }},
        {"Delete", [this] { Ws->rgOptionClick(TOptionGroups::TGroup::DeleteMode, 1); },
         [this] {
             MarkSlots(1, {2, 3});
             Ws->vleUserKeyDown(1, TKey::Delete, {}, 2);
         }},
        {"Swap", nullptr,
         [this] {
             MarkSlots(1, {3, 7});
             Ws->vleUserMouseDown(1, TMouseButton::Right, {}, 3);
             Ws->pmBankSwapClick();
         }},
        {"Sort", nullptr, [this] { Ws->sgLibMouseDown(TMouseButton::Left, {}, 1, 0); }},
        {"Delete", nullptr,
         [this] {
             ClickRow(2);
             Ws->sgLibKeyDown(TKey::Delete, {}, 2);
         }},
        {"Delete Duplicates", nullptr,
         [this] {
             Dialogs.ExpectMessage(TMessageKind::Confirmation, TWorkspace::DuplicatesQuestion(1),
                                   TAnswer::Ok);
             Ws->bbDeDupClick();
         }},
        {"Mix", nullptr,
         [this] {
             ClickRow(1);
             ClickRow(3, ShiftKey());
             Ws->bbMixPatchesClick();
         }},
        {"Morph", nullptr,
         [this] {
             ClickRow(1);
             ClickRow(2, ShiftKey());
             Ws->bbMorphPatchesClick();
         }},
        {"Add to Library", nullptr, [this] { Ws->bbUserToLibClick(); }},
        {"Edit", nullptr, [this] { EditCell(2, 1, "Edt:Named"); }},
        {"Edit", nullptr, [this] { EditCell(3, 3, "A new note"); }},
        {"Load Bank", [this] { WriteBytes(Dir.File("Other.syx"), MakeDumps(Sizes, 128, 77)); },
         [this] {
             Dialogs.ExpectOpen("Load Patch Bank File", Dir.File("Other.syx"));
             Ws->bbLoadBankClick();
         }},
        {"Load Library",
         [this] {
             Dialogs.ExpectSave("Save Patch Library File", Dir.File("Other.lib"));
             Ws->bbSaveLibClick();
             Lib().Remove(0);
             Lib().Patch(0).SetNote(2, "changed");
         },
         [this] {
             Dialogs.ExpectOpen("Load Patch Library File", Dir.File("Other.lib"));
             Ws->bbLoadLibClick();
         }},
        {"New Library", nullptr, [this] { Ws->pcPatchChange(1); }},
        {"Fetch Bank", nullptr,
         [this] {
             Ws->bbGetBankClick();
             ASSERT_TRUE(PumpUntil([&] { return !Ws->Status().TransferRunning; },
                                   std::chrono::seconds(60)));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        SetUpWork();
        if (c.Prepare) {
            c.Prepare();
            Ws->ClearUndoHistory();
        }
        const TContents before = Contents();
        c.Command();
        ASSERT_TRUE(Dialogs.ScriptDone());
        const TContents after = Contents();
        ASSERT_NE(after, before) << "the command changed nothing";
        EXPECT_EQ(Ws->Status().UndoText, c.Label);
        EXPECT_EQ(View.UndoText, c.Label);
        EXPECT_EQ(Ws->Status().RedoText, "");

        Ws->Undo();
        EXPECT_TRUE(Contents() == before) << "undo restores every patch and the order";
        EXPECT_EQ(Ws->Status().UndoText, "");
        EXPECT_EQ(Ws->Status().RedoText, c.Label);
        EXPECT_EQ(View.RedoText, c.Label);
        if (before.back() != after.back()) {
            EXPECT_EQ(LibMarks(), 0) << "restored patches are unmarked";
        }

        Ws->Redo();
        EXPECT_TRUE(Contents() == after) << "redo restores the command's result";
        EXPECT_EQ(Ws->Status().UndoText, c.Label);
        EXPECT_EQ(Ws->Status().RedoText, "");
        Ws.reset();
    }
}

TEST_F(UndoTest, TheModifiedMarksFollowTheSavedState) {
    SetUpWork();
    // A bank: change, save, change; undoing back to the save clears the mark.
    Paste(5, 9);
    EXPECT_TRUE(Dirty(UserMark + 1));
    Dialogs.ExpectSave("Save Patch Bank File", Dir.File("Saved.syx"));
    Ws->bbSaveBankClick();
    ASSERT_TRUE(Dialogs.ScriptDone());
    EXPECT_FALSE(Dirty(UserMark + 1));
    EXPECT_EQ(Ws->Status().UndoText, "Paste") << "saving records no step";
    Paste(6, 10);
    EXPECT_TRUE(Dirty(UserMark + 1));
    const struct {
        bool Back;
        bool Dirty;
    } bankSteps[] = {{true, false}, {true, true}, {false, false}, {false, true}};
    for (const auto& step : bankSteps) {
        SCOPED_TRACE(step.Back ? "undo" : "redo");
        View.Tabs.clear();
        step.Back ? Ws->Undo() : Ws->Redo();
        EXPECT_EQ(Dirty(UserMark + 1), step.Dirty);
        EXPECT_EQ(View.Tabs[1], step.Dirty ? "*User 1" : "User 1");
    }

    // The library: its mark and the "*" of its caption.
    ClickRow(2);
    Ws->sgLibKeyDown(TKey::Delete, {}, 2);
    Dialogs.ExpectSave("Save Patch Library File", Dir.File("Saved.lib"));
    Ws->bbSaveLibClick();
    ASSERT_TRUE(Dialogs.ScriptDone());
    EXPECT_FALSE(Dirty(LibMark));
    ClickRow(2);
    Ws->sgLibKeyDown(TKey::Delete, {}, 2);
    EXPECT_TRUE(Dirty(LibMark));
    Ws->Undo();
    EXPECT_FALSE(Dirty(LibMark));
    EXPECT_EQ(Lib().Caption(), "Saved : 6");
    Ws->Undo();
    EXPECT_TRUE(Dirty(LibMark));
    EXPECT_EQ(Lib().Caption(), "*Saved : 7");
    EXPECT_TRUE(Dirty(UserMark + 1)) << "a step leaves the marks of what it did not change";
}

TEST_F(UndoTest, UndoAndRedoOfALoadTakeTheFileNameAlong) {
    const std::string first = Dir.File("First.lib");
    const std::string second = Dir.File("Second.lib");
    const std::string bank = Dir.File("Bank.syx");
    const std::string other = Dir.File("Other.syx");
    // The library as First.lib holds it, and Second.lib with one patch more.
    const auto saveLibraries = [&] {
        std::filesystem::remove(first);
        std::filesystem::remove(second);
        Dialogs.ExpectSave("Save Patch Library File", second);
        Ws->bbSaveLibClick();
        Lib().Remove(0);
        Dialogs.ExpectSave("Save Patch Library File", first);
        Ws->bbSaveLibClick();
    };
    const auto libName = [&] { return Lib().FileName(); };
    const auto libCaption = [&] { return Lib().Caption(); };
    const auto libSetting = [&] { return Ini("Proteus 2000_0", "PatchLib"); };
    const auto saveLib = [&] { Ws->bbSaveLibClick(); };
    const auto bankName = [&] { return Bank(1).FileName(); };
    const auto bankTab = [&] { return View.Tabs[1]; };
    const auto romName = [&] { return Bank(Rom).FileName(); };
    const auto romLabel = [&] { return View.RomFile; };
    const struct {
        const char* Label;
        std::function<void()> Prepare;
        std::function<void()> Command;
        std::function<std::string()> FileName;
        std::string Before, After;
        /// What else names the file or shows whether it is saved: the library's caption and
        /// setting, a bank's tab, the ROM bank's label.
        std::vector<std::function<std::string()>> Shown;
        std::vector<std::string> ShownBefore, ShownAfter;
        const char* SaveTitle;
        std::function<void()> Save;
    } cases[] = {
        {"Load Library",
         saveLibraries,
         [&] {
             Dialogs.ExpectOpen("Load Patch Library File", second);
             Ws->bbLoadLibClick();
         },
         libName,
         first,
         second,
         {libCaption, libSetting},
         {"First : 6", first},
         {"Second : 7", second},
         "Save Patch Library File",
         saveLib},
        {"New Library",
         saveLibraries,
         [&] { Ws->pcPatchChange(1); },
         libName,
         first,
         "",
         {libCaption, libSetting},
         {"First : 6", first},
         {" : 1", first},
         "Save Patch Library File",
         saveLib},
        {"Load Bank",
         [&] { WriteBytes(other, MakeDumps(Sizes, 128, 77)); },
         [&] {
             Dialogs.ExpectOpen("Load Patch Bank File", other);
             Ws->bbLoadBankClick();
         },
         bankName,
         bank,
         other,
         {bankTab},
         {"User 1"},
         {"User 1"},
         "Save Patch Bank File",
         [&] { Ws->bbSaveBankClick(); }},
        {"Load Bank",
         [&] { WriteBytes(other, MakeDumps(Sizes, 128, 77)); },
         [&] {
             Dialogs.ExpectOpen("Load Patch Bank File", other);
             Ws->bbROMLoadBankClick();
         },
         romName,
         bank,
         other,
         {romLabel},
         {"Bank.syx"},
         {"Other.syx"},
         "Save Patch Bank File",
         [&] { Ws->bbROMSaveBankClick(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Label) + " of " + c.After);
        SetUpWork();
        c.Prepare();
        Ws->ClearUndoHistory();
        View.Tabs[1] = "User 1";
        c.Command();
        ASSERT_TRUE(Dialogs.ScriptDone());
        ASSERT_EQ(c.FileName(), c.After);
        const struct {
            bool Back;
            const std::string& Name;
            const std::vector<std::string>& Shown;
        } steps[] = {{true, c.Before, c.ShownBefore},
                     {false, c.After, c.ShownAfter},
                     {true, c.Before, c.ShownBefore}};
        for (const auto& step : steps) {
            SCOPED_TRACE(step.Back ? "undo" : "redo");
            step.Back ? Ws->Undo() : Ws->Redo();
            EXPECT_EQ(c.FileName(), step.Name);
            for (size_t i = 0; i < c.Shown.size(); ++i) {
                EXPECT_EQ(c.Shown[i](), step.Shown[i]);
            }
        }
        // Back before the load, the contents are those of the file named: saving there is
        // proposed, and the file just loaded is not.
        Dialogs.ExpectSave(c.SaveTitle, "");
        c.Save();
        ASSERT_TRUE(Dialogs.ScriptDone());
        EXPECT_EQ(Dialogs.Shown().back().FileName, c.Before);
        Ws.reset();
    }
}

TEST_F(UndoTest, ACommandThatChangedNothingRecordsNoStep) {
    SetUpWork();
    const struct {
        const char* Name;
        std::function<void()> Command;
    } cases[] = {
        {"a cancelled bank load",
         [&] {
             Dialogs.ExpectOpen("Load Patch Bank File", "");
             Ws->bbLoadBankClick();
         }},
        {"a cancelled library load",
         [&] {
             Dialogs.ExpectOpen("Load Patch Library File", "");
             Ws->bbLoadLibClick();
         }},
        {"a swap of one patch",
         [&] {
             MarkSlots(1, {3});
             Ws->vleUserMouseDown(1, TMouseButton::Right, {}, 3);
             Dialogs.ExpectMessage(TMessageKind::Error,
                                   "Can only Swap 2 selected patches in the same bank !");
             Ws->pmBankSwapClick();
         }},
        {"a copy", [&] { Ws->vleUserKeyDown(1, TKey::C, CtrlKey(), 4); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        c.Command();
        ASSERT_TRUE(Dialogs.ScriptDone());
        EXPECT_EQ(Ws->Status().UndoText, "");
        EXPECT_EQ(View.UndoText, "");
    }
}

TEST_F(UndoTest, TheKeysUndoAndRedoInBothViews) {
    SetUpWork();
    const TContents before = Contents();
    Paste(5, 9);
    const TContents after = Contents();
    // Ctrl+Z undoes; Ctrl+Shift+Z and Ctrl+Y redo, in a bank view and in the library grid.
    const struct {
        bool Grid;
        int Key;
        TShiftState Shift;
        bool Undone;
    } cases[] = {
        {false, TKey::Z, CtrlKey(), true}, {false, TKey::Z, {.Shift = true, .Ctrl = true}, false},
        {true, TKey::Z, CtrlKey(), true},  {true, TKey::Y, CtrlKey(), false},
        {false, TKey::Z, CtrlKey(), true}, {false, TKey::Y, CtrlKey(), false},
        {true, TKey::Z, CtrlKey(), true},  {true, TKey::Z, {.Shift = true, .Ctrl = true}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Key) + (c.Grid ? " in the grid" : " in a view"));
        const bool command =
            c.Grid ? Ws->sgLibKeyDown(c.Key, c.Shift, 1) : Ws->vleUserKeyDown(1, c.Key, c.Shift, 1);
        EXPECT_TRUE(command);
        EXPECT_TRUE(Contents() == (c.Undone ? before : after));
    }
    EXPECT_TRUE(Dialogs.ScriptDone());
}

TEST_F(UndoTest, UndoHidesTheEditorsWhoseTextMeantAnotherPatch) {
    SetUpWork();
    Paste(5, 9);
    MarkSlots(1, {9});
    Ws->vleUserMouseDown(1, TMouseButton::Right, {}, 9);
    Ws->pmBankEditClick();
    ASSERT_TRUE(View.RenameShowing);
    Ws->Undo();
    EXPECT_FALSE(View.RenameShowing);
    EXPECT_FALSE(Ws->Status().RenameBoxShowing);
    // Enter in the hidden box renames nothing.
    Ws->eUserEditKeyUp("Xxx:Late", TKey::Enter);
    EXPECT_NE(Bank(1).Slot(9).Name().substr(0, 8), "Xxx:Late");

    ClickRow(2);
    Ws->sgLibMouseDown(TMouseButton::Right, {}, 1, 2);
    Ws->pmLibEditClick();
    ASSERT_TRUE(Ws->Status().GridEditorShowing);
    Ws->Redo();
    EXPECT_FALSE(Ws->Status().GridEditorShowing);
}

TEST_F(UndoTest, IdentificationClearsTheHistory) {
    SetUpWork();
    Paste(5, 9);
    Paste(6, 10);
    Ws->Undo();
    ASSERT_EQ(Ws->Status().RedoText, "Paste");
    Ws->ReloadWorkspace();
    EXPECT_EQ(Ws->Status().UndoText, "");
    EXPECT_EQ(Ws->Status().RedoText, "");
    EXPECT_EQ(View.UndoText, "");
    EXPECT_EQ(View.RedoText, "");
    const TContents reloaded = Contents();
    Ws->Undo();
    Ws->Redo();
    EXPECT_TRUE(Contents() == reloaded);
}

TEST_F(UndoTest, UndoAndRedoWaitForATransfer) {
    SetUpWork();
    Paste(5, 9);
    const TContents pasted = Contents();
    ASSERT_TRUE(Ws->pcUserBankChange(2));
    Ws->bbGetBankClick();
    ASSERT_TRUE(Ws->Status().TransferRunning);
    Dialogs.ExpectMessage(TMessageKind::Warning, TWorkspace::UndoDuringTransfer);
    Ws->Undo();
    ASSERT_TRUE(Dialogs.ScriptDone());
    EXPECT_TRUE(Contents()[1] == pasted[1]) << "bank 1 keeps the paste";
    Ws->bbCancelGetClick();
    ASSERT_TRUE(PumpUntil([&] { return !Probe().ExpectDump() && !Probe().BankTimer().isActive(); },
                          std::chrono::seconds(10)));
}

TEST_F(UndoTest, AStepDuringAFetchLeavesTheFetchedBankToTheFetch) {
    SetUpWork();
    const TContents before = Contents();
    Ws->bbGetBankClick(); // fills bank 1, slot by slot
    ASSERT_TRUE(PumpUntil([&] { return Bank(1).XferPos() > 3; }, std::chrono::seconds(30)));
    // A rename in the ROM view while the fetch runs.
    MarkSlots(Rom, {4});
    Ws->vleUserMouseDown(Rom, TMouseButton::Right, {}, 4);
    Ws->pmBankEditClick();
    Ws->eUserEditKeyUp("Rom:Renamed", TKey::Enter);
    ASSERT_TRUE(PumpUntil([&] { return !Ws->Status().TransferRunning; }, std::chrono::seconds(60)));
    const TContents fetched = Contents();
    EXPECT_EQ(Ws->Status().UndoText, "Fetch Bank");
    Ws->Undo();
    EXPECT_TRUE(Contents()[1] == before[1]) << "the whole fetch is one step";
    EXPECT_TRUE(Contents()[4] == fetched[4]) << "the rename stays";
    EXPECT_EQ(Ws->Status().UndoText, "Rename");
    Ws->Undo();
    EXPECT_TRUE(Contents() == before);
}

TEST_F(UndoTest, TheHistoryKeepsItsLimitOfSteps) {
    SetUpWork();
    const int limit = Ws->UndoLimit();
    ASSERT_EQ(limit, 100);
    std::vector<TContents> states;
    for (int i = 0; i < limit + 5; ++i) {
        states.push_back(Contents());
        MarkSlots(1, {i % 100});
        Ws->vleUserMouseDown(1, TMouseButton::Right, {}, i % 100);
        Ws->pmBankEditClick();
        Ws->eUserEditKeyUp("Stp:" + std::to_string(i), TKey::Enter);
    }
    int undone = 0;
    while (!Ws->Status().UndoText.empty()) {
        Ws->Undo();
        ++undone;
    }
    EXPECT_EQ(undone, limit);
    EXPECT_TRUE(Contents() == states[5]) << "the oldest steps are forgotten, not mixed up";
}
