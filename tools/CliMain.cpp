// velcora-cli: the librarian's transfers without windows, for musicians who script their
// backups. Runs the same operations as the buttons.
#include "CliRunner.h"
#include "RtMidiDriver.h"
#include "VirtualMidiDriver.h"
#include "VirtualSynthDevice.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <iostream>
#include <memory>

using namespace velcora;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    const TCliOptions options = ParseCliCommandLine(args);
    if (options.Help) {
        std::cout << CliUsage();
        return 0;
    }
    if (!options.Error.empty()) {
        std::cerr << "velcora-cli: " << options.Error << "\n\n" << CliUsage();
        return 2;
    }
    if (options.In.empty() != options.Out.empty()) {
        std::cerr << "velcora-cli: give both --in and --out, or neither\n";
        return 2;
    }

    const QString exeDir = QCoreApplication::applicationDirPath();
    TCliPlaces places;
    places.IniPath =
        options.Settings.empty() ? (exeDir + "/Velcora.INI").toStdString() : options.Settings;
    // The default blank presets lie beside an installed program, in the sources' assets
    // folder for one run from the build tree.
    places.StartDir = QFileInfo::exists(exeDir + "/Default Composer.syx")
                          ? exeDir.toStdString()
                          : std::string(VELCORA_ASSETS_DIR);
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
