// The patch record and the preset dump layout: names, checksum marks, addressing,
// comparison ignoring names, notes and the single-patch file.
#include "ByteStream.h"
#include "DumpBuilder.h"
#include "PatchMessages.h"
#include "SafeFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace velcora;
using namespace velcora::test;

namespace {

std::vector<uint8_t> DumpBytes(TPatchRec& rec, TPatchContext& ctx) {
    TByteWriter out;
    rec.WriteDump(out, ctx);
    return out.Bytes();
}

// Offsets of the checksum byte of every packet within a file-order dump.
std::vector<size_t> ChecksumOffsets(const TDumpSizes& sizes) {
    std::vector<size_t> at;
    size_t start = 0;
    for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
        start += static_cast<size_t>(sizes.PacketSize(p));
        at.push_back(start - 2);
    }
    return at;
}

} // namespace

TEST(DumpSizes, ModelClassTable) {
    struct {
        TModelClass ModelClass;
        int Block;
        int Last;
        int Total;
        int DataBytes;
    } cases[] = {{TModelClass::Audity, 255, 39, 1605, 1492},
                 {TModelClass::Proteus, 255, 41, 1607, 1494},
                 {TModelClass::CommandStation, 253, 61, 1615, 1502},
                 {TModelClass::Unknown, 255, 41, 1607, 1494}};
    for (const auto& c : cases) {
        const TDumpSizes s = TDumpSizes::ForModelClass(c.ModelClass);
        EXPECT_EQ(s.HeadSize(), 36);
        for (int k = 1; k <= 6; ++k) {
            EXPECT_EQ(s.BlockSize(k), c.Block) << "class " << static_cast<int>(c.ModelClass);
        }
        EXPECT_EQ(s.BlockSize(7), c.Last);
        EXPECT_EQ(s.TotalSize(), c.Total);
        EXPECT_EQ(s.DataByteCount(), c.DataBytes);
    }
    EXPECT_EQ(TDumpSizes::ForModelClass(TModelClass::Unknown),
              TDumpSizes::ForModelClass(TModelClass::Proteus));
}

TEST(DumpSizes, MeasuredSizesMustFitTheBuffer) {
    EXPECT_TRUE(TDumpSizes::Make(36, {255, 255, 255, 255, 255, 255, 61}));
    EXPECT_FALSE(TDumpSizes::Make(37, {255, 255, 255, 255, 255, 255, 41}));
    EXPECT_FALSE(TDumpSizes::Make(36, {256, 255, 255, 255, 255, 255, 41}));
    EXPECT_FALSE(TDumpSizes::Make(36, {255, 255, 255, 255, 255, 255, 62}));
    EXPECT_FALSE(TDumpSizes::Make(36, {26, 255, 255, 255, 255, 255, 41}));
    EXPECT_FALSE(TDumpSizes::Make(36, {255, 255, 255, 255, 255, 255, 0}));
}

TEST(DumpSizes, MeasuredFromAStoredDump) {
    for (TModelClass modelClass :
         {TModelClass::Audity, TModelClass::Proteus, TModelClass::CommandStation}) {
        TPatchWorld w(modelClass);
        TPatchRec rec;
        w.Fill(rec, {});
        EXPECT_EQ(TDumpSizes::Measure(rec.Dump()), w.Ctx.Sizes) << static_cast<int>(modelClass);
    }
    TPatchRec empty;
    EXPECT_FALSE(TDumpSizes::Measure(empty.Dump())) << "packets without F7";
    TPatchWorld w;
    TPatchRec shortFirst;
    w.Fill(shortFirst, {});
    shortFirst.Dump().Slot(1)[20] = 0xF7; // too short to hold the name
    EXPECT_FALSE(TDumpSizes::Measure(shortFirst.Dump()));
}

TEST(DumpSizes, TheHeaderByteCountSetsTheLastPacket) {
    const TDumpSizes proteus = TDumpSizes::ForModelClass(TModelClass::Proteus);
    EXPECT_EQ(proteus.WithByteCount(1492).BlockSize(7), 39);
    EXPECT_EQ(proteus.WithByteCount(1502).BlockSize(7), 61);
    EXPECT_EQ(proteus.WithByteCount(1502).BlockSize(1), 255);
    EXPECT_EQ(proteus.WithByteCount(1500), proteus);
    EXPECT_EQ(TDumpSizes::ForModelClass(TModelClass::Audity).WithByteCount(1494), proteus);
}

