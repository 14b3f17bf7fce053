// The bank: clipboard paste and delete with the hidden extension, swap, selection, and the
// bank and all-banks files.
#include "AllBanks.h"
#include "ByteStream.h"
#include "DumpBuilder.h"
#include "PatchMessages.h"
#include "Recorders.h"
#include "SafeFile.h"
#include "TempDir.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace velcora;
using namespace velcora::test;

namespace {

// Every slot holds a distinct patch, named by the slot it started in ("Slt:nnn").
class BankTest : public ::testing::Test {
protected:
    BankTest() {
        for (int i = 0; i < TPatchBank::HiddenEnd; ++i) {
            TDumpSpec made;
            made.Seed = 100 + static_cast<uint32_t>(i);
            made.Name = Label(i);
            W.Fill(Bank.Slot(i), made);
        }
        Bank.SetListener(&View);
    }

    static std::string Label(int i) {
        char name[32];
        std::snprintf(name, sizeof name, "Slt:%03d", i);
        return std::string(name) + std::string(9, ' ');
    }
    // Which original slot's patch slot i now holds ("" for the blank patch).
    std::string Origin(int i) {
        const std::string& n = Bank.Slot(i).Name();
        return n == W.Blank.Name() ? "blank" : n.substr(4, 3);
    }
    void Mark(std::initializer_list<int> slots) {
        for (int s : slots) {
            Bank.Slot(s).SetSelected(true);
        }
    }
    void ToClipboard(std::initializer_list<int> slots) {
        Mark(slots);
        Bank.CopySelection();
        Bank.DeselectAll();
    }
    std::vector<uint8_t> Snapshot() {
        std::vector<uint8_t> all;
        for (int i = 0; i < TPatchBank::TotalSlots - 1; ++i) {
            const auto b = Bank.Slot(i).Dump().Bytes();
            all.insert(all.end(), b.begin(), b.end());
            all.push_back(Bank.Slot(i).Selected());
        }
        return all;
    }

    TPatchWorld W;
    TPatchBank Bank{W.Ctx, 2, "User 2", true};
    TBankRecorder View;
};

std::string Num(int i) {
    char s[8];
    std::snprintf(s, sizeof s, "%03d", i);
    return s;
}

} // namespace

TEST_F(BankTest, CopyTakesTheMarkedSlotsInOrder) {
    Mark({40, 3, 7});
    Bank.CopySelection();
    ASSERT_EQ(W.Ctx.ClipCount, 3);
    EXPECT_EQ(W.Clip.Slot(0).Name(), Label(3));
    EXPECT_EQ(W.Clip.Slot(2).Name(), Label(40));
    EXPECT_TRUE(W.Clip.Slot(0).Selected());
}

TEST_F(BankTest, PushdownPasteAtSlot126) {
    ToClipboard({0, 1, 2});
    Mark({126});
    View.Rows.clear();
    Bank.Paste(TInsertMode::Pushdown);
    EXPECT_EQ(Origin(126), "000");
    EXPECT_EQ(Origin(127), "001");
    EXPECT_EQ(Origin(128), "002");
    EXPECT_EQ(Origin(129), "126");
    EXPECT_EQ(Origin(130), "127");
    EXPECT_EQ(Origin(255), "252") << "patches beyond slot 255 are lost";
    EXPECT_EQ(View.Rows, (std::set<int>{126, 127}));
}

TEST_F(BankTest, OverwritePasteFromTheFirstMarkedSlot) {
    ToClipboard({60, 61, 62, 63, 64});
    Mark({10, 40});
    Bank.Paste(TInsertMode::Overwrite);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Origin(10 + i), Num(60 + i));
        EXPECT_TRUE(Bank.Slot(10 + i).Selected());
    }
    EXPECT_EQ(Origin(15), "015");
    EXPECT_EQ(Origin(40), "040");
    EXPECT_FALSE(Bank.Slot(40).Selected());
}

TEST_F(BankTest, PasteWithoutMarkLandsInTheHiddenExtension) {
    ToClipboard({5, 6});
    View.Rows.clear();
    Bank.Paste(TInsertMode::Overwrite);
    EXPECT_EQ(Origin(128), "005");
    EXPECT_EQ(Origin(129), "006");
    EXPECT_TRUE(View.Rows.empty());
    for (int i = 0; i < 128; ++i) {
        EXPECT_EQ(Origin(i), Num(i));
    }
}

