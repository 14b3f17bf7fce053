// The patch name lists that sequencer programs read: every layout line by line for small
// made-up banks, the separator and title as typed, the save settings and the file's bytes.
#include "PatchListText.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace velcora;

namespace {

/// Two slots a bank, the names 16 characters with their trailing blanks, as patches cache them.
TPatchListInput SmallBanks(std::string separator = ":") {
    TPatchListInput in;
    in.Model = "Proteus 2000";
    in.Title = "User";
    in.Separator = std::move(separator);
    in.Names = {{{"Pad:Warm Strng  ", "Bas:Deep Sub    "},
                 {"Ld :Saw Lead    ", "Syn:Glass Bell  "},
                 {"Org:Drawbar 1   ", "Drm:Kit Room    "},
                 {"Fx :Wind        ", "Pno:Grand Piano "}}};
    return in;
}

} // namespace

TEST(PatchListText, PlainListLineByLine) {
    const std::vector<std::string> expected = {
        ";------  List of Proteus 2000 User Patches  -----------------",
        "",
        "",
        "; This just produces text that you can save or you can highlight",
        ";   the text and copy (Ctrl-C) to the clipboard so you can ",
        ";   paste (Ctrl-V) it into you DAW's list.",
        "",
        "; You can edit the text here or in your favourite text editor.",
        "",
        "; Adding a ';' at the start of the line often means it is a comment ",
        ";   and the program using this list will ignore everything on that line.",
        "",
        "[Proteus 2000 : User - Bank 0 ]",
        "Pad:Warm Strng  ",
        "Bas:Deep Sub    ",
        "",
        "",
        "[Proteus 2000 : User - Bank 1 ]",
        "Ld :Saw Lead    ",
        "Syn:Glass Bell  ",
        "",
        "",
        "[Proteus 2000 : User - Bank 2 ]",
        "Org:Drawbar 1   ",
        "Drm:Kit Room    ",
        "",
        "",
        "[Proteus 2000 : User - Bank 3 ]",
        "Fx :Wind        ",
        "Pno:Grand Piano ",
        "",
        "",
    };
    EXPECT_EQ(PatchListLines(TListType::Plain, SmallBanks()), expected);
}

TEST(PatchListText, NumberedListLineByLine) {
    const std::vector<std::string> expected = {
        ";------  Numbered Proteus 2000 User Patch File -----------------",
        "",
        "",
        "[Proteus 2000 : User - Bank 0 ]",
        "0:Pad:Warm Strng  ",
        "1:Bas:Deep Sub    ",
        "",
        "",
        "[Proteus 2000 : User - Bank 1 ]",
        "0:Ld :Saw Lead    ",
        "1:Syn:Glass Bell  ",
        "",
        "",
        "[Proteus 2000 : User - Bank 2 ]",
        "0:Org:Drawbar 1   ",
        "1:Drm:Kit Room    ",
        "",
        "",
        "[Proteus 2000 : User - Bank 3 ]",
        "0:Fx :Wind        ",
        "1:Pno:Grand Piano ",
        "",
        "",
    };
    EXPECT_EQ(PatchListLines(TListType::Numbered, SmallBanks()), expected);
}

TEST(PatchListText, CakewalkListLineByLine) {
    const std::vector<std::string> expected = {
        ";------  Cakewalk Proteus 2000 ins File for User Patches -----------------",
        "",
        ".Patch Names",
        "",
        "[Proteus 2000 : User - Bank 0]",
        "0=Pad:Warm Strng  ",
        "1=Bas:Deep Sub    ",
        "",
        "",
        "[Proteus 2000 : User - Bank 1]",
        "0=Ld :Saw Lead    ",
        "1=Syn:Glass Bell  ",
        "",
        "",
        "[Proteus 2000 : User - Bank 2]",
        "0=Org:Drawbar 1   ",
        "1=Drm:Kit Room    ",
        "",
        "",
        "[Proteus 2000 : User - Bank 3]",
        "0=Fx :Wind        ",
        "1=Pno:Grand Piano ",
        "",
        "",
        ".Instrument Definitions",
        "",
        "[E-MU Proteus 2000 - User ]",
        "Patch[0]=Proteus 2000 : User - Bank 0",
        "Patch[1]=Proteus 2000 : User - Bank 1",
        "Patch[2]=Proteus 2000 : User - Bank 2",
        "Patch[3]=Proteus 2000 : User - Bank 3",
        "Patch[*]=0..127",
    };
    // The separator belongs to the numbered list only.
    EXPECT_EQ(PatchListLines(TListType::Cakewalk, SmallBanks(" - ")), expected);
}

