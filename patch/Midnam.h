#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velcora {

/// One bank of a MIDNAM document: what a sequencer shows and what it sends to choose it.
struct TMidnamBank {
    std::string Name;               ///< the bank's name in the sequencer (ASCII)
    uint8_t Msb = 0;                ///< Control Change 0 that selects it
    uint8_t Lsb = 0;                ///< Control Change 32 that selects it
    std::vector<std::string> Names; ///< the patch names in program order, as the synth holds them
};

/// A MIDNAM document (the MIDI Manufacturers Association's patch-name format, version 1.0)
/// naming the patches of the banks of one synth model for sequencers. Each bank lists its
/// first 128 names, numbered "000".."127" as the synth shows its presets, with Program
/// Change 0..127. Names are one byte a character in Windows-1252 and become UTF-8 with
/// trailing blanks dropped; bytes XML cannot hold become blanks. The text is UTF-8.
std::string MidnamDocument(const std::string& model, const std::vector<TMidnamBank>& banks);

/// A name as the document holds it, before escaping: Windows-1252 to UTF-8, characters that
/// XML 1.0 forbids (control bytes) and undefined code points as blanks, trailing blanks cut.
std::string MidnamName(const std::string& cp1252);

/// Text escaped for an XML attribute value or element content: & < > " '.
std::string XmlEscaped(const std::string& utf8);

} // namespace velcora