TEST_F(BankTest, PasteWithEmptyClipboardChangesNothing) {
    Mark({3});
    const auto before = Snapshot();
    Bank.Paste(TInsertMode::Pushdown);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(BankTest, PullUpDeleteOfSlot0BringsBackTheHiddenPatch) {
    Mark({0});
    Bank.DeleteSelected(TDeleteMode::PullUp);
    for (int i = 0; i < 127; ++i) {
        EXPECT_EQ(Origin(i), Num(i + 1));
    }
    EXPECT_EQ(Origin(127), "128");
    EXPECT_EQ(Origin(254), "255");
    EXPECT_EQ(Origin(255), "blank");
}

TEST_F(BankTest, PullUpDeleteOfSeveralSlots) {
    Mark({3, 4, 9});
    Bank.DeleteSelected(TDeleteMode::PullUp);
    EXPECT_EQ(Origin(2), "002");
    EXPECT_EQ(Origin(3), "005");
    EXPECT_EQ(Origin(6), "008");
    EXPECT_EQ(Origin(7), "010");
    EXPECT_EQ(Origin(252), "255");
    for (int i : {253, 254, 255}) {
        EXPECT_EQ(Origin(i), "blank");
    }
    for (int i = 0; i < TPatchBank::HiddenEnd; ++i) {
        EXPECT_FALSE(Bank.Slot(i).Selected()) << i;
    }
}

TEST_F(BankTest, PutBlankDeleteKeepsEveryOtherSlot) {
    Mark({3, 9});
    Bank.DeleteSelected(TDeleteMode::PutBlank);
    for (int i = 0; i < TPatchBank::HiddenEnd; ++i) {
        EXPECT_EQ(Origin(i), i == 3 || i == 9 ? "blank" : Num(i)) << i;
        EXPECT_FALSE(Bank.Slot(i).Selected());
    }
}

TEST_F(BankTest, AMarkedPatchRisingFromSlot128IsDeletedInTheSamePass) {
    ToClipboard({0, 1, 2});
    Mark({127});
    Bank.Paste(TInsertMode::Overwrite); // 127, 128 and 129 hold the marked copies
    Bank.DeleteSelected(TDeleteMode::PullUp);
    // The copy from 128 rises into 127 still marked and goes too; the one from 129 passed
    // through slot 128 on the first pull and lost its mark there.
    EXPECT_EQ(Origin(126), "126");
    EXPECT_EQ(Origin(127), "002");
    EXPECT_FALSE(Bank.Slot(127).Selected());
    EXPECT_EQ(Origin(128), "130");
}

TEST_F(BankTest, SwapExchangesTwoSlotsAndMarksEveryChecksum) {
    Mark({4, 90});
    Bank.SwapTwo();
    EXPECT_EQ(Origin(4), "090");
    EXPECT_EQ(Origin(90), "004");
    for (int i = 0; i < 128; ++i) {
        const auto p = Bank.Slot(i).Dump().Packet(3, W.Ctx.Sizes);
        EXPECT_EQ(p[p.size() - 2], 0x7F) << i;
    }
}

TEST_F(BankTest, SwapNeedsExactlyTwoMarkedSlots) {
    for (auto marks : {std::vector<int>{}, std::vector<int>{1}, std::vector<int>{1, 2, 3}}) {
        Bank.DeselectAll();
        for (int m : marks) {
            Bank.Slot(m).SetSelected(true);
        }
        const auto before = Snapshot();
        W.Dialogs.ExpectMessage(TMessageKind::Error, msg::SwapTwoInBank);
        Bank.SwapTwo();
        EXPECT_EQ(Snapshot(), before);
    }
}

TEST_F(BankTest, SelectionListAndCount) {
    Mark({9, 2});
    Bank.BuildSelection(true);
    EXPECT_EQ(Bank.Selection(), (std::vector<int>{2, 9}));
    Bank.BuildSelection(false);
    EXPECT_EQ(Bank.SelectionCount(), 128);
    Bank.SelectAll();
    EXPECT_EQ(Bank.SelectedCount(), 128);
    Bank.DeselectAll();
    EXPECT_EQ(Bank.CountSelected(), 0);
}

TEST_F(BankTest, SaveAddressesEverySlotToItself) {
    TTempDir dir;
    const std::string path = dir.File("b.syx");
    W.Ctx.DeviceId = 5;
    W.Dialogs.ExpectSave(msg::SaveBankTitle, path);
    ASSERT_TRUE(Bank.SaveFileDialog());
    EXPECT_EQ(Bank.FileName(), path);
    const auto bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 128u * 1607u);
    const size_t at17 = 17 * 1607;
    EXPECT_EQ(bytes[at17 + 7], 17);
    EXPECT_EQ(bytes[at17 + 8], 2);
    EXPECT_EQ(bytes[at17 + 3], 5);
    EXPECT_EQ(bytes[at17 + 33], 0);
}

