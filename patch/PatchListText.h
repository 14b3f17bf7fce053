#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velcora {

/// The layouts of a patch name list, in the order the list window offers them.
enum class TListType { Plain = 0, Numbered = 1, Cakewalk = 2 };

/// What a list is made from. Texts are one byte a character, written as given (a title's or a
/// name's blanks included).
struct TPatchListInput {
    std::string Model;     ///< the synth's model name, e.g. "Proteus 2000"
    std::string Title;     ///< the list's title, e.g. "User"
    std::string Separator; ///< between number and name in the numbered list
    /// The names of user banks 0..3, each in slot order from slot 0.
    std::array<std::vector<std::string>, 4> Names;
};

/// The list's lines in the chosen layout, without line ends: sequencer programs read these
/// texts, so every blank and bracket counts. A line break (CR, LF, VT, FF) or NUL inside an
/// input becomes a blank, so that each name stays on its own line.
std::vector<std::string> PatchListLines(TListType type, const TPatchListInput& input);

/// How a list of the type is saved: the save dialog's title and its file filter.
struct TListSaveSettings {
    std::string Title;
    std::string Filter;
};
TListSaveSettings ListSaveSettings(TListType type);

/// The file name a save dialog proposes: the title without leading and trailing blanks, then
/// the four characters of the filter from its first "." (".txt", ".ins").
std::string ProposedListFileName(const std::string& title, const std::string& filter);

/// A list file's bytes: every line ended by CR LF, the last one included.
std::vector<uint8_t> ListFileBytes(const std::vector<std::string>& lines);

} // namespace velcora
