// The working folders of a model, the blank patch they hold, and the end-of-run backups.
#include "WorkFolders.h"

#include "DumpBuilder.h"
#include "EndBanks.h"
#include "SafeFile.h"
#include "TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace velcora;
using namespace velcora::test;

TEST(WorkFolders, EveryModelClassGetsItsFolders) {
    struct Case {
        TModelClass ModelClass;
        const char* Sub;
        const char* Source;
    } cases[] = {{TModelClass::Audity, "Audity/", "Default Audity.syx"},
                 {TModelClass::Proteus, "Proteus/", "Default Composer.syx"},
                 {TModelClass::CommandStation, "Command/", "Default XL-2.syx"},
                 {TModelClass::Unknown, "Unknown/", "/unknown.syx"}};
    for (const auto& c : cases) {
        TTempDir docs;
        TTempDir start;
        TPatchWorld w(c.ModelClass == TModelClass::Unknown ? TModelClass::Proteus : c.ModelClass);
        TDumpSpec made;
        made.Name = "Bla:Shipped";
        WriteBytes(start.Path() + "/" + c.Source, MakeDump(w.Ctx.Sizes, made));
        TPatchRec blank;
        const TWorkFolders f =
            BuildWorkFolders(c.ModelClass, docs.Path(), start.Path(), w.Ctx, blank);
        const std::string model = docs.Path() + "/Velcora/" + c.Sub;
        EXPECT_EQ(f.ModelDir, model);
        EXPECT_EQ(f.PatchesDir, model + "Patches/");
        EXPECT_EQ(f.BanksDir, model + "Banks/");
        EXPECT_EQ(f.AllBanksDir, model + "AllBanks/");
        EXPECT_EQ(f.LibrariesDir, model + "Libraries/");
        EXPECT_EQ(f.BackupDir, model + "Backup/");
        EXPECT_EQ(f.EndBanksBase, model + "Backup/EndBanks");
        for (const auto& dir :
             {f.PatchesDir, f.BanksDir, f.AllBanksDir, f.LibrariesDir, f.BackupDir}) {
            EXPECT_TRUE(std::filesystem::is_directory(dir)) << dir;
        }
        EXPECT_EQ(blank.Name(), "Bla:Shipped     ") << c.Sub;
        EXPECT_EQ(blank.Dump().Slot(0)[7], 127);
        EXPECT_FALSE(w.Ctx.QuietLoad);
    }
}

TEST(WorkFolders, TheShippedBlankPresetsSuitTheirModels) {
    for (TModelClass modelClass :
         {TModelClass::Audity, TModelClass::Proteus, TModelClass::CommandStation}) {
        TTempDir docs;
        TPatchWorld w(modelClass);
        TPatchRec blank;
        BuildWorkFolders(modelClass, docs.Path(), VELCORA_ASSETS_DIR, w.Ctx, blank);
        EXPECT_EQ(blank.Name(), "ini:Blank Preset") << static_cast<int>(modelClass);
        EXPECT_TRUE(TDumpSizes::Measure(blank.Dump()) == w.Ctx.Sizes)
            << static_cast<int>(modelClass);
    }
}

TEST(WorkFolders, AnExistingDefaultIsNeverOverwritten) {
    TTempDir docs;
    TTempDir start;
    TPatchWorld w;
    TDumpSpec shipped;
    shipped.Name = "Bla:Shipped";
    WriteBytes(start.File("Default Composer.syx"), MakeDump(w.Ctx.Sizes, shipped));
    const std::string patches = docs.Path() + "/Velcora/Proteus/Patches/";
    std::filesystem::create_directories(patches);
    TDumpSpec own;
    own.Name = "Bla:My Own";
    WriteBytes(patches + "Default.syx", MakeDump(w.Ctx.Sizes, own));
    TPatchRec blank;
    BuildWorkFolders(TModelClass::Proteus, docs.Path(), start.Path(), w.Ctx, blank);
    EXPECT_EQ(blank.Name(), "Bla:My Own      ");
}

