// The library filter at the library's limit, offscreen: 20000 patches of varied types, names
// and notes in the library grid (the main window's view and model), a filter typed one key at
// a time and then backspaced away. Each keystroke is timed whole: the workspace filtering the
// library, the grid's model taking the rows that show (one reset), and the grid laid out and
// painted again. A plain program: it prints the median and the worst keystroke, it passes or
// fails nothing; a keystroke should take no longer than a frame (16 ms). Run with
// QT_QPA_PLATFORM=offscreen.
#include "ByteStream.h"
#include "DumpMaker.h"
#include "LibraryModel.h"
#include "LibraryView.h"
#include "PatchContext.h"
#include "Patchlib.h"
#include "Patchrec.h"
#include "QuietDialogs.h"
#include "TempDir.h"
#include "Workspace.h"
#include "WorkspaceView.h"

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

using namespace velcora;
using namespace velcora::test;

namespace {

using TClock = std::chrono::steady_clock;

double Ms(TClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

/// The grid's part of the main window: the rows that pass, as TfMain takes them.
class TGridView : public TSilentWorkspaceView {
public:
    void Attach(TWorkspace& ws, TLibraryModel& model) {
        FWs = &ws;
        FModel = &model;
    }
    void ShowLibraryFilter(int visible, int /*total*/) override {
        if (FModel == nullptr) {
            return;
        }
        const int count = FWs->Library().Count();
        if (visible == count) {
            FModel->ShowAllPatches();
            return;
        }
        std::vector<int> patches;
        patches.reserve(static_cast<size_t>(visible));
        for (int row = 1; row <= count; ++row) {
            if (FWs->LibRowVisible(row)) {
                patches.push_back(row - 1);
            }
        }
        FModel->ShowOnlyPatches(std::move(patches));
    }

private:
    TWorkspace* FWs = nullptr;
    TLibraryModel* FModel = nullptr;
};

const std::array<const char*, 10> Types = {"Pad", "Bas", "Led", "Str", "Org",
                                           "Syn", "Arp", "Drm", "Bel", "Fx "};
const std::array<const char*, 12> Words = {"Warm",   "Glass", "Deep", "Saw",   "Choir", "Pulse",
                                           "Bright", "Soft",  "Wide", "Metal", "Dark",  "Air"};
const std::array<const char*, 8> NoteWords = {
    "slow attack", "from the factory", "warm and wide", "pad layer",
    "velocity",    "mod wheel",        "for strings",   "bright"};

/// Patch i of the bench's library: its own data bytes, a name and notes from the lists.
void MakePatch(TPatchContext& ctx, int i, TPatchRec& patch) {
    TDumpSpec made;
    made.Seed = static_cast<uint32_t>(i + 1);
    const size_t n = static_cast<size_t>(i);
    std::string name = std::string(Types[n % Types.size()]) + ":" + Words[(n / 10) % Words.size()] +
                       " " + std::to_string(i % 1000);
    name.resize(16, ' ');
    made.Name = name;
    const auto bytes = MakeDump(ctx.Sizes, made);
    TByteReader in(bytes);
    patch.ReadDump(in, ctx);
    patch.SetNote(0, NoteWords[(n / 7) % NoteWords.size()]);
    patch.SetNote(1, i % 3 == 0 ? "bank " + std::to_string(i / 128) : "");
    patch.SetNote(2, i % 5 == 0 ? "Keeper" : "");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    try {
        TTempDir dir;
        TQuietDialogs dialogs;
        TGridView face;
        TWorkspace ws(dialogs, face, dir.File("Velcora.INI"), dir.Path(), dir.Path());
        TPatchContext ctx{dialogs};
        ctx.SetDefaultSizes(TModelClass::Proteus);
        TPatchLib& lib = ws.Library();
        lib.Clear();
        for (int i = 0; i < TPatchLib::MaxPatches; ++i) {
            TPatchRec patch;
            MakePatch(ctx, i, patch);
            if (!lib.Add(patch)) {
                throw std::runtime_error("the library took fewer patches than its limit");
            }
        }

        TLibraryModel model(lib);
        TLibraryView grid;
        grid.setModel(&model);
        grid.resize(640, 600);
        grid.show();
        if (!QTest::qWaitForWindowExposed(&grid)) {
            throw std::runtime_error("the grid did not show");
        }
        face.Attach(ws, model);
        ws.ReapplyLibraryFilter();
        QApplication::processEvents();

        // Typed, then backspaced to nothing.
        const std::string typed = "pad warm 1";
        std::vector<std::string> texts;
        for (size_t n = 1; n <= typed.size(); ++n) {
            texts.push_back(typed.substr(0, n));
        }
        for (size_t n = typed.size(); n-- > 0;) {
            texts.push_back(typed.substr(0, n));
        }
        std::vector<double> times;
        std::printf("filtering %d patches, one keystroke at a time (filter, model reset, layout "
                    "and paint):\n",
                    lib.Count());
        for (int round = 0; round < 5; ++round) {
            for (const std::string& text : texts) {
                const auto t0 = TClock::now();
                ws.edLibFilterChange(text);
                grid.viewport()->repaint();
                QApplication::processEvents();
                const double ms = Ms(TClock::now() - t0);
                times.push_back(ms);
                if (round == 0) {
                    std::printf("  %-12s %5d shown  %7.3f ms\n", ("\"" + text + "\"").c_str(),
                                ws.Status().LibVisibleCount, ms);
                }
            }
        }
        std::vector<double> sorted = times;
        std::sort(sorted.begin(), sorted.end());
        std::printf("%zu keystrokes: median %.3f ms, worst %.3f ms (a frame: 16 ms)\n",
                    sorted.size(), sorted[sorted.size() / 2], sorted.back());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "library_filter_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
