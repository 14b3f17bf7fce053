#include "PatchListText.h"

#include <cstddef>

namespace velcora {

namespace {

/// The text with every byte that ends a line or a string replaced by a blank. Names come raw
/// from dumps, and a line break in one would shift every later line of the list (and could
/// open a section of its own in an instrument file).
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\0' || c == '\n' || c == '\v' || c == '\f' || c == '\r') {
            c = ' ';
        }
    }
    return text;
}

TPatchListInput OneLineEach(const TPatchListInput& in) {
    TPatchListInput out;
    out.Model = OneLine(in.Model);
    out.Title = OneLine(in.Title);
    out.Separator = OneLine(in.Separator);
    for (size_t b = 0; b < in.Names.size(); ++b) {
        out.Names[b].reserve(in.Names[b].size());
        for (const std::string& name : in.Names[b]) {
            out.Names[b].push_back(OneLine(name));
        }
    }
    return out;
}

std::string BankTitle(const TPatchListInput& in, int bank) {
    return in.Model + " : " + in.Title + " - Bank " + std::to_string(bank);
}

/// The four banks, each as its header, one line per slot, and two empty lines.
void AddBanks(std::vector<std::string>& lines, const TPatchListInput& in,
              const std::string& headerEnd, const std::string& numberEnd, bool numbered) {
    for (int b = 0; b < static_cast<int>(in.Names.size()); ++b) {
        lines.push_back("[" + BankTitle(in, b) + headerEnd);
        const std::vector<std::string>& names = in.Names[static_cast<size_t>(b)];
        for (size_t n = 0; n < names.size(); ++n) {
            lines.push_back(numbered ? std::to_string(n) + numberEnd + names[n] : names[n]);
        }
        lines.emplace_back();
        lines.emplace_back();
    }
}

} // namespace

std::vector<std::string> PatchListLines(TListType type, const TPatchListInput& input) {
    const TPatchListInput in = OneLineEach(input);
    std::vector<std::string> lines;
    switch (type) {
    case TListType::Plain:
        lines = {";------  List of " + in.Model + " " + in.Title + " Patches  -----------------",
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
                 ""};
        AddBanks(lines, in, " ]", "", false);
        break;
    case TListType::Numbered:
        lines = {";------  Numbered " + in.Model + " " + in.Title + " Patch File -----------------",
                 "", ""};
        AddBanks(lines, in, " ]", in.Separator, true);
        break;
    case TListType::Cakewalk:
        lines = {";------  Cakewalk " + in.Model + " ins File for " + in.Title +
                     " Patches -----------------",
                 "", ".Patch Names", ""};
        AddBanks(lines, in, "]", "=", true);
        // The instrument needs its section heading: without it a sequencer reads the
        // instrument as one more list of patch names and offers no instrument at all.
        lines.emplace_back(".Instrument Definitions");
        lines.emplace_back();
        lines.push_back("[E-MU " + in.Model + " - " + in.Title + " ]");
        for (int b = 0; b < static_cast<int>(in.Names.size()); ++b) {
            lines.push_back("Patch[" + std::to_string(b) + "]=" + BankTitle(in, b));
        }
        lines.emplace_back("Patch[*]=0..127");
        break;
    }
    return lines;
}

TListSaveSettings ListSaveSettings(TListType type) {
    if (type == TListType::Cakewalk) {
        return {"Save Cackwalk ins File", "Cakewalk Instrument files (*.ins)|*.INS"};
    }
    return {"Save Patch List File", "Text files (*.txt)|*.TXT"};
}

std::string ProposedListFileName(const std::string& title, const std::string& filter) {
    // Blanks here are spaces and control characters, as a typed title may carry either.
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    size_t first = 0;
    size_t last = title.size();
    while (first < last && blank(title[first])) {
        ++first;
    }
    while (last > first && blank(title[last - 1])) {
        --last;
    }
    const size_t dot = filter.find('.');
    const std::string extension = dot == std::string::npos ? std::string() : filter.substr(dot, 4);
    return title.substr(first, last - first) + extension;
}

std::vector<uint8_t> ListFileBytes(const std::vector<std::string>& lines) {
    std::vector<uint8_t> bytes;
    for (const std::string& line : lines) {
        bytes.insert(bytes.end(), line.begin(), line.end());
        bytes.push_back('\r');
        bytes.push_back('\n');
    }
    return bytes;
}

} // namespace velcora