TEST(WorkFolders, AMissingOrUnsuitableBlankFileKeepsTheBlankPatch) {
    TTempDir docs;
    TTempDir start;
    TPatchWorld w;
    TPatchRec blank;
    w.Fill(blank, {});
    EXPECT_FALSE(BuildWorkFolders(TModelClass::Proteus, docs.Path(), start.Path(), w.Ctx, blank)
                     .BlankLoaded);
    EXPECT_EQ(blank.Name(), "Pad:Warm Strings");
    WriteBytes(start.File("Default Composer.syx"),
               MakeDump(TDumpSizes::ForModelClass(TModelClass::CommandStation)));
    EXPECT_FALSE(BuildWorkFolders(TModelClass::Proteus, docs.Path(), start.Path(), w.Ctx, blank)
                     .BlankLoaded);
    EXPECT_EQ(blank.Name(), "Pad:Warm Strings");
}

TEST(WorkFolders, WithoutASuitableFileTheBlankPatchIsFramedAtTheModelsSizes) {
    struct Case {
        const char* What;
        TModelClass ModelClass;
        TModelClass FileClass; // sizes of the Default.syx found, Unknown for none
        bool Emu;
        bool Loaded;
    } cases[] = {
        {"unknown model: no default source exists", TModelClass::Unknown, TModelClass::Unknown,
         true, false},
        {"XL-7 without Default.syx", TModelClass::CommandStation, TModelClass::Unknown, true,
         false},
        {"XL-7 with a Proteus 2000 Default.syx", TModelClass::CommandStation, TModelClass::Proteus,
         true, false},
        {"Audity with a framed dump of another maker", TModelClass::Audity, TModelClass::Audity,
         false, false},
        {"Audity with its own Default.syx", TModelClass::Audity, TModelClass::Audity, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TTempDir docs;
        TTempDir start;
        TPatchWorld w(c.ModelClass);
        if (c.FileClass != TModelClass::Unknown) {
            TDumpSpec made;
            made.Name = "Bla:Own";
            made.Emu = c.Emu;
            const std::string patches =
                docs.Path() + "/Velcora/" + ModelFolder(c.ModelClass).SubFolder + "Patches/";
            std::filesystem::create_directories(patches);
            WriteBytes(patches + "Default.syx",
                       MakeDump(TDumpSizes::ForModelClass(c.FileClass), made));
        }
        TPatchRec blank; // never filled, as at start-up
        const TWorkFolders f =
            BuildWorkFolders(c.ModelClass, docs.Path(), start.Path(), w.Ctx, blank);
        EXPECT_EQ(f.BlankLoaded, c.Loaded);
        EXPECT_TRUE(blank.Dump().Framed(w.Ctx.Sizes));
        EXPECT_EQ(blank.Name(), c.Loaded ? "Bla:Own         " : "ini:Blank Preset");
    }
}

TEST(EndBanks, RotationKeepsTenGenerations) {
    struct Case {
        std::vector<int> Before;
        std::vector<int> After; // before the new generation 1 is written
    } cases[] = {
        {{1, 2, 4}, {2, 3, 5}},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {{}, {}},
        {{10}, {}},
        {{9}, {10}},
    };
    for (const auto& c : cases) {
        TTempDir dir;
        const std::string base = dir.File("EndBanks");
        for (int n : c.Before) {
            WriteBytes(EndBanksFile(base, n), {static_cast<uint8_t>(n)});
        }
        RotateEndBanks(base);
        std::vector<int> after;
        for (int n = 1; n <= 11; ++n) {
            if (FileExists(EndBanksFile(base, n))) {
                after.push_back(n);
                // Each file moved up by one generation, content and all.
                EXPECT_EQ(ReadBytes(EndBanksFile(base, n)),
                          std::vector<uint8_t>{static_cast<uint8_t>(n - 1)});
            }
        }
        EXPECT_EQ(after, c.After);
    }
}

TEST(EndBanks, ClosePromptListsTheUnsavedItems) {
    EXPECT_EQ(ClosePrompt({}), "Are you sure you want to close the program?\n\n");
    EXPECT_EQ(ClosePrompt({true, false, false, true, false, true}),
              "Are you sure you want to close the program?\n\nThese files need saving :"
              "\nLibrary \nUser Bank 1 \nUser Bank 3 ");
    EXPECT_EQ(ClosePrompt({false, true, true, false, false, false}),
              "Are you sure you want to close the program?\n\nThese files need saving :"
              "\nROM Bank \nUser Bank 0 ");
}