TEST(PatchRec, SetNamePadsAndMarksEveryChecksum) {
    for (TModelClass modelClass :
         {TModelClass::Audity, TModelClass::Proteus, TModelClass::CommandStation}) {
        TPatchWorld w(modelClass);
        TPatchRec rec;
        w.Fill(rec, {});
        rec.SetName("Pad:Warm", w.Ctx.Sizes);
        const auto bytes = DumpBytes(rec, w.Ctx);
        const size_t name = 36 + 9;
        EXPECT_EQ(std::string(bytes.begin() + name, bytes.begin() + name + 16), "Pad:Warm        ");
        for (size_t at : ChecksumOffsets(w.Ctx.Sizes)) {
            EXPECT_EQ(bytes[at], 0x7F)
                << "class " << static_cast<int>(modelClass) << " offset " << at;
        }
        EXPECT_EQ(rec.Name(), "Pad:Warm" + std::string(16, ' '));
        rec.ReadName();
        EXPECT_EQ(rec.TypePart(), "Pad");
        EXPECT_EQ(rec.NamePart(), "Warm        ");
    }
}

TEST(PatchRec, NamesInTheDumpArePrintableSevenBitText) {
    struct Case {
        std::string Typed;
        std::string Stored;
    };
    const Case cases[] = {
        {"Pad:Warm ~{}", "Pad:Warm ~{}"},
        {std::string("A\x00"
                     "B",
                     3),
         "A?B"},
        {"A\x1F"
         "B\x7F"
         "C",
         "A?B?C"},
        {"Caf\xE9 \xC0"
         "b\xFF",
         "Cafe Aby"}, // accented letters lose the accent
        {"1\xF7"
         "2\x80"
         "3\x81",
         "1?2?3?"}, // F7 would end the message on the wire
        {"\xA0"
         "x\xE6"
         "y\xDF",
         " x?y?"}, // no-break space; letters without one
    };
    for (const auto& c : cases) {
        TPatchWorld w;
        TPatchRec rec;
        w.Fill(rec, {});
        rec.SetName(c.Typed, w.Ctx.Sizes);
        const std::string expected = (c.Stored + std::string(16, ' ')).substr(0, 16);
        const auto bytes = DumpBytes(rec, w.Ctx);
        EXPECT_EQ(std::string(bytes.begin() + 36 + 9, bytes.begin() + 36 + 25), expected)
            << c.Stored;
        EXPECT_EQ(rec.Name().substr(0, 16), expected) << "the cached name is what the dump holds";
    }
}

TEST(PatchRec, LongNameKeepsSixteenCharactersInTheDump) {
    TPatchWorld w;
    TPatchRec rec;
    w.Fill(rec, {});
    rec.SetName("Pad:Warm Strings Extra", w.Ctx.Sizes);
    rec.ReadName();
    EXPECT_EQ(rec.Name(), "Pad:Warm Strings");
}

TEST(PatchRec, AddressingAndDeviceId) {
    TPatchWorld w;
    TPatchRec rec;
    TDumpSpec made;
    made.Low = 5;
    made.High = 2;
    w.Fill(rec, made);
    rec.Dump().Slot(0)[33] = 0x04;
    rec.Dump().Slot(0)[34] = 0x11;

    rec.SetPresetNumber(127, 127);
    EXPECT_EQ(rec.Dump().Slot(0)[7], 127);
    EXPECT_EQ(rec.Dump().Slot(0)[8], 127);
    EXPECT_EQ(rec.Dump().Slot(0)[33], 0);
    EXPECT_EQ(rec.Dump().Slot(0)[34], 0);

    w.Ctx.DeviceId = 0x10;
    const auto bytes = DumpBytes(rec, w.Ctx);
    size_t start = 0;
    for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
        EXPECT_EQ(bytes[start + 3], 0x10) << "packet " << p;
        start += static_cast<size_t>(w.Ctx.Sizes.PacketSize(p));
    }

    TByteWriter out;
    rec.WriteAddressed(out, 17, 2, w.Ctx);
    EXPECT_EQ(out.Bytes()[7], 17);
    EXPECT_EQ(out.Bytes()[8], 2);
}