TEST_F(BankTest, LoadFillsTheSlotsAndTheHiddenExtension) {
    TTempDir dir;
    const std::string path = dir.File("b.syx");
    WriteBytes(path, MakeDumps(W.Ctx.Sizes, 128, 5000));
    W.Ctx.CurUserBank = 2;
    W.Dialogs.ExpectOpen(msg::LoadBankTitle, path);
    ASSERT_TRUE(Bank.LoadFileDialog());
    EXPECT_EQ(Bank.FileName(), path);
    EXPECT_EQ(Bank.Slot(77).Name(), "Tst:Patch 077   ");
    EXPECT_EQ(Bank.Slot(77).Dump().Slot(0)[8], 2);
    for (int i = 128; i < 256; ++i) {
        EXPECT_EQ(Bank.Slot(i).Name(), "Tst:Patch 127   ") << i;
    }
    EXPECT_EQ(View.Rows.size(), 128u);
    const auto p = Bank.Slot(0).Dump().Packet(7, W.Ctx.Sizes);
    EXPECT_EQ(p[p.size() - 2], 0x7F) << "the view's refresh marks the checksums";
}

TEST_F(BankTest, AFileOfFewerWholeDumpsLoadsThoseSlots) {
    TTempDir dir;
    const std::string path = dir.File("b.syx");
    WriteBytes(path, MakeDumps(W.Ctx.Sizes, 64, 5000));
    W.Dialogs.ExpectOpen(msg::LoadBankTitle, path);
    ASSERT_TRUE(Bank.LoadFileDialog());
    EXPECT_EQ(Bank.Slot(63).Name(), "Tst:Patch 063   ");
    EXPECT_EQ(Origin(64), "064");
}

TEST_F(BankTest, BadFilesAreRefusedWithAMessageAndChangeNothing) {
    TTempDir dir;
    const auto bank = MakeDumps(W.Ctx.Sizes, 128, 5000);
    auto truncated = bank;
    truncated.resize(truncated.size() - 700);
    auto damaged = bank;
    damaged[50 * 1607 + 36 + 254] = 0x00; // packet 1 of dump 51 loses its F7
    // Packet 3 of dump 52 still ends in F7 but is not a preset packet: the writers would not
    // write it back, so taking it would lose it at the next save.
    auto unframed = bank;
    unframed[51 * 1607 + 36 + 2 * 255 + 4] = 0x10;
    TDumpSpec notEmu;
    notEmu.Emu = false;
    struct Case {
        const char* What;
        std::vector<uint8_t> Bytes;
        TMessageKind Kind;
        std::string Message;
    };
    const Case cases[] = {
        {"empty", {}, TMessageKind::Warning, msg::EmptyFile},
        {"another model", MakeDumps(TDumpSizes::ForModelClass(TModelClass::CommandStation), 128),
         TMessageKind::Warning, msg::DifferentSynth},
        {"not E-mu", MakeDump(W.Ctx.Sizes, notEmu), TMessageKind::Error, msg::NotProteusFile},
        {"shorter than one dump", std::vector<uint8_t>(bank.begin(), bank.begin() + 900),
         TMessageKind::Warning, msg::DifferentSynth},
        {"ends inside a dump", truncated, TMessageKind::Warning, msg::TruncatedFile},
        {"a damaged dump", damaged, TMessageKind::Warning, msg::DamagedPreset(51)},
        {"a packet without its preset framing", unframed, TMessageKind::Warning,
         msg::DamagedPreset(52)},
    };
    Mark({1});
    const auto before = Snapshot();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const std::string path = dir.File("bad.syx");
        WriteBytes(path, c.Bytes);
        W.Dialogs.ExpectOpen(msg::LoadBankTitle, path);
        W.Dialogs.ExpectMessage(c.Kind, c.Message);
        EXPECT_FALSE(Bank.LoadFileDialog());
        EXPECT_EQ(Snapshot(), before);
        EXPECT_EQ(Bank.FileName(), "");
    }
}

