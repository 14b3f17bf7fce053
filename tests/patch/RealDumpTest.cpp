// Dumps made by the hardware: what only real data shows. Skipped where the folder of real
// dumps is not beside the project.
#include "ByteStream.h"
#include "DumpBuilder.h"
#include "PatchMessages.h"
#include "Patchlib.h"
#include "SafeFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace velcora;
using namespace velcora::test;

namespace {

std::string Fixture(const std::string& name) {
    const std::string path = RealFixture(name);
    return path;
}

#define REQUIRE_FIXTURE(path, name)                                                                \
    const std::string path = Fixture(name);                                                        \
    if (path.empty()) {                                                                            \
        GTEST_SKIP() << "real dump " << name << " not found beside the project";                   \
    }

} // namespace

TEST(RealDumps, AudityBankLoadsSlotBySlotWithItsOwnSizes) {
    REQUIRE_FIXTURE(path, "audity2000-user-bank0.syx");
    TPatchWorld w(TModelClass::Audity);
    TPatchBank bank(w.Ctx, 0, "User 0", true);
    w.Dialogs.ExpectOpen(msg::LoadBankTitle, path);
    ASSERT_TRUE(bank.LoadFileDialog());
    const auto raw = ReadBytes(path);
    ASSERT_EQ(raw.size(), 128u * 1605u);
    EXPECT_EQ(bank.Slot(0).Name(), "pad:HOUSE       ");
    for (int i = 0; i < 128; ++i) {
        const size_t at = static_cast<size_t>(i) * 1605 + 36 + 9;
        EXPECT_EQ(bank.Slot(i).Name(), std::string(raw.begin() + at, raw.begin() + at + 16)) << i;
        // Each slot holds its own dump: the data of packet 4 matches the file.
        const auto p4 = bank.Slot(i).Dump().Packet(4, w.Ctx.Sizes);
        const size_t p4at = static_cast<size_t>(i) * 1605 + 36 + 3 * 255;
        EXPECT_TRUE(std::equal(p4.begin(), p4.end() - 2, raw.begin() + p4at)) << i;
    }
}

TEST(RealDumps, AudityBankIsRefusedUnderTheProteusSizes) {
    REQUIRE_FIXTURE(path, "audity2000-user-bank0.syx");
    TPatchWorld w(TModelClass::Proteus);
    TPatchBank bank(w.Ctx, 0, "User 0", true);
    w.Dialogs.ExpectOpen(msg::LoadBankTitle, path);
    w.Dialogs.ExpectMessage(TMessageKind::Warning, msg::DifferentSynth);
    EXPECT_FALSE(bank.LoadFileDialog());
    EXPECT_EQ(bank.Slot(0).Name(), w.Blank.Name());
}

TEST(RealDumps, SinglesOf253BytePacketModelsLoadWithTheirNames) {
    const std::pair<const char*, const char*> files[] = {
        {"cs-composer-0000.syx", "brs:SforzadoSect"},       {"cs-mp7-0000.syx", "kit:Becky Boise "},
        {"cs-p2500-0000.syx", "arp:Guitartar   "},          {"cs-b3-0000.syx", "org:888000000 2 "},
        {"cs-composer-editbuffer.syx", "kb1:DynamicGrand"},
    };
    for (const auto& [name, patchName] : files) {
        REQUIRE_FIXTURE(path, name);
        SCOPED_TRACE(name);
        TPatchWorld w(TModelClass::CommandStation);
        TPatchRec edit;
        w.Dialogs.ExpectOpen(msg::LoadPatchTitle, path);
        ASSERT_EQ(edit.LoadFileDialog("Patch.syx", w.Ctx), path);
        EXPECT_EQ(edit.Name(), patchName);

        // Saved as held: only the edit-buffer address and the device id are stamped.
        TTempDir dir;
        w.Ctx.DeviceId = 0x22;
        w.Dialogs.ExpectSave(msg::SavePatchTitle, dir.File("out.syx"));
        ASSERT_EQ(edit.SaveFileDialog("x", w.Ctx), dir.File("out.syx"));
        const auto raw = ReadBytes(path);
        const auto saved = ReadBytes(dir.File("out.syx"));
        ExpectSameExceptStamped(raw, saved, w.Ctx.Sizes);
        EXPECT_EQ(saved[33], raw[33]) << "the ROM id stays in a single-patch file";
        EXPECT_EQ(saved[7], 127);
        EXPECT_EQ(saved[3], 0x22);
    }
}

TEST(RealDumps, RenamedCopyOfA253BytePacketDumpIsADuplicate) {
    REQUIRE_FIXTURE(path, "cs-p2500-0000.syx");
    TPatchWorld w(TModelClass::CommandStation);
    TPatchRec rec;
    const auto bytes = ReadBytes(path);
    TByteReader in(bytes);
    ASSERT_EQ(rec.ReadDump(in, w.Ctx), TReadResult::Ok);
    TPatchLib lib(w.Ctx);
    lib.Add(rec);
    rec.SetName("arp:My Copy", w.Ctx.Sizes);
    lib.Add(rec);
    EXPECT_EQ(lib.DeDup(), 1);
    EXPECT_EQ(lib.Selection(), (std::vector<int>{1}));
}

