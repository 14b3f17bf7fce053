// Importing preset collections into the library: what a folder of mixed files gives, the
// duplicate test, the library's limit, cancelling, and the workspace's operations around it.
#include "ByteStream.h"
#include "DumpBuilder.h"
#include "LibraryImport.h"
#include "Patchlib.h"
#include "SafeFile.h"
#include "TempDir.h"
#include "VirtualSynthWorkspace.h"

#include <array>
#include <filesystem>
#include <gtest/gtest.h>

using namespace velcora;
using namespace velcora::test;

namespace {

const TDumpSizes Proteus = TDumpSizes::ForModelClass(TModelClass::Proteus);
const TDumpSizes Audity = TDumpSizes::ForModelClass(TModelClass::Audity);

std::vector<uint8_t> Dump(const TDumpSizes& sizes, uint32_t seed, const std::string& name) {
    TDumpSpec made;
    made.Seed = seed;
    made.Name = name;
    return MakeDump(sizes, made);
}

std::vector<uint8_t> OpenLoopDump(const TDumpSizes& sizes, uint32_t seed, const std::string& name) {
    TDumpSpec made;
    made.Seed = seed;
    made.Name = name;
    std::vector<uint8_t> out;
    for (const auto& p : MakeOpenLoopPackets(sizes, made)) {
        Append(out, p);
    }
    return out;
}

/// An arpeggiator pattern's size and framing: E-mu SysEx that is no preset.
std::vector<uint8_t> ArpPattern() {
    std::vector<uint8_t> m(285, 0x01);
    const uint8_t head[] = {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x18};
    std::copy(std::begin(head), std::end(head), m.begin());
    m.back() = 0xF7;
    return m;
}

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteBytes(path, bytes);
}

/// A folder as collections come: presets of the library's class (single, bank, open loop,
/// a renamed copy, one among junk), another class's preset, an arpeggiator pattern, a
/// damaged dump and a text file.
void WriteMixedFolder(const std::string& dir) {
    Write(dir + "/p1.syx", Dump(Proteus, 1, "Pad:One"));
    Write(dir + "/p2.syx", Dump(Proteus, 2, "Pad:Two"));
    Write(dir + "/sub/bank.syx", MakeDumps(Proteus, 3, 10));
    Write(dir + "/sub/open.syx", OpenLoopDump(Proteus, 20, "Opn:Open Loop"));
    Write(dir + "/audity.syx", Dump(Audity, 3, "Aud:Other"));
    Write(dir + "/arp.syx", ArpPattern());
    auto damaged = Dump(Proteus, 4, "Bad:Checksum");
    damaged[36 + 255 - 2] ^= 0x01;
    Write(dir + "/damaged.syx", damaged);
    Write(dir + "/readme.txt", {'P', 'a', 't', 'c', 'h', 'e', 's', '\n'});
    Write(dir + "/z-copy.syx", Dump(Proteus, 1, "Pad:Renamed"));
    auto mixed = std::vector<uint8_t>{'x', 'y'};
    Append(mixed, Dump(Proteus, 30, "Mix:Among Junk"));
    Append(mixed, ArpPattern());
    auto cut = Dump(Proteus, 31, "Cut:Short");
    cut.resize(600);
    Append(mixed, cut);
    Write(dir + "/mixed.syx", mixed);
}

const std::string MixedSummary = "Imported 7 presets from 10 files.\n"
                                 "Duplicates skipped: 1\n"
                                 "Files skipped: 1 not SysEx, 1 other SysEx, 1 other model, "
                                 "1 damaged\n"
                                 "Also skipped in 1 file that held presets: 1 damaged dump, "
                                 "1 other SysEx message, data that is not SysEx";

std::vector<std::string> Names(const TPatchLib& lib) {
    std::vector<std::string> names;
    for (int i = 0; i < lib.Count(); ++i) {
        names.push_back(lib.Patch(i).Name());
    }
    return names;
}

} // namespace

