// The receive dispatcher in every state of expectation: any sequence of messages, well formed
// or not, is dispatched without fault. Input: one byte that chooses how far the synth has been
// identified and which request is out, reached through the program's own operations; then
// messages, each ending at an F7.
#include "QuietDialogs.h"
#include "VirtualMidiDriver.h"
#include "Workspace.h"
#include "WorkspaceProbe.h"
#include "WorkspaceView.h"

#include <QCoreApplication>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <vector>

using namespace velcora;

namespace {

const std::string SynthPort = "Synth";

struct TWorld {
    TWorld() {
        static int argc = 1;
        static char name[] = "fuzz_dispatch";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
        // The settings file is written with a sync at every key, and identification writes
        // several: in memory, where the system has such a folder, they cost nothing.
        std::error_code error;
        const std::filesystem::path shm = "/dev/shm";
        const auto base = std::filesystem::is_directory(shm, error)
                              ? shm
                              : std::filesystem::temp_directory_path();
        Dir = (base / "velcora-fuzz-dispatch").string();
        std::filesystem::create_directories(Dir);
        // What the program sends goes nowhere: the input's messages play the synth.
        Driver.AddDevice(SynthPort);
    }
    std::string Dir;
    TSilentWorkspaceView View;
    TVirtualMidiDriver Driver;
};

// The synth's answers that bring the workspace to a state; dd is the synth's device id.
std::vector<uint8_t> IdentityReply(uint8_t dd) {
    return {0xF0, 0x7E, dd, 0x06, 0x02, 0x18, 0x04, 0x04, 0x03, 0x00, '1', '.', '0', '4', 0xF7};
}
/// One ROM of eight banks.
std::vector<uint8_t> HwConfigReply(uint8_t dd) {
    return {0xF0, 0x18, 0x0F, dd,   0x55, 0x09, 0x02, 0x00, 0x04,
            0x01, 0x06, 0x04, 0x00, 0x00, 0x08, 0x10, 0x05, 0xF7};
}
std::vector<uint8_t> ChannelReply(uint8_t dd) {
    return {0xF0, 0x18, 0x0F, dd, 0x55, 0x03, 0x01, 0x0B, 0x01, 0x05, 0x00, 0xF7};
}

/// The state byte: bits 0-1 how far the synth has answered (0 no output chosen and no synth,
/// 1 identified, 2 and the hardware configuration, 3 and the channel); bit 2 the synth's
/// device id is 7F, else 0; bits 3-5 the request then made; bit 6 the search's edit-buffer
/// request follows; bit 7 then the cancel button.
void Prepare(TWorkspace& ws, uint8_t state) {
    const int stage = state & 0x03;
    const uint8_t dd = (state & 0x04) != 0 ? 0x7F : 0x00;
    if (stage >= 1) {
        ws.lbMidiOutClick(TWorkspace::EntryIndex(ws.PortEntries(TPort::SynthOutput), SynthPort));
        ws.ReceiveSysex(IdentityReply(dd));
    }
    if (stage >= 2) {
        ws.ReceiveSysex(HwConfigReply(dd));
    }
    if (stage >= 3) {
        ws.ReceiveSysex(ChannelReply(dd));
    }
    switch ((state >> 3) & 0x07) {
    case 1:
        ws.bCheckIdClick();
        break;
    case 2:
        ws.bbGetEditBufClick();
        break;
    case 3:
        ws.bbRandEditBufClick();
        break;
    case 4:
        ws.bbGetBankClick();
        break;
    case 5:
        // The last slot alone: the highest preset number a fetch asks for.
        ws.CurUserBank().Slot(TPatchBank::SlotCount - 1).SetSelected(true);
        ws.bbGetSelectedClick();
        break;
    case 6:
        ws.rgLoadMethodClick(1);
        ws.bbROMGetBankClick();
        break;
    case 7:
        ws.rgLoadMethodClick(0);
        ws.bbROMGetBankClick();
        break;
    default:
        break;
    }
    if ((state & 0x40) != 0) {
        ws.ReqTimerTimer();
    }
    if ((state & 0x80) != 0) {
        ws.bbCancelGetClick();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TWorld world;
    if (size < 1) {
        return 0;
    }
    // Every run starts from no settings, so that no run depends on the ones before it.
    const std::string ini = world.Dir + "/Velcora.INI";
    std::filesystem::remove(ini);
    TQuietDialogs dialogs;
    TWorkspace ws(dialogs, world.View, ini, world.Dir, world.Dir, &world.Driver);
    ws.SetPause([](int) {});
    Prepare(ws, data[0]);

    std::span<const uint8_t> rest(data + 1, size - 1);
    while (!rest.empty()) {
        size_t end = 0;
        while (end < rest.size() && rest[end] != 0xF7) {
            ++end;
        }
        const size_t length = end < rest.size() ? end + 1 : end;
        ws.ReceiveSysex(rest.first(length));
        if (TWorkspaceProbe(ws).Busy()) {
            std::abort(); // the flag must never outlive a dispatch
        }
        rest = rest.subspan(length);
    }
    return 0;
}
