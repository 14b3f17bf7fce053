// The windows' costs on the built-in virtual synth, offscreen: the start-up (process start to
// the synth identified and to the main window shown, the splash schedule's own wait after the
// synth is found given apart), the peak memory with the main window shown and a bank fetched,
// and a bank view's paste of 128 patches with its repaint for 20 and for 60 visible rows.
// Start-up happens once per process, so this is a plain program: it prints figures and passes
// or fails nothing. Run with QT_QPA_PLATFORM=offscreen.
#include "EventWait.h"
#include "MainWindow.h"
#include "Patchbank.h"
#include "Program.h"
#include "QuietDialogs.h"
#include "TempDir.h"
#include "VelcoraApplication.h"
#include "VirtualMidiDriver.h"
#include "VirtualSynthDevice.h"
#include "Workspace.h"

#include <QHeaderView>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

using namespace velcora;
using namespace velcora::test;
using namespace std::chrono_literals;

namespace {

using TClock = std::chrono::steady_clock;

double Ms(TClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

/// How long ago the kernel started this process, in ms (to the kernel's clock tick).
double MsSinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command name, which may hold blanks, start after its ')'.
    std::istringstream rest(text.substr(text.rfind(')') + 2));
    std::string field;
    // starttime is field 22; the rest starts at field 3.
    for (int i = 3; i <= 22 && rest >> field; ++i) {
    }
    timespec boot{};
    clock_gettime(CLOCK_BOOTTIME, &boot);
    const double startMs = std::stod(field) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
    return boot.tv_sec * 1000.0 + boot.tv_nsec / 1e6 - startMs;
}

/// A "VmHWM"-like line of /proc/self/status in kB, or -1.
long StatusKb(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0) {
            return std::stol(line.substr(key.size() + 1));
        }
    }
    return -1;
}

void Require(bool holds, const char* what) {
    if (!holds) {
        throw std::runtime_error(what);
    }
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

/// The bank's marked slots, counted afresh.
int Marked(const TPatchBank& bank) {
    int marked = 0;
    for (int slot = 0; slot < TPatchBank::SlotCount; ++slot) {
        marked += bank.Slot(slot).Selected() ? 1 : 0;
    }
    return marked;
}

/// Gives the bank view exactly rows visible rows, the main window growing or shrinking with it.
void ShowRows(TfMain& main, QTableView& view, int rows) {
    const int rowHeight = view.verticalHeader()->defaultSectionSize();
    view.setFixedHeight(rows * rowHeight + view.horizontalHeader()->height() +
                        2 * view.frameWidth());
    main.resize(main.width(), main.minimumSizeHint().height());
    QApplication::processEvents();
    RunEventsUntil([&] { return view.viewport()->height() >= rows * rowHeight; }, 2s);
}

struct TPasteFigures {
    int Rows = 0;
    int ShownRows = 0;
    double PasteMs = 0;
    double RepaintMs = 0;
    double RepaintAloneMs = 0;
};

TPasteFigures PasteAndRepaint(TWorkspace& ws, TfMain& main, QTableView& view, int rows) {
    constexpr int Runs = 25;
    ShowRows(main, view, rows);
    TPasteFigures f;
    f.Rows = rows;
    const int rowHeight = view.verticalHeader()->defaultSectionSize();
    f.ShownRows = (view.viewport()->height() + rowHeight - 1) / rowHeight;
    // The whole bank in the clipboard.
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    Require(ws.Context().ClipCount == TPatchBank::SlotCount, "the copy took not the whole bank");
    const TPatchBank& bank = ws.UserBank(0);
    std::vector<double> paste;
    std::vector<double> repaint;
    std::vector<double> alone;
    for (int run = 0; run < Runs; ++run) {
        // Slot 0 alone selected: the paste then selects the 128 slots it wrote.
        view.scrollToTop();
        const QModelIndex first = view.model()->index(0, 1);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(first).center());
        Require(Marked(bank) == 1, "slot 0 was not selected alone");
        view.repaint();
        const auto t0 = TClock::now();
        QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
        const auto t1 = TClock::now();
        view.repaint();
        const auto t2 = TClock::now();
        view.repaint();
        const auto t3 = TClock::now();
        Require(Marked(bank) == TPatchBank::SlotCount, "the paste wrote not 128 slots");
        paste.push_back(Ms(t1 - t0));
        repaint.push_back(Ms(t2 - t1));
        alone.push_back(Ms(t3 - t2));
        QApplication::processEvents();
    }
    f.PasteMs = Median(paste);
    f.RepaintMs = Median(repaint);
    f.RepaintAloneMs = Median(alone);
    return f;
}

