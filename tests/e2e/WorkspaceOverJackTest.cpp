// The workspace on real MIDI ports of a private JACK server: what only a driver thread that
// runs on its own shows.
#include "JackServer.h"
#include "Midiin.h"
#include "Midiout.h"
#include "QuietDialogs.h"
#include "RtMidiDriver.h"
#include "TempDir.h"
#include "TestApp.h"
#include "Workspace.h"
#include "WorkspaceView.h"

#include <gtest/gtest.h>
#include <thread>

namespace velcora::test {
namespace {

using namespace std::chrono_literals;

TEST(WorkspaceOverJack, AFullReceiveRingShowsTheOverflowWarning) {
    EnsureApp();
    TJackServer server;
    if (!server.Running()) {
        GTEST_SKIP() << server.Reason();
    }
    // A cable from the program's output back to its input.
    TJackThrough cable("velcora_cable");
    ASSERT_TRUE(cable.Ok());

    TTempDir dir;
    TQuietDialogs dialogs;
    TSilentWorkspaceView view;
    TRtMidiDriver driver(TRtMidiApi::Jack, "velcora_e2e");
    TWorkspace ws(dialogs, view, dir.File("Velcora.INI"), dir.Path(), dir.Path(), &driver);
    ws.FMidiPCToSynth->SetProductName(cable.InPort());
    ASSERT_TRUE(ws.FMidiPCToSynth->Open());
    ws.FSynthOutDev = static_cast<int>(ws.FMidiPCToSynth->DeviceID());
    ws.FMidiSynthToPC->SetProductName(cable.OutPort());
    ws.FSynthInDev = static_cast<int>(ws.FMidiSynthToPC->DeviceID());
    // A ring of a few items, so that a burst fills it while the GUI thread is busy.
    ws.FMidiSynthToPC->SetCapacity(4);
    ws.FMidiSynthToPC->OpenAndStart();

    // A new JACK connection may take a cycle or two to carry data: one message first.
    const std::vector<uint8_t> message = {0xF0, 0x7D, 0x01, 0x02, 0xF7};
    ws.FMidiPCToSynth->PutLong(message);
    ASSERT_TRUE(PumpUntil([&] { return ws.FMidiPCToSynth->PendingBuffers() == 0; }, 5s));
    PumpUntil([] { return false; }, 300ms);

    // The GUI thread sends a burst and does not look at its input meanwhile.
    for (int i = 0; i < 20; ++i) {
        ws.FMidiPCToSynth->PutLong(message);
    }
    std::this_thread::sleep_for(1s);
    ASSERT_TRUE(PumpUntil([&] { return !dialogs.Shown().empty(); }, 5s));
    PumpUntil([] { return false; }, 300ms);
    for (const auto& [kind, text] : dialogs.Shown()) {
        EXPECT_EQ(kind, TMessageKind::Warning);
        EXPECT_EQ(text, "Midi input data overflow from Synth.");
    }

    // The port still works after the loss.
    ws.FSynthFound = false;
    ws.FExpectIdentity = true;
    ws.FMidiPCToSynth->PutLong(std::vector<uint8_t>{0xF0, 0x7E, 0x00, 0x06, 0x02, 0x18, 0x04, 0x04,
                                                    0x03, 0x00, 0x31, 0x2E, 0x32, 0x30, 0xF7});
    EXPECT_TRUE(PumpUntil([&] { return ws.FSynthFound; }, 5s)) << "an identity reply is taken";
    ws.FMidiSynthToPC->StopAndClose();
    PumpUntil([&] { return ws.FMidiPCToSynth->PendingBuffers() == 0; }, 5s);
}

} // namespace
} // namespace velcora::test
