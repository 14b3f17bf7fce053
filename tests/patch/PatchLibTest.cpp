// The library: adding, pasting, deleting, swapping, de-duplication, Mix, Morph and the
// library file.
#include "Patchlib.h"

#include "ByteStream.h"
#include "DumpBuilder.h"
#include "PatchMessages.h"
#include "Recorders.h"
#include "SafeFile.h"
#include "TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using namespace velcora;
using namespace velcora::test;

namespace {

class LibTest : public ::testing::Test {
protected:
    LibTest() { Lib.SetListener(&Grid); }

    // Adds n patches named "Lib:nnn" with distinct data, none marked.
    void AddPatches(int n, uint32_t seedBase = 1) {
        for (int i = 0; i < n; ++i) {
            TPatchRec rec;
            TDumpSpec made;
            made.Seed = seedBase + static_cast<uint32_t>(i);
            made.Name = Label(Lib.Count());
            W.Fill(rec, made);
            rec.SetNote(0, "note " + std::to_string(Lib.Count()));
            ASSERT_TRUE(Lib.Add(rec));
        }
        Lib.DeselectAll();
    }
    static std::string Label(int i) {
        char s[32];
        std::snprintf(s, sizeof s, "Lib:%03d", i);
        return std::string(s) + std::string(9, ' ');
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> n;
        for (int i = 0; i < Lib.Count(); ++i) {
            n.push_back(Lib.Patch(i).Name().substr(4, 3));
        }
        return n;
    }
    std::vector<int> Marked() const {
        std::vector<int> m;
        for (int i = 0; i < Lib.Count(); ++i) {
            if (Lib.Patch(i).Selected()) {
                m.push_back(i);
            }
        }
        return m;
    }

    TPatchWorld W;
    TPatchLib Lib{W.Ctx};
    TLibraryRecorder Grid;
};

} // namespace

TEST_F(LibTest, AddMarksTheCopyAndTouchesTheCaption) {
    Lib.UpdateTitle();
    EXPECT_EQ(Grid.Caption, " : 0");
    TPatchRec rec;
    W.Fill(rec, {});
    ASSERT_TRUE(Lib.Add(rec));
    EXPECT_TRUE(Lib.Patch(0).Selected());
    EXPECT_EQ(Lib.Patch(0).Name(), "Pad:Warm Strings");
    EXPECT_EQ(Grid.Caption, "* : 1");
    EXPECT_TRUE(Lib.Modified());
    EXPECT_EQ(Grid.Events, (std::vector<std::string>{"insert 0..0"}));
    Lib.Remove(0);
    EXPECT_EQ(Lib.Count(), 0);
    EXPECT_EQ(Grid.Open, 0);
}

TEST_F(LibTest, NewLibraryHoldsTheMarkedBlankPatch) {
    AddPatches(3);
    Lib.NewLibrary();
    ASSERT_EQ(Lib.Count(), 1);
    EXPECT_EQ(Lib.Patch(0).Name(), W.Blank.Name());
    EXPECT_TRUE(Lib.Patch(0).Selected());
    EXPECT_EQ(Lib.FileName(), "");
    EXPECT_EQ(Grid.Caption, " : 1");
    EXPECT_FALSE(Lib.Modified());
}

TEST_F(LibTest, AFullLibraryRefusesFurtherPatches) {
    AddPatches(1);
    TPatchRec rec;
    Lib.Patch(0).CopyTo(rec);
    while (Lib.Count() < TPatchLib::MaxPatches) {
        ASSERT_TRUE(Lib.Add(rec));
    }
    EXPECT_FALSE(Lib.Add(rec));
    EXPECT_EQ(Lib.Count(), TPatchLib::MaxPatches);
}

