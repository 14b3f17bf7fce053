// One suite run against both drivers: the in-process driver's loopback device, and RtMidi over
// a private JACK server whose cable is a pass-through client. Every message sent through the
// output port must come out of the input port, byte for byte and in order.

#include "JackServer.h"
#include "MidiTestSupport.h"
#include "Midiin.h"
#include "Midiout.h"
#include "RtMidiDriver.h"
#include "VirtualMidiDriver.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

namespace velcora {
namespace {

using test::MakeSysex;
using test::PumpUntil;
using Bytes = std::vector<uint8_t>;

/// A driver with a cable from an output device to an input device.
class TBackend {
public:
    virtual ~TBackend() = default;
    virtual IMidiDriver& Driver() = 0;
    virtual std::string OutDevice() const = 0; ///< the cable's sending end
    virtual std::string InDevice() const = 0;  ///< the cable's receiving end
};

class TVirtualBackend : public TBackend {
public:
    TVirtualBackend() { FDriver.AddLoopback("Loopback"); }
    IMidiDriver& Driver() override { return FDriver; }
    std::string OutDevice() const override { return "Loopback"; }
    std::string InDevice() const override { return "Loopback"; }

private:
    TVirtualMidiDriver FDriver;
};

class TJackBackend : public TBackend {
public:
    TJackBackend() {
        if (!FServer.Running()) {
            return;
        }
        FThrough = std::make_unique<test::TJackThrough>("velcora_loop");
        if (FThrough->Ok()) {
            FDriver = std::make_unique<TRtMidiDriver>(TRtMidiApi::Jack, "velcora_test");
        }
    }
    ~TJackBackend() override {
        FDriver.reset();
        FThrough.reset();
    }
    const test::TJackServer& Server() const { return FServer; }
    bool ThroughOk() const { return FThrough && FThrough->Ok(); }
    IMidiDriver& Driver() override { return *FDriver; }
    std::string OutDevice() const override { return FThrough->InPort(); }
    std::string InDevice() const override { return FThrough->OutPort(); }

private:
    test::TJackServer FServer;
    std::unique_ptr<test::TJackThrough> FThrough;
    std::unique_ptr<TRtMidiDriver> FDriver;
};

enum class TDriverKind { Virtual, RtMidiJack };

class MidiContract : public ::testing::TestWithParam<TDriverKind> {
protected:
    void SetUp() override {
        test::EnsureApp();
        if (GetParam() == TDriverKind::Virtual) {
            FBackend = std::make_unique<TVirtualBackend>();
        } else {
            auto jack = std::make_unique<TJackBackend>();
            if (!jack->Server().Running()) {
                GTEST_SKIP() << "jackd cannot start: " << jack->Server().Reason();
            }
            // The server runs: anything failing from here on is a fault, not a reason to skip.
            ASSERT_TRUE(jack->ThroughOk()) << "the pass-through JACK client did not start";
            FBackend = std::move(jack);
        }
        FOut = std::make_unique<TMidiOutput>(FBackend->Driver());
        FIn = std::make_unique<TMidiInput>(FBackend->Driver());
        FOut->SetProductName(FBackend->OutDevice());
        FIn->SetProductName(FBackend->InDevice());
        FIn->OnMidiInput = [this](TMidiInput* sender) { Drain(sender); };
        FOut->OnMidiOutput = [this](TMidiOutput*) { ++FDone; };
    }
    void TearDown() override {
        FIn.reset();
        FOut.reset();
        FBackend.reset();
    }

    /// Joins SysEx events into whole messages; short messages are kept as their bytes.
    void Drain(TMidiInput* port) {
        while (auto e = port->GetMidiEvent()) {
            if (e->SysexBytes) {
                FEventSizes.push_back(e->SysexByteCount);
                FPartial.insert(FPartial.end(), e->SysexBytes.get(),
                                e->SysexBytes.get() + e->SysexByteCount);
                if (FPartial.back() == 0xF7) {
                    FMessages.push_back(std::exchange(FPartial, {}));
                }
            } else {
                Bytes bytes{e->StatusByte, e->DataByte1, e->DataByte2};
                bytes.resize(size_t(ShortMsgLength(e->StatusByte)));
                FMessages.push_back(bytes);
            }
            if (e->TimeStamp < FLastTime) {
                ++FTimeReversals;
            }
            FLastTime = e->TimeStamp;
        }
    }

    std::string Describe() const {
        std::string text = std::to_string(FMessages.size()) + " messages:";
        for (const auto& m : FMessages) {
            text += " [";
            for (uint8_t b : m) {
                text += std::to_string(b) + " ";
            }
            text += "]";
        }
        return text;
    }

