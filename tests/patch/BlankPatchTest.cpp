// The blank patch that fills emptied slots, new libraries and the frames of Mix and Morph:
// every file the program writes with blanks in it must read back whole.
#include "AllBanks.h"
#include "BuiltInBlank.h"
#include "ByteStream.h"
#include "DumpBuilder.h"
#include "Patchlib.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace velcora;
using namespace velcora::test;

namespace {

// Where the blank patch can come from when Default.syx gave none: the workspace's blank
// record never filled (all zeros), or no blank record at all.
struct TWorldCase {
    const char* What;
    TModelClass ModelClass;
    bool ZeroBlank;
};
const TWorldCase Worlds[] = {
    {"unknown model, zero blank", TModelClass::Unknown, true},
    {"Audity, zero blank", TModelClass::Audity, true},
    {"Proteus 2000, no blank record", TModelClass::Proteus, false},
    {"XL-7, zero blank", TModelClass::CommandStation, true},
};

void WithoutFramedBlank(TPatchWorld& w, const TWorldCase& c) {
    if (c.ZeroBlank) {
        w.Blank.Dump().Clear();
    } else {
        w.Ctx.BlankPatch = nullptr;
    }
}

const std::string RealName = "Pad:Warm Strings";

// The bank file bytes read back into a new bank; the dialogs fail the test on any message.
void ExpectBankReadsBack(TPatchWorld& w, TPatchBank& bank, int realSlot) {
    TByteWriter out;
    bank.WriteBank(out);
    TPatchBank back(w.Ctx, bank.BankNumber(), "User 0", true);
    ASSERT_TRUE(back.LoadBytes(out.Bytes()));
    EXPECT_EQ(back.Slot(realSlot).Name(), RealName);
}

} // namespace

TEST(BlankPatch, BanksEmptiedWithoutAFramedBlankReadBack) {
    for (const auto& c : Worlds) {
        SCOPED_TRACE(c.What);
        TPatchWorld w(c.ModelClass);
        WithoutFramedBlank(w, c);
        TPatchBank bank(w.Ctx, 1, "User 1", true);
        bank.Reset();
        w.Fill(bank.Slot(2), {});
        bank.Slot(5).SetSelected(true);
        bank.DeleteSelected(TDeleteMode::PutBlank);
        bank.Slot(0).SetSelected(true);
        bank.DeleteSelected(TDeleteMode::PullUp);
        ExpectBankReadsBack(w, bank, 1);
        // The pulled-up extension brings a blank into view.
        for (int i = 0; i < 127; ++i) {
            bank.Slot(0).SetSelected(true);
            bank.DeleteSelected(TDeleteMode::PullUp);
        }
        TByteWriter out;
        bank.WriteBank(out);
        TPatchBank back(w.Ctx, 1, "User 1", true);
        EXPECT_TRUE(back.LoadBytes(out.Bytes()));
        EXPECT_EQ(back.Slot(0).Name(), back.Slot(127).Name());
    }
}

TEST(BlankPatch, AllBanksFileWithBlanksReadsBack) {
    for (const auto& c : Worlds) {
        SCOPED_TRACE(c.What);
        TPatchWorld w(c.ModelClass);
        WithoutFramedBlank(w, c);
        TPatchBank b0(w.Ctx, 0, "User 0", true), b1(w.Ctx, 1, "User 1", true),
            b2(w.Ctx, 2, "User 2", true), b3(w.Ctx, 3, "User 3", true);
        const TUserBanks banks{&b0, &b1, &b2, &b3};
        for (TPatchBank* b : banks) {
            b->Reset();
        }
        w.Fill(b2.Slot(3), {});
        TTempDir dir;
        ASSERT_TRUE(WriteAllBanks(w.Ctx, banks, dir.File("all.syx")));

        TPatchBank r0(w.Ctx, 0, "User 0", true), r1(w.Ctx, 1, "User 1", true),
            r2(w.Ctx, 2, "User 2", true), r3(w.Ctx, 3, "User 3", true);
        ASSERT_TRUE(
            ReadAllBanks(w.Ctx, {&r0, &r1, &r2, &r3}, ReadBytes(dir.File("all.syx")), true));
        EXPECT_EQ(r2.Slot(3).Name(), RealName);
    }
}

TEST(BlankPatch, NewLibraryWithARealPatchReadsBack) {
    for (const auto& c : Worlds) {
        SCOPED_TRACE(c.What);
        TPatchWorld w(c.ModelClass);
        WithoutFramedBlank(w, c);
        TPatchLib lib(w.Ctx);
        lib.NewLibrary();
        TPatchRec real;
        w.Fill(real, {});
        lib.Add(real);
        TByteWriter out;
        lib.WriteLibrary(out);
        TPatchLib back(w.Ctx);
        ASSERT_TRUE(back.LoadBytes(out.Bytes()));
        ASSERT_EQ(back.Count(), 2);
        EXPECT_EQ(back.Patch(1).Name(), RealName);
    }
}

