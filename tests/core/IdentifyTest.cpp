// What the program does with the synth's answers about itself: identity, hardware
// configuration, channel and the preset dump sizes.
#include "DumpBuilder.h"
#include "EndBanks.h"
#include "RecordingView.h"
#include "SafeFile.h"
#include "SynthTexts.h"
#include "TempDir.h"
#include "Workspace.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace velcora;
using namespace velcora::test;

namespace {

using TBytes = std::vector<uint8_t>;

TBytes IdentityReply(uint8_t deviceId, uint8_t member, uint8_t memberHigh = 0) {
    return {0xF0,   0x7E,       deviceId, 0x06, 0x02, 0x18, 0x04, 0x04,
            member, memberHigh, '1',      '.',  '0',  '4',  0xF7};
}

class IdentifyTest : public ::testing::Test {
protected:
    std::unique_ptr<TWorkspace> Make() {
        auto ws = std::make_unique<TWorkspace>(Dialogs, View, Start.File("Velcora.INI"),
                                               Start.Path(), Docs.Path());
        ws->FSynth.Pause = [](int) {};
        return ws;
    }
    TTempDir Start;
    TTempDir Docs;
    TScriptedDialogs Dialogs;
    TRecordingView View;
};

} // namespace

TEST_F(IdentifyTest, EveryModelOfTheTableSetsUpItsWorkspace) {
    struct Case {
        uint8_t Member;
        uint8_t MemberHigh;
        const char* Model;
        const char* Folder;
        int Total;
    } cases[] = {
        {2, 0, "Audity 2000", "Audity", 1605},    {3, 0, "Proteus 2000", "Proteus", 1607},
        {7, 0, "Mo'Phatt", "Proteus", 1607},      {13, 0, "XL-7", "Command", 1615},
        {15, 0, "Proteus 2500", "Command", 1615}, {24, 5, "PX-7", "Command", 1615},
        {21, 0, "Proteus 1000", "Proteus", 1607}, {1, 0, "UNKNOWN", "Unknown", 1607},
        {25, 0, "UNKNOWN", "Unknown", 1607},      {0x7F, 0x7F, "UNKNOWN", "Unknown", 1607}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Model);
        auto ws = Make();
        Dialogs.ExpectMessage(TMessageKind::Warning, BlankFileWarning);
        ASSERT_TRUE(ws->FSynth.HandleIdentity(IdentityReply(16, c.Member, c.MemberHigh)));
        const std::string section = std::string(c.Model) + "_16";
        EXPECT_EQ(ws->FSynth.ModelName, c.Model);
        EXPECT_EQ(ws->FSynth.Section, section);
        EXPECT_EQ(ws->FSynth.Version, "1.04");
        EXPECT_EQ(ws->FCtx.DeviceId, 16);
        EXPECT_EQ(ws->FCtx.Sizes.TotalSize(), c.Total);
        EXPECT_TRUE(ws->FSynthFound);
        EXPECT_TRUE(ws->FExpectHwConfig);
        EXPECT_EQ(View.Caption, std::string(c.Model) + " (Ver: 1.04 ) Library");
        EXPECT_EQ(View.SplashModel, c.Model);
        EXPECT_EQ(View.SetupSynth, std::string(c.Model) + " (16)");
        EXPECT_EQ(View.TimeBetweenSysex, 40);
        EXPECT_EQ(View.TimeBetweenPatches, 400);
        EXPECT_EQ(ws->FSendTimer.interval(), 400);
        EXPECT_TRUE(
            std::filesystem::is_directory(Docs.Path() + "/Velcora/" + c.Folder + "/Backup"));
        EXPECT_EQ(ws->FIni.ReadInteger(section, "TotalSize", 0), c.Total);
        EXPECT_EQ(ws->FIni.ReadInteger(section, "Block7Size", 0), ws->FCtx.Sizes.BlockSize(7));
        EXPECT_EQ(ws->FSynth.FileNames[TSynth::BlankFile], TWorkspace::DefaultBlankFile);
    }
}