TEST(PatchRec, ReadDumpStampsTheCurrentUserBank) {
    TPatchWorld w;
    TDumpSpec made;
    made.High = 3;
    const auto bytes = MakeDump(w.Ctx.Sizes, made);
    w.Ctx.CurUserBank = 1;
    TPatchRec rec;
    TByteReader in(bytes);
    ASSERT_EQ(rec.ReadDump(in, w.Ctx), TReadResult::Ok);
    EXPECT_EQ(rec.Dump().Slot(0)[8], 1);
    EXPECT_EQ(rec.Name(), "Pad:Warm Strings");
}

TEST(PatchData, ReadPacketsNamesTheFirstUnframedPacket) {
    TPatchWorld w;
    const auto good = MakeDump(w.Ctx.Sizes);
    size_t ends[8];
    size_t start = 0;
    for (int p = 0; p < 8; ++p) {
        start += static_cast<size_t>(w.Ctx.Sizes.PacketSize(p));
        ends[p] = start - 1;
    }
    for (int p = 0; p < 8; ++p) {
        auto bad = good;
        bad[ends[p]] = 0x00;
        TPatchData data;
        TByteReader in(bad);
        EXPECT_EQ(static_cast<int>(data.ReadPackets(in, w.Ctx.Sizes)), -(p + 1)) << "packet " << p;
    }
    // Cut inside packet 7: the packet cannot be read whole, whatever the buffer held.
    TPatchData data;
    TByteReader whole(good);
    ASSERT_EQ(data.ReadPackets(whole, w.Ctx.Sizes), TReadResult::Ok);
    std::vector<uint8_t> cut(good.begin(), good.end() - 1);
    TByteReader in(cut);
    EXPECT_EQ(data.ReadPackets(in, w.Ctx.Sizes), TReadResult::Packet7Unframed);
}

TEST(PatchData, SameIgnoringNameComparesExactlyTheDataRanges) {
    struct Case {
        const char* What;
        TModelClass ModelClass;
        int Packet;
        int Offset; // -1: the checksum byte, -2: the last data byte
        bool Same;
    };
    const Case cases[] = {
        {"name byte", TModelClass::Proteus, 1, 9, true},
        {"last name byte", TModelClass::Proteus, 1, 24, true},
        {"first byte after the name", TModelClass::Proteus, 1, 25, false},
        {"header preset number", TModelClass::Proteus, 0, 7, true},
        {"header byte count", TModelClass::Proteus, 0, 10, true},
        {"packet 2 first data byte", TModelClass::Proteus, 2, 9, false},
        {"packet 3 offset 251", TModelClass::Proteus, 3, 251, false},
        {"packet 4 last data byte (252)", TModelClass::Proteus, 4, -2, true},
        {"packet 6 checksum", TModelClass::Proteus, 6, -1, true},
        {"packet 7 last data byte", TModelClass::Proteus, 7, -2, true},
        {"packet 7 byte before the last data byte", TModelClass::Proteus, 7, 37, false},
        {"Audity packet 7 offset 35", TModelClass::Audity, 7, 35, false},
        {"Audity packet 7 last data byte", TModelClass::Audity, 7, 36, true},
        {"253-byte packet 2 checksum (offset 251)", TModelClass::CommandStation, 2, -1, true},
        {"253-byte packet 1 checksum", TModelClass::CommandStation, 1, -1, true},
        {"253-byte packet 5 last data byte (250)", TModelClass::CommandStation, 5, -2, true},
        {"253-byte packet 5 offset 249", TModelClass::CommandStation, 5, 249, false},
        {"253-byte packet 7 offset 57", TModelClass::CommandStation, 7, 57, false},
        {"253-byte packet 7 last data byte", TModelClass::CommandStation, 7, -2, true},
    };
    for (const auto& c : cases) {
        TPatchWorld w(c.ModelClass);
        TPatchRec a;
        TPatchRec b;
        w.Fill(a, {});
        w.Fill(b, {});
        auto packet = b.Dump().Packet(c.Packet, w.Ctx.Sizes);
        const size_t at = c.Offset == -1   ? packet.size() - 2
                          : c.Offset == -2 ? packet.size() - 3
                                           : static_cast<size_t>(c.Offset);
        packet[at] ^= 0x01;
        EXPECT_EQ(a.Dump().SameIgnoringName(b.Dump(), w.Ctx.Sizes), c.Same) << c.What;
        if (c.Same) {
            EXPECT_EQ(a.Dump().CompareHash(w.Ctx.Sizes), b.Dump().CompareHash(w.Ctx.Sizes))
                << c.What;
        }
    }
}

