#include "Midnam.h"

#include "Cp1252Table.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace velcora {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Number3(int n) {
    char text[8];
    std::snprintf(text, sizeof text, "%03d", n);
    return text;
}

constexpr int Channels = 16;
constexpr int ProgramsPerBank = 128;
const std::string NameSet = "All Banks";

} // namespace

std::string MidnamName(const std::string& cp1252) {
    std::string out;
    out.reserve(cp1252.size());
    for (const char ch : cp1252) {
        const auto b = static_cast<unsigned char>(ch);
        char32_t c = b;
        if (b < 0x20 || b == 0x7F) {
            c = U' ';
        } else if (b >= 0x80 && b < 0xA0) {
            c = Cp1252High[b - 0x80];
            if (c == 0) {
                c = U' ';
            }
        }
        AppendUtf8(out, c);
    }
    const size_t end = out.find_last_not_of(' ');
    out.erase(end == std::string::npos ? 0 : end + 1);
    return out;
}

std::string XmlEscaped(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string MidnamDocument(const std::string& model, const std::vector<TMidnamBank>& banks) {
    std::string x;
    x += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    x += "<!DOCTYPE MIDINameDocument PUBLIC \"-//MIDI Manufacturers Association//DTD "
         "MIDINameDocument 1.0//EN\" \"http://www.midi.org/dtds/MIDINameDocument10.dtd\">\n";
    x += "<MIDINameDocument>\n";
    x += "  <Author>Velcora</Author>\n";
    x += "  <MasterDeviceNames>\n";
    x += "    <Manufacturer>E-mu Systems</Manufacturer>\n";
    x += "    <Model>" + XmlEscaped(MidnamName(model)) + "</Model>\n";
    x += "    <CustomDeviceMode Name=\"Default\">\n";
    x += "      <ChannelNameSetAssignments>\n";
    for (int ch = 1; ch <= Channels; ++ch) {
        x += "        <ChannelNameSetAssign Channel=\"" + std::to_string(ch) + "\" NameSet=\"" +
             NameSet + "\"/>\n";
    }
    x += "      </ChannelNameSetAssignments>\n";
    x += "    </CustomDeviceMode>\n";
    x += "    <ChannelNameSet Name=\"" + NameSet + "\">\n";
    x += "      <AvailableForChannels>\n";
    for (int ch = 1; ch <= Channels; ++ch) {
        x += "        <AvailableChannel Channel=\"" + std::to_string(ch) +
             "\" Available=\"true\"/>\n";
    }
    x += "      </AvailableForChannels>\n";
    for (const TMidnamBank& bank : banks) {
        const std::string name = XmlEscaped(MidnamName(bank.Name));
        x += "      <PatchBank Name=\"" + name + "\">\n";
        x += "        <MIDICommands>\n";
        x += "          <ControlChange Control=\"0\" Value=\"" + std::to_string(bank.Msb & 0x7F) +
             "\"/>\n";
        x += "          <ControlChange Control=\"32\" Value=\"" + std::to_string(bank.Lsb & 0x7F) +
             "\"/>\n";
        x += "        </MIDICommands>\n";
        x += "        <PatchNameList Name=\"" + name + "\">\n";
        const int count = std::min(static_cast<int>(bank.Names.size()), ProgramsPerBank);
        for (int n = 0; n < count; ++n) {
            x += "          <Patch Number=\"" + Number3(n) + "\" Name=\"" +
                 XmlEscaped(MidnamName(bank.Names[static_cast<size_t>(n)])) +
                 "\" ProgramChange=\"" + std::to_string(n) + "\"/>\n";
        }
        x += "        </PatchNameList>\n";
        x += "      </PatchBank>\n";
    }
    x += "    </ChannelNameSet>\n";
    x += "  </MasterDeviceNames>\n";
    x += "</MIDINameDocument>\n";
    return x;
}

} // namespace velcora
