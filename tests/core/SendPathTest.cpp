// The one send path to the synth: every request byte for byte with the reply it awaits, the
// pause after each SysEx message, the refusal while a message is dispatched, patches sent
// and auditioned, and the input port reopened before every 130th request.
#include "DumpBuilder.h"
#include "Midiin.h"
#include "Midiout.h"
#include "RecordingView.h"
#include "TempDir.h"
#include "TestApp.h"
#include "VirtualMidiDriver.h"
#include "Workspace.h"
#include "WorkspaceView.h"

#include <gtest/gtest.h>
#include <mutex>

using namespace velcora;
using namespace velcora::test;

namespace {

using TBytes = std::vector<uint8_t>;

TBytes Hex(std::initializer_list<int> bytes) {
    TBytes out;
    for (int b : bytes) {
        out.push_back(static_cast<uint8_t>(b));
    }
    return out;
}

class SendPathTest : public ::testing::Test {
    // What the device received; declared first so that it outlives the driver's thread,
    // which may still deliver while the ports close.
    std::mutex FLock;
    std::vector<std::vector<uint8_t>> FReceived;

protected:
    SendPathTest() {
        EnsureApp();
        Synth = Driver.AddDevice("Synth", [this](std::span<const uint8_t> m) {
            std::lock_guard lock(FLock);
            FReceived.emplace_back(m.begin(), m.end());
        });
        Ws = std::make_unique<TWorkspace>(Dialogs, View, Dir.File("Velcora.INI"), Dir.Path(),
                                          Dir.Path(), &Driver);
        Ws->FMidiPCToSynth->SetProductName("Synth");
        EXPECT_TRUE(Ws->FMidiPCToSynth->Open());
        Ws->FSynthOutDev = static_cast<int>(Ws->FMidiPCToSynth->DeviceID());
        Ws->FCtx.DeviceId = 0x10;
        Ws->FSynth.TimeBetweenSysex = 40;
        Ws->FSynth.Pause = [this](int ms) { Pauses.push_back(ms); };
    }
    std::vector<TBytes> Received() {
        Driver.Sync();
        std::lock_guard lock(FLock);
        return FReceived;
    }

    TTempDir Dir;
    TScriptedDialogs Dialogs;
    TRecordingView View;
    TVirtualMidiDriver Driver;
    int Synth = 0;
    std::unique_ptr<TWorkspace> Ws;
    std::vector<int> Pauses;
};

} // namespace

TEST_F(SendPathTest, RequestsAndTheRepliesTheyAwait) {
    TSynth& s = Ws->FSynth;
    s.RequestIdentity();
    s.RequestHwConfig();
    s.SendInitParam();
    s.RequestChannel();
    s.RequestPreset(17, 2);
    const std::vector<TBytes> expected = {
        Hex({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}),
        Hex({0xF0, 0x18, 0x0F, 0x10, 0x55, 0x0A, 0xF7}),
        Hex({0xF0, 0x18, 0x0F, 0x10, 0x55, 0x01, 0x02, 0x0A, 0x01, 0x00, 0x00, 0xF7}),
        Hex({0xF0, 0x18, 0x0F, 0x10, 0x55, 0x02, 0x01, 0x0B, 0x01, 0xF7}),
        Hex({0xF0, 0x18, 0x0F, 0x10, 0x55, 0x11, 0x04, 0x11, 0x02, 0x00, 0x00, 0xF7}),
    };
    EXPECT_EQ(Received(), expected);
    EXPECT_EQ(Pauses, std::vector<int>(5, 40));
    EXPECT_TRUE(Ws->FExpectIdentity && Ws->FExpectHwConfig && Ws->FExpectChannel &&
                Ws->FExpectDump);
}

TEST_F(SendPathTest, EditBufferRequestTakesTheReceiveTarget) {
    Ws->FSynth.SizesMeasured = true;
    Ws->FRxMode = TWorkspace::TRxMode::Bank;
    Ws->FSynth.RequestEditBuffer();
    EXPECT_EQ(Ws->FRxMode, TWorkspace::TRxMode::Single);
    EXPECT_EQ(Ws->FRxPatch, Ws->FEditPatch.get());
    EXPECT_FALSE(Ws->FSynth.SizesMeasured);
    // While a ROM bank is fetched through the edit buffer, the fetch keeps its target.
    Ws->FRomViaEditBuffer = true;
    Ws->FRxMode = TWorkspace::TRxMode::Bank;
    Ws->FRxPatch = &Ws->FRomBank->Slot(3);
    Ws->FSynthChannel = 2;
    Ws->FCurPreset = 3;
    Ws->FSynth.RequestViaProgramChange();
    EXPECT_EQ(Ws->FRxPatch, &Ws->FRomBank->Slot(3));
    const auto got = Received();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[1], Hex({0xC2, 0x03}));
    EXPECT_EQ(got[2],
              Hex({0xF0, 0x18, 0x0F, 0x10, 0x55, 0x11, 0x04, 0x7F, 0x7F, 0x00, 0x00, 0xF7}));
    EXPECT_EQ(Pauses, (std::vector<int>{40, 10, 40}));
}