TEST_F(LibTest, PasteInsertsBeforeTheFirstMarkedRow) {
    AddPatches(30);
    for (int i : {25, 26, 27}) {
        Lib.Patch(i).SetSelected(true);
    }
    Lib.CopySelection();
    ASSERT_EQ(W.Ctx.ClipCount, 3);
    Lib.DeselectAll();
    Lib.Patch(9).SetSelected(true);
    Lib.Patch(19).SetSelected(true);
    Grid.Events.clear();
    Lib.Paste();
    ASSERT_EQ(Lib.Count(), 33);
    const auto n = Names();
    EXPECT_EQ(std::vector<std::string>(n.begin() + 8, n.begin() + 13),
              (std::vector<std::string>{"008", "025", "026", "027", "009"}));
    EXPECT_EQ(n[22], "019");
    EXPECT_EQ(Marked(), (std::vector<int>{9, 10, 11}));
    EXPECT_EQ(Lib.Patch(10).Note(0), "note 26");
    EXPECT_EQ(Grid.Events, (std::vector<std::string>{"insert 9..11"}));
    EXPECT_EQ(Grid.Open, 0);
}

TEST_F(LibTest, PasteWithNothingMarkedAppends) {
    AddPatches(5);
    Lib.Patch(1).SetSelected(true);
    Lib.CopySelection();
    Lib.DeselectAll();
    Lib.Paste();
    EXPECT_EQ(Names(), (std::vector<std::string>{"000", "001", "002", "003", "004", "001"}));
}

TEST_F(LibTest, PasteIntoANearlyFullLibraryLosesNothing) {
    AddPatches(4);
    for (int i = 0; i < 4; ++i) {
        Lib.Patch(i).SetSelected(true);
    }
    Lib.CopySelection();
    Lib.DeselectAll();
    TPatchRec filler;
    W.Fill(filler, {});
    while (Lib.Count() < TPatchLib::MaxPatches - 2) {
        Lib.Add(filler);
    }
    Lib.DeselectAll();
    Lib.Patch(1).SetSelected(true);
    Lib.Paste();
    EXPECT_EQ(Lib.Count(), TPatchLib::MaxPatches);
    const auto n = Names();
    EXPECT_EQ(std::vector<std::string>(n.begin(), n.begin() + 6),
              (std::vector<std::string>{"000", "000", "001", "001", "002", "003"}));
    EXPECT_EQ(Lib.Patch(TPatchLib::MaxPatches - 1).Name(), filler.Name());
}

TEST_F(LibTest, CopyTakesAtMost128) {
    AddPatches(200);
    for (int i = 0; i < 200; ++i) {
        Lib.Patch(i).SetSelected(true);
    }
    Lib.CopySelection();
    EXPECT_EQ(W.Ctx.ClipCount, 128);
    EXPECT_EQ(W.Clip.Slot(127).Name(), Label(127));
}

TEST_F(LibTest, DeleteSelectedRemovesRunsAndTellsTheGrid) {
    AddPatches(10);
    for (int i : {1, 2, 3, 6, 9}) {
        Lib.Patch(i).SetSelected(true);
    }
    Grid.Events.clear();
    Lib.DeleteSelected();
    EXPECT_EQ(Names(), (std::vector<std::string>{"000", "004", "005", "007", "008"}));
    EXPECT_EQ(Grid.Events, (std::vector<std::string>{"remove 9..9", "remove 6..6", "remove 1..3"}));
    EXPECT_EQ(Grid.Caption, "* : 5");
    EXPECT_EQ(Grid.Open, 0);
}

TEST_F(LibTest, SwapTwo) {
    AddPatches(5);
    Lib.Patch(1).SetSelected(true);
    Lib.Patch(4).SetSelected(true);
    Lib.SwapTwo();
    EXPECT_EQ(Names(), (std::vector<std::string>{"000", "004", "002", "003", "001"}));
    Lib.Patch(2).SetSelected(true);
    W.Dialogs.ExpectMessage(TMessageKind::Error, msg::SwapTwoInLibrary);
    Lib.SwapTwo();
    EXPECT_EQ(Names(), (std::vector<std::string>{"000", "004", "002", "003", "001"}));
}

// ---- de-duplication ----

namespace {

// The plain scan: every patch that equals an earlier one is marked.
std::vector<int> QuadraticDuplicates(const TPatchLib& lib, const TDumpSizes& sizes) {
    std::vector<int> marked;
    for (int p = 1; p < lib.Count(); ++p) {
        for (int q = p - 1; q >= 0; --q) {
            if (lib.Patch(p).Dump().SameIgnoringName(lib.Patch(q).Dump(), sizes)) {
                marked.push_back(p);
                break;
            }
        }
    }
    return marked;
}

} // namespace