    void OpenBoth() {
        ASSERT_TRUE(FOut->Open());
        FIn->OpenAndStart();
        Handshake();
    }

    void Handshake() {
        FMessages.clear();
        // JACK applies new connections from a later cycle on, so what is sent at once may go
        // nowhere. A tune request is repeated until one comes through; it is then the only
        // one on the way, and the test starts from an empty record.
        for (int attempt = 0; attempt < 50 && FMessages.empty(); ++attempt) {
            FOut->PutShort(0xF6, 0, 0);
            PumpUntil([&] { return !FMessages.empty(); }, std::chrono::milliseconds(100));
        }
        ASSERT_EQ(FMessages, std::vector<Bytes>{{0xF6}}) << "the cable does not carry messages";
        FMessages.clear();
        FEventSizes.clear();
    }

    std::unique_ptr<TBackend> FBackend;
    std::unique_ptr<TMidiOutput> FOut;
    std::unique_ptr<TMidiInput> FIn;
    std::vector<Bytes> FMessages;
    std::vector<uint16_t> FEventSizes;
    Bytes FPartial;
    uint32_t FLastTime = 0;
    int FTimeReversals = 0;
    int FDone = 0;
};

TEST_P(MidiContract, PresetDumpsAndShortMessagesArriveWholeAndInOrder) {
    FIn->SetSysexBufferSize(1024);
    FIn->SetSysexBufferCount(64);
    OpenBoth();
    std::vector<Bytes> expected;
    for (int i = 0; i < 128; ++i) {
        const Bytes dump = MakeSysex(1607, uint8_t(i));
        const Bytes control = {0xB0, 0x07, uint8_t(i)};
        const Bytes program = {0xC1, uint8_t(i)};
        FOut->PutLong(dump);
        FOut->PutShort(control[0], control[1], control[2]);
        FOut->ProgramChange(1, uint8_t(i));
        expected.insert(expected.end(), {dump, control, program});
        // The program pauses between SysEx messages; here at most 16 dumps (32 of the 64
        // buffers) are on their way at a time.
        ASSERT_TRUE(PumpUntil([&] { return FMessages.size() + 16 * 3 > expected.size(); }))
            << "stalled after " << FMessages.size() << " messages";
    }
    ASSERT_TRUE(PumpUntil([&] { return FMessages.size() >= expected.size() && FDone == 128; }))
        << FMessages.size() << " messages, " << FDone << " buffers done";
    test::PumpFor(std::chrono::milliseconds(50));
    ASSERT_EQ(FMessages.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(FMessages[i], expected[i]) << "message " << i;
    }
    EXPECT_EQ(FOut->PendingBuffers(), 0u);
    EXPECT_EQ(FTimeReversals, 0);
    // 1607 bytes in 1024-byte buffers: 1024 then 583, every time.
    for (size_t i = 0; i < FEventSizes.size(); ++i) {
        ASSERT_EQ(FEventSizes[i], i % 2 == 0 ? 1024 : 583) << i;
    }
    EXPECT_TRUE(FOut->Close());
}

TEST_P(MidiContract, LongSysexIsSplitAcrossBuffers) {
    FIn->SetSysexBufferSize(1024);
    OpenBoth();
    const Bytes message = MakeSysex(3000, 3);
    FOut->PutLong(message);
    ASSERT_TRUE(PumpUntil([&] { return FMessages.size() == 1; }));
    EXPECT_EQ(FMessages[0], message);
    EXPECT_EQ(FEventSizes, (std::vector<uint16_t>{1024, 1024, 952}));
}

TEST_P(MidiContract, RealTimeFiltersAndSysexOnly) {
    OpenBoth();
    FOut->PutShort(0xFE, 0, 0);
    FOut->PutShort(0xF8, 0, 0);
    FOut->PutShort(0xF1, 0x23, 0);
    // The flag is read by the callback when a message arrives, so the first three come first.
    ASSERT_TRUE(PumpUntil([&] { return FMessages.size() == 1; })) << Describe();
    FIn->SetSysexOnly(true);
    FOut->PutShort(0x90, 0x3C, 0x40);
    FOut->PutLong(MakeSysex(20));
    ASSERT_TRUE(PumpUntil([&] { return FMessages.size() == 2; }));
    test::PumpFor(std::chrono::milliseconds(30));
    EXPECT_EQ(FMessages, (std::vector<Bytes>{{0xF1, 0x23}, MakeSysex(20)}));
}

TEST_P(MidiContract, ReopenedInputStartsEmptyAndStillReceives) {
    OpenBoth();
    FOut->PutShort(0x90, 1, 1);
    ASSERT_TRUE(PumpUntil([&] { return FMessages.size() == 1; }));
    FIn->StopAndClose();
    EXPECT_EQ(FIn->GetEventCount(), 0);
    FIn->OpenAndStart();
    Handshake();
    FOut->PutLong(MakeSysex(100, 7));
    ASSERT_TRUE(PumpUntil([&] { return FMessages.size() == 1; }));
    EXPECT_EQ(FMessages[0], MakeSysex(100, 7));
}

TEST_P(MidiContract, ReopeningWhileDumpsArriveLosesOnlyWholeMessages) {
    FIn->SetSysexBufferSize(1024);
    FIn->SetSysexBufferCount(64);
    OpenBoth();
    // The input is reopened while the rest of each batch is still on its way, as the program
    // reopens it before a fetch, whatever the synth may still be sending.
    uint8_t seed = 0;
    for (int batch = 0; batch < 8; ++batch) {
        const size_t before = FMessages.size();
        for (int i = 0; i < 8; ++i) {
            FOut->PutLong(MakeSysex(1607, seed++));
        }
        PumpUntil([&] { return FMessages.size() > before; }, std::chrono::seconds(2));
        FIn->StopAndClose();
        FPartial.clear();
        FIn->OpenAndStart();
    }
    ASSERT_TRUE(PumpUntil([&] { return FOut->PendingBuffers() == 0; }));
    test::PumpFor(std::chrono::milliseconds(200));
    // Whatever came is whole and in order: never the head of one dump with another's tail.
    int last = -1;
    for (const Bytes& m : FMessages) {
        ASSERT_EQ(m.size(), 1607u) << Describe();
        const int s = (m[1] - 7) & 0x7F;
        ASSERT_EQ(m, MakeSysex(1607, uint8_t(s)));
        EXPECT_GT(s, last);
        last = s;
    }

    // And the port still takes everything afterwards.
    Handshake();
    for (int i = 0; i < 8; ++i) {
        FOut->PutLong(MakeSysex(1607, uint8_t(100 + i)));
    }
    ASSERT_TRUE(PumpUntil([&] { return FMessages.size() == 8; })) << Describe();
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(FMessages[size_t(i)], MakeSysex(1607, uint8_t(100 + i))) << i;
    }
}

TEST_P(MidiContract, AnInputDestroyedWhileDumpsArriveLeavesTheCableWorking) {
    // What quitting does while the synth is still sending.
    for (int round = 0; round < 4; ++round) {
        FIn->SetSysexBufferSize(1024);
        FIn->SetSysexBufferCount(64);
        OpenBoth();
        for (int i = 0; i < 8; ++i) {
            FOut->PutLong(MakeSysex(1607, uint8_t(i)));
        }
        PumpUntil([&] { return !FMessages.empty(); }, std::chrono::seconds(2));
        FIn.reset();
        ASSERT_TRUE(PumpUntil([&] { return FOut->PendingBuffers() == 0; }));
        ASSERT_TRUE(FOut->Close());
        FIn = std::make_unique<TMidiInput>(FBackend->Driver());
        FIn->SetProductName(FBackend->InDevice());
        FIn->OnMidiInput = [this](TMidiInput* sender) { Drain(sender); };
        FPartial.clear();
    }
    OpenBoth();
    FOut->PutLong(MakeSysex(1607, 9));
    ASSERT_TRUE(PumpUntil([&] { return FMessages.size() == 1; }));
    EXPECT_EQ(FMessages[0], MakeSysex(1607, 9));
}

INSTANTIATE_TEST_SUITE_P(Drivers, MidiContract,
                         ::testing::Values(TDriverKind::Virtual, TDriverKind::RtMidiJack),
                         [](const auto& info) {
                             return info.param == TDriverKind::Virtual ? "Virtual" : "RtMidiJack";
                         });

TEST(RtMidiJackOutput, RefusesASysexLongerThanJackCarriesInOnePiece) {
    test::EnsureApp();
    TJackBackend jack;
    if (!jack.Server().Running()) {
        GTEST_SKIP() << "jackd cannot start: " << jack.Server().Reason();
    }
    ASSERT_TRUE(jack.ThroughOk()) << "the pass-through JACK client did not start";
    TMidiOutput out(jack.Driver());
    out.SetProductName(jack.OutDevice());
    ASSERT_TRUE(out.Open());
    // RtMidi's JACK queue holds 16383 bytes, a 4-byte length among them; a longer message
    // would vanish without a word.
    try {
        out.PutLong(MakeSysex(16380));
        ADD_FAILURE() << "no error";
    } catch (const EMidiOutputError& e) {
        EXPECT_STREQ(e.what(), "(Long Msg) The specified pointer or structure is invalid.");
    }
    EXPECT_EQ(out.PendingBuffers(), 0u);
    out.PutLong(MakeSysex(16379));
    ASSERT_TRUE(PumpUntil([&] { return out.PendingBuffers() == 0; }));
    EXPECT_TRUE(out.Close());
}

// ALSA and JACK list every port of every client, the program's own among them: those are
// never devices, whatever number JACK gave the client when the name was taken.
TEST(RtMidiDriver, TellsItsOwnPortsByTheirNames) {
    const struct {
        const char* Device;
        bool Own;
    } cases[] = {
        {"Velcora:Velcora in", true},
        {"Velcora:Velcora out", true},
        {"Velcora-03:Velcora out", true},
        {"Velcora-124:Velcora in", true},
        {"Velcora:Velcora in 129:0", true},  // ALSA adds the client and port numbers
        {"Velcora:Velcora out 130:0", true}, //
        {"Velcora Virtual Synth:Velcora Virtual Synth in", false},
        {"Velcora-cli:Velcora in", false},
        {"Velcora-:Velcora in", false},
        {"Velcora-03:Velcora input", false},
        {"Velcora-03:Velcora out2", false},
        {"Proteus:Velcora in", false},
        {"velcora:velcora in", false},
        {"Velcora", false},
        {"", false},
        {"system:midi_capture_1", false},
        {"Midi Through:Midi Through Port-0 14:0", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TRtMidiDriver::IsOwnPort(c.Device, "Velcora"), c.Own) << c.Device;
    }
}

TEST(RtMidiDriver, ItsOwnOpenPortsAreNeverListedOverJack) {
    test::TJackServer server;
    if (!server.Running()) {
        GTEST_SKIP() << "jackd cannot start: " << server.Reason();
    }
    test::EnsureApp();
    test::TJackThrough through("velcora_loop");
    ASSERT_TRUE(through.Ok());
    TRtMidiDriver driver(TRtMidiApi::Jack, "velcora_test");
    const auto names = [&driver] {
        std::vector<std::string> in;
        std::vector<std::string> out;
        for (uint32_t id = 0; id < driver.InDeviceCount(); ++id) {
            TMidiInCaps caps;
            EXPECT_EQ(driver.InDeviceCaps(id, caps), 0u);
            in.push_back(caps.Name);
        }
        for (uint32_t id = 0; id < driver.OutDeviceCount(); ++id) {
            TMidiOutCaps caps;
            EXPECT_EQ(driver.OutDeviceCaps(id, caps), 0u);
            out.push_back("out " + caps.Name);
        }
        in.insert(in.end(), out.begin(), out.end());
        return in;
    };
    const std::vector<std::string> before = names();
    ASSERT_EQ(before, (std::vector<std::string>{through.OutPort(), "out " + through.InPort()}));

    // Two ports each way, so that JACK numbers the later clients' names.
    TMidiInput in(driver);
    TMidiInput second(driver);
    TMidiOutput out(driver);
    in.SetProductName(through.OutPort());
    second.SetProductName(through.OutPort());
    out.SetProductName(through.InPort());
    in.OpenAndStart();
    second.OpenAndStart();
    ASSERT_TRUE(out.Open());
    ASSERT_GE(test::JackMidiPorts("velcora_test").size(), 3u);
    EXPECT_EQ(names(), before);

    // Reopened while the driver's own ports are listed beside it, the device is found again.
    in.StopAndClose();
    in.SetProductName(through.OutPort());
    in.OpenAndStart();
    EXPECT_EQ(in.State(), TMidiInputState::misOpen);
    out.Close();
}

TEST(RtMidiDriver, AutoFindsNoSystemWhereNoneRuns) {
    if (access("/dev/snd/seq", F_OK) == 0) {
        GTEST_SKIP() << "this machine has an ALSA sequencer";
    }
    const std::string server = "velcora_nowhere_" + std::to_string(getpid());
    setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
    unsetenv("VELCORA_MIDI_API");
    TRtMidiDriver driver;
    unsetenv("JACK_DEFAULT_SERVER");
    EXPECT_EQ(driver.Api(), TRtMidiApi::None);
    EXPECT_EQ(driver.InDeviceCount(), 0u);
    EXPECT_EQ(driver.OutDeviceCount(), 0u);
}

TEST(RtMidiDriver, WithoutAnyMidiSystemThereAreNoDevices) {
    TRtMidiDriver none(TRtMidiApi::None);
    EXPECT_EQ(none.InDeviceCount(), 0u);
    EXPECT_EQ(none.OutDeviceCount(), 0u);
    test::EnsureApp();
    TMidiInput in(none);
    TMidiOutput out(none);
    EXPECT_EQ(in.ProductName(), "");
    EXPECT_FALSE(out.Open());
    EXPECT_THROW(in.Open(), EMidiInputError);
}

} // namespace
} // namespace velcora
