#pragma once

#include "VirtualSynthOptions.h"

#include <string>
#include <vector>

namespace velcora::emu {

/// What velcora-virtual-synth was asked to do.
struct TSynthCommandLine {
    TVirtualSynthOptions Synth;
    std::string PortName = "Velcora Virtual Synth";
    bool Jack = false;
    bool Verbose = false;
    bool Help = false;
    bool Version = false;
    bool ListModels = false;
    /// Keep the user banks in this all-banks file (read at start, written when changed).
    std::string BanksFile;
    /// Write the default blank-preset files into this folder and stop.
    std::string BlankPresetsDir;
    /// Why the command line was refused; empty when it was taken.
    std::string Error;
};

/// Reads the arguments after the program name.
TSynthCommandLine ParseSynthCommandLine(const std::vector<std::string>& args);
/// The --help text.
std::string SynthUsage();

} // namespace velcora::emu