TEST_F(LibTest, DeDupMarksLaterCopiesOnly) {
    AddPatches(6);
    auto copyData = [&](int from, int to) {
        TPatchRec rec;
        Lib.Patch(from).CopyTo(rec);
        rec.SetName("Oth:Renamed", W.Ctx.Sizes);
        rec.Dump().Slot(0)[7] = 99;
        rec.CopyTo(Lib.Patch(to));
    };
    copyData(0, 5);
    EXPECT_EQ(Lib.DeDup(), 1);
    EXPECT_EQ(Marked(), (std::vector<int>{5}));
    copyData(0, 3);
    EXPECT_EQ(Lib.DeDup(), 2);
    EXPECT_EQ(Lib.Selection(), (std::vector<int>{3, 5}));
}

TEST(DeDup, FindsRenamedCopiesInEveryPacketLayout) {
    for (TModelClass modelClass :
         {TModelClass::Audity, TModelClass::Proteus, TModelClass::CommandStation}) {
        SCOPED_TRACE("model class " + std::to_string(static_cast<int>(modelClass)));
        TPatchWorld w(modelClass);
        TPatchLib lib(w.Ctx);
        TPatchRec rec;
        w.Fill(rec, {});
        lib.Add(rec);
        // Renamed in the program: the checksums are marked.
        rec.SetName("Oth:Renamed", w.Ctx.Sizes);
        lib.Add(rec);
        // Named otherwise by the synth: packet 1 carries its own real checksum.
        TDumpSpec other;
        other.Name = "Oth:Elsewhere";
        w.Fill(rec, other);
        lib.Add(rec);
        // One data byte apart: not a copy.
        rec.Dump().Slot(3)[20] ^= 1;
        lib.Add(rec);
        EXPECT_EQ(lib.DeDup(), 2);
        EXPECT_EQ(lib.Selection(), (std::vector<int>{1, 2}));
    }
}

TEST(DeDup, AgreesWithThePlainScanOnRandomLibraries) {
    for (TModelClass modelClass :
         {TModelClass::Audity, TModelClass::Proteus, TModelClass::CommandStation}) {
        SCOPED_TRACE("model class " + std::to_string(static_cast<int>(modelClass)));
        TPatchWorld w(modelClass);
        TPatchLib lib(w.Ctx);
        std::mt19937 rng(static_cast<uint32_t>(modelClass));
        // Few distinct data sets, so that groups of equal patches form; some copies differ
        // only in the bytes the comparison leaves out, some in one compared byte, and on
        // some have marked checksums.
        for (int i = 0; i < 400; ++i) {
            TPatchRec rec;
            TDumpSpec made;
            made.Seed = rng() % 60;
            made.Name = "Rnd:" + std::to_string(i);
            w.Fill(rec, made);
            switch (rng() % 5) {
            case 0:
                rec.MarkChecksums(w.Ctx.Sizes);
                break;
            case 1:
                rec.Dump().Slot(2)[static_cast<size_t>(9 + rng() % 200)] ^= 1;
                break;
            case 2: {
                auto p = rec.Dump().Packet(7, w.Ctx.Sizes);
                p[p.size() - 3] ^= 1; // last data byte: left out of the comparison
                break;
            }
            default:
                break;
            }
            lib.Add(rec);
        }
        const auto expected = QuadraticDuplicates(lib, w.Ctx.Sizes);
        ASSERT_GT(expected.size(), 150u);
        EXPECT_EQ(lib.DeDup(), static_cast<int>(expected.size()));
        EXPECT_EQ(lib.Selection(), expected);
    }
}

// ---- Mix and Morph ----

namespace {

int Value(const TPatchRec& rec, int k, int j) {
    const auto s = rec.Dump().Slot(k);
    return s[static_cast<size_t>(9 + 2 * j)] + 128 * s[static_cast<size_t>(10 + 2 * j)];
}

void SetValue(TPatchRec& rec, int k, int j, int v) {
    auto s = rec.Dump().Slot(k);
    s[static_cast<size_t>(9 + 2 * j)] = static_cast<uint8_t>(v % 128);
    s[static_cast<size_t>(10 + 2 * j)] = static_cast<uint8_t>(v / 128);
}

} // namespace

