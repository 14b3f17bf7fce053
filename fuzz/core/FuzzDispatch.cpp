// The receive dispatcher in every state of expectation: any sequence of messages, well formed
// or not, is dispatched without fault. Input: one byte of state (replies awaited, device id,
// receive target), then messages, each ending at an F7.
#include "FuzzWorld.h"
#include "Workspace.h"
#include "WorkspaceView.h"

#include <QCoreApplication>
#include <cstdlib>
#include <filesystem>
#include <span>

using namespace velcora;

namespace {

struct TWorld {
    TWorld() {
        static int argc = 1;
        static char name[] = "fuzz_dispatch";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
        Dir = (std::filesystem::temp_directory_path() / "velcora-fuzz-dispatch").string();
        std::filesystem::create_directories(Dir);
    }
    std::string Dir;
    TQuietDialogs Dialogs;
    TSilentWorkspaceView View;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TWorld world;
    if (size < 1) {
        return 0;
    }
    TWorkspace ws(world.Dialogs, world.View, world.Dir + "/Velcora.INI", world.Dir, world.Dir);
    ws.FSynth.Pause = [](int) {};
    const uint8_t state = data[0];
    ws.FExpectIdentity = (state & 0x01) != 0;
    ws.FExpectHwConfig = (state & 0x02) != 0;
    ws.FExpectChannel = (state & 0x04) != 0;
    ws.FExpectDump = (state & 0x08) != 0;
    ws.FCtx.DeviceId = (state & 0x10) != 0 ? 0x7F : 0;
    ws.FRomViaEditBuffer = (state & 0x20) != 0;
    ws.FCurPreset = state;
    ws.FRxPatch = (state & 0x40) != 0 ? &ws.UserBank(1).Slot(state & 0x7F) : ws.FEditPatch.get();
    ws.FTransferShowing = (state & 0x80) != 0;

    std::span<const uint8_t> rest(data + 1, size - 1);
    while (!rest.empty()) {
        size_t end = 0;
        while (end < rest.size() && rest[end] != 0xF7) {
            ++end;
        }
        const size_t length = end < rest.size() ? end + 1 : end;
        ws.ReceiveSysex(rest.first(length));
        if (ws.FBusy) {
            std::abort(); // the flag must never outlive a dispatch
        }
        rest = rest.subspan(length);
    }
    ws.FBankTimer.stop();
    ws.FTimedOut.stop();
    ws.FSendTimer.stop();
    return 0;
}
