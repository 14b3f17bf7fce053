// The edit buffer's commands as its panel drives them: the single-patch file and its
// remembered name, a rename on the synth and in the program, and a random patch.
#include "ByteStream.h"
#include "DumpBuilder.h"
#include "PatchContext.h"
#include "Patchrec.h"
#include "VirtualSynthWorkspace.h"

#include <algorithm>
#include <filesystem>

using namespace velcora;
using namespace velcora::test;

namespace {

class EditBufferTest : public TVirtualSynthWorkspace {
protected:
    /// The name the program's edit buffer holds, as a saved file of it carries it.
    std::string ProgramCopyName(const std::string& file) {
        Dialogs.ExpectSave("Save Patch Bank File", file);
        Ws->bbSaveEditBufClick("Any", "Name");
        const std::vector<uint8_t> bytes = ReadBytes(file);
        TPatchRec saved;
        TByteReader in(bytes);
        TPatchContext ctx(Dialogs);
        ctx.Sizes = Sizes;
        EXPECT_EQ(saved.ReadDump(in, ctx), TReadResult::Ok);
        return saved.Name();
    }
    std::string SynthEditBufferName() {
        Synth.Drain();
        return Synth.With([](emu::TVirtualSynth& s) { return s.EditBuffer().Name(); });
    }

    const TDumpSizes Sizes = TDumpSizes::ForModelClass(TModelClass::Proteus);
    const std::string LoadTitle = "Load Patch Bank File";
    const std::string SaveTitle = "Save Patch Bank File";
    const std::string Section = "Proteus 2000_0";
};

} // namespace

TEST(EditBufferName, TheTwoFieldsMakeSixteenCharacters) {
    const struct {
        const char* Category;
        const char* Name;
        const char* Composed;
    } cases[] = {
        {"Pa", "Lead", "Pa :Lead        "},   {"Pads", "Warm", "Pad:Warm        "},
        {"", "", "   :            "},         {"Syn", "A Name Too Long To Fit", "Syn:A Name Too L"},
        {"Bs", " Deep ", "Bs : Deep       "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TWorkspace::ComposeName(c.Category, c.Name), c.Composed) << c.Composed;
    }
}

TEST_F(EditBufferTest, RenameNamesTheSynthsEditBufferAndTheProgramsCopyAlike) {
    Connect();
    const struct {
        std::string Category;
        std::string Name;
        std::string Result;
    } cases[] = {
        {"Pa", "Lead", "Pa :Lead        "},
        // A name crosses to the synth and into the dump only as 7-bit text.
        {"Pad", "Caf\xE9 Noir", "Pad:Cafe Noir   "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Result);
        Ws->bbRenameEditBufClick(c.Category, c.Name);
        EXPECT_TRUE(PumpUntil([&] { return SynthEditBufferName() == c.Result; }))
            << SynthEditBufferName();
        EXPECT_EQ(ProgramCopyName(Dir.File(c.Category + ".syx")), c.Result);
    }
}

TEST_F(EditBufferTest, ARandomPatchArrivesInTheEditBuffer) {
    Connect();
    const std::string before = SynthEditBufferName();
    Ws->bbRandEditBufClick();
    ASSERT_TRUE(PumpUntil([&] { return SynthEditBufferName() != before && ShowsSynthEditBuffer(); },
                          std::chrono::seconds(10)));
    EXPECT_EQ(ProgramCopyName(Dir.File("Random.syx")), SynthEditBufferName());
}