TEST_F(BankTest, AFileThatCannotBeOpened) {
    TTempDir dir;
    W.Dialogs.ExpectOpen(msg::LoadBankTitle, dir.File("missing.syx"));
    W.Dialogs.ExpectMessage(TMessageKind::Warning, msg::CantOpenBank);
    EXPECT_FALSE(Bank.LoadFileDialog());
    W.Ctx.QuietLoad = true;
    W.Dialogs.ExpectOpen(msg::LoadBankTitle, dir.File("missing.syx"));
    EXPECT_FALSE(Bank.LoadFileDialog());
}

TEST_F(BankTest, CancelledDialogsDoNothing) {
    const auto before = Snapshot();
    W.Dialogs.ExpectOpen(msg::LoadBankTitle, "");
    EXPECT_FALSE(Bank.LoadFileDialog());
    W.Dialogs.ExpectSave(msg::SaveBankTitle, "");
    EXPECT_FALSE(Bank.SaveFileDialog());
    EXPECT_EQ(Snapshot(), before);
}

TEST(BankDefaults, StartUpLoadFollowsTheSettings) {
    TPatchWorld w;
    TTempDir dir;
    TMapSettings settings;
    w.Ctx.Settings = &settings;
    const std::string path = dir.File("u1.syx");
    WriteBytes(path, MakeDumps(w.Ctx.Sizes, 128));
    settings.Values["UserBank1"] = path;
    settings.Values["RomBank"] = path;

    TPatchBank user0(w.Ctx, 0, "User 0", true);
    TPatchBank user1(w.Ctx, 1, "User 1", true);
    TPatchBank rom(w.Ctx, TPatchBank::RomBankNumber, "ROM", true);
    EXPECT_EQ(rom.SettingsKey(), "RomBank");
    EXPECT_EQ(user1.SettingsKey(), "UserBank1");

    EXPECT_EQ(user0.LoadDefaultFile(), TPatchBank::NoBankFile);
    EXPECT_EQ(user0.FileName(), TPatchBank::NoBankFile);
    EXPECT_EQ(user1.LoadDefaultFile(), path);
    EXPECT_EQ(user1.Slot(5).Name(), "Tst:Patch 005   ");
    EXPECT_EQ(user1.FileName(), path);
    EXPECT_EQ(rom.LoadDefaultFile(), path);
    EXPECT_EQ(rom.Slot(5).Name(), w.Blank.Name()) << "the ROM bank file is only remembered";
    EXPECT_TRUE(settings.Written.empty());
}

TEST(BankReset, EverySlotBecomesTheBlankPatch) {
    TPatchWorld w;
    TPatchBank bank(w.Ctx, 0, "User 0", true);
    w.Fill(bank.Slot(3), {});
    bank.Reset();
    EXPECT_EQ(bank.Slot(3).Name(), w.Blank.Name());
}

class AllBanksTest : public ::testing::Test {
protected:
    AllBanksTest() {
        for (int n = 0; n < 4; ++n) {
            Users[static_cast<size_t>(n)] =
                std::make_unique<TPatchBank>(W.Ctx, n, "User " + std::to_string(n), true);
            Banks[static_cast<size_t>(n)] = Users[static_cast<size_t>(n)].get();
            for (int i = 0; i < 128; ++i) {
                TDumpSpec made;
                made.Seed = static_cast<uint32_t>(n * 1000 + i);
                made.Name = "B" + std::to_string(n) + ":" + Num(i);
                made.Low = static_cast<uint8_t>(i);
                made.High = static_cast<uint8_t>(n);
                W.Fill(Banks[static_cast<size_t>(n)]->Slot(i), made);
            }
        }
    }
    TPatchWorld W;
    std::array<std::unique_ptr<TPatchBank>, 4> Users;
    TUserBanks Banks{};
    TPatchBank Rom{W.Ctx, TPatchBank::RomBankNumber, "ROM", true};
    TTempDir Dir;
};

