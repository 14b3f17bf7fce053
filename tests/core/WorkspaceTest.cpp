// The workspace's life: its records, the option groups, the reload after identification,
// the end-of-run backups and the close question.
#include "Workspace.h"

#include "BuiltInBlank.h"
#include "ByteStream.h"
#include "DumpBuilder.h"
#include "EndBanks.h"
#include "PatchMessages.h"
#include "RecordingView.h"
#include "SafeFile.h"
#include "SynthTexts.h"
#include "TempDir.h"
#include "TestApp.h"
#include "WorkspaceProbe.h"
#include "WorkspaceView.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>

using namespace velcora;
using namespace velcora::test;

namespace {

constexpr uint8_t ProteusMember = 3;
constexpr uint8_t UnknownMember = 1;

/// The synth's answer to the Device Inquiry: its device id and its model's member code.
std::vector<uint8_t> IdentityReply(uint8_t deviceId, uint8_t member) {
    return {0xF0,   0x7E, deviceId, 0x06, 0x02, 0x18, 0x04, 0x04,
            member, 0x00, '1',      '.',  '0',  '4',  0xF7};
}

class WorkspaceTest : public ::testing::Test {
protected:
    WorkspaceTest() {
        EnsureApp();
        TDumpSpec blank;
        blank.Name = "Bla:Shipped";
        WriteBytes(Start.File("Default Composer.syx"), MakeDump(Sizes, blank));
    }
    std::unique_ptr<TWorkspace> Make() {
        return std::make_unique<TWorkspace>(Dialogs, View, Ini(), Start.Path(), Docs.Path());
    }
    std::string Ini() const { return Start.File("Velcora.INI"); }
    // "Look for Synth" answered by a synth with device id 16 (a Proteus 2000 unless said).
    static void Identify(TWorkspace& ws, uint8_t member = ProteusMember) {
        ws.bCheckIdClick();
        ws.ReceiveSysex(IdentityReply(16, member));
        ASSERT_TRUE(ws.Status().SynthFound);
    }

    const TDumpSizes Sizes = TDumpSizes::ForModelClass(TModelClass::Proteus);
    TTempDir Start;
    TTempDir Docs;
    TScriptedDialogs Dialogs;
    TRecordingView View;
};

} // namespace

TEST_F(WorkspaceTest, CreationBuildsEmptyRecords) {
    auto ws = Make();
    EXPECT_EQ(ws->UserBank(2).DisplayName(), "User 2");
    EXPECT_EQ(ws->RomBank().BankNumber(), 99);
    EXPECT_EQ(ws->Clipboard().BankNumber(), 100);
    EXPECT_EQ(ws->UserBank(0).Slot(0).Name(), TPatchRec::PlaceholderName);
    EXPECT_FALSE(ws->Context().Creating);
    EXPECT_EQ(TWorkspaceProbe(*ws).BankLabel(), "User Bank 0");
    EXPECT_EQ(ws->Status().SynthOutput.Device, -1);
    EXPECT_EQ(View.RomFile, "");
    EXPECT_EQ(ws->Dirty(), TDirtyFlags{});
}

TEST_F(WorkspaceTest, OptionGroupsFollowTheSettingsFile) {
    {
        auto ws = Make();
        EXPECT_EQ(ws->Options().FromTo, 0) << "no General section: item 0 everywhere";
        ws->ChooseOption(TOptionGroups::TGroup::DeleteMode, 1);
        ws->ChooseOption(TOptionGroups::TGroup::LoadSave, 1);
    }
    TIniFile ini(Ini());
    EXPECT_EQ(ini.ReadString("General", "DeleteMode", ""), "Pullup");
    ini.WriteString("General", "FromTo", "bank"); // not the first item's word exactly
    auto again = Make();
    EXPECT_EQ(again->Options().DeleteMode, 1);
    EXPECT_EQ(again->Options().LoadSave, 1);
    EXPECT_EQ(again->Options().FromTo, 1);
    EXPECT_EQ(again->Options().InsertMode, 0);
}

