#pragma once

#include "CliRunner.h"

#include <string>
#include <vector>

namespace velcora {

/// velcora-cli's command line, read.
struct TCliCommandLine {
    TCliOptions Options;
    bool Help = false;
    bool Version = false;
    /// Why the command line was refused; empty when it was taken.
    std::string Error;
};

/// Reads the arguments after the program name.
TCliCommandLine ParseCliCommandLine(const std::vector<std::string>& args);
/// The --help text.
std::string CliUsage();

} // namespace velcora
