#include "NameText.h"

namespace velcora {

namespace {

// Windows-1252 bytes 80h..FFh, sixteen to a line.
constexpr std::string_view HighBytes = "??????????S???Z?"
                                       "??????????s???zY"
                                       " ???????????????"
                                       "????????????????"
                                       "AAAAAA?CEEEEIIII"
                                       "DNOOOOOxOUUUUY??"
                                       "aaaaaa?ceeeeiiii"
                                       "dnooooo?ouuuuy?y";
static_assert(HighBytes.size() == 128);

} // namespace

std::string SevenBitName(std::string_view text) {
    std::string name(text);
    for (char& c : name) {
        const auto b = static_cast<unsigned char>(c);
        // A byte of 80h and above inside a SysEx packet breaks it (F7 even ends it), and
        // the synth shows nothing sensible for control bytes.
        if (b >= 0x80) {
            c = HighBytes[b - 0x80];
        } else if (b < 0x20 || b == 0x7F) {
            c = '?';
        }
    }
    return name;
}

} // namespace velcora
