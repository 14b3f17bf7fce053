#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velcora {

/// The program's command line, read.
struct TAppOptions {
    /// The built-in virtual synth on the in-process MIDI driver instead of the system's MIDI.
    bool VirtualSynth = false;
    /// The virtual synth's model, by member code; a Proteus 2000 unless --model names another.
    uint16_t MemberCode = 0;
    /// The settings file named by --settings; empty for the usual place.
    std::string Settings;
    bool Help = false;
    /// Why the command line was refused; empty when it was taken.
    std::string Error;
};

/// Reads the arguments after the program name. Never throws; a refusal is in Error.
TAppOptions ParseAppOptions(const std::vector<std::string>& args);
/// The --help text.
std::string AppUsage();

} // namespace velcora