int Run(TVelcoraApplication& app, const TClock::time_point mainStart, double startToMain) {
    TTempDir dir;
    TQuietDialogs dialogs;
    app.SetDialogs(&dialogs);
    TVirtualMidiDriver driver;
    emu::TVirtualSynthDevice synth(driver);
    TProgram program(dialogs, driver,
                     TProgramPlaces{dir.File("Velcora.INI"), VELCORA_ASSETS_DIR, dir.Path()},
                     emu::TVirtualSynthDevice::kDefaultName);
    TWorkspace& ws = program.Workspace();
    TfMain& main = program.Main();
    program.Start();

    // The state changes only in this thread's event handlers: each is seen after its batch.
    TClock::time_point found{};
    TClock::time_point shown{};
    RunEventsUntil(
        [&] {
            if (found == TClock::time_point{} && ws.Status().SynthFound) {
                found = TClock::now();
            }
            if (shown == TClock::time_point{} && main.isVisible()) {
                shown = TClock::now();
            }
            return found != TClock::time_point{} && shown != TClock::time_point{};
        },
        30s);
    Require(found != TClock::time_point{}, "the synth was never found");
    Require(shown != TClock::time_point{}, "the main window never came up");
    const long hwmShown = StatusKb("VmHWM");

    std::printf("start-up with the built-in virtual synth (offscreen):\n");
    std::printf("  process start -> main()            %8.1f ms (to the kernel's tick)\n",
                startToMain);
    std::printf("  main() -> synth found              %8.1f ms\n", Ms(found - mainStart));
    std::printf("  main() -> main window shown        %8.1f ms\n", Ms(shown - mainStart));
    std::printf("    of which the splash's wait after the synth was found  %8.1f ms\n",
                Ms(shown - found));
    std::printf("  process start -> main window shown %8.1f ms\n",
                startToMain + Ms(shown - mainStart));

    RunEventsUntil([&] { return !ws.Status().TransferRunning; }, 30s);
    ws.SetTimeBetweenSysex(0);
    ws.SetTimeBetweenPatches(1);
    const auto fetch0 = TClock::now();
    ws.bbGetBankClick();
    Require(RunEventsUntil([&] { return !ws.Status().TransferRunning; }, 120s),
            "the bank fetch never ended");
    const auto fetch1 = TClock::now();
    std::printf("\nmemory (/proc/self/status):\n");
    std::printf("  VmHWM with the main window shown            %8ld kB\n", hwmShown);
    std::printf("  VmHWM after a bank fetched (%.0f ms, no pauses) %8ld kB  (VmRSS %ld kB)\n",
                Ms(fetch1 - fetch0), StatusKb("VmHWM"), StatusKb("VmRSS"));

    auto* view = main.findChild<QTableView*>("vleUser0");
    Require(view != nullptr, "no vleUser0");
    std::printf("\npaste of 128 patches over bank 0 and the view's repaint (median of 25):\n");
    std::vector<TPasteFigures> figures;
    for (int rows : {20, 60}) {
        figures.push_back(PasteAndRepaint(ws, main, *view, rows));
    }
    for (const TPasteFigures& f : figures) {
        std::printf("  %2d rows visible (%d drawn): paste %7.3f ms, repaint after it %7.3f ms, "
                    "repaint alone %7.3f ms\n",
                    f.Rows, f.ShownRows, f.PasteMs, f.RepaintMs, f.RepaintAloneMs);
    }
    std::printf("  60 rows / 20 rows: paste %.2f, repaint %.2f\n",
                figures[1].PasteMs / figures[0].PasteMs,
                figures[1].RepaintMs / figures[0].RepaintMs);
    for (const auto& [kind, text] : dialogs.Shown()) {
        std::printf("message box (kind %d): %s\n", static_cast<int>(kind), text.c_str());
    }
    app.SetDialogs(nullptr);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const auto mainStart = TClock::now();
    const double startToMain = MsSinceProcessStart();
    // The offscreen platform's word on what it cannot do (raise a window, pass on the size
    // limits the bench gives the bank view) is no figure.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
        if (!text.startsWith("This plugin does not support")) {
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        }
    });
    TVelcoraApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    try {
        return Run(app, mainStart, startToMain);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "app_bench: %s\n", e.what());
        return 1;
    }
}
