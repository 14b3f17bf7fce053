// The library grid's costs at the library's limit, offscreen: a QTableView with rows of one
// fixed height over the library model, as the main window shows it. Painting a frame and
// scrolling one row for 200 against 20000 rows (the ratio should stay near 1: the view draws
// only what shows); adding a whole bank to a full-size library and pasting 128 patches at row 0
// with the model's notifications and the repaint they cause, against the same without a model;
// loading a 20000-patch .lib file into a library the grid shows, against the same load with no
// model attached and against the bare read of the file. A plain program: it prints figures and
// ratios, it passes or fails nothing. Run with QT_QPA_PLATFORM=offscreen.
#include "ByteStream.h"
#include "DumpMaker.h"
#include "LibraryModel.h"
#include "PatchContext.h"
#include "Patchbank.h"
#include "Patchlib.h"
#include "Patchrec.h"
#include "QuietDialogs.h"
#include "SafeFile.h"
#include "TempDir.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace velcora;
using namespace velcora::test;

namespace {

using TClock = std::chrono::steady_clock;

constexpr int LibrarySize = TPatchLib::MaxPatches;
constexpr int SmallSize = 200;
constexpr int RowHeight = 18; // the main window's library rows

double Ms(TClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

/// The median time of runs calls of work, each after prepare (not timed).
double MedianMs(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
    std::vector<double> times;
    times.reserve(static_cast<size_t>(runs));
    for (int run = 0; run < runs; ++run) {
        prepare();
        const auto t0 = TClock::now();
        work();
        times.push_back(Ms(TClock::now() - t0));
    }
    return Median(times);
}

void Require(bool holds, const char* what) {
    if (!holds) {
        throw std::runtime_error(what);
    }
}

/// The patch layer's surroundings as the workspace provides them, with nobody to answer.
struct TWorld {
    TWorld() {
        Ctx.SetDefaultSizes(TModelClass::Proteus);
        TDumpSpec blank;
        blank.Name = "---:Blank       ";
        blank.Low = 127;
        blank.High = 127;
        const auto bytes = MakeDump(Ctx.Sizes, blank);
        TByteReader in(bytes);
        Blank.ReadDump(in, Ctx);
        Ctx.BlankPatch = &Blank;
        Ctx.ProbePatch = &Probe;
        Ctx.ClipBank = &Clip;
    }
    TQuietDialogs Dialogs;
    TPatchContext Ctx{Dialogs};
    TPatchRec Blank;
    TPatchRec Probe;
    TPatchBank Clip{Ctx, TPatchBank::ClipBankNumber, "Buffer", false};
};

/// A library file of count made-up patches with notes.
std::vector<uint8_t> LibraryFile(const TDumpSizes& sizes, int count) {
    std::vector<TLibRecord> records;
    records.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        TDumpSpec made;
        made.Seed = static_cast<uint32_t>(i + 1);
        made.Name = "Bch:Patch " + std::to_string(i);
        records.push_back(
            {{"note " + std::to_string(i), "from the bench", ""}, MakeDump(sizes, made)});
    }
    return LibraryBytes(count, records);
}

/// The library grid as the main window sets it up: fixed row height, no row header.
class TGrid {
public:
    explicit TGrid(TPatchLib& lib) : Model(lib) {
        View.setModel(&Model);
        View.verticalHeader()->hide();
        View.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        View.verticalHeader()->setDefaultSectionSize(RowHeight);
        View.horizontalHeader()->setStretchLastSection(true);
        View.setSelectionMode(QAbstractItemView::NoSelection);
        View.resize(900, 600);
        View.show();
        Require(QTest::qWaitForWindowExposed(&View), "the grid did not show");
        QApplication::processEvents();
    }
    /// One frame: the whole visible part drawn now.
    void Paint() { View.viewport()->repaint(); }
    /// What follows a change: the pending updates drawn.
    static void Settle() { QApplication::processEvents(); }

