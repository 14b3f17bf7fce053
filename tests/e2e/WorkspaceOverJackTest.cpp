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
#include "WorkspaceProbe.h"
#include "WorkspaceView.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <thread>

namespace velcora::test {
namespace {

using namespace std::chrono_literals;

TEST(WorkspaceOverJack, ABurstBeyondTheInputsBuffersLosesOnlyTheSurplus) {
    EnsureApp();
    TJackServer server;
    if (!server.Running()) {
        GTEST_SKIP() << server.Reason();
    }
    // A cable into the program's synth input; the test plays the synth at its other end.
    TJackThrough cable("velcora_cable");
    ASSERT_TRUE(cable.Ok());

    TTempDir dir;
    TQuietDialogs dialogs;
    TSilentWorkspaceView view;
    TRtMidiDriver driver(TRtMidiApi::Jack, "velcora_e2e");
    TWorkspace ws(dialogs, view, dir.File("Velcora.INI"), dir.Path(), dir.Path(), &driver);
    ws.lbMidiInClick(TWorkspace::EntryIndex(ws.PortEntries(TPort::SynthInput), cable.OutPort()));
    ASSERT_TRUE(ws.Status().SynthInput.Open) << ws.Status().SynthInput.Name;
    ASSERT_EQ(ws.Status().SynthInput.Name, cable.OutPort());

    TRtMidiDriver synthDriver(TRtMidiApi::Jack, "velcora_e2e_synth");
    TMidiOutput synth(synthDriver);
    synth.SetProductName(cable.InPort());
    ASSERT_TRUE(synth.Open());

    // Every cancel the program takes shows one warning: the count of messages that got through.
    const std::vector<uint8_t> cancel = {0xF0, 0x18, 0x0F, 0x00, 0x55, 0x7D, 0xF7};
    const auto taken = [&] {
        return std::count_if(dialogs.Shown().begin(), dialogs.Shown().end(), [](const auto& s) {
            return s.first == TMessageKind::Warning &&
                   s.second.find("The synth cancelled the dump.") != std::string::npos;
        });
    };

    // A new JACK connection may take a cycle or two to carry data: one message first.
    synth.PutLong(cancel);
    ASSERT_TRUE(PumpUntil([&] { return taken() == 1; }, 5s));

    // The synth sends twice as many messages as the input has SysEx buffers while the GUI
    // thread is busy and gives none back: each buffer holds one, the rest are lost.
    const int buffers = TWorkspaceProbe(ws).SynthInput()->SysexBufferCount();
    for (int i = 0; i < 2 * buffers; ++i) {
        synth.PutLong(cancel);
    }
    std::this_thread::sleep_for(1s);
    PumpUntil([&] { return taken() >= 1 + buffers; }, 5s);
    PumpUntil([] { return false; }, 300ms);
    EXPECT_EQ(taken(), 1 + buffers);

    // Every buffer came back: a burst they can hold arrives whole.
    for (int i = 0; i < buffers; ++i) {
        synth.PutLong(cancel);
    }
    EXPECT_TRUE(PumpUntil([&] { return taken() == 1 + 2 * buffers; }, 5s)) << taken();

    // And the synth's answer to "Look for Synth" is taken.
    ws.bCheckIdClick();
    synth.PutLong(std::vector<uint8_t>{0xF0, 0x7E, 0x00, 0x06, 0x02, 0x18, 0x04, 0x04, 0x03, 0x00,
                                       0x31, 0x2E, 0x32, 0x30, 0xF7});
    EXPECT_TRUE(PumpUntil([&] { return ws.Status().SynthFound; }, 5s))
        << "an identity reply is taken";

    ws.lbMidiInClick(
        TWorkspace::EntryIndex(ws.PortEntries(TPort::SynthInput), TWorkspace::NoDevice));
    EXPECT_FALSE(ws.Status().SynthInput.Open);
    PumpUntil([&] { return synth.PendingBuffers() == 0; }, 5s);
}

} // namespace
} // namespace velcora::test