TEST_F(IdentifyTest, TheBlankFileWarningOnlyWhenNoSuitableBlankWasLoaded) {
    struct Case {
        const char* What;
        uint8_t Member;
        const char* Shipped;      // the default source beside the program, if any
        TModelClass ShippedClass; // the sizes of that file
        bool Warning;
    } cases[] = {
        {"Proteus 2000, shipped default suits", 3, "Default Composer.syx", TModelClass::Proteus,
         false},
        {"XL-7, shipped default suits", 13, "Default XL-2.syx", TModelClass::CommandStation, false},
        {"Proteus 2000, no shipped default", 3, nullptr, TModelClass::Unknown, true},
        {"XL-7, shipped default of other sizes", 13, "Default XL-2.syx", TModelClass::Proteus,
         true},
        {"unknown model: its default source never exists", 25, nullptr, TModelClass::Unknown, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TTempDir start;
        TTempDir docs;
        if (c.Shipped != nullptr) {
            WriteBytes(start.File(c.Shipped), MakeDump(TDumpSizes::ForModelClass(c.ShippedClass)));
        }
        TWorkspace ws(Dialogs, View, start.File("Velcora.INI"), start.Path(), docs.Path());
        ws.FSynth.Pause = [](int) {};
        if (c.Warning) {
            Dialogs.ExpectMessage(TMessageKind::Warning, BlankFileWarning);
        }
        ASSERT_TRUE(ws.FSynth.HandleIdentity(IdentityReply(0, c.Member)));
        EXPECT_TRUE(Dialogs.ScriptDone());
        EXPECT_TRUE(ws.FBlankPatch->Dump().Framed(ws.FCtx.Sizes));
    }
}

TEST_F(IdentifyTest, OtherRepliesAreNotTheIdentity) {
    auto ws = Make();
    TBytes other = IdentityReply(0, 3);
    other[5] = 0x41; // another manufacturer
    EXPECT_FALSE(ws->FSynth.HandleIdentity(other));
    EXPECT_FALSE(ws->FSynthFound);
    EXPECT_EQ(ws->FSynth.Section, "");
}

TEST_F(IdentifyTest, SettingsOfTheSynthAndItsLastBackup) {
    TIniFile ini(Start.File("Velcora.INI"));
    ini.WriteString("Proteus 2000_3", "BlankFile", "/home/me/My Blank.syx");
    ini.WriteInteger("Proteus 2000_3", "TimeBetweenSysex", 60);
    ini.WriteInteger("Proteus 2000_3", "TimeBetweenPatches", 250);
    const std::string backup = Docs.Path() + "/Velcora/Proteus/Backup/";
    std::filesystem::create_directories(backup);
    WriteBytes(backup + "EndBanks1.syx",
               MakeDumps(TDumpSizes::ForModelClass(TModelClass::Proteus), 512));
    WriteBytes(Start.File("Default Composer.syx"),
               MakeDump(TDumpSizes::ForModelClass(TModelClass::Proteus)));

    auto ws = Make();
    ASSERT_TRUE(ws->FSynth.HandleIdentity(IdentityReply(3, 3)));
    EXPECT_EQ(ws->FBlankName, "My Blank");
    EXPECT_EQ(View.BlankName, "My Blank");
    EXPECT_EQ(ws->FSynth.TimeBetweenSysex, 60);
    EXPECT_EQ(ws->FSendTimer.interval(), 250);
    EXPECT_EQ(ws->UserBank(2).Slot(0).Name(), "Tst:Patch 256   ") << "EndBanks1.syx reloaded";
}

TEST_F(IdentifyTest, HardwareConfigurationFillsTheRomLists) {
    auto ws = Make();
    ws->FExpectHwConfig = true;
    // Composer with 512 presets, an unknown id 12 with 300.
    const TBytes config = {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x09, 0x02, 0x00, 0x04, 0x02, 0x06, 0x04,
                           0x00, 0x00, 0x04, 0x10, 0x05, 0x0C, 0x00, 0x2C, 0x02, 0x00, 0x01, 0xF7};
    ASSERT_TRUE(ws->FSynth.HandleHwConfig(config));
    EXPECT_FALSE(ws->FExpectHwConfig);
    EXPECT_TRUE(ws->FExpectChannel) << "the channel is asked next";
    EXPECT_EQ(View.RomList, (std::vector<std::string>{"ROM 0 : Composer", "ROM 1 : Id # 12"}));
    EXPECT_EQ(View.RomSelected, 0);
    EXPECT_EQ(View.RomBankList, (std::vector<std::string>{"Bank 0", "Bank 1", "Bank 2", "Bank 3"}));
    ws->FSynth.cbROMListChange(1);
    EXPECT_EQ(ws->FRomIndex, 1);
    EXPECT_EQ(View.RomBankList, (std::vector<std::string>{"Bank 0", "Bank 1"}));

    // No ROM at all: both lists empty, the channel still asked for.
    ws->FExpectChannel = false;
    ASSERT_TRUE(ws->FSynth.HandleHwConfig(
        TBytes{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x09, 0x02, 0x00, 0x04, 0x00, 0x06, 0xF7}));
    EXPECT_TRUE(View.RomList.empty());
    EXPECT_TRUE(View.RomBankList.empty());
    EXPECT_TRUE(ws->FExpectChannel);

    // Any other E-mu message uses up the expectation without being the reply.
    ws->FExpectHwConfig = true;
    EXPECT_FALSE(ws->FSynth.HandleHwConfig(TBytes{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x7D, 0xF7}));
    EXPECT_FALSE(ws->FExpectHwConfig);
}

TEST_F(IdentifyTest, MoreThanFourRomsKeepsFour) {
    auto ws = Make();
    TBytes config = {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x09, 0x02, 0x00, 0x04, 0x06, 0x06};
    for (int i = 0; i < 6; ++i) {
        config.insert(config.end(), {static_cast<uint8_t>(i + 2), 0, 0, 1, 0, 0});
    }
    config.push_back(0xF7);
    ASSERT_TRUE(ws->FSynth.HandleHwConfig(config));
    EXPECT_EQ(ws->FSynth.RomCount, 4);
    EXPECT_EQ(View.RomList.size(), 4u);
}

TEST_F(IdentifyTest, ChannelReply) {
    auto ws = Make();
    ws->FExpectChannel = true;
    EXPECT_TRUE(ws->FSynth.HandleChannel(
        TBytes{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x03, 0x01, 0x0B, 0x01, 0x1F, 0x00, 0xF7}));
    EXPECT_EQ(ws->FSynthChannel, 0x0F);
    EXPECT_FALSE(ws->FExpectChannel);
    ws->FExpectChannel = true;
    EXPECT_FALSE(ws->FSynth.HandleChannel(
        TBytes{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x03, 0x01, 0x0C, 0x01, 0x05, 0x00, 0xF7}));
    EXPECT_FALSE(ws->FExpectChannel);
    EXPECT_EQ(ws->FSynthChannel, 0x0F);
}

TEST_F(IdentifyTest, DumpSizesFollowHeadersAndTheMeasuredEditBuffer) {
    auto ws = Make();
    ws->FSynth.Section = "Proteus 2000_0";
    TBytes header = MakeDump(TDumpSizes::ForModelClass(TModelClass::Proteus));
    header.resize(36);
    header[9] = 1500 & 0x7F;
    header[10] = 1500 >> 7;
    ws->FSynth.ApplyHeaderByteCount(header);
    EXPECT_EQ(ws->FSynth.TotalParam, 750);
    EXPECT_EQ(ws->FCtx.Sizes.BlockSize(7), 41);
    header[9] = 1492 & 0x7F;
    header[10] = 1492 >> 7;
    ws->FSynth.ApplyHeaderByteCount(header);
    EXPECT_EQ(ws->FCtx.Sizes.BlockSize(7), 39);

    // Measured once per edit-buffer request, from the stored packets.
    TPatchWorld xl7(TModelClass::CommandStation);
    TPatchRec edit;
    xl7.Fill(edit, {});
    ws->FSynth.MeasureSizes(edit);
    EXPECT_EQ(ws->FCtx.Sizes.TotalSize(), 1615);
    EXPECT_EQ(ws->FIni.ReadInteger("Proteus 2000_0", "TotalSize", 0), 1615);
    TPatchWorld audity(TModelClass::Audity);
    TPatchRec other;
    audity.Fill(other, {});
    ws->FSynth.MeasureSizes(other);
    EXPECT_EQ(ws->FCtx.Sizes.TotalSize(), 1615) << "a second dump does not measure again";
    ws->FSynth.SizesMeasured = false;
    TPatchRec garbage;
    ws->FSynth.MeasureSizes(garbage);
    EXPECT_EQ(ws->FCtx.Sizes.TotalSize(), 1615) << "unusable lengths keep the sizes";
}

TEST_F(IdentifyTest, ALaterIdentityReplyKeepsUnsavedWorkUnlessAnotherSynthIsAcceptedInstead) {
    const std::string otherSynthQuestion =
        "Another synth has answered: XL-7 (16).\nSwitching to it reloads the banks, the library "
        "and the edit buffer of that synth.\n\nSwitch to the other synth?\n\n"
        "These files need saving :\nLibrary \nUser Bank 2 ";
    struct Case {
        const char* What;
        uint8_t Member; ///< of the second reply; the first is a Proteus 2000 with id 16
        bool Unsaved;   ///< library and user bank 2 modified
        bool Asked;     ///< the question comes, answered by Answer
        TAnswer Answer;
        bool Reloaded; ///< the second synth's workspace replaces the first's
    } cases[] = {
        {"the same synth, work unsaved", 3, true, false, TAnswer::Ok, false},
        {"the same synth, nothing unsaved", 3, false, false, TAnswer::Ok, false},
        {"another synth, nothing unsaved", 13, false, false, TAnswer::Ok, true},
        {"another synth, work unsaved, Yes", 13, true, true, TAnswer::Yes, true},
        {"another synth, work unsaved, No", 13, true, true, TAnswer::No, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        std::filesystem::remove(Start.File("Velcora.INI"));
        // The shipped blank presets of both models, so that identification asks nothing else.
        WriteBytes(Start.File("Default Composer.syx"),
                   MakeDump(TDumpSizes::ForModelClass(TModelClass::Proteus)));
        WriteBytes(Start.File("Default XL-2.syx"),
                   MakeDump(TDumpSizes::ForModelClass(TModelClass::CommandStation)));
        auto ws = Make();
        ASSERT_TRUE(ws->FSynth.HandleIdentity(IdentityReply(16, 3)));
        const TWorkFolders folders = ws->FFolders;
        // Sizes measured from the synth's edit buffer: the patches held have them.
        ws->FCtx.Sizes = *TDumpSizes::Make(36, {251, 251, 251, 251, 251, 251, 41});
        const TDumpSizes sizes = ws->FCtx.Sizes;
        // Work of the session: a bank fetched or edited, the library, the edit buffer.
        ws->UserBank(2).Slot(7).SetName("Tst:Fetched", ws->FCtx.Sizes);
        ws->FEditPatch->SetName("Edt:Tweaked", ws->FCtx.Sizes);
        ws->FLib->Add(ws->UserBank(2).Slot(7));
        ws->FLib->SetModified(c.Unsaved);
        if (c.Unsaved) {
            ws->MarkDirty(ws->UserBank(2));
        }
        const TDirtyFlags dirty = ws->Dirty();
        const int libCount = ws->FLib->Count();
        ws->FExpectHwConfig = false;

        if (c.Asked) {
            Dialogs.ExpectMessage(TMessageKind::Confirmation, otherSynthQuestion, c.Answer);
        }
        View.SetupSynth.clear(); // as "Look for Synth" leaves it
        TBytes again = IdentityReply(16, c.Member);
        again[13] = '5'; // a newer software version
        ASSERT_TRUE(ws->FSynth.HandleIdentity(again));
        EXPECT_TRUE(Dialogs.ScriptDone());

        EXPECT_EQ(ws->FSynth.Section, c.Reloaded ? "XL-7_16" : "Proteus 2000_16");
        EXPECT_EQ(ws->FSynth.ModelName, c.Reloaded ? "XL-7" : "Proteus 2000");
        EXPECT_EQ(View.SetupSynth, c.Reloaded ? "XL-7 (16)" : "Proteus 2000 (16)");
        const bool refused = c.Asked && c.Answer == TAnswer::No;
        EXPECT_EQ(ws->FSynth.Version, refused ? "1.04" : "1.05");
        EXPECT_EQ(ws->FExpectHwConfig, !refused) << "the ROM lists asked for again";
        if (c.Reloaded) {
            EXPECT_EQ(ws->FCtx.Sizes.TotalSize(), 1615);
            EXPECT_NE(ws->FFolders.ModelDir, folders.ModelDir);
        } else {
            EXPECT_EQ(ws->FCtx.Sizes, sizes);
            EXPECT_EQ(ws->FFolders.ModelDir, folders.ModelDir);
            EXPECT_EQ(ws->FFolders.BackupDir, folders.BackupDir);
        }
        const auto nameOf = [](const TPatchRec& patch) { return patch.Name().substr(0, 11); };
        if (c.Reloaded) {
            EXPECT_NE(nameOf(ws->UserBank(2).Slot(7)), "Tst:Fetched");
            EXPECT_NE(nameOf(*ws->FEditPatch), "Edt:Tweaked");
            EXPECT_EQ(ws->FLib->Count(), 1) << "a new library";
        } else {
            EXPECT_EQ(nameOf(ws->UserBank(2).Slot(7)), "Tst:Fetched");
            EXPECT_EQ(nameOf(*ws->FEditPatch), "Edt:Tweaked");
            EXPECT_EQ(ws->FLib->Count(), libCount);
            EXPECT_EQ(ws->Dirty(), dirty) << "the close prompt still lists them";
        }
    }
}

TEST_F(IdentifyTest, PausesFromTheSettingsStayWithinWhatTheSetupFieldsAllow) {
    const struct {
        const char* Stored;
        int Sysex;
        int Patches;
    } cases[] = {
        {"-1", 0, 0},          {"-50000", 0, 0},           {"0", 0, 0},       {"9999", 9999, 9999},
        {"10000", 9999, 9999}, {"2147483647", 9999, 9999}, {"fast", 40, 400}, {"", 40, 400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Stored);
        TIniFile ini(Start.File("Velcora.INI"));
        WriteBytes(Start.File("Default Composer.syx"),
                   MakeDump(TDumpSizes::ForModelClass(TModelClass::Proteus)));
        ini.WriteString("Proteus 2000_0", "TimeBetweenSysex", c.Stored);
        ini.WriteString("Proteus 2000_0", "TimeBetweenPatches", c.Stored);
        auto ws = Make();
        ASSERT_TRUE(ws->FSynth.HandleIdentity(IdentityReply(0, 3)));
        EXPECT_EQ(ws->FSynth.TimeBetweenSysex, c.Sysex);
        EXPECT_EQ(ws->FSynth.TimeBetweenPatches, c.Patches);
        EXPECT_EQ(View.TimeBetweenSysex, c.Sysex);
        EXPECT_EQ(View.TimeBetweenPatches, c.Patches);
        EXPECT_EQ(ws->FSendTimer.interval(), c.Patches);
    }
}