TEST_F(LibTest, MixTakesEveryValueWholeFromOneMarkedPatch) {
    AddPatches(4);
    Lib.Patch(1).SetSelected(true);
    Lib.Patch(3).SetSelected(true);
    TPatchBank bank(W.Ctx, 0, "User 0", true);
    bank.Reset();
    const std::vector<uint8_t> header(bank.Slot(5).Dump().Slot(0).begin(),
                                      bank.Slot(5).Dump().Slot(0).end());
    ASSERT_TRUE(Lib.Mix(bank, 42));
    int fromFirst = 0;
    for (int t : {0, 5, 127}) {
        for (int k = 2; k <= 7; ++k) {
            for (int j = 0; j < W.Ctx.Sizes.ValueCount(k); ++j) {
                const int v = Value(bank.Slot(t), k, j);
                const bool a = v == Value(Lib.Patch(1), k, j);
                ASSERT_TRUE(a || v == Value(Lib.Patch(3), k, j)) << t << " " << k << " " << j;
                fromFirst += a;
            }
        }
    }
    EXPECT_GT(fromFirst, 300);
    EXPECT_LT(fromFirst, 1300);
    EXPECT_EQ(bank.Slot(7).Name(), "000:Mix 007     ");
    EXPECT_EQ(std::vector<uint8_t>(header.begin(), header.begin() + 33),
              std::vector<uint8_t>(bank.Slot(5).Dump().Slot(0).begin(),
                                   bank.Slot(5).Dump().Slot(0).begin() + 33))
        << "the slot keeps its own header";

    // The same seed gives the same bank; the counter names the next run.
    TPatchBank again(W.Ctx, 1, "User 1", true);
    W.Ctx.MixCounter = 10;
    ASSERT_TRUE(Lib.Mix(again, 42));
    EXPECT_EQ(Value(again.Slot(9), 4, 17), Value(bank.Slot(9), 4, 17));
    EXPECT_EQ(again.Slot(7).Name(), "00A:Mix 007     ");
    EXPECT_EQ(W.Ctx.MixCounter, 11);
}

TEST_F(LibTest, MixAndMorphNeedTwoMarkedPatches) {
    AddPatches(3);
    Lib.Patch(0).SetSelected(true);
    TPatchBank bank(W.Ctx, 0, "User 0", true);
    EXPECT_FALSE(Lib.Mix(bank));
    EXPECT_FALSE(Lib.Morph(bank));
    EXPECT_EQ(W.Ctx.MixCounter, 0);
    EXPECT_EQ(bank.Slot(0).Name(), W.Blank.Name());
}

TEST_F(LibTest, MorphStepsFromTheFirstPatchTowardsTheSecond) {
    AddPatches(2);
    TPatchRec& a = Lib.Patch(0);
    TPatchRec& b = Lib.Patch(1);
    a.SetName("Pad:Warm Strings", W.Ctx.Sizes);
    b.SetName("Brs:Horn Sect", W.Ctx.Sizes);
    struct Case {
        int Packet, Index, A, B;
        int Expect[4]; // slots 0, 1, 63, 127
    };
    const Case cases[] = {
        {2, 0, 100, 228, {100, 101, 163, 227}},
        {6, 121, 228, 100, {228, 227, 165, 101}}, // packet 6 with packet 2's value count
        {7, 14, 0, 3, {0, 0, 1, 2}},              // steps of 3/128: cut toward zero
        {4, 3, 16383, 0, {16383, 16255, 8319, 127}},
        {1, 60, 5, 5, {5, 5, 5, 5}},
        // The three values that switch half way.
        {3, 35, 7, 9000, {7, 7, 7, 9000}},
        {4, 72, 7, 9000, {7, 7, 7, 9000}},
        {5, 109, 7, 9000, {7, 7, 7, 9000}},
    };
    for (const auto& c : cases) {
        SetValue(a, c.Packet, c.Index, c.A);
        SetValue(b, c.Packet, c.Index, c.B);
    }
    a.SetSelected(true);
    b.SetSelected(true);
    TPatchBank bank(W.Ctx, 0, "User 0", true);
    ASSERT_TRUE(Lib.Morph(bank));
    const int slots[4] = {0, 1, 63, 127};
    for (const auto& c : cases) {
        for (int s = 0; s < 4; ++s) {
            EXPECT_EQ(Value(bank.Slot(slots[s]), c.Packet, c.Index), c.Expect[s])
                << "packet " << c.Packet << " value " << c.Index << " slot " << slots[s];
        }
    }
    EXPECT_EQ(Value(bank.Slot(64), 3, 35), 9000);
    EXPECT_EQ(bank.Slot(5).Name(), "005:Warm String ");
    EXPECT_EQ(bank.Slot(64).Name(), "064:Horn Sect   ");
    // Apart from its name, slot 0 is the first patch.
    EXPECT_TRUE(bank.Slot(0).Dump().SameIgnoringName(a.Dump(), W.Ctx.Sizes));
}

