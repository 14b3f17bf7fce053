// The settings file: Windows profile-file behaviour on reads and writes.
#include "IniFile.h"

#include "SafeFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace velcora;
using namespace velcora::test;

namespace {

std::string ReadText(const std::string& path) {
    const auto b = ReadBytes(path);
    return std::string(b.begin(), b.end());
}

void WriteText(const std::string& path, const std::string& text) {
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

const char* const HandEdited = "; Velcora settings, edited by hand\n"
                               "\n"
                               "[General]\n"
                               "  FromTo =  Selected  \n"
                               "LoadSave=AllBanks\n"
                               "# a comment with = in it\n"
                               "\n"
                               "[Proteus 2000_16]\n"
                               "PatchLib=C:\\Libs\\My Pads.lib\n"
                               "TimeBetweenSysex = 60\n"
                               "\n"
                               "[MidiDevices]\n"
                               "Input=USB MIDI Interface  In\n";

} // namespace

TEST(IniFile, Reads) {
    struct Case {
        const char* Section;
        const char* Key;
        const char* Expected; // with the default "dflt"
    };
    const Case cases[] = {
        {"General", "FromTo", "Selected"},
        {"general", "FROMTO", "Selected"},
        {"General", "LoadSave", "AllBanks"},
        {"General", "InsertMode", "dflt"},
        {"Proteus 2000_16", "PatchLib", "C:\\Libs\\My Pads.lib"},
        {"PROTEUS 2000_16", "timebetweensysex", "60"},
        {"Proteus 2000_1", "PatchLib", "dflt"},
        {"MidiDevices", "Input", "USB MIDI Interface  In"},
        {"Missing", "Input", "dflt"},
        {"General", "# a comment with", "dflt"},
        {"", "FromTo", "dflt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TIniFile::Lookup(HandEdited, c.Section, c.Key).value_or("dflt"), c.Expected)
            << c.Section << "/" << c.Key;
    }
}

TEST(IniFile, FirstOfTwoEqualSectionsAndKeysWins) {
    const char* text = "[A]\nk=1\nk=2\n[a]\nk=3\nj=4\n";
    EXPECT_EQ(TIniFile::Lookup(text, "A", "k"), "1");
    EXPECT_EQ(TIniFile::Lookup(text, "A", "j"), std::nullopt);
}

TEST(IniFile, Integers) {
    struct Case {
        const char* Value;
        std::optional<int> Expected;
    } cases[] = {{"40", 40},
                 {" -5 ", -5},
                 {"$1F", 31},
                 {"0x10", 16},
                 {"", std::nullopt},
                 {"4O", std::nullopt},
                 {"12 ms", std::nullopt},
                 {"2147483647", 2147483647},
                 {"2147483648", std::nullopt},
                 {"-2147483648", -2147483647 - 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(TIniFile::ParseInteger(c.Value), c.Expected) << c.Value;
    }
}

TEST(IniFile, Writes) {
    struct Case {
        const char* What;
        const char* Before;
        const char* Section;
        const char* Key;
        const char* Value;
        const char* After;
    };
    const Case cases[] = {
        {"new file", "", "General", "FromTo", "Bank", "[General]\nFromTo=Bank\n"},
        {"replace keeps spelling and spacing", "[General]\n  fromto =  Bank\n", "GENERAL", "FromTo",
         "Selected", "[General]\n  fromto =  Selected\n"},
        {"new key after the section's last line", "[A]\nx=1\n\n[B]\ny=2\n", "a", "z", "3",
         "[A]\nx=1\nz=3\n\n[B]\ny=2\n"},
        {"new section at the end", "[A]\nx=1", "Proteus 2000_16", "BlankFile", "b.syx",
         "[A]\nx=1\n\n[Proteus 2000_16]\nBlankFile=b.syx\n"},
        {"Windows line ends are kept", "[A]\r\nx=1\r\n", "A", "x", "2", "[A]\r\nx=2\r\n"},
        {"a new key with Windows line ends", "[A]\r\nx=1\r\n", "A", "y", "2",
         "[A]\r\nx=1\r\ny=2\r\n"},
        {"empty value", "[A]\nx=1\n", "A", "x", "", "[A]\nx=\n"},
        {"value with = and spaces", "", "A", "x", "a = b ", "[A]\nx=a = b \n"},
        {"section header only", "[A]", "A", "x", "1", "[A]\nx=1\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TIniFile::Update(c.Before, c.Section, c.Key, c.Value), c.After) << c.What;
    }
}

TEST(IniFile, AHandEditedFileKeepsEverythingButTheKey) {
    TTempDir dir;
    TIniFile ini(dir.File("Velcora.INI"));
    WriteText(ini.Path(), HandEdited);
    ASSERT_TRUE(ini.WriteInteger("proteus 2000_16", "TimeBetweenSysex", 45));
    std::string expected = HandEdited;
    expected.replace(expected.find("= 60"), 4, "= 45");
    EXPECT_EQ(ReadText(ini.Path()), expected);
    EXPECT_EQ(ini.ReadInteger("Proteus 2000_16", "TimeBetweenSysex", 40), 45);
    EXPECT_EQ(ini.ReadString("General", "FromTo", "Bank"), "Selected");
}

TEST(IniFile, MissingFileGivesDefaultsAndTheFirstWriteCreatesIt) {
    TTempDir dir;
    TIniFile ini(dir.File("Velcora.INI"));
    EXPECT_EQ(ini.ReadString("General", "FromTo", "Bank"), "Bank");
    EXPECT_EQ(ini.ReadInteger("Proteus 2000_16", "TimeBetweenPatches", 400), 400);
    EXPECT_FALSE(FileExists(ini.Path()));
    ASSERT_TRUE(ini.WriteString("Proteus 2000_16", "PatchLib", "/home/me/My Pads.lib"));
    ASSERT_TRUE(ini.WriteString("Proteus 2000_16", "UserBank0", "x.syx"));
    EXPECT_EQ(ReadText(ini.Path()), "[Proteus 2000_16]\nPatchLib=/home/me/My Pads.lib\n"
                                    "UserBank0=x.syx\n");
    EXPECT_EQ(ini.ReadInteger("Proteus 2000_16", "PatchLib", -1), -1)
        << "a value that is no number gives the default";
}

TEST(IniFile, RefusedAndFailedWritesKeepTheFile) {
    TTempDir dir;
    TIniFile ini(dir.File("Velcora.INI"));
    WriteText(ini.Path(), HandEdited);
    EXPECT_FALSE(ini.WriteString("General", "FromTo", "Bank\n[General]\nLoadSave=Bank"));
    EXPECT_FALSE(ini.WriteString("General", "", "x"));
    EXPECT_FALSE(ini.WriteString("Gen]eral", "a", "x"));
    test_hooks::FailWritesAfter(10);
    EXPECT_FALSE(ini.WriteString("General", "FromTo", "Bank"));
    test_hooks::FailWritesAfter(std::nullopt);
    EXPECT_EQ(ReadText(ini.Path()), HandEdited);
}