TEST_F(WorkspaceTest, ReloadAfterIdentificationTakesTheRememberedFiles) {
    const std::string bankFile = Docs.File("b1.syx");
    WriteBytes(bankFile, MakeDumps(Sizes, 128));
    const std::string libFile = Docs.File("mine.lib");
    WriteBytes(libFile, LibraryBytes(1, {{{"n", "", ""}, MakeDump(Sizes)}}));
    TIniFile ini(Ini());
    ini.WriteString("Proteus 2000_16", "UserBank1", bankFile);
    ini.WriteString("Proteus 2000_16", "PatchLib", libFile);
    ini.WriteString("Proteus 2000_16", "PatchFile", "/old/place/My.syx");

    auto ws = Make();
    Identify(*ws);
    EXPECT_EQ(ws->BlankPatch().Name(), "Bla:Shipped     ");
    EXPECT_EQ(ws->UserBank(0).Slot(5).Name(), "Bla:Shipped     ");
    EXPECT_EQ(ws->UserBank(1).Slot(5).Name(), "Tst:Patch 005   ");
    EXPECT_EQ(ws->RomBank().Slot(5).Name(), "Bla:Shipped     ");
    EXPECT_EQ(ws->Library().Count(), 1);
    EXPECT_EQ(ws->Library().Patch(0).Note(0), "n");
    EXPECT_EQ(ws->Synth().FileNames[1], bankFile);
    EXPECT_EQ(ws->Synth().FileNames[0], "NoBank.syx");
    EXPECT_EQ(ws->Synth().FileNames[TSynth::RomBankFile], "NoBank.syx");
    EXPECT_EQ(ws->Synth().FileNames[TSynth::PatchLibFile], libFile);
    // The name's own folders go; the synth's Patches work folder takes their place.
    EXPECT_EQ(ws->Synth().FileNames[TSynth::EditFile],
              Docs.Path() + "/Velcora/Proteus/Patches/My.syx");
    EXPECT_EQ(ws->EditPatch().Name(), "Bla:Shipped     ");
    EXPECT_EQ(View.EditCategory, "Bla");
    EXPECT_EQ(View.EditName, "Shipped     ");
    EXPECT_EQ(View.UserTab, 0);
    EXPECT_EQ(ws->Context().BanksDir, Docs.Path() + "/Velcora/Proteus/Banks/");
}

TEST_F(WorkspaceTest, EndBanksLoadQuietlyAndOnlyWhenTheySuit) {
    auto ws = Make();
    Identify(*ws);
    ws->MarkDirty(ws->UserBank(2));
    EXPECT_EQ(View.Tabs[2], "*User 2");
    const std::string backup = Docs.File("EndBanks1.syx");
    WriteBytes(backup, MakeDumps(TDumpSizes::ForModelClass(TModelClass::Audity), 512));
    EXPECT_FALSE(ws->LoadEndBanks(backup));
    EXPECT_EQ(ws->UserBank(3).Slot(0).Name(), "Bla:Shipped     ");
    EXPECT_TRUE(ws->Dirty()[4]);

    WriteBytes(backup, MakeDumps(Sizes, 512));
    ASSERT_TRUE(ws->pcUserBankChange(1));
    EXPECT_TRUE(ws->LoadEndBanks(backup));
    EXPECT_EQ(ws->UserBank(3).Slot(0).Name(), "Tst:Patch 384   ");
    EXPECT_EQ(ws->UserBank(3).Slot(0).Dump().Slot(0)[8], 3);
    EXPECT_EQ(ws->Status().CurUserBank, 1);
    EXPECT_EQ(View.Tabs[2], "User 2");
    EXPECT_FALSE(ws->Dirty()[4]);
}