TEST(PatchListText, SeparatorAndTitleAreUsedExactlyAsTyped) {
    struct TCase {
        std::string Separator;
        std::string Title;
        std::string Header;
        std::string Bank0Header;
        std::string Slot1;
    };
    const TCase cases[] = {
        {" - ", "User", ";------  Numbered Proteus 2000 User Patch File -----------------",
         "[Proteus 2000 : User - Bank 0 ]", "1 - Bas:Deep Sub    "},
        {"", "User", ";------  Numbered Proteus 2000 User Patch File -----------------",
         "[Proteus 2000 : User - Bank 0 ]", "1Bas:Deep Sub    "},
        {"\t", " My Song ", ";------  Numbered Proteus 2000  My Song  Patch File -----------------",
         "[Proteus 2000 :  My Song  - Bank 0 ]", "1\tBas:Deep Sub    "},
        {"=", "", ";------  Numbered Proteus 2000  Patch File -----------------",
         "[Proteus 2000 :  - Bank 0 ]", "1=Bas:Deep Sub    "},
    };
    for (const TCase& c : cases) {
        TPatchListInput in = SmallBanks(c.Separator);
        in.Title = c.Title;
        const std::vector<std::string> lines = PatchListLines(TListType::Numbered, in);
        ASSERT_GE(lines.size(), 6u);
        EXPECT_EQ(lines[0], c.Header) << "separator '" << c.Separator << "'";
        EXPECT_EQ(lines[3], c.Bank0Header) << "separator '" << c.Separator << "'";
        EXPECT_EQ(lines[5], c.Slot1) << "separator '" << c.Separator << "'";
    }
}

TEST(PatchListText, FullBanksGiveTheWholeListNumberedInDecimal) {
    TPatchListInput in = SmallBanks();
    for (int b = 0; b < 4; ++b) {
        in.Names[static_cast<size_t>(b)].assign(128, "Pad:Name        ");
        in.Names[static_cast<size_t>(b)][127] = "Bnk:Last " + std::to_string(b) + "      ";
    }
    struct TCase {
        TListType Type;
        size_t Count;
        size_t LastSlotOfBank3;
        std::string LastSlotText;
    };
    const TCase cases[] = {
        {TListType::Plain, 536, 12 + 3 * 131 + 128, "Bnk:Last 3      "},
        {TListType::Numbered, 527, 3 + 3 * 131 + 128, "127:Bnk:Last 3      "},
        {TListType::Cakewalk, 536, 4 + 3 * 131 + 128, "127=Bnk:Last 3      "},
    };
    for (const TCase& c : cases) {
        const std::vector<std::string> lines = PatchListLines(c.Type, in);
        ASSERT_EQ(lines.size(), c.Count) << static_cast<int>(c.Type);
        EXPECT_EQ(lines[c.LastSlotOfBank3], c.LastSlotText) << static_cast<int>(c.Type);
    }
}

TEST(PatchListText, SaveSettingsAndProposedFileName) {
    EXPECT_EQ(ListSaveSettings(TListType::Plain).Title, "Save Patch List File");
    EXPECT_EQ(ListSaveSettings(TListType::Plain).Filter, "Text files (*.txt)|*.TXT");
    EXPECT_EQ(ListSaveSettings(TListType::Numbered).Title, "Save Patch List File");
    EXPECT_EQ(ListSaveSettings(TListType::Numbered).Filter, "Text files (*.txt)|*.TXT");
    EXPECT_EQ(ListSaveSettings(TListType::Cakewalk).Title, "Save Cackwalk ins File");
    EXPECT_EQ(ListSaveSettings(TListType::Cakewalk).Filter,
              "Cakewalk Instrument files (*.ins)|*.INS");

    struct TCase {
        std::string Title;
        TListType Type;
        std::string Proposed;
    };
    const TCase cases[] = {
        {"User", TListType::Plain, "User.txt"},
        {"  My Song  ", TListType::Numbered, "My Song.txt"},
        {"\tGig 2\t", TListType::Cakewalk, "Gig 2.ins"},
        {"   ", TListType::Cakewalk, ".ins"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(ProposedListFileName(c.Title, ListSaveSettings(c.Type).Filter), c.Proposed)
            << "'" << c.Title << "'";
    }
}

TEST(PatchListText, FileEndsEveryLineWithCrLf) {
    const std::string expected = "[A ]\r\nPad:Warm Strng  \r\n\r\n\r\n";
    const std::vector<uint8_t> bytes = ListFileBytes({"[A ]", "Pad:Warm Strng  ", "", ""});
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
    EXPECT_TRUE(ListFileBytes({}).empty());
    // Names are one byte a character: Windows-1252 letters pass unchanged.
    const std::vector<uint8_t> accented = ListFileBytes({"Pad:Caf\xE9"});
    EXPECT_EQ(std::string(accented.begin(), accented.end()), "Pad:Caf\xE9\r\n");
}

TEST(PatchListText, ABreakInsideANameOrTitleCannotStartANewLine) {
    // A name is raw bytes from a dump: a line feed in one would shift every later line of
    // the list and could open a section of its own in an instrument file.
    TPatchListInput in = SmallBanks(std::string("\r\n", 2));
    in.Title = "Song\n2";
    in.Names[0][1] = std::string("Bas:A\n[B]\r\0\v\fC  ", 16);
    const std::vector<std::string> lines = PatchListLines(TListType::Numbered, in);
    ASSERT_EQ(lines.size(), 23u);
    EXPECT_EQ(lines[0], ";------  Numbered Proteus 2000 Song 2 Patch File -----------------");
    EXPECT_EQ(lines[5], std::string("1  Bas:A [B]    C  "));
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find_first_of(std::string("\r\n\0\v\f", 5)), std::string::npos) << line;
    }
}