TEST(PatchData, MarkedChecksumsNeverCount) {
    for (TModelClass modelClass :
         {TModelClass::Audity, TModelClass::Proteus, TModelClass::CommandStation}) {
        TPatchWorld w(modelClass);
        TPatchRec a;
        TPatchRec b;
        w.Fill(a, {});
        w.Fill(b, {});
        b.MarkChecksums(w.Ctx.Sizes);
        EXPECT_TRUE(a.Dump().SameIgnoringName(b.Dump(), w.Ctx.Sizes))
            << static_cast<int>(modelClass);
    }
}

TEST(PatchData, ShortestMeasuredPacketsCompareWithinThemselves) {
    // A first packet of 27 bytes ends right after the name: only the other packets count.
    const auto sizes = TDumpSizes::Make(36, {27, 13, 13, 13, 13, 13, 13});
    ASSERT_TRUE(sizes);
    TPatchData a;
    TPatchData b;
    b.Slot(1)[9] = 'X';
    b.Slot(1)[25] = 1; // checksum of packet 1
    EXPECT_TRUE(a.SameIgnoringName(b, *sizes));
    b.Slot(2)[9] = 1;
    EXPECT_FALSE(a.SameIgnoringName(b, *sizes));
}

TEST(PatchRec, NotesRoundTripAndStayReadable) {
    struct Case {
        std::string Notes[3];
        std::string Read[3];
    };
    const std::string long999(999, 'a');
    const std::string long1500(1500, 'b');
    const Case cases[] = {
        {{"", "", ""}, {"", "", ""}},
        {{"bright", "", "from 1999"}, {"bright", "", "from 1999"}},
        {{long999, "x", ""}, {long999, "x", ""}},
        // Longer notes are cut so that the file reads back; the other notes stay in place.
        {{long1500, "after", "end"}, {long1500.substr(0, 999), "after", "end"}},
        // A 00 byte inside a note would end it early on reading: it is cut there on writing.
        {{std::string("ab\0cd", 5), "z", ""}, {"ab", "z", ""}},
    };
    for (const auto& c : cases) {
        TPatchRec rec;
        for (int i = 0; i < 3; ++i) {
            rec.SetNote(i, c.Notes[i]);
        }
        TByteWriter out;
        rec.WriteNotes(out);
        out.WriteByte(0x55); // what follows the notes must stay where it is
        TByteReader in(out.Bytes());
        TPatchRec back;
        back.ReadNotes(in);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(back.Note(i), c.Read[i]);
        }
        ASSERT_EQ(in.Remaining(), 1u);
        EXPECT_EQ(in.Rest()[0], 0x55);
    }
}

TEST(PatchRec, EmptyNotesAreSingleZeroBytes) {
    TPatchRec rec;
    TByteWriter out;
    rec.WriteNotes(out);
    EXPECT_EQ(out.Bytes(), (std::vector<uint8_t>{0, 0, 0}));
}