TEST_F(WorkspaceTest, ANewLibraryIsNoUnsavedWorkUntilItChanges) {
    const struct {
        const char* What;
        std::function<void(TWorkspace&)> Do;
        bool Unsaved;
    } cases[] = {
        {"the library of every start", [](TWorkspace&) {}, false},
        {"a new library after changes",
         [](TWorkspace& ws) {
             ws.bbEditToLibClick();
             ws.pcPatchChange(1);
         },
         false},
        {"a patch added to a new library",
         [](TWorkspace& ws) {
             ws.pcPatchChange(1);
             ws.bbEditToLibClick();
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        auto ws = Make();
        Identify(*ws);
        c.Do(*ws);
        EXPECT_EQ(ws->Dirty()[0], c.Unsaved);
        EXPECT_EQ(ws->Library().Caption().substr(0, 1) == "*", c.Unsaved);
        Dialogs.ExpectMessage(
            TMessageKind::Confirmation,
            "Are you sure you want to close the program?\n\n" +
                std::string(c.Unsaved ? "These files need saving :\nLibrary " : ""),
            TAnswer::No);
        EXPECT_FALSE(ws->FormClose());
        EXPECT_TRUE(Dialogs.ScriptDone());
    }
}

TEST_F(WorkspaceTest, NoSaveWritesTheBlankInPlaceOfAPatchOfAnotherPresetSize) {
    // A patch held from a synth of other sizes: a paste across models, or a library
    // imported for the model class before the synth's own sizes were measured.
    const TDumpSizes other = TDumpSizes::ForModelClass(TModelClass::CommandStation);
    ASSERT_NE(other, Sizes);
    const auto held = [&](TPatchRec& rec, const TPatchData& dump) {
        dump.CopyTo(rec.Dump());
        rec.ReadName();
    };
    const auto otherPatch = [&](TPatchRec& rec) {
        TDumpSpec made;
        made.Name = "Odd:Sized";
        const auto bytes = MakeDump(other, made);
        TByteReader in(bytes);
        TPatchData dump;
        ASSERT_EQ(dump.ReadPackets(in, other), TReadResult::Ok);
        held(rec, dump);
    };
    const std::string saved = Docs.File("Saved.syx");
    const struct {
        const char* What;
        std::function<void(TWorkspace&)> Save;
        std::string Entry; ///< the patch the refusal names
    } cases[] = {
        {"a bank",
         [&](TWorkspace& ws) {
             otherPatch(ws.UserBank(0).Slot(5));
             ws.bbSaveBankClick();
         },
         "User 0 slot 5: Odd:Sized"},
        {"the ROM bank",
         [&](TWorkspace& ws) {
             otherPatch(ws.RomBank().Slot(127));
             ws.bbROMSaveBankClick();
         },
         "ROM slot 127: Odd:Sized"},
        {"all banks",
         [&](TWorkspace& ws) {
             otherPatch(ws.UserBank(3).Slot(0));
             ws.bbSaveAllClick();
         },
         "User 3 slot 0: Odd:Sized"},
        {"the library",
         [&](TWorkspace& ws) {
             TPatchRec rec;
             otherPatch(rec);
             ws.Library().Add(rec);
             ws.bbSaveLibClick();
         },
         "Library patch 2: Odd:Sized"},
        {"the edit buffer",
         [&](TWorkspace& ws) {
             otherPatch(ws.EditPatch());
             ws.bbSaveEditBufClick("Odd", "Sized");
         },
         "Odd:Sized"},
        {"the backup at the end of the run",
         [&](TWorkspace& ws) {
             otherPatch(ws.UserBank(2).Slot(9));
             Dialogs.ExpectMessage(TMessageKind::Confirmation,
                                   "Are you sure you want to close the program?\n\n", TAnswer::Yes);
             Dialogs.ExpectMessage(TMessageKind::Error,
                                   msg::PatchesDoNotFit({"User 2 slot 9: Odd:Sized"}));
             EXPECT_TRUE(ws.FormClose()) << "the program still ends";
             EXPECT_FALSE(FileExists(EndBanksFile(ws.Folders().EndBanksBase, 1)));
         },
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        auto ws = Make();
        Identify(*ws);
        if (!c.Entry.empty()) {
            Dialogs.ExpectMessage(TMessageKind::Error, msg::PatchesDoNotFit({c.Entry}));
        }
        c.Save(*ws);
        EXPECT_TRUE(Dialogs.ScriptDone()) << "refused before any file dialog";
        EXPECT_FALSE(FileExists(saved));
    }

    // A blank of the sizes held before the synth's were measured is no one's patch: it is
    // saved as the blank of the present sizes.
    auto ws = Make();
    Identify(*ws);
    held(ws->UserBank(0).Slot(7), BuiltInBlankDump(other));
    Dialogs.ExpectSave("Save Patch Bank File", saved);
    ws->bbSaveBankClick();
    EXPECT_TRUE(Dialogs.ScriptDone());
    EXPECT_EQ(ReadBytes(saved).size(), 128u * static_cast<size_t>(Sizes.TotalSize()));
}

TEST_F(WorkspaceTest, ClosingAsksAndKeepsTenBackups) {
    auto ws = Make();
    Identify(*ws);
    ws->MarkDirty(ws->RomBank());
    ws->MarkDirty(ws->UserBank(0));
    EXPECT_EQ(View.Tabs[TWorkspace::RomTab], "*ROM");
    const std::string prompt = "Are you sure you want to close the program?\n\n"
                               "These files need saving :\nROM Bank \nUser Bank 0 ";

    Dialogs.ExpectMessage(TMessageKind::Confirmation, prompt, TAnswer::No);
    EXPECT_FALSE(ws->FormClose());
    const std::string base = ws->Folders().EndBanksBase;
    EXPECT_FALSE(FileExists(EndBanksFile(base, 1)));

    for (int n : {1, 2, 4}) {
        WriteBytes(EndBanksFile(base, n), {static_cast<uint8_t>(n)});
    }
    Dialogs.ExpectMessage(TMessageKind::Confirmation, prompt, TAnswer::Yes);
    EXPECT_TRUE(ws->FormClose());
    EXPECT_EQ(ReadBytes(EndBanksFile(base, 2)), std::vector<uint8_t>{1});
    EXPECT_EQ(ReadBytes(EndBanksFile(base, 3)), std::vector<uint8_t>{2});
    EXPECT_EQ(ReadBytes(EndBanksFile(base, 5)), std::vector<uint8_t>{4});
    EXPECT_FALSE(FileExists(EndBanksFile(base, 4)));
    EXPECT_EQ(ReadBytes(EndBanksFile(base, 1)).size(), 512u * 1607u);
    EXPECT_FALSE(ws->Dirty()[2]) << "the user banks are saved in the backup";
    EXPECT_TRUE(ws->Dirty()[1]) << "the ROM bank is not";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(ws->Folders().BackupDir),
                            std::filesystem::directory_iterator{}),
              4)
        << "nothing but the backups is left in their folder";
}

TEST_F(WorkspaceTest, AFailedBackupKeepsEveryGenerationItHad) {
    struct Case {
        const char* What;
        std::optional<size_t> FailWritesAfter;
        int DirectoryAt;          // a folder sitting at this generation's name, or 0
        std::map<int, int> After; // generation -> the generation its content came from
        std::string Reason;       // after the path in the error box
    };
    const auto gen = [](int n) { return "EndBanks" + std::to_string(n) + ".syx"; };
    const std::map<int, int> untouched = {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5},
                                          {6, 6}, {7, 7}, {8, 8}, {9, 9}, {10, 10}};
    const Case cases[] = {
        {"the disk fills up", 1000, 0, untouched, "No space left on device"},
        // 10 is dropped and 9, 8, 7 move up before 5 meets the folder at 6; 1 stays the old
        // newest backup, since putting the new one there would destroy the only copy of it.
        {"a generation cannot move",
         std::nullopt,
         6,
         {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {8, 7}, {9, 8}, {10, 9}},
         "Can't rename " + gen(5) + " to " + gen(6) + ": Is a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TTempDir docs;
        TScriptedDialogs dialogs;
        TWorkspace ws(dialogs, View, Ini(), Start.Path(), docs.Path());
        Identify(ws);
        ws.MarkDirty(ws.UserBank(1));
        const std::string base = ws.Folders().EndBanksBase;
        for (int n = 1; n <= 10; ++n) {
            if (n != c.DirectoryAt) {
                WriteBytes(EndBanksFile(base, n), {static_cast<uint8_t>(n)});
            }
        }
        if (c.DirectoryAt != 0) {
            std::filesystem::create_directory(EndBanksFile(base, c.DirectoryAt));
        }
        const std::string newest = EndBanksFile(base, 1);
        dialogs.ExpectMessage(TMessageKind::Confirmation,
                              "Are you sure you want to close the program?\n\n"
                              "These files need saving :\nUser Bank 1 ",
                              TAnswer::Yes);
        dialogs.ExpectMessage(TMessageKind::Error, "Can't save the file\n" + newest + "\n\n" +
                                                       c.Reason + "\nThe old file is unchanged.");
        test_hooks::FailWritesAfter(c.FailWritesAfter);
        EXPECT_TRUE(ws.FormClose()) << "the program still ends";
        test_hooks::FailWritesAfter(std::nullopt);

        std::map<int, int> after;
        for (const auto& entry : std::filesystem::directory_iterator(ws.Folders().BackupDir)) {
            const std::string name = entry.path().filename().string();
            if (entry.is_directory()) {
                continue;
            }
            const auto bytes = ReadBytes(entry.path().string());
            ASSERT_EQ(bytes.size(), 1u) << name << ": no new or half-written file is left";
            after[std::stoi(name.substr(8))] = bytes[0];
        }
        EXPECT_EQ(after, c.After);
        EXPECT_TRUE(ws.Dirty()[3]) << "the banks were not saved anywhere";
    }
}

TEST_F(WorkspaceTest, AnUnknownModelsBackupOfBlanksIsRestored) {
    // Class 0 has no shipped default, so its blank patch is the built-in one.
    std::string base;
    {
        auto ws = Make();
        Dialogs.ExpectMessage(TMessageKind::Warning, BlankFileWarning);
        Identify(*ws, UnknownMember);
        const auto real = MakeDump(Sizes);
        TByteReader in(real);
        ASSERT_EQ(ws->UserBank(1).Slot(4).ReadDump(in, ws->Context()), TReadResult::Ok);
        ws->UserBank(0).Slot(0).SetSelected(true);
        ws->UserBank(0).DeleteSelected(TDeleteMode::PullUp);
        Dialogs.ExpectMessage(TMessageKind::Confirmation,
                              "Are you sure you want to close the program?\n\n", TAnswer::Yes);
        ASSERT_TRUE(ws->FormClose());
        base = ws->Folders().EndBanksBase;
    }
    auto ws = Make();
    Dialogs.ExpectMessage(TMessageKind::Warning, BlankFileWarning);
    Identify(*ws, UnknownMember);
    ASSERT_TRUE(ws->LoadEndBanks(EndBanksFile(base, 1)));
    EXPECT_EQ(ws->UserBank(1).Slot(4).Name(), "Pad:Warm Strings");
    EXPECT_EQ(ws->UserBank(0).Slot(127).Name(), "ini:Blank Preset");
}

TEST_F(WorkspaceTest, ClosingBeforeAnyIdentificationWritesNoBackup) {
    auto ws = Make();
    Dialogs.ExpectMessage(TMessageKind::Confirmation,
                          "Are you sure you want to close the program?\n\n", TAnswer::Yes);
    Dialogs.ExpectMessage(TMessageKind::Error, "Backup Directory not created!");
    EXPECT_TRUE(ws->FormClose());
    EXPECT_FALSE(FileExists("1.syx"));
    EXPECT_FALSE(FileExists("EndBanks1.syx"));
}

TEST_F(WorkspaceTest, ReceiveViewAndEditBufferName) {
    auto ws = Make();
    const TWorkspaceProbe probe(*ws);
    ws->SelectRxView(99);
    EXPECT_EQ(probe.BankLabel(), "ROM Bank");
    ws->SelectRxView(100);
    EXPECT_EQ(probe.BankLabel(), "ROM Bank");
    EXPECT_EQ(probe.RxView(), 99);
    ws->SelectRxView(3);
    EXPECT_EQ(probe.BankLabel(), "User Bank 3");
    ws->EditPatch().SetName("Pad:Warm Strings", ws->Context().Sizes);
    ws->ShowEditBufferName();
    EXPECT_EQ(View.EditCategory, "Pad");
    EXPECT_EQ(View.EditName, "Warm Strings");
    ws->MarkClean(ws->UserBank(2));
    EXPECT_EQ(View.Tabs[2], "User 2");
    ws->MarkDirty(ws->Clipboard()); // no tab: nothing happens
}
