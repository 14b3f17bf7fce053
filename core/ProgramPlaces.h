#pragma once

#include <string>

namespace velcora {

/// The name of the settings file, wherever it lies.
inline constexpr const char* SettingsFileName = "Velcora.INI";

/// Where the settings file lies when none is named on the command line: beside the program
/// when its folder takes new files (a build tree or a portable copy), otherwise in configDir,
/// made when missing (an installed program, whose folder only root may write).
std::string SettingsFilePath(const std::string& programDir, const std::string& configDir);

/// The user's configuration folder for this project: the platform's configuration folder
/// (on Linux $XDG_CONFIG_HOME or ~/.config) and "velcora".
std::string UserConfigDir();

/// The folder of the data shipped with the program (the default blank presets): beside the
/// program when they lie there (a build tree or a portable copy), otherwise the installed data
/// folder, found from the program's folder so that the installed tree may be moved as a whole.
std::string ProgramDataDir(const std::string& programDir);

/// Where a run keeps its settings, finds its shipped data and makes its working folders.
struct TRunPlaces {
    std::string IniPath;
    std::string StartDir;
    std::string DocumentsDir;
};

/// The places of a run of the program that lies in programDir: the settings file named on
/// the command line (settingsFile), else the default one; the documents folder, else home.
TRunPlaces RunPlaces(const std::string& programDir, const std::string& settingsFile);

} // namespace velcora