TEST_F(EditBufferTest, EditBufferRequestsWaitForARunningFetch) {
    // Each asks for the edit buffer, which would take the fetch's receive target.
    const struct {
        const char* What;
        void (TWorkspace::*Command)();
        const char* Warning;
    } cases[] = {
        {"random patch", &TWorkspace::bbRandEditBufClick,
         "A transfer is running.\nWait for it to end, or cancel it, before asking for a random "
         "patch."},
        {"get edit buffer", &TWorkspace::bbGetEditBufClick,
         "A transfer is running.\nWait for it to end, or cancel it, before getting the edit "
         "buffer."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Connect();
        const std::string editBuffer = View.EditCategory + ":" + View.EditName;
        Ws->bbGetBankClick();
        ASSERT_TRUE(Ws->Status().TransferRunning);
        Dialogs.ExpectMessage(TMessageKind::Warning, c.Warning);
        ((*Ws).*c.Command)();
        ASSERT_TRUE(
            PumpUntil([&] { return !Ws->Status().TransferRunning; }, std::chrono::seconds(60)));
        for (int slot : {0, 64, 127}) {
            EXPECT_EQ(Ws->UserBank(0).Slot(slot).Name(), Synth.With([&](emu::TVirtualSynth& s) {
                return s.UserPreset(0, slot).Name();
            })) << "the fetch filled its own bank, slot "
                << slot;
        }
        EXPECT_EQ(View.EditCategory + ":" + View.EditName, editBuffer);
        Ws.reset();
    }
}

TEST_F(EditBufferTest, SendingTheEditBufferWithoutPortsSaysSo) {
    // A workspace made without a MIDI driver has no ports at all.
    Ws = std::make_unique<TWorkspace>(Dialogs, View, IniPath(), Dir.Path(), Dir.Path());
    Dialogs.ExpectMessage(TMessageKind::Error, "(Short Msg) Device not opened.");
    Ws->bbSendEditBufClick();
    EXPECT_FALSE(Ws->Status().TransferRunning);
}

TEST_F(EditBufferTest, LoadingRemembersTheFileOnlyWhenOneWasRead) {
    Connect();
    TDumpSpec made;
    made.Name = "Ld :From A File ";
    WriteBytes(Dir.File("Good.syx"), MakeDump(Sizes, made));
    const std::vector<uint8_t> good = MakeDump(Sizes, made);
    WriteBytes(Dir.File("Cut.syx"), {good.begin(), good.begin() + 100});
    const std::string shown = View.EditCategory + ":" + View.EditName;
    const std::string start = Ws->Status().EditFile;
    ASSERT_FALSE(start.empty());

    // A cancelled dialog still writes the remembered name.
    Dialogs.ExpectOpen(LoadTitle, "");
    Ws->bbLoadEditBufClick();
    EXPECT_EQ(Ws->Status().EditFile, start);
    EXPECT_EQ(Ini(Section, "EditFile"), start);

    Dialogs.ExpectOpen(LoadTitle, Dir.File("Cut.syx"));
    Dialogs.ExpectMessage(TMessageKind::Warning, "This file is for a different synth.\n   Can't "
                                                 "load this file for connected synth.");
    Ws->bbLoadEditBufClick();
    EXPECT_EQ(Ws->Status().EditFile, start);
    EXPECT_EQ(View.EditCategory + ":" + View.EditName, shown);

    Dialogs.ExpectOpen(LoadTitle, Dir.File("Good.syx"));
    Ws->bbLoadEditBufClick();
    EXPECT_EQ(Ws->Status().EditFile, Dir.File("Good.syx"));
    EXPECT_EQ(Ini(Section, "EditFile"), Dir.File("Good.syx"));
    EXPECT_EQ(View.EditCategory, "Ld ");
    EXPECT_EQ(View.EditName, "From A File ");
}

// The program's own folder may be read-only or hold no Patches folder: the edit-buffer file
// dialogs start where the person last loaded or saved an edit buffer, else in the synth's
// Patches work folder.
TEST_F(EditBufferTest, TheFileDialogsStartAtTheLastEditBufferFileElseInThePatchesFolder) {
    std::filesystem::create_directories(Dir.File("Mine"));
    const struct {
        const char* What;
        std::string EditFile;  ///< empty: no key
        std::string PatchFile; ///< empty: no key
        std::string Start;     ///< relative to the Patches work folder when not absolute
    } cases[] = {
        {"nothing remembered", "", "", "Patch.syx"},
        {"the last file, in a folder still there", Dir.File("Mine/Warm.syx"), "",
         Dir.File("Mine/Warm.syx")},
        {"the last file's folder gone", Dir.File("Gone/Warm.syx"), "", "Patch.syx"},
        {"a name of the synth's own", "", "Own.syx", "Own.syx"},
        {"a name with folders of its own", "", "Elsewhere/Own.syx", "Own.syx"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        std::filesystem::remove(IniPath());
        {
            TIniFile ini(IniPath());
            if (!c.EditFile.empty()) {
                ini.WriteString(Section, "EditFile", c.EditFile);
            }
            if (!c.PatchFile.empty()) {
                ini.WriteString(Section, "PatchFile", c.PatchFile);
            }
        }
        Connect();
        if (HasFatalFailure()) {
            return;
        }
        const std::string start =
            c.Start.front() == '/' ? c.Start : Ws->Folders().PatchesDir + c.Start;
        EXPECT_EQ(Ws->Status().EditFile, start);
        Dialogs.ExpectOpen(LoadTitle, "");
        Ws->bbLoadEditBufClick();
        ASSERT_FALSE(Dialogs.Shown().empty());
        EXPECT_EQ(Dialogs.Shown().back().FileName, start);
        Dialogs.ExpectSave(SaveTitle, "");
        Ws->bbSaveEditBufClick("Pad", "Warm");
        const std::string folder = start.substr(0, start.find_last_of('/') + 1);
        EXPECT_EQ(Dialogs.Shown().back().FileName, folder + "Pad_Warm.syx");
        Ws.reset();
    }
}

TEST_F(EditBufferTest, NoSynthSectionIsWrittenBeforeASynthIsKnown) {
    Make();
    Dialogs.ExpectOpen(LoadTitle, "");
    Ws->bbLoadEditBufClick();
    Dialogs.ExpectSave(SaveTitle, Dir.File("Early.syx"));
    Ws->bbSaveEditBufClick("Pad", "Early");
    EXPECT_EQ(Ws->Status().EditFile, Dir.File("Early.syx"));
    EXPECT_EQ(Ini("", "EditFile"), "(absent)");
}

TEST_F(EditBufferTest, SavingProposesTheNameBesideTheRememberedFile) {
    Connect();
    WriteBytes(Dir.File("Kept.syx"), {1, 2, 3});
    Dialogs.ExpectOpen(LoadTitle, "");
    Ws->bbLoadEditBufClick(); // the remembered name as identification left it
    const std::string start = Ws->Status().EditFile;
    const std::string folder = start.substr(0, start.find_last_of('/') + 1);

    // Cancelled at the backup question: nothing written, nothing remembered.
    Dialogs.ExpectSave(SaveTitle, Dir.File("Kept.syx"));
    Dialogs.ExpectMessage(TMessageKind::Confirmation,
                          "   File exists !\n\nShall I make a backup? (*.BAK)\n\n(NO to overwrite)",
                          TAnswer::Cancel);
    Ws->bbSaveEditBufClick("Pad", "  Warm Strings ");
    const auto save =
        std::find_if(Dialogs.Shown().begin(), Dialogs.Shown().end(),
                     [](const auto& d) { return d.Type == TShownDialog::TType::Save; });
    ASSERT_NE(save, Dialogs.Shown().end());
    EXPECT_EQ(save->FileName, folder + "Pad_Warm Strings.syx");
    EXPECT_EQ(ReadBytes(Dir.File("Kept.syx")), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(Ws->Status().EditFile, start);

    Dialogs.ExpectSave(SaveTitle, Dir.File("Saved.syx"));
    Ws->bbSaveEditBufClick("Pad", "Warm Strings");
    EXPECT_EQ(ReadBytes(Dir.File("Saved.syx")).size(), static_cast<size_t>(Sizes.TotalSize()));
    EXPECT_EQ(Ws->Status().EditFile, Dir.File("Saved.syx"));
    EXPECT_EQ(Ini(Section, "EditFile"), Dir.File("Saved.syx"));
}