TEST(PatchRec, InitCopiesTheBlankPatchOnceTheWorkspaceExists) {
    TPatchWorld w;
    TPatchRec rec;
    w.Ctx.Creating = true;
    rec.Init(w.Ctx);
    EXPECT_EQ(rec.Name(), TPatchRec::PlaceholderName);
    EXPECT_EQ(rec.Dump().Slot(1)[0], 0);
    w.Ctx.Creating = false;
    rec.SetNote(0, "x");
    rec.Init(w.Ctx);
    EXPECT_EQ(rec.Name(), w.Blank.Name());
    EXPECT_TRUE(rec.Dump().SameIgnoringName(w.Blank.Dump(), w.Ctx.Sizes));
    EXPECT_EQ(rec.Note(0), "");
    EXPECT_FALSE(rec.Selected());
}

TEST(CheckDumpFile, TellsWhatIsWrong) {
    TPatchWorld w;
    TTempDir dir;
    const auto good = MakeDump(w.Ctx.Sizes);
    TDumpSpec other;
    other.Emu = false;
    const auto notEmu = MakeDump(w.Ctx.Sizes, other);
    const auto audity = MakeDump(TDumpSizes::ForModelClass(TModelClass::Audity));
    struct Case {
        const char* What;
        std::vector<uint8_t> Bytes;
        bool Quiet;
        TReadResult Code;
        std::string Message;
        TMessageKind Kind;
    };
    const Case cases[] = {
        {"a dump of this synth", good, false, TReadResult::Ok, "", TMessageKind::Warning},
        {"another model", audity, false, TReadResult::Packet7Unframed, msg::DifferentSynth,
         TMessageKind::Warning},
        {"another model, quiet", audity, true, TReadResult::Packet7Unframed, msg::DifferentSynth,
         TMessageKind::Warning},
        {"not E-mu", notEmu, false, TReadResult::NotEmu, msg::NotProteusFile, TMessageKind::Error},
        {"not E-mu, quiet", notEmu, true, TReadResult::NotEmu, "", TMessageKind::Error},
        {"empty",
         {},
         false,
         TReadResult::HeaderUnframed,
         msg::DifferentSynth,
         TMessageKind::Warning},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        w.Ctx.QuietLoad = c.Quiet;
        if (!c.Message.empty()) {
            w.Dialogs.ExpectMessage(c.Kind, c.Message);
        }
        TPatchData data;
        TByteReader in(c.Bytes);
        EXPECT_EQ(data.CheckDumpFile(in, true, w.Ctx), c.Code);
        if (c.Code == TReadResult::Ok) {
            EXPECT_EQ(in.Position(), 0u);
        }
        EXPECT_TRUE(w.Dialogs.ScriptDone());
    }
}

class SinglePatchFile : public ::testing::Test {
protected:
    TPatchWorld W;
    TTempDir Dir;
    TPatchRec Edit;
};

TEST_F(SinglePatchFile, LoadStampsTheEditBufferAndTakesTheFirstDumpOfABank) {
    const std::string path = Dir.File("bank.syx");
    WriteBytes(path, MakeDumps(W.Ctx.Sizes, 128, 40));
    W.Dialogs.ExpectOpen(msg::LoadPatchTitle, path);
    EXPECT_EQ(Edit.LoadFileDialog("Patch.syx", W.Ctx), path);
    EXPECT_EQ(Edit.Name(), "Tst:Patch 000   ");
    EXPECT_EQ(Edit.Name().size(), 16u);
    EXPECT_EQ(Edit.Dump().Slot(0)[7], 127);
    EXPECT_EQ(Edit.Dump().Slot(0)[8], 127);
    EXPECT_EQ(W.Dialogs.Shown()[0].Filter, msg::SysexFilter);
}