TEST(Morph, SteppedValuesMatchTheFloatArithmeticEverywhere) {
    // Every 14-bit pair at the extremes and in between, through the real code path.
    for (TModelClass modelClass : {TModelClass::Audity, TModelClass::CommandStation}) {
        TPatchWorld w(modelClass);
        TPatchLib lib(w.Ctx);
        TPatchRec a;
        TPatchRec b;
        TDumpSpec sa;
        sa.Seed = 1;
        TDumpSpec sb;
        sb.Seed = 2;
        w.Fill(a, sa);
        w.Fill(b, sb);
        lib.Add(a);
        lib.Add(b);
        TPatchBank bank(w.Ctx, 0, "User 0", true);
        ASSERT_TRUE(lib.Morph(bank));
        for (int t = 0; t < 128; t += 7) {
            for (int k = 2; k <= 7; ++k) {
                for (int j = 0; j < w.Ctx.Sizes.ValueCount(k); j += 5) {
                    if ((k == 3 && j == 35) || (k == 4 && j == 72) || (k == 5 && j == 109)) {
                        continue;
                    }
                    const float step = static_cast<float>(Value(b, k, j) - Value(a, k, j)) / 128.0f;
                    const int v = static_cast<int>(static_cast<float>(Value(a, k, j)) +
                                                   static_cast<float>(t) * step);
                    ASSERT_EQ(Value(bank.Slot(t), k, j), v);
                }
            }
        }
    }
}

// ---- library files ----

namespace {

std::vector<uint8_t> SavedLibrary(TPatchLib& lib, TPatchWorld& w, const std::string& path) {
    w.Dialogs.ExpectSave(msg::SaveLibraryTitle, path);
    EXPECT_TRUE(lib.SaveFileDialog());
    return ReadBytes(path);
}

} // namespace

TEST_F(LibTest, SaveAndLoadKeepPatchesAndNotes) {
    TTempDir dir;
    TMapSettings settings;
    W.Ctx.Settings = &settings;
    AddPatches(5);
    Lib.Patch(2).SetNote(2, "third note");
    Lib.Patch(3).Dump().Slot(0)[7] = 12;
    W.Ctx.DeviceId = 9;
    const std::string path = dir.File("MyPads.lib");
    const auto bytes = SavedLibrary(Lib, W, path);
    ASSERT_EQ(bytes.size(), 4u + 5u * 1607u + (7 + 1 + 1) * 5u + 10u);
    EXPECT_EQ(bytes[0], 5);
    EXPECT_FALSE(Lib.Modified());
    EXPECT_EQ(Grid.Caption, "MyPads : 5");
    EXPECT_EQ(settings.Values["PatchLib"], path);

    Lib.NewLibrary();
    Grid.Events.clear();
    W.Dialogs.ExpectOpen(msg::LoadLibraryTitle, path);
    ASSERT_TRUE(Lib.LoadFileDialog());
    EXPECT_EQ(Grid.Events, (std::vector<std::string>{"reset"}));
    ASSERT_EQ(Lib.Count(), 5);
    EXPECT_EQ(Names(), (std::vector<std::string>{"000", "001", "002", "003", "004"}));
    EXPECT_EQ(Lib.Patch(2).Note(0), "note 2");
    EXPECT_EQ(Lib.Patch(2).Note(2), "third note");
    EXPECT_EQ(Lib.Patch(3).Dump().Slot(0)[7], 127) << "saved addressed to the edit buffer";
    EXPECT_EQ(Lib.Patch(3).Dump().Slot(0)[3], 9);
    EXPECT_TRUE(Marked().empty());
    EXPECT_FALSE(Lib.Modified());
    EXPECT_EQ(Grid.Caption, "MyPads : 5");
    EXPECT_EQ(Lib.FileName(), path);
}

