#pragma once

#include "ProgramPlaces.h"

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace velcora {

class IMidiDriver;

/// What velcora-cli was asked to do.
struct TCliOptions {
    std::string Command; ///< devices, identify, get-bank, get-all, send-bank, get-edit, send-edit,
                         ///< midnam
    int Bank = -1;
    std::string File;
    std::string In;       ///< input device name; empty: the built-in virtual synth
    std::string Out;      ///< output device name
    std::string Settings; ///< settings file; empty: the default one (ProgramPlaces.h)
    bool Force = false;
    /// midnam: the bank files or the one all-banks file; File is the document written.
    std::vector<std::string> BankFiles;
    /// midnam: the user bank each of BankFiles holds (0..3), or -1 for a file that must be an
    /// all-banks file.
    std::vector<int> BankNumbers;
    /// import: the library file and the files and folders to import.
    std::vector<std::string> ImportPaths;
    /// midnam and import: the synth model named, as the virtual synth lists the models;
    /// empty: the identified synth's.
    std::string Model;
    /// import: add presets equal (apart from the name) to one in the library too.
    bool KeepDuplicates = false;
    /// How long the MIDI output may go without sending a queued message before what it
    /// still holds counts as lost (not a command-line option).
    std::chrono::milliseconds OutputStallLimit{10000};
    /// Answers true once the run is to end early (a stop signal); looked at whenever the run
    /// waits. Not a command-line option.
    std::function<bool()> Stopped;
};

/// The exit code of a run ended by Stopped, as a shell reports a program ended by Ctrl-C.
constexpr int StoppedCode = 130;

using TCliPlaces = TRunPlaces;

/// Runs one command with the program's own operations against the synth on the given ports
/// of the driver, progress on err. Returns the exit code: 0 done, 1 the synth did not answer,
/// cancelled or timed out, or the output stalled with messages unsent, 2 bad input (command
/// line, files, devices), StoppedCode stopped (a transfer under way cancelled, no file
/// written).
int RunCli(const TCliOptions& options, IMidiDriver& driver, const std::string& inName,
           const std::string& outName, const TCliPlaces& places, std::ostream& out,
           std::ostream& err);

} // namespace velcora