TEST_F(SendPathTest, DirectRomRequestNamesTheRomAndItsBank) {
    Ws->FSynth.RomCount = 1;
    Ws->FSynth.Roms[0].Id = 0x8F; // two 7-bit bytes: 0F 01
    Ws->FRomXfer = true;
    Ws->FRomIndex = 0;
    Ws->FRomBankNo = 5;
    Ws->FSynth.RequestPreset(9, 0);
    EXPECT_EQ(Received().at(0),
              Hex({0xF0, 0x18, 0x0F, 0x10, 0x55, 0x11, 0x04, 0x09, 0x05, 0x0F, 0x01, 0xF7}));
}

TEST_F(SendPathTest, NothingLeavesWhileAMessageIsDispatched) {
    Ws->FBusy = true;
    Dialogs.ExpectMessage(TMessageKind::Error,
                          "Can't transmit sysex.\nStill sorting out input data.");
    Ws->FSynth.RequestChannel();
    EXPECT_TRUE(Ws->FExpectChannel) << "the expectation is set all the same";
    EXPECT_TRUE(Received().empty());
    EXPECT_TRUE(Pauses.empty());
}

TEST_F(SendPathTest, WithoutAnOutputDeviceNothingIsSentAndNothingPauses) {
    Ws->FSynthOutDev = -1;
    Ws->FSynth.RequestIdentity();
    EXPECT_TRUE(Received().empty());
    EXPECT_TRUE(Pauses.empty());
}

TEST_F(SendPathTest, AMessageWithoutEndIsNotSent) {
    TBytes noEnd(1200, 0x10);
    noEnd[0] = 0xF0;
    noEnd[1100] = 0xF7; // beyond the first 1000 bytes
    EXPECT_FALSE(Ws->FSynth.SendSysex(noEnd));
    EXPECT_TRUE(Ws->FSynth.SendSysex(std::span(noEnd).subspan(1090)));
    const auto got = Received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].size(), 11u);
}

TEST_F(SendPathTest, AuditionSilencesTheSynthThenSendsThePatchToTheEditBuffer) {
    TPatchWorld w;
    TPatchRec patch;
    TDumpSpec made;
    made.Low = 5;
    made.High = 2;
    w.Fill(patch, made);
    patch.Dump().Slot(0)[33] = 4;
    Ws->FSynth.Audition(patch);
    const auto got = Received();
    ASSERT_EQ(got.size(), 16u + 8u);
    for (int ch = 0; ch < 16; ++ch) {
        EXPECT_EQ(got[static_cast<size_t>(ch)], Hex({0xB0 + ch, 0x78, 0x00}));
    }
    const TBytes& header = got[16];
    ASSERT_EQ(header.size(), 36u);
    EXPECT_EQ(header[3], 0x10);
    EXPECT_EQ(header[7], 0x7F);
    EXPECT_EQ(header[8], 0x7F);
    EXPECT_EQ(header[33], 0);
    for (int p = 1; p <= 7; ++p) {
        EXPECT_EQ(got[static_cast<size_t>(16 + p)].size(),
                  static_cast<size_t>(w.Ctx.Sizes.PacketSize(p)));
    }
    EXPECT_EQ(patch.Dump().Slot(0)[7], 0x7F) << "the patch keeps its new address";
    EXPECT_EQ(Pauses, std::vector<int>(8, 40));
}

TEST_F(SendPathTest, AStoredMessageWithoutEndIsNotSent) {
    TPatchWorld w;
    TPatchRec patch;
    w.Fill(patch, {});
    auto slot3 = patch.Dump().Slot(3);
    std::fill(slot3.begin(), slot3.end(), 0x11);
    Ws->FSynth.Send(patch);
    EXPECT_EQ(Received().size(), 7u) << "packet 3 has no F7 in its slot";
}

TEST_F(SendPathTest, TheInputPortIsReopenedBeforeEvery130thRequest) {
    Ws->FMidiSynthToPC->SetProductName("Synth");
    Ws->FSynthInDev = static_cast<int>(Ws->FMidiSynthToPC->DeviceID());
    Ws->FMidiSynthToPC->OpenAndStart();
    const TBytes pending = Hex({0xF0, 0x18, 0x0F, 0x10, 0x55, 0x7D, 0xF7});
    for (const auto& [requests, stillPending] : {std::pair{129, true}, std::pair{1, false}}) {
        Driver.Emit(Synth, pending);
        Driver.Sync();
        for (int i = 0; i < requests; ++i) {
            Ws->FSynth.RequestEditBuffer();
        }
        // Reopening empties the ring: a message waiting in it is gone.
        EXPECT_EQ(Ws->FMidiSynthToPC->GetMidiEvent() != nullptr, stillPending);
        Ws->FMidiSynthToPC->FlushQueue();
    }
    EXPECT_EQ(Ws->FSynth.EditRequestCount, 0);
    Ws->FSynth.RequestEditBuffer();
    EXPECT_EQ(Ws->FSynth.EditRequestCount, 1);
}
