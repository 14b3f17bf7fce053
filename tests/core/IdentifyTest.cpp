// What the program does with the synth's answers about itself: identity, hardware
// configuration, channel and the preset dump sizes. The answers reach the workspace as the
// synth's replies do, through the receive dispatcher, after the request that awaits them.
#include "DumpBuilder.h"
#include "EndBanks.h"
#include "RecordingView.h"
#include "SafeFile.h"
#include "SynthTexts.h"
#include "TempDir.h"
#include "TestApp.h"
#include "Workspace.h"
#include "WorkspaceProbe.h"

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

// Composer with 512 presets, an unknown id 12 with 300.
const TBytes TwoRoms = {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x09, 0x02, 0x00, 0x04, 0x02, 0x06, 0x04,
                        0x00, 0x00, 0x04, 0x10, 0x05, 0x0C, 0x00, 0x2C, 0x02, 0x00, 0x01, 0xF7};
const TBytes NoRom = {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x09, 0x02, 0x00, 0x04, 0x00, 0x06, 0xF7};
/// The value of another parameter than the channel.
const TBytes OtherParameter = {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x03,
                               0x01, 0x0C, 0x01, 0x05, 0x00, 0xF7};
const TBytes ChannelReply1F = {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x03,
                               0x01, 0x0B, 0x01, 0x1F, 0x00, 0xF7};

/// The eight messages of a dump as the synth answers a request.
std::vector<TBytes> Answer(const TDumpSizes& sizes, const TDumpSpec& made) {
    return MakeOpenLoopPackets(sizes, made);
}

TDumpSpec EditBufferDump(const char* name, uint8_t deviceId = 0) {
    TDumpSpec made;
    made.Name = name;
    made.DeviceId = deviceId;
    made.Low = 0x7F;
    made.High = 0x7F;
    return made;
}

class IdentifyTest : public ::testing::Test {
protected:
    IdentifyTest() { EnsureApp(); }
    std::unique_ptr<TWorkspace> Make() {
        auto ws = std::make_unique<TWorkspace>(Dialogs, View, Start.File("Velcora.INI"),
                                               Start.Path(), Docs.Path());
        ws->SetPause([](int) {});
        return ws;
    }
    /// "Look for Synth", and the synth's answer.
    static void LookForSynth(TWorkspace& ws, const TBytes& reply) {
        ws.bCheckIdClick();
        ws.ReceiveSysex(reply);
    }
    static void Receive(TWorkspace& ws, const std::vector<TBytes>& messages) {
        for (const TBytes& m : messages) {
            ws.ReceiveSysex(m);
        }
    }
    /// A Proteus 2000 with device id 0, identified; its shipped blank preset suits it.
    std::unique_ptr<TWorkspace> Identified() {
        WriteBytes(Start.File("Default Composer.syx"),
                   MakeDump(TDumpSizes::ForModelClass(TModelClass::Proteus)));
        auto ws = Make();
        LookForSynth(*ws, IdentityReply(0, 3));
        EXPECT_TRUE(ws->Status().SynthFound);
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
        const TWorkspaceProbe probe(*ws);
        Dialogs.ExpectMessage(TMessageKind::Warning, BlankFileWarning);
        LookForSynth(*ws, IdentityReply(16, c.Member, c.MemberHigh));
        ASSERT_TRUE(ws->Status().SynthFound);
        EXPECT_FALSE(probe.ExpectIdentity());
        const std::string section = std::string(c.Model) + "_16";
        EXPECT_EQ(ws->Synth().ModelName, c.Model);
        EXPECT_EQ(ws->Synth().Section, section);
        EXPECT_EQ(ws->Synth().Version, "1.04");
        EXPECT_EQ(ws->Context().DeviceId, 16);
        EXPECT_EQ(ws->Context().Sizes.TotalSize(), c.Total);
        EXPECT_TRUE(probe.ExpectHwConfig());
        EXPECT_EQ(View.Caption, std::string(c.Model) + " (Ver: 1.04 ) Library");
        EXPECT_EQ(View.SplashModel, c.Model);
        EXPECT_EQ(View.SetupSynth, std::string(c.Model) + " (16)");
        EXPECT_EQ(View.TimeBetweenSysex, 40);
        EXPECT_EQ(View.TimeBetweenPatches, 400);
        EXPECT_EQ(probe.SendTimer().interval(), 400);
        EXPECT_TRUE(
            std::filesystem::is_directory(Docs.Path() + "/Velcora/" + c.Folder + "/Backup"));
        EXPECT_EQ(ws->Settings().ReadInteger(section, "TotalSize", 0), c.Total);
        EXPECT_EQ(ws->Settings().ReadInteger(section, "Block7Size", 0),
                  ws->Context().Sizes.BlockSize(7));
        EXPECT_EQ(ws->Synth().FileNames[TSynth::BlankFile], TWorkspace::DefaultBlankFile);
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
        ws.SetPause([](int) {});
        if (c.Warning) {
            Dialogs.ExpectMessage(TMessageKind::Warning, BlankFileWarning);
        }
        LookForSynth(ws, IdentityReply(0, c.Member));
        ASSERT_TRUE(ws.Status().SynthFound);
        EXPECT_TRUE(Dialogs.ScriptDone());
        EXPECT_TRUE(ws.BlankPatch().Dump().Framed(ws.Context().Sizes));
    }
}