TEST(RealDumps, SinglesOf253BytePacketModelsAreRefusedUnderOtherSizes) {
    REQUIRE_FIXTURE(path, "cs-composer-0000.syx");
    for (TModelClass modelClass : {TModelClass::Audity, TModelClass::Proteus}) {
        TPatchWorld w(modelClass);
        TPatchBank bank(w.Ctx, 0, "User 0", true);
        w.Dialogs.ExpectOpen(msg::LoadBankTitle, path);
        w.Dialogs.ExpectMessage(TMessageKind::Warning, msg::DifferentSynth);
        EXPECT_FALSE(bank.LoadFileDialog());
    }
}

TEST(RealDumps, SetupAndArpeggiatorDumpsAreRefusedByEveryLoader) {
    for (const char* name : {"audity2000-setup-dump.syx", "cs-arp-pattern.syx"}) {
        REQUIRE_FIXTURE(path, name);
        for (TModelClass modelClass :
             {TModelClass::Audity, TModelClass::Proteus, TModelClass::CommandStation}) {
            SCOPED_TRACE(std::string(name) + " class " +
                         std::to_string(static_cast<int>(modelClass)));
            TPatchWorld w(modelClass);
            TPatchBank bank(w.Ctx, 0, "User 0", true);
            w.Dialogs.ExpectOpen(msg::LoadBankTitle, path);
            w.Dialogs.ExpectMessage(TMessageKind::Warning, msg::DifferentSynth);
            EXPECT_FALSE(bank.LoadFileDialog());

            TPatchRec edit;
            w.Dialogs.ExpectOpen(msg::LoadPatchTitle, path);
            w.Dialogs.ExpectMessage(TMessageKind::Warning, msg::DifferentSynth);
            EXPECT_EQ(edit.LoadFileDialog("Patch.syx", w.Ctx), "");
            edit.LoadFileQuiet(path, w.Ctx);
            EXPECT_EQ(edit.Name(), TPatchRec::PlaceholderName);

            TPatchLib lib(w.Ctx);
            w.Dialogs.ExpectMessage(TMessageKind::Warning, msg::DifferentSynth);
            EXPECT_FALSE(lib.LoadBytes(LibraryBytes(1, {{{"", "", ""}, ReadBytes(path)}})));
        }
    }
}

TEST(RealDumps, BankSaveAndReloadChangeOnlyTheStampedBytes) {
    REQUIRE_FIXTURE(path, "audity2000-user-bank0.syx");
    TPatchWorld w(TModelClass::Audity);
    w.Ctx.DeviceId = 0x10;
    TPatchBank bank(w.Ctx, 2, "User 2", true);
    w.Dialogs.ExpectOpen(msg::LoadBankTitle, path);
    ASSERT_TRUE(bank.LoadFileDialog());
    TTempDir dir;
    const std::string out = dir.File("again.syx");
    w.Dialogs.ExpectSave(msg::SaveBankTitle, out);
    ASSERT_TRUE(bank.SaveFileDialog());
    const auto raw = ReadBytes(path);
    const auto saved = ReadBytes(out);
    ExpectSameExceptStamped(raw, saved, w.Ctx.Sizes);
    EXPECT_EQ(saved[1605 * 5 + 8], 2);

    TPatchBank again(w.Ctx, 2, "User 2", true);
    w.Dialogs.ExpectOpen(msg::LoadBankTitle, out);
    ASSERT_TRUE(again.LoadFileDialog());
    const std::string out2 = dir.File("twice.syx");
    w.Dialogs.ExpectSave(msg::SaveBankTitle, out2);
    ASSERT_TRUE(again.SaveFileDialog());
    EXPECT_EQ(ReadBytes(out2), saved) << "a second round trip changes nothing";
}

TEST(RealDumps, LibraryRoundTripOfRealPatches) {
    REQUIRE_FIXTURE(path, "audity2000-user-bank0.syx");
    TPatchWorld w(TModelClass::Audity);
    TPatchBank bank(w.Ctx, 0, "User 0", false);
    const auto raw = ReadBytes(path);
    ASSERT_TRUE(bank.LoadBytes(raw));
    TPatchLib lib(w.Ctx);
    for (int i = 0; i < 128; ++i) {
        lib.Add(bank.Slot(i));
    }
    TByteWriter first;
    lib.WriteLibrary(first);
    TPatchLib back(w.Ctx);
    ASSERT_TRUE(back.LoadBytes(first.Bytes()));
    ASSERT_EQ(back.Count(), 128);
    TByteWriter second;
    back.WriteLibrary(second);
    EXPECT_EQ(second.Bytes(), first.Bytes());
    EXPECT_EQ(back.Patch(0).Name(), "pad:HOUSE       ");
}
