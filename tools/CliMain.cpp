// velcora-cli: the librarian's transfers without windows, for musicians who script their
// backups. Runs the same operations as the buttons.
#include "CliCommandLine.h"
#include "ProgramPlaces.h"
#include "RtMidiDriver.h"
#include "VirtualMidiDriver.h"
#include "VirtualSynthDevice.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <iostream>
#include <memory>

using namespace velcora;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const TCliCommandLine line =
        ParseCliCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!line.Error.empty()) {
        std::cerr << "velcora-cli: " << line.Error << "\nTry velcora-cli --help.\n";
        return 2;
    }
    if (line.Help) {
        std::cout << CliUsage();
        return 0;
    }
    if (line.Version) {
        std::cout << "velcora-cli " << VELCORA_VERSION << "\n";
        return 0;
    }
    const TCliOptions& options = line.Options;

    const std::string exeDir = QCoreApplication::applicationDirPath().toStdString();
    TCliPlaces places;
    places.IniPath =
        options.Settings.empty() ? SettingsFilePath(exeDir, UserConfigDir()) : options.Settings;
    places.StartDir = ProgramDataDir(exeDir);
    places.DocumentsDir =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
    if (places.DocumentsDir.empty()) {
        places.DocumentsDir = QDir::homePath().toStdString();
    }

    try {
        // The device list is always the system's: it is where a musician finds the names
        // to give --in and --out.
        if (options.In.empty() && options.Command != "devices") {
            TVirtualMidiDriver driver;
            emu::TVirtualSynthDevice synth(driver);
            const std::string name = emu::TVirtualSynthDevice::kDefaultName;
            return RunCli(options, driver, name, name, places, std::cout, std::cerr);
        }
        TRtMidiDriver driver;
        return RunCli(options, driver, options.In, options.Out, places, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "velcora-cli: " << e.what() << "\n";
        return 2;
    }
}
