// velcora: the patch librarian's windows.
#include "AppOptions.h"
#include "MainWindow.h"
#include "Program.h"
#include "ProgramPlaces.h"
#include "QtDialogs.h"
#include "RtMidiDriver.h"
#include "VelcoraApplication.h"
#include "VirtualMidiDriver.h"
#include "VirtualSynthDevice.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

using namespace velcora;

namespace {

int Run(TVelcoraApplication& app, IDialogs& dialogs, IMidiDriver& driver,
        const TProgramPlaces& places, const std::string& synthDevice) {
    TProgram program(dialogs, driver, places, synthDevice);
    // Queued: the close that ends the run finishes before the windows are taken down.
    QObject::connect(&program.Main(), &TfMain::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    program.Start();
    return TVelcoraApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    // Read before the application object exists, so that --help and a mistake need no screen.
    const TAppOptions options = ParseAppOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!options.Error.empty()) {
        std::cerr << "velcora: " << options.Error << "\nTry velcora --help.\n";
        return 2;
    }
    if (options.Help) {
        std::cout << AppUsage();
        return 0;
    }

    TVelcoraApplication app(argc, argv);
    // The program ends when the main window's close is agreed to, not when the splash or the
    // setup dialog is the last window to go.
    app.setQuitOnLastWindowClosed(false);
    TQtDialogs dialogs;
    app.SetDialogs(&dialogs);

    const std::string exeDir = QCoreApplication::applicationDirPath().toStdString();
    const TRunPlaces places = RunPlaces(exeDir, options.Settings);

    try {
        if (options.VirtualSynth) {
            TVirtualMidiDriver driver;
            emu::TVirtualSynthOptions synthOptions;
            synthOptions.MemberCode = options.MemberCode;
            emu::TVirtualSynthDevice synth(driver, synthOptions);
            return Run(app, dialogs, driver, places, emu::TVirtualSynthDevice::kDefaultName);
        }
        TRtMidiDriver driver;
        return Run(app, dialogs, driver, places, {});
    } catch (const std::exception& e) {
        // An error while the windows are made, before the event loop could show it.
        dialogs.MessageBox(TMessageKind::Error, e.what(), TButtons::Ok);
        return 1;
    }
}
