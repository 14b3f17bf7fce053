// The bank panel as its window drives it: choosing a tab, the ROM tab's lists and method,
// and the commands that load and save banks, whose modified marks clear only when a file was
// really read or written.
#include "DumpBuilder.h"
#include "VirtualSynthWorkspace.h"

#include <functional>

using namespace velcora;
using namespace velcora::test;

namespace {

class BankPanelTest : public TVirtualSynthWorkspace {
protected:
    TPatchBank& RomBank() { return *Ws->BankOf(TPatchBank::RomBankNumber); }

    const TDumpSizes Sizes = TDumpSizes::ForModelClass(TModelClass::Proteus);
};

constexpr int RomMark = 1;  ///< index of the ROM bank's mark in the dirty flags
constexpr int UserMark = 2; ///< index of user bank 0's mark

} // namespace

TEST_F(BankPanelTest, ATabChoiceMovesTheCurrentBankAndTheFocus) {
    Make();
    const struct {
        int Tab;
        bool Taken;
        int CurUserBank;
        int ActionBank;
        int FocusView;
    } steps[] = {
        {2, true, 2, 2, 3},  {TWorkspace::RomTab, true, 2, 99, 5}, // the user bank stays
        {0, true, 0, 0, 1},  {3, true, 3, 3, 4},
        {5, false, 3, 3, 4}, {-1, false, 3, 3, 4},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.Tab);
        EXPECT_EQ(Ws->pcUserBankChange(s.Tab), s.Taken);
        const TWorkspaceStatus status = Ws->Status();
        EXPECT_EQ(status.Tab, s.Taken ? s.Tab : 3);
        EXPECT_EQ(status.CurUserBank, s.CurUserBank);
        EXPECT_EQ(status.ActionBank, s.ActionBank);
        EXPECT_EQ(status.FocusView, s.FocusView);
    }
    // A user tab applies its three option groups as clicks do, so their keys are written.
    EXPECT_EQ(Ini("General", "FromTo"), "Bank");
    EXPECT_EQ(Ini("General", "LoadSave"), "Bank");
    EXPECT_EQ(Ini("General", "UserToLib"), "Bank");
    EXPECT_EQ(Ini("General", "InsertMode"), "(absent)");
}

TEST_F(BankPanelTest, AnotherUserBankWaitsWhileAFetchFillsTheCurrentOne) {
    Connect();
    ASSERT_TRUE(Ws->pcUserBankChange(1));
    Ws->bbGetBankClick();
    ASSERT_TRUE(Ws->Status().TransferRunning);
    EXPECT_FALSE(Ws->pcUserBankChange(2));
    EXPECT_EQ(Ws->Status().CurUserBank, 1);
    EXPECT_EQ(Ws->Status().Tab, 1);
    EXPECT_TRUE(Ws->pcUserBankChange(TWorkspace::RomTab));
    EXPECT_TRUE(Ws->pcUserBankChange(1));
    Ws->bbCancelGetClick();
    EXPECT_TRUE(Ws->pcUserBankChange(2));

    // A send walks its own bank: the person may look at another meanwhile.
    Ws->bbSendBankClick();
    ASSERT_TRUE(Ws->Status().TransferRunning);
    EXPECT_TRUE(Ws->pcUserBankChange(3));
    Ws->bbCancelGetClick();
}