TEST_F(LibTest, CancelledSaveKeepsTheLibraryMarkedUnsaved) {
    AddPatches(2);
    W.Dialogs.ExpectSave(msg::SaveLibraryTitle, "");
    EXPECT_FALSE(Lib.SaveFileDialog());
    EXPECT_TRUE(Lib.Modified());
    EXPECT_EQ(Grid.Caption, "* : 2");
}

TEST_F(LibTest, AnEmptyLibraryRoundTrips) {
    TTempDir dir;
    AddPatches(1);
    Lib.Patch(0).SetSelected(true);
    Lib.DeleteSelected();
    const std::string path = dir.File("empty.lib");
    EXPECT_EQ(SavedLibrary(Lib, W, path), (std::vector<uint8_t>{0, 0, 0, 0}));
    AddPatches(2);
    EXPECT_TRUE(Lib.LoadFileByName(path));
    EXPECT_EQ(Lib.Count(), 0);
}

TEST_F(LibTest, BadLibraryFilesChangeNothing) {
    TTempDir dir;
    const auto dump = MakeDump(W.Ctx.Sizes);
    TDumpSpec second;
    second.Seed = 77;
    const auto dump2 = MakeDump(W.Ctx.Sizes, second);
    auto damaged2 = dump2;
    damaged2[36 + 255 + 254] = 0;
    TDumpSpec notEmu;
    notEmu.Emu = false;
    const std::string longNote(1200, 'x');
    struct Case {
        const char* What;
        std::vector<uint8_t> Bytes;
        TMessageKind Kind;
        std::string Message;
    };
    const Case cases[] = {
        {"empty file", {}, TMessageKind::Warning, msg::EmptyFile},
        {"three bytes", {1, 0, 0}, TMessageKind::Warning, msg::TruncatedFile},
        {"negative count", LibraryBytes(-1, {{{"", "", ""}, dump}}), TMessageKind::Warning,
         msg::LibraryCount(-1)},
        {"count far larger than the file",
         LibraryBytes(2000000000, {{{"", "", ""}, dump}, {{"", "", ""}, dump2}}),
         TMessageKind::Warning, msg::LibraryCount(2000000000)},
        {"count one larger", LibraryBytes(3, {{{"", "", ""}, dump}, {{"a", "", ""}, dump2}}),
         TMessageKind::Warning, msg::LibraryCount(3)},
        {"another model",
         LibraryBytes(
             1, {{{"", "", ""}, MakeDump(TDumpSizes::ForModelClass(TModelClass::CommandStation))}}),
         TMessageKind::Warning, msg::DifferentSynth},
        {"not E-mu", LibraryBytes(1, {{{"", "", ""}, MakeDump(W.Ctx.Sizes, notEmu)}}),
         TMessageKind::Error, msg::NotProteusFile},
        {"a first note longer than 999 bytes", LibraryBytes(1, {{{longNote, "", ""}, dump}}),
         TMessageKind::Warning, msg::LibraryNote(1)},
        {"a note longer than 999 bytes",
         LibraryBytes(2, {{{"", "", ""}, dump}, {{"", longNote, ""}, dump2}}),
         TMessageKind::Warning, msg::LibraryNote(2)},
        {"notes without an end",
         [&] {
             auto b = LibraryBytes(2, {{{"", "", ""}, dump}});
             b.insert(b.end(), {'a', 'b', 'c'});
             return b;
         }(),
         TMessageKind::Warning, msg::LibraryCount(2)},
        {"a damaged second dump", LibraryBytes(2, {{{"", "", ""}, dump}, {{"", "", ""}, damaged2}}),
         TMessageKind::Warning, msg::DamagedPreset(2)},
        {"the second dump cut short",
         [&] {
             auto b = LibraryBytes(2, {{{"", "", ""}, dump}, {{"", "", ""}, dump2}});
             b.resize(b.size() - 5);
             return b;
         }(),
         TMessageKind::Warning, msg::LibraryCount(2)},
    };
    AddPatches(3);
    Lib.Patch(1).SetSelected(true);
    const std::string caption = Grid.Caption;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const std::string path = dir.File("bad.lib");
        WriteBytes(path, c.Bytes);
        W.Dialogs.ExpectOpen(msg::LoadLibraryTitle, path);
        W.Dialogs.ExpectMessage(c.Kind, c.Message);
        EXPECT_FALSE(Lib.LoadFileDialog());
        EXPECT_EQ(Names(), (std::vector<std::string>{"000", "001", "002"}));
        EXPECT_EQ(Marked(), std::vector<int>{1});
        EXPECT_EQ(Lib.Patch(2).Note(0), "note 2");
        EXPECT_EQ(Grid.Caption, caption);
        EXPECT_TRUE(Lib.Modified());
    }
}