TEST_F(IdentifyTest, OtherRepliesAreNotTheIdentity) {
    auto ws = Make();
    const TWorkspaceProbe probe(*ws);
    TBytes other = IdentityReply(0, 3);
    other[5] = 0x41; // another manufacturer
    LookForSynth(*ws, other);
    EXPECT_FALSE(ws->Status().SynthFound);
    EXPECT_TRUE(probe.ExpectIdentity()) << "still waiting for the synth";
    EXPECT_EQ(ws->Synth().Section, "");
    EXPECT_EQ(View.SetupSynth, "");
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
    LookForSynth(*ws, IdentityReply(3, 3));
    ASSERT_TRUE(ws->Status().SynthFound);
    EXPECT_EQ(ws->Status().BlankName, "My Blank");
    EXPECT_EQ(View.BlankName, "My Blank");
    EXPECT_EQ(ws->Synth().TimeBetweenSysex, 60);
    EXPECT_EQ(ws->Status().TimeBetweenSysex, 60);
    EXPECT_EQ(TWorkspaceProbe(*ws).SendTimer().interval(), 250);
    EXPECT_EQ(ws->UserBank(2).Slot(0).Name(), "Tst:Patch 256   ") << "EndBanks1.syx reloaded";
}

TEST_F(IdentifyTest, HardwareConfigurationFillsTheRomLists) {
    const std::vector<std::string> fourBanks = {"Bank 0", "Bank 1", "Bank 2", "Bank 3"};
    const struct {
        const char* What;
        std::vector<TBytes> Messages; ///< after the identity reply
        std::vector<std::string> Roms;
        int RomSelected; ///< -2: the list never filled
        std::vector<std::string> Banks;
        bool ChannelAsked;
    } cases[] = {
        {"a known and an unknown ROM",
         {TwoRoms},
         {"ROM 0 : Composer", "ROM 1 : Id # 12"},
         0,
         fourBanks,
         true},
        {"no ROM at all: both lists empty, the channel still asked for", {NoRom}, {}, -1, {}, true},
        {"another E-mu message uses up the expectation without being the reply",
         {OtherParameter, TwoRoms},
         {},
         -2,
         {},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        View = TRecordingView{};
        auto ws = Identified();
        const TWorkspaceProbe probe(*ws);
        ASSERT_TRUE(probe.ExpectHwConfig());
        ASSERT_FALSE(probe.ExpectChannel());
        Receive(*ws, c.Messages);
        EXPECT_FALSE(probe.ExpectHwConfig());
        EXPECT_EQ(probe.ExpectChannel(), c.ChannelAsked);
        EXPECT_EQ(View.RomList, c.Roms);
        EXPECT_EQ(View.RomSelected, c.RomSelected);
        EXPECT_EQ(View.RomBankList, c.Banks);
        EXPECT_EQ(ws->Synth().RomCount, static_cast<int>(c.Roms.size()));
    }

    // The person chooses the second ROM: its 300 presets make two banks.
    View = TRecordingView{};
    auto ws = Identified();
    ws->ReceiveSysex(TwoRoms);
    ws->cbROMListChange(1);
    EXPECT_EQ(ws->Status().RomIndex, 1);
    EXPECT_EQ(View.RomBankList, (std::vector<std::string>{"Bank 0", "Bank 1"}));
}

TEST_F(IdentifyTest, MoreThanFourRomsKeepsFour) {
    auto ws = Identified();
    TBytes config = {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x09, 0x02, 0x00, 0x04, 0x06, 0x06};
    for (int i = 0; i < 6; ++i) {
        config.insert(config.end(), {static_cast<uint8_t>(i + 2), 0, 0, 1, 0, 0});
    }
    config.push_back(0xF7);
    ws->ReceiveSysex(config);
    EXPECT_EQ(ws->Synth().RomCount, 4);
    EXPECT_EQ(View.RomList.size(), 4u);
    EXPECT_TRUE(TWorkspaceProbe(*ws).ExpectChannel());
}

TEST_F(IdentifyTest, ChannelReply) {
    const struct {
        const char* What;
        std::vector<TBytes> Messages; ///< after the hardware configuration
        uint8_t Channel;
    } cases[] = {
        {"the reply: the low four bits of its value", {ChannelReply1F}, 0x0F},
        {"another parameter's value uses up the expectation",
         {OtherParameter, ChannelReply1F},
         0x00},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        auto ws = Identified();
        const TWorkspaceProbe probe(*ws);
        ws->ReceiveSysex(TwoRoms);
        ASSERT_TRUE(probe.ExpectChannel());
        Receive(*ws, c.Messages);
        EXPECT_FALSE(probe.ExpectChannel());
        EXPECT_EQ(probe.SynthChannel(), c.Channel);
    }
}

TEST_F(IdentifyTest, DumpSizesFollowHeadersAndTheMeasuredEditBuffer) {
    auto ws = Identified();
    ASSERT_EQ(ws->Synth().Section, "Proteus 2000_0");
    const TDumpSizes proteus = TDumpSizes::ForModelClass(TModelClass::Proteus);
    ws->bbGetEditBufClick();
    TBytes header = Answer(proteus, EditBufferDump("Hdr:Only"))[0];
    header[9] = 1500 & 0x7F;
    header[10] = 1500 >> 7;
    ws->ReceiveSysex(header);
    EXPECT_EQ(ws->Synth().TotalParam, 750);
    EXPECT_EQ(ws->Context().Sizes.BlockSize(7), 41);
    header[9] = 1492 & 0x7F;
    header[10] = 1492 >> 7;
    ws->ReceiveSysex(header);
    EXPECT_EQ(ws->Context().Sizes.BlockSize(7), 39);

    // Measured once per edit-buffer request, from the stored packets.
    ws->bbGetEditBufClick();
    EXPECT_FALSE(ws->Synth().SizesMeasured);
    const TDumpSizes xl7 = TDumpSizes::ForModelClass(TModelClass::CommandStation);
    Receive(*ws, Answer(xl7, EditBufferDump("Xl7:Measured")));
    EXPECT_TRUE(ws->Synth().SizesMeasured);
    EXPECT_EQ(ws->Context().Sizes.TotalSize(), 1615);
    EXPECT_EQ(ws->Settings().ReadInteger("Proteus 2000_0", "TotalSize", 0), 1615);
    Receive(*ws,
            Answer(TDumpSizes::ForModelClass(TModelClass::Audity), EditBufferDump("Aud:Second")));
    EXPECT_EQ(ws->Context().Sizes.TotalSize(), 1615) << "a second dump does not measure again";
    EXPECT_EQ(ws->EditPatch().Name().substr(0, 12), "Xl7:Measured");

    // Packets of lengths no dump has keep the sizes.
    ws->bbGetEditBufClick();
    std::vector<TBytes> garbage = Answer(xl7, EditBufferDump("Bad:Lengths"));
    for (size_t p = 1; p < garbage.size(); ++p) {
        garbage[p].resize(12);
        garbage[p].push_back(0xF7);
    }
    Receive(*ws, garbage);
    EXPECT_FALSE(ws->Synth().SizesMeasured);
    EXPECT_EQ(ws->Context().Sizes.TotalSize(), 1615) << "unusable lengths keep the sizes";
    EXPECT_EQ(ws->Settings().ReadInteger("Proteus 2000_0", "TotalSize", 0), 1615);
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
        const TWorkspaceProbe probe(*ws);
        LookForSynth(*ws, IdentityReply(16, 3));
        ASSERT_TRUE(ws->Status().SynthFound);
        const TWorkFolders folders = ws->Folders();
        // The ROM lists and the channel follow; the replies use up what they answer.
        TBytes config = NoRom;
        TBytes channel = ChannelReply1F;
        config[3] = channel[3] = 16;
        Receive(*ws, {config, channel});
        ASSERT_FALSE(probe.ExpectHwConfig());
        // Sizes measured from the synth's edit buffer: the patches held have them.
        const TDumpSizes sizes = *TDumpSizes::Make(36, {251, 251, 251, 251, 251, 251, 41});
        ws->bbGetEditBufClick();
        Receive(*ws, Answer(sizes, EditBufferDump("Edt:Measured", 16)));
        ASSERT_EQ(ws->Context().Sizes, sizes);
        // Work of the session: a bank fetched or edited, the library, the edit buffer.
        ws->UserBank(2).Slot(7).SetName("Tst:Fetched", sizes);
        ws->EditPatch().SetName("Edt:Tweaked", sizes);
        ws->Library().Add(ws->UserBank(2).Slot(7));
        ws->Library().SetModified(c.Unsaved);
        if (c.Unsaved) {
            ws->MarkDirty(ws->UserBank(2));
        }
        const TDirtyFlags dirty = ws->Dirty();
        const int libCount = ws->Library().Count();

        if (c.Asked) {
            Dialogs.ExpectMessage(TMessageKind::Confirmation, otherSynthQuestion, c.Answer);
        }
        TBytes again = IdentityReply(16, c.Member);
        again[13] = '5'; // a newer software version
        LookForSynth(*ws, again);
        EXPECT_TRUE(Dialogs.ScriptDone());
        EXPECT_FALSE(probe.ExpectIdentity());

        EXPECT_EQ(ws->Synth().Section, c.Reloaded ? "XL-7_16" : "Proteus 2000_16");
        EXPECT_EQ(ws->Synth().ModelName, c.Reloaded ? "XL-7" : "Proteus 2000");
        EXPECT_EQ(View.SetupSynth, c.Reloaded ? "XL-7 (16)" : "Proteus 2000 (16)");
        const bool refused = c.Asked && c.Answer == TAnswer::No;
        EXPECT_EQ(ws->Synth().Version, refused ? "1.04" : "1.05");
        EXPECT_EQ(probe.ExpectHwConfig(), !refused) << "the ROM lists asked for again";
        if (c.Reloaded) {
            EXPECT_EQ(ws->Context().Sizes.TotalSize(), 1615);
            EXPECT_NE(ws->Folders().ModelDir, folders.ModelDir);
        } else {
            EXPECT_EQ(ws->Context().Sizes, sizes);
            EXPECT_EQ(ws->Folders().ModelDir, folders.ModelDir);
            EXPECT_EQ(ws->Folders().BackupDir, folders.BackupDir);
        }
        const auto nameOf = [](const TPatchRec& patch) { return patch.Name().substr(0, 11); };
        if (c.Reloaded) {
            EXPECT_NE(nameOf(ws->UserBank(2).Slot(7)), "Tst:Fetched");
            EXPECT_NE(nameOf(ws->EditPatch()), "Edt:Tweaked");
            EXPECT_EQ(ws->Library().Count(), 1) << "a new library";
        } else {
            EXPECT_EQ(nameOf(ws->UserBank(2).Slot(7)), "Tst:Fetched");
            EXPECT_EQ(nameOf(ws->EditPatch()), "Edt:Tweaked");
            EXPECT_EQ(ws->Library().Count(), libCount);
            EXPECT_EQ(ws->Dirty(), dirty) << "the close prompt still lists them";
        }
    }
}