TEST_F(SinglePatchFile, LoadCancelledOrRefusedLeavesTheRecord) {
    W.Fill(Edit, {});
    const std::string before = Edit.Name();
    W.Dialogs.ExpectOpen(msg::LoadPatchTitle, "");
    EXPECT_EQ(Edit.LoadFileDialog("Patch.syx", W.Ctx), "Patch.syx");

    const std::string other = Dir.File("audity.syx");
    WriteBytes(other, MakeDump(TDumpSizes::ForModelClass(TModelClass::Audity)));
    W.Dialogs.ExpectOpen(msg::LoadPatchTitle, other);
    W.Dialogs.ExpectMessage(TMessageKind::Warning, msg::DifferentSynth);
    EXPECT_EQ(Edit.LoadFileDialog("Patch.syx", W.Ctx), "");

    // Ends every packet in F7, but packet 5 is no preset packet: saved again, it would be
    // written as the blank patch.
    auto unframed = MakeDump(W.Ctx.Sizes);
    unframed[36 + 4 * 255 + 1] = 0x7E;
    const std::string odd = Dir.File("odd.syx");
    WriteBytes(odd, unframed);
    W.Dialogs.ExpectOpen(msg::LoadPatchTitle, odd);
    W.Dialogs.ExpectMessage(TMessageKind::Warning, msg::DifferentSynth);
    EXPECT_EQ(Edit.LoadFileDialog("Patch.syx", W.Ctx), "");

    const std::string empty = Dir.File("empty.syx");
    WriteBytes(empty, {});
    W.Dialogs.ExpectOpen(msg::LoadPatchTitle, empty);
    W.Dialogs.ExpectMessage(TMessageKind::Warning, msg::EmptyFile);
    EXPECT_EQ(Edit.LoadFileDialog("Patch.syx", W.Ctx), "");
    EXPECT_EQ(Edit.Name(), before);
}

TEST_F(SinglePatchFile, QuietLoadSaysNothingAndEndsQuietMode) {
    const std::string good = Dir.File("Default.syx");
    TDumpSpec made;
    made.Name = "Bla:Blank Preset";
    made.Low = 3;
    WriteBytes(good, MakeDump(W.Ctx.Sizes, made));
    const std::string bad = Dir.File("bad.syx");
    WriteBytes(bad, MakeDump(TDumpSizes::ForModelClass(TModelClass::CommandStation)));

    for (const std::string& path : {bad, Dir.File("missing.syx")}) {
        Edit.LoadFileQuiet(path, W.Ctx);
        EXPECT_FALSE(W.Ctx.QuietLoad);
        EXPECT_EQ(Edit.Name(), TPatchRec::PlaceholderName);
    }
    Edit.LoadFileQuiet(good, W.Ctx);
    EXPECT_FALSE(W.Ctx.QuietLoad);
    EXPECT_EQ(Edit.Name(), "Bla:Blank Preset");
    EXPECT_EQ(Edit.Dump().Slot(0)[7], 127);
    EXPECT_EQ(Edit.Dump().Slot(0)[8], 127);
}

TEST_F(SinglePatchFile, SaveWritesTheDumpAsHeldWithTheDeviceId) {
    W.Fill(Edit, {});
    Edit.SetPresetNumber(127, 127);
    W.Ctx.DeviceId = 3;
    const std::string path = Dir.File("p.syx");
    W.Dialogs.ExpectSave(msg::SavePatchTitle, path);
    EXPECT_EQ(Edit.SaveFileDialog("Patch.syx", W.Ctx), path);
    const auto bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 1607u);
    EXPECT_EQ(bytes[3], 3);
    EXPECT_EQ(bytes[7], 127);
}

TEST_F(SinglePatchFile, SaveOverAnExistingFileFollowsTheAnswer) {
    W.Fill(Edit, {});
    const std::vector<uint8_t> old = {1, 2, 3};
    struct Case {
        TAnswer Answer;
        bool NewFile;
        bool Backup;
        bool Returned;
    };
    for (const auto& c :
         {Case{TAnswer::Yes, true, true, true}, Case{TAnswer::No, true, false, true},
          Case{TAnswer::Cancel, false, false, false}}) {
        TTempDir dir;
        const std::string path = dir.File("p.syx");
        WriteBytes(path, old);
        W.Dialogs.ExpectSave(msg::SavePatchTitle, path);
        W.Dialogs.ExpectMessage(TMessageKind::Confirmation, msg::BackupQuestion, c.Answer);
        EXPECT_EQ(Edit.SaveFileDialog("x", W.Ctx), c.Returned ? path : "");
        EXPECT_EQ(ReadBytes(path).size(), c.NewFile ? 1607u : 3u);
        EXPECT_EQ(FileExists(dir.File("p.BAK")), c.Backup);
        if (c.Backup) {
            EXPECT_EQ(ReadBytes(dir.File("p.BAK")), old);
        }
    }
}