TEST(LibraryImport, MixedFolderGivesTheExactSummaryAndOnlyItsPresets) {
    TTempDir dir;
    WriteMixedFolder(dir.File("in"));
    for (const bool skipDuplicates : {true, false}) {
        SCOPED_TRACE(skipDuplicates);
        TPatchWorld w(TModelClass::Proteus);
        TPatchLib lib(w.Ctx);
        TLibraryImport import(lib, w.Ctx, skipDuplicates);
        import.CollectFiles({dir.File("in")});
        EXPECT_EQ(import.FileCount(), 10);
        import.ImportAll();
        if (skipDuplicates) {
            EXPECT_EQ(import.Summary().Text(), MixedSummary);
        } else {
            EXPECT_EQ(import.Summary().Added, 8);
            EXPECT_EQ(import.Summary().Duplicates, 0);
        }
        // In file-name order, each preset once, each marked as a bank added is.
        std::vector<std::string> expected = {
            "Mix:Among Junk  ", "Pad:One         ", "Pad:Two         ", "Tst:Patch 000   ",
            "Tst:Patch 001   ", "Tst:Patch 002   ", "Opn:Open Loop   "};
        if (!skipDuplicates) {
            expected.push_back("Pad:Renamed     ");
        }
        EXPECT_EQ(Names(lib), expected);
        EXPECT_TRUE(lib.Modified());
    }
}

TEST(LibraryImport, AWrittenLibraryReadsBackWithTheImportedDumps) {
    TTempDir dir;
    WriteMixedFolder(dir.File("in"));
    TPatchWorld w(TModelClass::Proteus);
    TPatchLib lib(w.Ctx);
    TLibraryImport import(lib, w.Ctx, true);
    import.CollectFiles({dir.File("in/p1.syx"), dir.File("in/sub/open.syx")});
    import.ImportAll();
    ASSERT_EQ(lib.Count(), 2);
    TByteWriter out;
    lib.WriteLibrary(out);
    TPatchLib again(w.Ctx);
    ASSERT_TRUE(again.LoadBytes(out.Bytes()));
    ASSERT_EQ(again.Count(), 2);
    // The data stays as the files had it; only the stamped bytes and the loop form (the open
    // loop header's sub-command) may differ.
    for (const auto& [i, file] : {std::pair{0, "in/p1.syx"}, std::pair{1, "in/sub/open.syx"}}) {
        TByteWriter one;
        again.Patch(i).WriteDump(one, w.Ctx);
        const auto& written = one.Bytes();
        ExpectSameExceptStamped(ReadBytes(dir.File(file)),
                                std::vector<uint8_t>(written.begin(), written.end()), Proteus,
                                true);
    }
}

TEST(LibraryImport, StopsAtTheLibraryLimitAndCountsWhatWasLeftOut) {
    TTempDir dir;
    Write(dir.File("bank.syx"), MakeDumps(Proteus, 5, 100));
    TPatchWorld w(TModelClass::Proteus);
    TPatchLib lib(w.Ctx);
    TPatchRec filler;
    w.Fill(filler, {});
    for (int i = 0; i < TPatchLib::MaxPatches - 2; ++i) {
        ASSERT_TRUE(lib.Add(filler));
    }
    TLibraryImport import(lib, w.Ctx, true);
    import.CollectFiles({dir.File("bank.syx")});
    import.ImportAll();
    EXPECT_EQ(lib.Count(), TPatchLib::MaxPatches);
    EXPECT_EQ(import.Summary().Text(), "Imported 2 presets from 1 file.\n"
                                       "Duplicates skipped: 0\n"
                                       "Library full: 3 presets left out.");
}

TEST(LibraryImport, CancelKeepsWhatWasAddedAndSaysWhatWasNotRead) {
    TTempDir dir;
    for (int i = 0; i < 3; ++i) {
        Write(dir.File("p" + std::to_string(i) + ".syx"),
              Dump(Proteus, 40 + static_cast<uint32_t>(i), "Tst:Cancel"));
    }
    TPatchWorld w(TModelClass::Proteus);
    TPatchLib lib(w.Ctx);
    TLibraryImport import(lib, w.Ctx, true);
    import.CollectFiles({dir.Path()});
    ASSERT_TRUE(import.ImportNext());
    import.Cancel();
    EXPECT_TRUE(import.Finished());
    EXPECT_FALSE(import.ImportNext());
    EXPECT_EQ(lib.Count(), 1);
    EXPECT_EQ(import.Summary().Text(), "Imported 1 preset from 1 file.\n"
                                       "Import cancelled: 2 files not read.\n"
                                       "Duplicates skipped: 0");
}