TEST_F(AllBanksTest, SaveThenLoadGivesEveryBankItsDumps) {
    const std::string path = Dir.File("all.syx");
    W.Dialogs.ExpectSave(msg::SaveAllTitle, path);
    ASSERT_TRUE(SaveAllBanksDialog(W.Ctx, Banks));
    EXPECT_EQ(W.Ctx.AllBanksFile, path);
    const auto bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 512u * 1607u);

    // Swap the order of banks 0 and 3 in memory, then load the file back.
    W.Fill(Banks[0]->Slot(0), {});
    W.Ctx.CurUserBank = 1;
    const std::string romName = Rom.Slot(0).Name();
    W.Dialogs.ExpectOpen(msg::LoadAllTitle, path);
    ASSERT_TRUE(LoadAllBanksDialog(W.Ctx, Banks));
    EXPECT_EQ(W.Ctx.CurUserBank, 1);
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(Banks[static_cast<size_t>(n)]->Slot(0).Name().substr(0, 6),
                  "B" + std::to_string(n) + ":000");
        EXPECT_EQ(Banks[static_cast<size_t>(n)]->Slot(9).Dump().Slot(0)[8], n);
    }
    EXPECT_EQ(Rom.Slot(0).Name(), romName);
}

TEST_F(AllBanksTest, SaveOverAnExistingFileAsksWithItsOwnWording) {
    const std::string path = Dir.File("all.syx");
    WriteBytes(path, {1});
    W.Dialogs.ExpectSave(msg::SaveAllTitle, path);
    W.Dialogs.ExpectMessage(TMessageKind::Confirmation, msg::BackupQuestionAllBanks,
                            TAnswer::Cancel);
    EXPECT_FALSE(SaveAllBanksDialog(W.Ctx, Banks));
    EXPECT_EQ(ReadBytes(path), std::vector<uint8_t>{1});
}

TEST_F(AllBanksTest, BadFilesChangeNoBank) {
    auto truncated = MakeDumps(W.Ctx.Sizes, 300);
    truncated.resize(truncated.size() - 10);
    const std::string path = Dir.File("bad.syx");
    const std::string before = Banks[3]->Slot(127).Name();
    for (auto [bytes, message] :
         {std::pair{truncated, msg::TruncatedFile},
          std::pair{std::vector<uint8_t>(), msg::EmptyFile},
          std::pair{MakeDumps(TDumpSizes::ForModelClass(TModelClass::Audity), 512),
                    msg::DifferentSynth}}) {
        WriteBytes(path, bytes);
        W.Dialogs.ExpectOpen(msg::LoadAllTitle, path);
        W.Dialogs.ExpectMessage(TMessageKind::Warning, message);
        EXPECT_FALSE(LoadAllBanksDialog(W.Ctx, Banks));
        EXPECT_EQ(Banks[0]->Slot(0).Name().substr(0, 6), "B0:000");
    }
    // The end-of-run backups are read silently.
    EXPECT_FALSE(ReadAllBanks(W.Ctx, Banks, truncated, false));
    EXPECT_EQ(Banks[3]->Slot(127).Name(), before);
}

TEST_F(AllBanksTest, WriteAllBanksWritesDumpsAsHeld) {
    Banks[1]->Slot(4).SetPresetNumber(9, 9);
    W.Ctx.DeviceId = 0x7E;
    const std::string path = Dir.File("EndBanks1.syx");
    ASSERT_TRUE(WriteAllBanks(W.Ctx, Banks, path));
    const auto bytes = ReadBytes(path);
    const size_t at = (128 + 4) * 1607;
    EXPECT_EQ(bytes[at + 7], 9);
    EXPECT_EQ(bytes[at + 8], 9);
    EXPECT_EQ(bytes[at + 3], 0x7E);
    EXPECT_EQ(W.Ctx.AllBanksFile, path);

    W.Dialogs.ExpectMessage(TMessageKind::Error,
                            msg::CantSave(Dir.File("no/such/folder.syx"), std::strerror(ENOENT)));
    EXPECT_FALSE(WriteAllBanks(W.Ctx, Banks, Dir.File("no/such/folder.syx")));
}