TEST_F(LibTest, AFileOfMoreThan20000PatchesFillsTheLibrary) {
    const auto dump = MakeDump(W.Ctx.Sizes);
    std::vector<TLibRecord> records(TPatchLib::MaxPatches + 3, TLibRecord{{"", "", ""}, dump});
    EXPECT_TRUE(Lib.LoadBytes(LibraryBytes(static_cast<int32_t>(records.size()), records)));
    EXPECT_EQ(Lib.Count(), TPatchLib::MaxPatches);
}

TEST_F(LibTest, StartUpLoadAndMissingFiles) {
    TTempDir dir;
    TMapSettings settings;
    W.Ctx.Settings = &settings;
    AddPatches(2);
    EXPECT_EQ(Lib.LoadDefault(), TPatchLib::NoLibFile);
    EXPECT_EQ(Lib.Count(), 2) << "a missing file changes nothing but the file name";
    EXPECT_EQ(Lib.FileName(), TPatchLib::NoLibFile);

    const std::string path = dir.File("Start.lib");
    WriteBytes(path, LibraryBytes(1, {{{"n1", "", ""}, MakeDump(W.Ctx.Sizes)}}));
    settings.Values["PatchLib"] = path;
    EXPECT_EQ(Lib.LoadDefault(), path);
    ASSERT_EQ(Lib.Count(), 1);
    EXPECT_EQ(Lib.Patch(0).Note(0), "n1");
    EXPECT_EQ(Grid.Caption, "Start : 1");
    EXPECT_FALSE(Lib.Modified());
    EXPECT_TRUE(settings.Written.empty()) << "only the dialogs remember the file";
}

TEST_F(LibTest, ReplaceAllTakesUnmarkedCopiesInOrderWithOneReset) {
    AddPatches(3);
    Lib.Patch(1).SetSelected(true);
    Lib.SetModified(false);
    Lib.UpdateTitle();
    const std::string caption = Grid.Caption;
    // Copies of patches 2 and 0, the first one marked, and one that is not in the library.
    TPatchRec two, zero, other;
    Lib.Patch(2).CopyTo(two);
    Lib.Patch(0).CopyTo(zero);
    two.SetSelected(true);
    TDumpSpec made;
    made.Seed = 99;
    made.Name = "Oth:Other       ";
    W.Fill(other, made);
    other.SetNote(2, "third note");
    const std::vector<const TPatchRec*> list = {&two, &zero, &other};
    Grid.Events.clear();
    Lib.ReplaceAll(list);
    EXPECT_EQ(Grid.Events, (std::vector<std::string>{"reset"}));
    EXPECT_EQ(Grid.Open, 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"002", "000", "Oth"}));
    EXPECT_EQ(Lib.Patch(0).Note(0), "note 2");
    EXPECT_EQ(Lib.Patch(2).Note(2), "third note");
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(std::ranges::equal(Lib.Patch(i).Dump().Bytes(), list[i]->Dump().Bytes()));
    }
    EXPECT_TRUE(Marked().empty());
    EXPECT_TRUE(Lib.Selection().empty());
    EXPECT_FALSE(Lib.Modified()) << "the mark is the caller's";
    EXPECT_EQ(Grid.Caption, caption);

    Lib.ReplaceAll({});
    EXPECT_EQ(Lib.Count(), 0);
}
