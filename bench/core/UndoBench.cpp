// The history of changes: the memory 100 steps hold when each rewrites a whole bank, and the
// time of one recording with a full library and of undoing a library sort. Prints figures;
// passes or fails nothing.
#include "QuietDialogs.h"
#include "Workspace.h"
#include "WorkspaceView.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace velcora;

namespace {

/// A field of /proc/self/status in kilobytes ("VmRSS", "VmHWM").
long StatusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    return -1;
}

/// Gives every shown slot of the bank data bytes no earlier step gave it.
void RewriteBank(TPatchBank& bank, int step) {
    for (int i = 0; i < TPatchBank::SlotCount; ++i) {
        auto data = bank.Slot(i).Dump().Slot(2);
        for (size_t k = 10; k < 20; ++k) {
            data[k] = static_cast<uint8_t>((step * 131 + i * 7 + static_cast<int>(k)) & 0x7F);
        }
        data[30] = static_cast<uint8_t>(step & 0x7F);
        data[31] = static_cast<uint8_t>(i & 0x7F);
    }
}

template <typename F> double Ms(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string dir =
        (std::filesystem::temp_directory_path() / "velcora-undo-bench").string();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    TQuietDialogs dialogs;
    TSilentWorkspaceView view;
    TWorkspace ws(dialogs, view, dir + "/Velcora.INI", dir + "/", dir);

    // 100 steps, each changing all 128 slots of a bank.
    ws.ClearUndoHistory();
    const size_t baseBytes = ws.UndoHistoryBytes();
    const long rssBefore = StatusKb("VmRSS");
    const int steps = ws.UndoLimit();
    double commitMs = 0;
    for (int s = 0; s < steps; ++s) {
        RewriteBank(ws.UserBank(s % 4), s + 1);
        commitMs += Ms([&] { ws.CommitUndoStep("Bench"); });
    }
    const size_t heldBytes = ws.UndoHistoryBytes() - baseBytes;
    const long rssAfter = StatusKb("VmRSS");
    std::printf("history of %d steps of 128 changed slots: %.1f MB of snapshots held "
                "(target <= 30 MB), VmRSS growth %.1f MB, VmHWM %.1f MB\n",
                steps, heldBytes / 1e6, (rssAfter - rssBefore) / 1e3, StatusKb("VmHWM") / 1e3);
    std::printf("one recording of a 128-slot change: %.2f ms on average\n", commitMs / steps);
    RewriteBank(ws.UserBank(0), 1000);
    ws.CommitUndoStep("Bench");
    std::printf("steps kept after one more: %s (limit %d)\n",
                ws.UndoHistoryBytes() - baseBytes <= heldBytes + heldBytes / 50 ? "bounded"
                                                                                : "GROWING",
                steps);

    // A full library.
    TPatchLib& lib = ws.Library();
    for (int i = 0; i < TPatchLib::MaxPatches; ++i) {
        TPatchRec& slot = ws.UserBank(i % 4).Slot(i % TPatchBank::SlotCount);
        slot.Dump().Slot(3)[5] = static_cast<uint8_t>(i & 0x7F);
        slot.SetNote(1, std::to_string((i * 7919) % TPatchLib::MaxPatches));
        lib.Add(slot);
    }
    ws.ClearUndoHistory();
    std::printf("library of %d patches: base snapshots %.1f MB\n", lib.Count(),
                ws.UndoHistoryBytes() / 1e6);
    const double idleMs = Ms([&] { ws.CommitUndoStep("Nothing"); });
    lib.Patch(123).SetNote(0, "changed");
    const double oneMs = Ms([&] { ws.CommitUndoStep("Edit"); });
    const double sortMs = Ms([&] { ws.sgLibMouseDown(TMouseButton::Left, {}, 3, 0); });
    const double undoMs = Ms([&] { ws.Undo(); });
    const double redoMs = Ms([&] { ws.Redo(); });
    std::printf("with the full library: a recording that finds no change %.1f ms, one changed "
                "note %.1f ms; sort with its recording %.1f ms; undo of the sort %.1f ms, "
                "redo %.1f ms\n",
                idleMs, oneMs, sortMs, undoMs, redoMs);
    std::filesystem::remove_all(dir);
    return 0;
}