TEST(LibraryImport, PathsThatAreNoFilesAndLinkLoopsAreHandled) {
    TTempDir dir;
    Write(dir.File("in/p.syx"), Dump(Proteus, 1, "Pad:One"));
    std::filesystem::create_directory_symlink(dir.File("in"), dir.File("in/loop"));
    TPatchWorld w(TModelClass::Proteus);
    TPatchLib lib(w.Ctx);
    TLibraryImport import(lib, w.Ctx, true);
    import.CollectFiles({dir.File("in"), dir.File("missing.syx")});
    import.ImportAll();
    EXPECT_EQ(import.Summary().Text(), "Imported 1 preset from 2 files.\n"
                                       "Duplicates skipped: 0\n"
                                       "Files skipped: 1 unreadable");
}

TEST(LibraryImport, ALibraryFileGivesItsPatchesWithTheirNotes) {
    // A library file as the program writes it: two patches with notes, the second's first
    // note empty.
    const auto libraryFile = [](TModelClass modelClass) {
        TPatchWorld w(modelClass);
        TPatchLib lib(w.Ctx);
        const std::vector<std::array<std::string, 3>> notes = {{"warm", "slow attack", "A"},
                                                               {"", "bright", "B"}};
        for (size_t i = 0; i < notes.size(); ++i) {
            TPatchRec rec;
            TDumpSpec made;
            made.Seed = 60 + static_cast<uint32_t>(i);
            made.Name = "Lib:Patch " + std::to_string(i);
            w.Fill(rec, made);
            for (int n = 0; n < TPatchRec::NoteCount; ++n) {
                rec.SetNote(n, notes[i][static_cast<size_t>(n)]);
            }
            EXPECT_TRUE(lib.Add(rec));
        }
        TByteWriter out;
        lib.WriteLibrary(out);
        return std::vector<uint8_t>(out.Bytes().begin(), out.Bytes().end());
    };
    const struct {
        const char* What;
        TModelClass Class;
        std::string Summary;
        std::vector<std::string> Notes; ///< each imported patch's three notes, joined by |
    } cases[] = {
        {"this model's library",
         TModelClass::Proteus,
         "Imported 2 presets from 1 file.\nDuplicates skipped: 0",
         {"warm|slow attack|A", "|bright|B"}},
        {"another model's library",
         TModelClass::Audity,
         "Imported 0 presets from 1 file.\nDuplicates skipped: 0\nFiles skipped: 1 other model",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TTempDir dir;
        Write(dir.File("mine.lib"), libraryFile(c.Class));
        TPatchWorld w(TModelClass::Proteus);
        TPatchLib lib(w.Ctx);
        TLibraryImport import(lib, w.Ctx, true);
        import.CollectFiles({dir.File("mine.lib")});
        import.ImportAll();
        EXPECT_EQ(import.Summary().Text(), c.Summary);
        std::vector<std::string> notes;
        for (int i = 0; i < lib.Count(); ++i) {
            notes.push_back(lib.Patch(i).Note(0) + "|" + lib.Patch(i).Note(1) + "|" +
                            lib.Patch(i).Note(2));
        }
        EXPECT_EQ(notes, c.Notes);
    }
    // A SysEx file imported after a library file brings no notes along.
    TTempDir dir;
    Write(dir.File("a.lib"), libraryFile(TModelClass::Proteus));
    Write(dir.File("b.syx"), Dump(Proteus, 70, "Syx:Plain"));
    TPatchWorld w(TModelClass::Proteus);
    TPatchLib lib(w.Ctx);
    TLibraryImport import(lib, w.Ctx, true);
    import.CollectFiles({dir.Path()});
    import.ImportAll();
    ASSERT_EQ(lib.Count(), 3);
    EXPECT_EQ(lib.Patch(2).Note(1), "");
    EXPECT_EQ(lib.Patch(2).Note(2), "");
}

TEST(LibraryImport, AnEntryThatCannotBeReadIsCountedAndTheRestOfTheTreeIsRead) {
    TTempDir dir;
    Write(dir.File("in/a/p1.syx"), Dump(Proteus, 1, "Pad:One"));
    Write(dir.File("in/b/p2.syx"), Dump(Proteus, 2, "Pad:Two"));
    Write(dir.File("in/c/deeper/p3.syx"), Dump(Proteus, 3, "Pad:Three"));
    // A link whose file is gone: an entry of the folder that cannot be read.
    std::filesystem::create_symlink(dir.File("in/none.syx"), dir.File("in/b/gone.syx"));
    TPatchWorld w(TModelClass::Proteus);
    TPatchLib lib(w.Ctx);
    TLibraryImport import(lib, w.Ctx, true);
    import.CollectFiles({dir.File("in")});
    import.ImportAll();
    EXPECT_EQ(import.Summary().Text(), "Imported 3 presets from 4 files.\n"
                                       "Duplicates skipped: 0\n"
                                       "Files skipped: 1 unreadable");
    EXPECT_EQ(Names(lib), (std::vector<std::string>{"Pad:One         ", "Pad:Two         ",
                                                    "Pad:Three       "}));
}

TEST(LibraryImport, AFolderThatCannotBeOpenedIsCountedAndTheRestOfTheTreeIsRead) {
    TTempDir dir;
    Write(dir.File("in/a/p1.syx"), Dump(Proteus, 1, "Pad:One"));
    Write(dir.File("in/b/p2.syx"), Dump(Proteus, 2, "Pad:Two"));
    Write(dir.File("in/c/p3.syx"), Dump(Proteus, 3, "Pad:Three"));
    namespace fs = std::filesystem;
    fs::permissions(dir.File("in/b"), fs::perms::none);
    std::error_code ec;
    const bool opens = fs::directory_iterator(dir.File("in/b"), ec) != fs::directory_iterator();
    if (!ec || opens) {
        fs::permissions(dir.File("in/b"), fs::perms::owner_all);
        GTEST_SKIP() << "this user reads a folder whatever its permissions (root)";
    }
    TPatchWorld w(TModelClass::Proteus);
    TPatchLib lib(w.Ctx);
    TLibraryImport import(lib, w.Ctx, true);
    import.CollectFiles({dir.File("in")});
    import.ImportAll();
    fs::permissions(dir.File("in/b"), fs::perms::owner_all);
    EXPECT_EQ(import.Summary().Text(), "Imported 2 presets from 2 files.\n"
                                       "Duplicates skipped: 0\n"
                                       "Folders that could not be read: 1");
    EXPECT_EQ(Names(lib), (std::vector<std::string>{"Pad:One         ", "Pad:Three       "}));
}

TEST(LibraryImport, RealClosedLoopDumpsImportAndReadBack) {
    const std::string bank = RealFixture("audity2000-user-bank0.syx");
    if (bank.empty()) {
        GTEST_SKIP() << "real dumps not found beside the project";
    }
    TPatchWorld w(TModelClass::Audity);
    TPatchLib lib(w.Ctx);
    TLibraryImport import(lib, w.Ctx, true);
    // The whole folder: besides the bank, other classes' presets, a setup dump, an
    // arpeggiator pattern and the description.
    import.CollectFiles({std::filesystem::path(bank).parent_path().string()});
    import.ImportAll();
    const TImportSummary& s = import.Summary();
    EXPECT_EQ(s.Added, 129);
    EXPECT_EQ(s.Skipped[static_cast<size_t>(TImportSkip::OtherSysex)], 2);
    EXPECT_EQ(s.Skipped[static_cast<size_t>(TImportSkip::Damaged)], 0);
    TByteWriter out;
    lib.WriteLibrary(out);
    TPatchLib again(w.Ctx);
    ASSERT_TRUE(again.LoadBytes(out.Bytes()));
    const auto raw = ReadBytes(bank);
    TByteWriter first;
    // The bank's slots come after the single ROM preset of the folder's first file.
    again.Patch(1).WriteDump(first, w.Ctx);
    ExpectSameExceptStamped(std::vector<uint8_t>(raw.begin(), raw.begin() + 1605),
                            std::vector<uint8_t>(first.Bytes().begin(), first.Bytes().end()),
                            Audity);
}

namespace {

class WorkspaceImportTest : public TVirtualSynthWorkspace {
protected:
    void ImportAndWait() {
        ASSERT_TRUE(
            PumpUntil([&] { return !Ws->Status().ImportRunning; }, std::chrono::seconds(20)));
    }
};

} // namespace

TEST_F(WorkspaceImportTest, DroppedFolderIsImportedWithOneSummaryBox) {
    Connect();
    WriteMixedFolder(Dir.File("in"));
    Ws->Library().Clear();
    Ws->Library().SetModified(false);
    Ws->ImportPaths({Dir.File("in")});
    EXPECT_TRUE(Ws->Status().ImportRunning);
    EXPECT_TRUE(View.ProgressVisible);
    EXPECT_EQ(View.ProgressMax, 10);
    EXPECT_FALSE(View.CommandsOn) << "no transfer may start during an import";
    Dialogs.ExpectMessage(TMessageKind::Information, MixedSummary);
    ImportAndWait();
    EXPECT_TRUE(Dialogs.ScriptDone());
    EXPECT_FALSE(View.ProgressVisible);
    EXPECT_TRUE(View.CommandsOn);
    EXPECT_EQ(Ws->Library().Count(), 7);
    EXPECT_TRUE(Ws->Library().Modified());
}

TEST_F(WorkspaceImportTest, ImportButtonTakesFilesOrAFolderFromTheDialog) {
    Connect();
    WriteMixedFolder(Dir.File("in"));
    const int before = Ws->Library().Count();
    Dialogs.ExpectOpenPaths("Import Presets", false,
                            {Dir.File("in/p1.syx"), Dir.File("in/p2.syx")});
    Dialogs.ExpectMessage(TMessageKind::Information, "Imported 2 presets from 2 files.\n"
                                                     "Duplicates skipped: 0");
    Ws->bbImportLibClick();
    ImportAndWait();
    EXPECT_EQ(Ws->Library().Count(), before + 2);

    Dialogs.ExpectOpenPaths("Import a Folder of Presets", true, {Dir.File("in/sub")});
    Dialogs.ExpectMessage(TMessageKind::Information, "Imported 4 presets from 2 files.\n"
                                                     "Duplicates skipped: 0");
    Ws->bbImportFolderClick();
    ImportAndWait();

    // Cancelled dialogs import nothing and say nothing.
    Dialogs.ExpectOpenPaths("Import Presets", false, {});
    Ws->bbImportLibClick();
    EXPECT_FALSE(Ws->Status().ImportRunning);
    EXPECT_TRUE(Dialogs.ScriptDone());
}

// An import is one step of the history; while it runs, no step is taken back under it.
TEST_F(WorkspaceImportTest, AnImportIsOneStepOfTheHistory) {
    Connect();
    WriteMixedFolder(Dir.File("in"));
    Ws->bbEditToLibClick();
    const int before = Ws->Library().Count();
    Ws->ImportPaths({Dir.File("in")});
    Dialogs.ExpectMessage(TMessageKind::Warning, TWorkspace::UndoDuringTransfer);
    Ws->Undo();
    EXPECT_TRUE(Dialogs.ScriptDone());
    Dialogs.ExpectMessage(TMessageKind::Information, MixedSummary);
    ImportAndWait();
    EXPECT_EQ(Ws->Library().Count(), before + 7);
    EXPECT_EQ(Ws->Status().UndoText, "Import");
    Ws->Undo();
    EXPECT_EQ(Ws->Library().Count(), before);
    Ws->Redo();
    EXPECT_EQ(Ws->Library().Count(), before + 7);
}

TEST_F(WorkspaceImportTest, TheCancelButtonEndsAnImport) {
    Connect();
    WriteMixedFolder(Dir.File("in"));
    const int before = Ws->Library().Count();
    Ws->ImportPaths({Dir.File("in")});
    Dialogs.ExpectMessage(TMessageKind::Information, "Imported 0 presets from 0 files.\n"
                                                     "Import cancelled: 10 files not read.\n"
                                                     "Duplicates skipped: 0");
    Ws->bbCancelGetClick();
    EXPECT_FALSE(Ws->Status().ImportRunning);
    EXPECT_FALSE(View.ProgressVisible);
    EXPECT_TRUE(View.CommandsOn);
    EXPECT_EQ(Ws->Library().Count(), before);
}

TEST_F(WorkspaceImportTest, SkipDuplicatesIsAKeptOption) {
    Connect();
    EXPECT_TRUE(Ws->Status().ImportSkipDuplicates);
    Write(Dir.File("a.syx"), Dump(Proteus, 1, "Pad:One"));
    Write(Dir.File("b.syx"), Dump(Proteus, 1, "Pad:Renamed"));
    Ws->cbImportSkipDuplicatesClick(false);
    EXPECT_FALSE(Ws->Status().ImportSkipDuplicates);
    EXPECT_EQ(Ini("Import", "SkipDuplicates"), "0");
    const int before = Ws->Library().Count();
    Dialogs.ExpectMessage(TMessageKind::Information, "Imported 2 presets from 2 files.\n"
                                                     "Duplicates skipped: 0");
    Ws->ImportPaths({Dir.File("a.syx"), Dir.File("b.syx")});
    ImportAndWait();
    EXPECT_EQ(Ws->Library().Count(), before + 2);
}

TEST_F(WorkspaceImportTest, AnImportWaitsForTheTransferToEnd) {
    Connect();
    Write(Dir.File("a.syx"), Dump(Proteus, 1, "Pad:One"));
    Ws->bbGetBankClick();
    ASSERT_TRUE(Ws->Status().TransferRunning);
    Dialogs.ExpectMessage(TMessageKind::Warning,
                          "A transfer is running. Import when it has ended or been cancelled.");
    Ws->ImportPaths({Dir.File("a.syx")});
    EXPECT_FALSE(Ws->Status().ImportRunning);
    ASSERT_TRUE(PumpUntil([&] { return !Ws->Status().TransferRunning; }, std::chrono::seconds(30)));
}

namespace {

const std::string LibraryDuringImport =
    "An import is running.\nWait for it to end, or cancel it, before changing the library.";

int MarkedInLibrary(TPatchLib& lib) {
    int marked = 0;
    for (int i = 0; i < lib.Count(); ++i) {
        marked += lib.Patch(i).Selected() ? 1 : 0;
    }
    return marked;
}

} // namespace

// While an import adds to the library, the commands that change the library are disabled
// and refused, from buttons, menu and keys alike; what it adds comes unmarked, so that a
// command on the person's marks never reaches the imported presets.
TEST_F(WorkspaceImportTest, AnImportKeepsTheLibraryCommandsAwayAndAddsUnmarkedPresets) {
    Connect();
    WriteMixedFolder(Dir.File("in"));
    Ws->bbEditToLibClick();
    Ws->bbEditToLibClick();
    const int before = Ws->Library().Count();
    // Row 2 marked by a click, as the person leaves it before importing.
    Ws->sgLibMouseDown(TMouseButton::Left, {}, 1, 2);
    Ws->sgLibClick();
    ASSERT_EQ(MarkedInLibrary(Ws->Library()), 1);
    Ws->RunGuarded([&] { Ws->ImportPaths({Dir.File("in")}); });
    ASSERT_TRUE(Ws->Status().ImportRunning);
    EXPECT_FALSE(View.CommandsOn) << "the library's buttons are disabled";
    EXPECT_EQ(View.MixOn, false);
    EXPECT_EQ(View.MorphOn, false);
    const TShiftState ctrl{false, true, false};
    const struct {
        const char* What;
        std::function<void()> Command;
    } commands[] = {
        {"Delete key", [&] { Ws->sgLibKeyDown(TKey::Delete, {}, 2); }},
        {"menu Delete", [&] { Ws->pmLibDeleteClick(); }},
        {"Ctrl+V", [&] { Ws->sgLibKeyDown(TKey::V, ctrl, 2); }},
        {"menu Paste", [&] { Ws->pmLibPasteClick(); }},
        {"menu Swap", [&] { Ws->pmLibSwapClick(); }},
        {"menu Edit", [&] { Ws->pmLibEditClick(); }},
        {"Ctrl+L", [&] { Ws->sgLibKeyDown(TKey::L, ctrl, 2); }},
        {"Ctrl+S", [&] { Ws->sgLibKeyDown(TKey::S, ctrl, 2); }},
        {"DeDup", [&] { Ws->bbDeDupClick(); }},
        {"Mix", [&] { Ws->bbMixPatchesClick(); }},
        {"Morph", [&] { Ws->bbMorphPatchesClick(); }},
        {"Add Edit Buffer", [&] { Ws->bbEditToLibClick(); }},
        {"User to Lib", [&] { Ws->bbUserToLibClick(); }},
        {"ROM to Lib", [&] { Ws->bbRomToLibClick(); }},
        {"New Library", [&] { Ws->pcPatchChange(1); }},
        {"a sort", [&] { Ws->sgLibMouseDown(TMouseButton::Left, {}, 1, 0); }},
    };
    for (const auto& c : commands) {
        // The press on the marked row each menu command follows.
        Ws->sgLibMouseDown(TMouseButton::Left, {}, 1, 2);
        Ws->sgLibClick();
        Dialogs.ExpectMessage(TMessageKind::Warning, LibraryDuringImport);
        Ws->RunGuarded(c.Command);
        EXPECT_TRUE(Dialogs.ScriptDone()) << c.What;
        EXPECT_EQ(Ws->Library().Count(), before) << c.What;
        EXPECT_FALSE(Ws->Status().GridEditorShowing) << c.What;
        EXPECT_TRUE(Ws->Status().ImportRunning) << c.What;
    }
    Dialogs.ExpectMessage(TMessageKind::Information, MixedSummary);
    ImportAndWait();
    EXPECT_EQ(Ws->Library().Count(), before + 7);
    EXPECT_EQ(MarkedInLibrary(Ws->Library()), 1) << "only the person's mark";
    EXPECT_TRUE(Ws->Library().Patch(1).Selected());
    EXPECT_TRUE(View.CommandsOn);
    // Afterwards the commands act again, on the marked row alone.
    Ws->RunGuarded([&] { Ws->sgLibKeyDown(TKey::Delete, {}, 2); });
    EXPECT_EQ(Ws->Library().Count(), before + 6);
}

// One long job at a time: during an import no transfer starts and the synth is not looked
// for (its answer would reload the library), more files are refused with a word, and a
// click in a bank view does not bring the transfer commands back.
TEST_F(WorkspaceImportTest, AnImportIsTheOneJobThatRuns) {
    Connect();
    WriteMixedFolder(Dir.File("in"));
    Write(Dir.File("more.syx"), Dump(Proteus, 40, "Mor:More"));
    const std::string noTransfer =
        "An import is running.\nWait for it to end, or cancel it, before starting a transfer.";
    Ws->RunGuarded([&] { Ws->ImportPaths({Dir.File("in")}); });
    ASSERT_TRUE(Ws->Status().ImportRunning);
    const struct {
        const char* What;
        std::string Warning;
        std::function<void()> Command;
    } commands[] = {
        {"Get Bank", noTransfer, [&] { Ws->bbGetBankClick(); }},
        {"Send Bank", noTransfer, [&] { Ws->bbSendBankClick(); }},
        {"Get ROM Bank", noTransfer, [&] { Ws->bbROMGetBankClick(); }},
        {"Look for Synth",
         "An import is running.\nWait for it to end, or cancel it, before looking for the synth.",
         [&] { Ws->bCheckIdClick(); }},
        {"files dropped",
         "An import is running.\nWait for it to end, or cancel it, before importing more.",
         [&] { Ws->ImportPaths({Dir.File("more.syx")}); }},
    };
    for (const auto& c : commands) {
        Dialogs.ExpectMessage(TMessageKind::Warning, c.Warning);
        Ws->RunGuarded(c.Command);
        EXPECT_TRUE(Dialogs.ScriptDone()) << c.What;
        EXPECT_FALSE(Ws->Status().TransferRunning) << c.What;
        EXPECT_TRUE(Ws->Status().ImportRunning) << c.What;
        EXPECT_FALSE(Ws->Dirty()[2]) << c.What << ": user bank 0 untouched";
    }
    // A click that marks a slot leaves the selection's transfers disabled.
    Ws->RunGuarded([&] {
        Ws->vleUserMouseDown(0, TMouseButton::Left, {}, 5);
        Ws->vleUserClick(0);
    });
    EXPECT_EQ(View.GetSendSelectedOn, false);
    EXPECT_FALSE(View.CommandsOn);
    Dialogs.ExpectMessage(TMessageKind::Information, MixedSummary);
    ImportAndWait();
    EXPECT_TRUE(View.CommandsOn);
    EXPECT_EQ(View.GetSendSelectedOn, true) << "the mark made meanwhile counts again";
}