TEST_F(BankPanelTest, TheRomListsAndTheMethod) {
    Connect();
    ASSERT_FALSE(View.RomList.empty());
    const struct {
        int Bank;
        TLoadMethod Method;
    } banks[] = {{0, TLoadMethod::DirectRom},
                 {3, TLoadMethod::DirectRom},
                 {4, TLoadMethod::EditBuffer},
                 {5, TLoadMethod::EditBuffer},
                 {2, TLoadMethod::DirectRom}};
    for (const auto& b : banks) {
        Ws->cbROMBankListChange(b.Bank);
        EXPECT_EQ(Ws->Status().LoadMethod, b.Method) << b.Bank;
        EXPECT_EQ(View.LoadMethod, b.Method) << b.Bank;
        EXPECT_EQ(Ws->Status().RomBankListIndex, b.Bank);
    }
    Ws->rgLoadMethodClick(0);
    EXPECT_EQ(Ws->Status().LoadMethod, TLoadMethod::EditBuffer)
        << "the person may change the method afterwards";

    // The ROM bank list filled by a ROM choice selects its first entry without running the
    // bank choice, which would set the method back to "Direct ROM".
    Ws->cbROMListChange(0);
    EXPECT_EQ(Ws->Status().RomIndex, 0);
    EXPECT_EQ(Ws->Status().RomBankListIndex, 0);
    EXPECT_EQ(Ws->Status().LoadMethod, TLoadMethod::EditBuffer);
    EXPECT_EQ(View.RomBankSelected, 0);
    ASSERT_FALSE(View.RomBankList.empty());
    EXPECT_EQ(View.RomBankList.front(), "Bank 0");
}

