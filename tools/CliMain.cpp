// velcora-cli: the librarian's transfers without windows, for musicians who script their
// backups. Runs the same operations as the buttons.
#include "CliCommandLine.h"
#include "ProgramPlaces.h"
#include "RtMidiDriver.h"
#include "VirtualMidiDriver.h"
#include "VirtualSynthDevice.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <unistd.h>

using namespace velcora;

namespace {

// The signal handler's end of a pipe whose other end the event loop watches: writing to it is
// all a handler may safely do.
int gStopWrite = -1;

extern "C" void OnStopSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(gStopWrite, &byte, 1);
}

} // namespace

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
    TCliOptions options = line.Options;

    const std::string exeDir = QCoreApplication::applicationDirPath().toStdString();
    const TRunPlaces places = RunPlaces(exeDir, options.Settings);

    // Ctrl-C, SIGTERM and SIGHUP end a run as a failure does, so the MIDI ports (JACK clients
    // among them) are closed in order before the program ends; a second one ends it at once.
    bool stopRequested = false;
    std::unique_ptr<QSocketNotifier> stopNotifier;
    int stopPipe[2];
    if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        gStopWrite = stopPipe[1];
        stopNotifier = std::make_unique<QSocketNotifier>(stopPipe[0], QSocketNotifier::Read);
        QObject::connect(stopNotifier.get(), &QSocketNotifier::activated, [&] {
            char byte;
            while (read(stopPipe[0], &byte, 1) > 0) {
            }
            stopRequested = true;
        });
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        for (const int stopSignal : {SIGINT, SIGTERM, SIGHUP}) {
            sigaction(stopSignal, &action, nullptr);
        }
    }
    options.Stopped = [&stopRequested] { return stopRequested; };

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