TEST(BlankPatch, MixAndMorphIntoUnframedSlotsGiveFramedPatches) {
    for (const bool morph : {false, true}) {
        for (const auto& c : Worlds) {
            SCOPED_TRACE(std::string(c.What) + (morph ? ", Morph" : ", Mix"));
            TPatchWorld w(c.ModelClass);
            WithoutFramedBlank(w, c);
            // Slots made while the workspace is built stay empty until the first reset.
            w.Ctx.Creating = true;
            TPatchBank bank(w.Ctx, 0, "User 0", true);
            w.Ctx.Creating = false;
            TPatchLib lib(w.Ctx);
            for (uint32_t seed : {1u, 2u}) {
                TPatchRec rec;
                TDumpSpec made;
                made.Seed = seed;
                w.Fill(rec, made);
                lib.Add(rec);
            }
            ASSERT_TRUE(morph ? lib.Morph(bank) : lib.Mix(bank, 7));
            TByteWriter out;
            bank.WriteBank(out);
            TPatchBank back(w.Ctx, 0, "User 0", true);
            ASSERT_TRUE(back.LoadBytes(out.Bytes()));
            EXPECT_EQ(back.Slot(5).Name(), morph ? "005:Warm String " : "000:Mix 005     ");
            EXPECT_TRUE(back.Slot(5).Dump().SameIgnoringName(bank.Slot(5).Dump(), w.Ctx.Sizes));
        }
    }
}

TEST(BlankPatch, AnUnframedRecordIsWrittenAsTheBlankAtItsAddress) {
    for (const auto& c : Worlds) {
        SCOPED_TRACE(c.What);
        TPatchWorld w(c.ModelClass);
        w.Ctx.DeviceId = 0x11;
        TPatchRec empty; // as records are before the first identification
        TByteWriter out;
        empty.WriteAddressed(out, 9, 2, w.Ctx);
        TPatchRec back;
        TByteReader in(out.Bytes());
        ASSERT_EQ(back.ReadDump(in, w.Ctx), TReadResult::Ok);
        EXPECT_TRUE(back.Dump().Framed(w.Ctx.Sizes));
        EXPECT_EQ(back.Name(), w.Blank.Name()) << "the context's blank, framed at these sizes";
        EXPECT_EQ(out.Bytes()[7], 9);
        EXPECT_EQ(out.Bytes()[8], 2);
        EXPECT_EQ(out.Bytes()[3], 0x11);
        EXPECT_EQ(empty.Name(), TPatchRec::PlaceholderName) << "the record itself is untouched";
    }
}

TEST(BlankPatch, BuiltInBlankFramesAtEverySize) {
    struct Case {
        const char* What;
        TDumpSizes Sizes;
        const char* Shipped; // the file it equals byte for byte, if any
    };
    const Case cases[] = {
        {"Audity", TDumpSizes::ForModelClass(TModelClass::Audity), "Default Audity.syx"},
        {"Proteus 2000", TDumpSizes::ForModelClass(TModelClass::Proteus), "Default Composer.syx"},
        {"unknown model", TDumpSizes::ForModelClass(TModelClass::Unknown), "Default Composer.syx"},
        {"XL-7", TDumpSizes::ForModelClass(TModelClass::CommandStation), "Default XL-2.syx"},
        // A header announcing another byte count changes the last packet alone.
        {"253-byte packets, last 41",
         TDumpSizes::ForModelClass(TModelClass::CommandStation).WithByteCount(1494), nullptr},
        {"255-byte packets, last 61",
         TDumpSizes::ForModelClass(TModelClass::Proteus).WithByteCount(1502), nullptr},
        {"shortest measured packets", *TDumpSizes::Make(36, {27, 13, 13, 13, 13, 13, 13}), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const TPatchData dump = BuiltInBlankDump(c.Sizes);
        ASSERT_TRUE(dump.Framed(c.Sizes));
        TPatchRec rec;
        dump.CopyTo(rec.Dump());
        rec.ReadName();
        EXPECT_EQ(rec.Name(), "ini:Blank Preset");
        const auto header = dump.Slot(0);
        EXPECT_EQ(header[7], 0x7F);
        EXPECT_EQ(header[8], 0x7F);
        const int count = header[9] | header[10] << 7 | header[11] << 14 | header[12] << 21;
        EXPECT_EQ(count, c.Sizes.DataByteCount());
        if (c.Shipped != nullptr) {
            TByteWriter out;
            for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
                out.Write(dump.Packet(p, c.Sizes));
            }
            EXPECT_EQ(out.Bytes(), ReadBytes(std::string(VELCORA_ASSETS_DIR) + "/" + c.Shipped));
        }
    }
}

TEST(BlankPatch, ABlankOfOtherSizesGivesWayToTheBuiltInOne) {
    TPatchWorld w(TModelClass::Proteus); // its blank is framed at the Proteus 2000 sizes
    TPatchRec rec;
    rec.MakeBlank(w.Ctx);
    EXPECT_EQ(rec.Name(), w.Blank.Name());
    // A dump header announcing 1492 data bytes shortens the last packet.
    w.Ctx.Sizes = w.Ctx.Sizes.WithByteCount(1492);
    rec.MakeBlank(w.Ctx);
    EXPECT_EQ(rec.Name(), "ini:Blank Preset");
    EXPECT_TRUE(rec.Dump().Framed(w.Ctx.Sizes));
}