// No synth was identified before the first answer: there is no other synth to keep, so the
// first answer identifies the synth whatever is modified, and its workspace is whole.
TEST_F(IdentifyTest, TheFirstIdentityReplyIdentifiesTheSynthWhateverIsUnsaved) {
    const struct {
        const char* What;
        bool Library;
        bool Bank;
    } cases[] = {
        {"library modified", true, false},
        {"user bank modified", false, true},
        {"both modified", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        std::filesystem::remove(Start.File("Velcora.INI"));
        WriteBytes(Start.File("Default XL-2.syx"),
                   MakeDump(TDumpSizes::ForModelClass(TModelClass::CommandStation)));
        auto ws = Make();
        const TWorkspaceProbe probe(*ws);
        ws->Library().SetModified(c.Library);
        if (c.Bank) {
            ws->MarkDirty(ws->UserBank(1));
        }
        ASSERT_NE(ws->Dirty(), TDirtyFlags{});

        LookForSynth(*ws, IdentityReply(16, 13));
        EXPECT_TRUE(Dialogs.ScriptDone());
        EXPECT_TRUE(ws->Status().SynthFound);
        EXPECT_FALSE(probe.ExpectIdentity());
        EXPECT_TRUE(probe.ExpectHwConfig()) << "the ROM lists asked for";
        EXPECT_EQ(ws->Synth().Section, "XL-7_16");
        EXPECT_EQ(ws->Context().DeviceId, 16);
        EXPECT_EQ(View.SetupSynth, "XL-7 (16)");
        EXPECT_EQ(ws->Context().Sizes.TotalSize(), 1615);
        EXPECT_FALSE(ws->Folders().PatchesDir.empty());
        EXPECT_TRUE(std::filesystem::is_directory(ws->Folders().BackupDir));
    }
}

// Patches copied for one synth's dump sizes are another size's garbage: the clipboard goes
// when the next synth's sizes differ, and stays when they are the same.
TEST_F(IdentifyTest, TheClipboardGoesWhenTheNextSynthsDumpSizesDiffer) {
    const struct {
        const char* What;
        uint8_t Member;
        bool Kept;
    } cases[] = {
        {"a synth of the same sizes", 7, true},
        {"a synth of the Command Station's sizes", 13, false},
        {"an Audity's sizes", 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        std::filesystem::remove(Start.File("Velcora.INI"));
        for (const auto& [file, model] :
             {std::pair{"Default Audity.syx", TModelClass::Audity},
              std::pair{"Default XL-2.syx", TModelClass::CommandStation}}) {
            WriteBytes(Start.File(file), MakeDump(TDumpSizes::ForModelClass(model)));
        }
        auto ws = Identified();
        ws->UserBank(0).Slot(4).SetName("Cpy:Copied", ws->Context().Sizes);
        ws->UserBank(0).DeselectAll();
        ws->UserBank(0).Slot(4).SetSelected(true);
        ws->UserBank(0).CopySelection();
        ASSERT_EQ(ws->Context().ClipCount, 1);
        ws->Library().SetModified(false); // nothing to ask about before the switch

        LookForSynth(*ws, IdentityReply(0, c.Member));
        ASSERT_TRUE(Dialogs.ScriptDone());
        EXPECT_EQ(ws->Context().ClipCount, c.Kept ? 1 : 0);
        TPatchBank& bank = ws->UserBank(1);
        const std::string before = bank.Slot(0).Name();
        bank.DeselectAll();
        bank.Slot(0).SetSelected(true);
        bank.Paste(TInsertMode::Overwrite);
        EXPECT_EQ(bank.Slot(0).Name().substr(0, 10), c.Kept ? "Cpy:Copied" : before.substr(0, 10));
        const int count = ws->Library().Count();
        ws->Library().Paste();
        EXPECT_EQ(ws->Library().Count(), count + (c.Kept ? 1 : 0));
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
        LookForSynth(*ws, IdentityReply(0, 3));
        ASSERT_TRUE(ws->Status().SynthFound);
        EXPECT_EQ(ws->Synth().TimeBetweenSysex, c.Sysex);
        EXPECT_EQ(ws->Synth().TimeBetweenPatches, c.Patches);
        EXPECT_EQ(ws->Status().TimeBetweenSysex, c.Sysex);
        EXPECT_EQ(ws->Status().TimeBetweenPatches, c.Patches);
        EXPECT_EQ(View.TimeBetweenSysex, c.Sysex);
        EXPECT_EQ(View.TimeBetweenPatches, c.Patches);
        EXPECT_EQ(TWorkspaceProbe(*ws).SendTimer().interval(), c.Patches);
    }
}