    TLibraryModel Model;
    QTableView View;
};

struct TFrameFigures {
    double PaintMs = 0;
    double ScrollMs = 0;
};

/// A frame painted at the top and in the middle, and a scroll by one row (the view moves what
/// it has and draws the row that comes in) in the middle of the library.
TFrameFigures Frames(TPatchLib& lib) {
    constexpr int Runs = 200;
    TGrid grid(lib);
    QScrollBar* bar = grid.View.verticalScrollBar();
    TFrameFigures f;
    const int middle = bar->maximum() / 2;
    bar->setValue(middle);
    TGrid::Settle();
    f.PaintMs = MedianMs(
        Runs, [] {}, [&] { grid.Paint(); });
    int step = 0;
    f.ScrollMs = MedianMs(
        Runs,
        [&] {
            // Down and up within 40 rows of the middle, so both libraries scroll alike.
            ++step;
        },
        [&] {
            bar->setValue(middle + ((step / 40) % 2 == 0 ? step % 40 : 40 - step % 40));
            TGrid::Settle();
        });
    return f;
}

/// The file layer's own read of the whole file, which the load starts with.
double ReadFileMs(const std::string& path, size_t size) {
    return MedianMs(
        9, [] {},
        [&] {
            Require(ReadFilePrefix(path, size).Bytes.size() == size,
                    "the library file was not read");
        });
}

/// 19872 patches, so that a bank of 128 fits; nothing selected.
void TrimForABank(TPatchLib& lib) {
    lib.DeselectAll();
    for (int i = 0; i < TPatchBank::SlotCount; ++i) {
        lib.Patch(lib.Count() - 1 - i).SetSelected(true);
    }
    lib.DeleteSelected();
    Require(lib.Count() == LibrarySize - TPatchBank::SlotCount, "the library was not trimmed");
}

/// What a change is timed with: the library alone, the model's notifications too (the view
/// hears of the new rows), or also the repaint they lead to.
enum class TShown { NoModel, Notified, Painted };

double AddBankMs(TPatchLib& lib, const TPatchBank& bank, TShown shown) {
    return MedianMs(
        25,
        [&] {
            lib.DeleteSelected(); // the patches added before come marked
            TGrid::Settle();
        },
        [&] {
            for (int i = 0; i < TPatchBank::SlotCount; ++i) {
                lib.Add(bank.Slot(i));
            }
            if (shown == TShown::Painted) {
                TGrid::Settle();
            }
            Require(lib.Count() == LibrarySize, "the bank was not added whole");
        });
}

double PasteMs(TPatchLib& lib, TShown shown) {
    return MedianMs(
        25,
        [&] {
            lib.DeleteSelected(); // the pasted patches stay marked
            lib.DeselectAll();
            lib.Patch(0).SetSelected(true);
            TGrid::Settle();
        },
        [&] {
            lib.Paste();
            if (shown == TShown::Painted) {
                TGrid::Settle();
            }
            Require(lib.Count() == LibrarySize, "the paste did not take 128 patches");
        });
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    try {
        TWorld world;
        TTempDir dir;
        const std::string bigPath = dir.File("big.lib");
        const std::string smallPath = dir.File("small.lib");
        WriteBytes(bigPath, LibraryFile(world.Ctx.Sizes, LibrarySize));
        WriteBytes(smallPath, LibraryFile(world.Ctx.Sizes, SmallSize));

        std::printf("library grid, %d px rows, 900 x 600 px view (median of 200 frames):\n",
                    RowHeight);
        TPatchLib small(world.Ctx);
        TPatchLib big(world.Ctx);
        Require(small.LoadFileByName(smallPath) && small.Count() == SmallSize,
                "the small library did not load");
        Require(big.LoadFileByName(bigPath) && big.Count() == LibrarySize,
                "the big library did not load");
        const TFrameFigures s = Frames(small);
        const TFrameFigures b = Frames(big);
        std::printf("  %5d rows: paint %7.3f ms a frame, scroll one row %7.3f ms a frame\n",
                    SmallSize, s.PaintMs, s.ScrollMs);
        std::printf("  %5d rows: paint %7.3f ms a frame, scroll one row %7.3f ms a frame\n",
                    LibrarySize, b.PaintMs, b.ScrollMs);
        std::printf("  %d rows / %d rows: paint %.2f, scroll %.2f\n", LibrarySize, SmallSize,
                    b.PaintMs / s.PaintMs, b.ScrollMs / s.ScrollMs);

        std::printf("\n128 patches into a library of %d (median of 25):\n",
                    LibrarySize - TPatchBank::SlotCount);
        TPatchBank bank(world.Ctx, 0, "User 0", true);
        for (int i = 0; i < TPatchBank::SlotCount; ++i) {
            big.Patch(i).CopyTo(bank.Slot(i));
        }
        // The clipboard holds 128 patches for the paste.
        big.DeselectAll();
        for (int i = 0; i < TPatchBank::SlotCount; ++i) {
            big.Patch(i).SetSelected(true);
        }
        big.CopySelection();
        Require(world.Ctx.ClipCount == TPatchBank::SlotCount, "the copy took not 128 patches");
        TrimForABank(big);
        double add[3] = {};
        double paste[3] = {};
        for (TShown shown : {TShown::Notified, TShown::Painted, TShown::NoModel}) {
            std::unique_ptr<TGrid> grid;
            if (shown != TShown::NoModel) {
                grid = std::make_unique<TGrid>(big);
            }
            add[static_cast<int>(shown)] = AddBankMs(big, bank, shown);
            paste[static_cast<int>(shown)] = PasteMs(big, shown);
            big.DeleteSelected();
        }
        const auto line = [](const char* what, const double(&ms)[3]) {
            std::printf("  %-15s no model %7.3f ms, model notified %7.3f ms, and painted %7.3f ms"
                        " (ratios to no model %.1f, %.1f)\n",
                        what, ms[0], ms[1], ms[2], ms[1] / ms[0], ms[2] / ms[0]);
        };
        line("add a bank:", add);
        line("paste at row 0:", paste);
        std::printf("\nloading a %d-patch library file (median of 9):\n", LibrarySize);
        double loadShown = 0;
        {
            TGrid grid(big);
            loadShown = MedianMs(
                9, [] {},
                [&] {
                    Require(big.LoadFileByName(bigPath), "the library did not load");
                    TGrid::Settle();
                });
        }
        const double loadBare = MedianMs(
            9, [] {}, [&] { Require(big.LoadFileByName(bigPath), "no load"); });
        const double read = ReadFileMs(bigPath, ReadFilePrefix(bigPath, SIZE_MAX).Bytes.size());
        std::printf("  shown in the grid %8.3f ms, without a model %8.3f ms, reading the file "
                    "alone %7.3f ms\n",
                    loadShown, loadBare, read);
        std::printf("  shown / without a model %.2f, without a model / reading %.2f\n",
                    loadShown / loadBare, loadBare / read);

        std::printf("\nsorting %d patches shown in the grid, by each column (median of 9, "
                    "ascending and descending in turn, the repaint included):\n",
                    LibrarySize);
        {
            Require(big.LoadFileByName(bigPath), "the library did not load");
            TGrid grid(big);
            for (int column = 0; column < TPatchLib::ColumnCount; ++column) {
                bool descending = false;
                const double ms = MedianMs(
                    9, [] {},
                    [&] {
                        big.Sort(column, descending);
                        descending = !descending;
                        TGrid::Settle();
                    });
                std::printf(
                    "  column %d (%s): %7.3f ms\n", column,
                    grid.Model.headerData(column, Qt::Horizontal).toString().toStdString().c_str(),
                    ms);
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "library_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