TEST_F(BankPanelTest, FileCommandsClearTheMarkOnlyWhenAFileWasReadOrWritten) {
    Connect();
    ASSERT_TRUE(Ws->pcUserBankChange(1));
    WriteBytes(Dir.File("Bank.syx"), MakeDumps(Sizes, 128, 500));
    WriteBytes(Dir.File("All.syx"), MakeDumps(Sizes, 512, 900));
    WriteBytes(Dir.File("Empty.syx"), {});
    WriteBytes(Dir.File("Taken.syx"), {1, 2, 3});
    const std::string empty = "This file is empty.\n   Nothing was loaded.";
    const std::string loadBank = "Load Patch Bank File";
    const std::string saveBank = "Save Patch Bank File";
    const std::string loadAll = "Load All User Patch Bank Files";
    const std::string saveAll = "Save All User  Patch Bank File";

    using TCommand = void (TWorkspace::*)();
    const struct {
        const char* Name;
        TCommand Command;
        std::vector<int> Marks; ///< the dirty flags the command answers for
        std::function<void()> Script;
        bool Cleared;
    } cases[] = {
        {"Load Bank cancelled",
         &TWorkspace::bbLoadBankClick,
         {UserMark + 1},
         [&] { Dialogs.ExpectOpen(loadBank, ""); },
         false},
        {"Load Bank of an empty file",
         &TWorkspace::bbLoadBankClick,
         {UserMark + 1},
         [&] {
             Dialogs.ExpectOpen(loadBank, Dir.File("Empty.syx"));
             Dialogs.ExpectMessage(TMessageKind::Warning, empty);
         },
         false},
        {"Load Bank of a missing file",
         &TWorkspace::bbLoadBankClick,
         {UserMark + 1},
         [&] {
             Dialogs.ExpectOpen(loadBank, Dir.File("Gone.syx"));
             Dialogs.ExpectMessage(TMessageKind::Warning, "Can't open Bank Sysex file.");
         },
         false},
        {"Load Bank",
         &TWorkspace::bbLoadBankClick,
         {UserMark + 1},
         [&] { Dialogs.ExpectOpen(loadBank, Dir.File("Bank.syx")); },
         true},
        {"Save Bank cancelled",
         &TWorkspace::bbSaveBankClick,
         {UserMark + 1},
         [&] { Dialogs.ExpectSave(saveBank, ""); },
         false},
        {"Save Bank over a file, cancelled at the backup question",
         &TWorkspace::bbSaveBankClick,
         {UserMark + 1},
         [&] {
             Dialogs.ExpectSave(saveBank, Dir.File("Taken.syx"));
             Dialogs.ExpectMessage(TMessageKind::Confirmation,
                                   "   File exists !\n\nShall I make a backup? "
                                   "(*.BAK)\n\n(NO to overwrite)",
                                   TAnswer::Cancel);
         },
         false},
        {"Save Bank",
         &TWorkspace::bbSaveBankClick,
         {UserMark + 1},
         [&] { Dialogs.ExpectSave(saveBank, Dir.File("Saved.syx")); },
         true},
        {"ROM Load Bank cancelled",
         &TWorkspace::bbROMLoadBankClick,
         {RomMark},
         [&] { Dialogs.ExpectOpen(loadBank, ""); },
         false},
        {"ROM Load Bank",
         &TWorkspace::bbROMLoadBankClick,
         {RomMark},
         [&] { Dialogs.ExpectOpen(loadBank, Dir.File("Bank.syx")); },
         true},
        {"ROM Save Bank cancelled",
         &TWorkspace::bbROMSaveBankClick,
         {RomMark},
         [&] { Dialogs.ExpectSave(saveBank, ""); },
         false},
        {"ROM Save Bank",
         &TWorkspace::bbROMSaveBankClick,
         {RomMark},
         [&] { Dialogs.ExpectSave(saveBank, Dir.File("Rom.syx")); },
         true},
        {"Load All cancelled",
         &TWorkspace::bbLoadAllClick,
         {2, 3, 4, 5},
         [&] { Dialogs.ExpectOpen(loadAll, ""); },
         false},
        {"Load All of an empty file",
         &TWorkspace::bbLoadAllClick,
         {2, 3, 4, 5},
         [&] {
             Dialogs.ExpectOpen(loadAll, Dir.File("Empty.syx"));
             Dialogs.ExpectMessage(TMessageKind::Warning, empty);
         },
         false},
        {"Load All",
         &TWorkspace::bbLoadAllClick,
         {2, 3, 4, 5},
         [&] { Dialogs.ExpectOpen(loadAll, Dir.File("All.syx")); },
         true},
        {"Save All cancelled",
         &TWorkspace::bbSaveAllClick,
         {2, 3, 4, 5},
         [&] { Dialogs.ExpectSave(saveAll, ""); },
         false},
        {"Save All",
         &TWorkspace::bbSaveAllClick,
         {2, 3, 4, 5},
         [&] { Dialogs.ExpectSave(saveAll, Dir.File("SavedAll.syx")); },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        for (int n = 0; n < 4; ++n) {
            Ws->MarkDirty(Ws->UserBank(n));
        }
        Ws->MarkDirty(RomBank());
        c.Script();
        (Ws.get()->*c.Command)();
        ASSERT_TRUE(Dialogs.ScriptDone());
        const TDirtyFlags dirty = Ws->Status().Dirty;
        for (int mark = RomMark; mark <= UserMark + 3; ++mark) {
            const bool answers = std::find(c.Marks.begin(), c.Marks.end(), mark) != c.Marks.end();
            EXPECT_EQ(dirty[static_cast<size_t>(mark)], !(answers && c.Cleared)) << mark;
        }
    }
    EXPECT_EQ(RomBank().Slot(7).Name(), "Tst:Patch 007   ") << "ROM Load Bank";
    EXPECT_EQ(Ws->UserBank(3).Slot(1).Name(), "Tst:Patch 385   ") << "Load All";
    EXPECT_EQ(ReadBytes(Dir.File("Saved.syx")).size(), 128u * Sizes.TotalSize());
    EXPECT_EQ(ReadBytes(Dir.File("SavedAll.syx")).size(), 512u * Sizes.TotalSize());
}

TEST_F(BankPanelTest, TheRomLabelNamesTheFileOnlyWhenOneWasLoaded) {
    Connect();
    WriteBytes(Dir.File("Rom Bank.syx"), MakeDumps(Sizes, 128, 7));
    View.RomFile = "From synth";
    Dialogs.ExpectOpen("Load Patch Bank File", "");
    Ws->bbROMLoadBankClick();
    EXPECT_EQ(View.RomFile, "From synth");
    Dialogs.ExpectOpen("Load Patch Bank File", Dir.File("Rom Bank.syx"));
    Ws->bbROMLoadBankClick();
    EXPECT_EQ(View.RomFile, "Rom Bank.syx");
}
