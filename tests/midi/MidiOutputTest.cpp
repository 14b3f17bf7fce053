// The output port over the in-process driver.

#include "MidiResult.h"
#include "MidiTestSupport.h"
#include "Midiin.h"
#include "Midiout.h"
#include "VirtualMidiDriver.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace velcora {
namespace {

using test::MakeSysex;
using test::PumpUntil;
using Bytes = std::vector<uint8_t>;

class MidiOutputTest : public ::testing::Test {
protected:
    MidiOutputTest() {
        test::EnsureApp();
        FSink = FDriver.AddDevice("Sink", [this](std::span<const uint8_t> m) {
            std::lock_guard guard(FLock);
            FReceived.emplace_back(m.begin(), m.end());
        });
        FDriver.AddDevice("Busy device", {}, {.FailOpen = true});
        FDriver.AddDevice("Stuck device", {}, {.NeverComplete = true});
        FPort = std::make_unique<TMidiOutput>(FDriver);
    }
    ~MidiOutputTest() override { FPort.reset(); }

    std::vector<Bytes> Received() {
        FDriver.Sync();
        std::lock_guard guard(FLock);
        return FReceived;
    }

    TVirtualMidiDriver FDriver;
    int FSink = 0;
    std::mutex FLock;
    std::vector<Bytes> FReceived;
    std::unique_ptr<TMidiOutput> FPort;
};

TEST_F(MidiOutputTest, CreationSelectsNoDevice) {
    EXPECT_EQ(FPort->State(), TMidiOutputState::mosClosed);
    EXPECT_EQ(FPort->DeviceID(), 0u);
    EXPECT_EQ(FPort->ProductName(), "");
    EXPECT_EQ(FPort->DeviceCount(), 3u);
}

TEST_F(MidiOutputTest, ClosedPortRefusesToSendAndSendsNothing) {
    struct TCase {
        std::function<void()> Send;
        const char* Text;
    };
    const Bytes sysex = MakeSysex(8);
    TMyMidiEvent event;
    const TCase cases[] = {
        {[&] { FPort->PutShort(0x90, 60, 100); }, "(Short Msg) Device not opened."},
        {[&] { FPort->PutLong(sysex); }, "(Long Msg) Device not opened."},
        {[&] { FPort->PutMidiEvent(event); }, "MIDI Output device not open"},
        {[&] { FPort->ProgramChange(0, 1); }, "(Short Msg) Device not opened."},
    };
    for (const auto& c : cases) {
        try {
            c.Send();
            ADD_FAILURE() << "no error for " << c.Text;
        } catch (const EMidiOutputError& e) {
            EXPECT_STREQ(e.what(), c.Text);
        }
    }
    EXPECT_TRUE(Received().empty());
    EXPECT_FALSE(FPort->Close());
    EXPECT_EQ(FPort->State(), TMidiOutputState::mosClosed);
}

TEST_F(MidiOutputTest, SendsShortMessagesAndSysexInOrder) {
    FPort->SetDeviceID(0);
    ASSERT_TRUE(FPort->Open());
    FPort->PutShort(0x90, 60, 100);
    FPort->ProgramChange(0x13, 5);
    FPort->PutLong(MakeSysex(300, 1));
    FPort->PutShort(0xFE, 0, 0);
    TMyMidiEvent sysexEvent;
    sysexEvent.StatusByte = 0xF0;
    sysexEvent.SysexByteCount = 5;
    sysexEvent.SysexBytes = std::make_unique<uint8_t[]>(8); // only the count is sent
    const uint8_t five[] = {0xF0, 0x18, 0x0F, 0x00, 0xF7};
    std::copy(five, five + 5, sysexEvent.SysexBytes.get());
    FPort->PutMidiEvent(sysexEvent);
    TMyMidiEvent shortEvent;
    shortEvent.StatusByte = 0xB2;
    shortEvent.DataByte1 = 0x07;
    shortEvent.DataByte2 = 0x64;
    FPort->PutMidiEvent(shortEvent);

    const std::vector<Bytes> expected = {{0x90, 60, 100},       {0xC3, 0x05},
                                         MakeSysex(300, 1),     {0xFE},
                                         Bytes(five, five + 5), {0xB2, 0x07, 0x64}};
    EXPECT_EQ(Received(), expected);
}

TEST_F(MidiOutputTest, TenPutLongsFreeExactlyTheirTenBuffers) {
    int done = 0;
    FPort->OnMidiOutput = [&](TMidiOutput*) { ++done; };
    ASSERT_TRUE(FPort->Open());
    for (uint8_t i = 0; i < 10; ++i) {
        FPort->PutLong(MakeSysex(100 + i, i));
    }
    EXPECT_EQ(FPort->PendingBuffers(), 10u);
    ASSERT_TRUE(PumpUntil([&] { return done == 10; }));
    EXPECT_EQ(FPort->PendingBuffers(), 0u);
    const auto received = Received();
    ASSERT_EQ(received.size(), 10u);
    for (uint8_t i = 0; i < 10; ++i) {
        EXPECT_EQ(received[i], MakeSysex(100 + i, i));
    }
    EXPECT_TRUE(FPort->Close());
}

TEST_F(MidiOutputTest, CompletionNamingAForeignOrFreedBufferFreesNothing) {
    int done = 0;
    FPort->OnMidiOutput = [&](TMidiOutput*) { ++done; };
    FPort->SetDeviceID(2); // never completes
    ASSERT_TRUE(FPort->Open());
    FPort->PutLong(MakeSysex(10));
    FPort->PutLong(MakeSysex(11));
    TMidiHeader foreign;
    FPort->MidiOutput(TMidiMessage::OutDone, &foreign);
    FPort->MidiOutput(TMidiMessage::InData, nullptr);
    EXPECT_EQ(FPort->PendingBuffers(), 2u);
    EXPECT_EQ(done, 0);
}

TEST_F(MidiOutputTest, DeviceThatNeverCompletesKeepsThePortOpenOnClose) {
    FPort->SetDeviceID(2);
    ASSERT_TRUE(FPort->Open());
    for (int i = 0; i < 3; ++i) {
        FPort->PutLong(MakeSysex(20));
    }
    FDriver.Sync();
    test::PumpFor(std::chrono::milliseconds(20));
    EXPECT_EQ(FPort->PendingBuffers(), 3u);
    try {
        FPort->Close();
        ADD_FAILURE();
    } catch (const EMidiOutputError& e) {
        EXPECT_STREQ(e.what(), "MIDI buffers are still in the queue.");
    }
    EXPECT_EQ(FPort->State(), TMidiOutputState::mosOpen);
    EXPECT_EQ(FPort->Error(), 65u);
    // Destroying the port still takes the buffers back and frees them (checked by ASan).
}

TEST_F(MidiOutputTest, DeviceThatFailsToOpenAnswersFalseWithoutRaising) {
    FPort->SetProductName("Busy device");
    EXPECT_FALSE(FPort->Open());
    EXPECT_EQ(FPort->State(), TMidiOutputState::mosClosed);
    EXPECT_EQ(FPort->Error(), 4u);
    try {
        FPort->PutLong(MakeSysex(8));
        ADD_FAILURE();
    } catch (const EMidiOutputError& e) {
        EXPECT_STREQ(e.what(), "(Long Msg) Device not opened.");
    }
    EXPECT_TRUE(FPort->ChangeDevice(0, true));
    EXPECT_EQ(FPort->State(), TMidiOutputState::mosOpen);
    EXPECT_FALSE(FPort->ChangeDevice(1, false));
    EXPECT_EQ(FPort->ProductName(), "Busy device");
}

TEST_F(MidiOutputTest, DeviceSelectionErrors) {
    int changes = 0;
    FPort->OnDeviceChanged = [&](TMidiOutput*) { ++changes; };
    FPort->SetProductName("Stuck device");
    EXPECT_EQ(FPort->DeviceID(), 2u);
    EXPECT_EQ(changes, 1);
    struct TCase {
        std::function<void()> Set;
        std::string Text;
    };
    const TCase closed[] = {
        {[&] { FPort->SetDeviceID(3); }, "Invalid device ID"},
        {[&] { FPort->SetProductName("sink"); }, "MIDI output Device sink not installed"},
    };
    for (const auto& c : closed) {
        try {
            c.Set();
            ADD_FAILURE() << c.Text;
        } catch (const EMidiOutputError& e) {
            EXPECT_EQ(e.what(), c.Text);
        }
    }
    FPort->SetDeviceID(0);
    ASSERT_TRUE(FPort->Open());
    const TCase open[] = {
        {[&] { FPort->SetDeviceID(1); }, "Change to DeviceID while device was open"},
        {[&] { FPort->SetProductName("Sink"); }, "Change to ProductName while device was open"},
    };
    for (const auto& c : open) {
        try {
            c.Set();
            ADD_FAILURE() << c.Text;
        } catch (const EMidiOutputError& e) {
            EXPECT_EQ(e.what(), c.Text);
        }
    }
    EXPECT_EQ(FPort->DeviceID(), 0u);
}

TEST_F(MidiOutputTest, ErrorTextsByContext) {
    struct TCase {
        uint32_t Code;
        TMIDIErrorContext Context;
        const char* Text;
    };
    using C = TMIDIErrorContext;
    const TCase cases[] = {
        {5, C::ecPutShort, "(Short Msg) The specified device handle is invalid."},
        {67, C::ecPutShort, "(Short Msg) The hardware is busy with other data."},
        {70, C::ecPutShort,
         "(Short Msg) The application sent a message without a status byte to a stream handle."},
        {5, C::ecPutLong, "(Long Msg) The specified device handle is invalid."},
        {11, C::ecPutLong, "(Long Msg) The specified pointer or structure is invalid."},
        {64, C::ecPutLong,
         "(Long Msg) The buffer pointed to by lpMidiOutHdr has not been prepared."},
        {67, C::ecPutLong, "(Long Msg) The hardware is busy with other data."},
        {5, C::ecOutPrepareHeader, "(Prep Header) The specified device handle is invalid."},
        {7, C::ecOutPrepareHeader,
         "(Prep Header) The system is unable to allocate or lock memory."},
        {11, C::ecOutPrepareHeader,
         "(Prep Header) The specified address is invalid or the given stream buffer is greater "
         "than 64K."},
        // Everything else: the driver's text, or the fallback.
        {5, C::ecGeneric, "The device handle is invalid."},
        {11, C::ecPutShort, "An invalid parameter was passed to the MIDI driver."},
        {65, C::ecPutLong, "MIDI buffers are still in the queue."},
        {4, C::ecOutPrepareHeader, "The MIDI device is already in use by another program."},
        {9999, C::ecGeneric, "Specified error number is out of range"},
        {9999, C::ecPutLong, "Specified error number is out of range"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FPort->MidiOutErrorString(c.Code, c.Context), c.Text) << c.Code;
    }
}

TEST_F(MidiOutputTest, ShortMessageWithoutStatusIsRefused) {
    ASSERT_TRUE(FPort->Open());
    try {
        FPort->PutShort(0x3C, 0x40, 0);
        ADD_FAILURE();
    } catch (const EMidiOutputError& e) {
        EXPECT_STREQ(e.what(), "An invalid parameter was passed to the MIDI driver.");
    }
    EXPECT_TRUE(Received().empty());
}

TEST(VirtualDevice, AnswersOnTheDriversThreadThroughTheProgramsPorts) {
    test::EnsureApp();
    TVirtualMidiDriver driver;
    std::atomic<bool> onGuiThread{false};
    const auto gui = std::this_thread::get_id();
    int device = -1;
    device = driver.AddDevice("Responder", [&](std::span<const uint8_t> message) {
        onGuiThread = onGuiThread || std::this_thread::get_id() == gui;
        if (message.size() > 1 && message[0] == 0xF0) {
            const Bytes reply = {0xF0, 0x7E, 0x00, 0x06, 0x02, message[1], 0xF7};
            driver.Emit(device, reply);
        }
    });
    TMidiOutput out(driver);
    TMidiInput in(driver);
    out.SetProductName("Responder");
    ASSERT_TRUE(out.Open());
    in.OpenAndStart();
    const Bytes request = {0xF0, 0x42, 0xF7};
    out.PutLong(request);
    ASSERT_TRUE(PumpUntil([&] { return in.GetEventCount() == 1; }));
    auto event = in.GetMidiEvent();
    ASSERT_EQ(event->SysexByteCount, 7);
    EXPECT_EQ(event->SysexBytes[5], 0x42);
    EXPECT_FALSE(onGuiThread);
}

TEST_F(MidiOutputTest, WireSpeedPacesTheSending) {
    FDriver.SetWireSpeed(true);
    int done = 0;
    FPort->OnMidiOutput = [&](TMidiOutput*) { ++done; };
    ASSERT_TRUE(FPort->Open());
    const auto start = std::chrono::steady_clock::now();
    FPort->PutLong(MakeSysex(100)); // 100 bytes: 32 ms on the wire
    FPort->PutShort(0x90, 1, 1);    // 3 more bytes after it
    ASSERT_TRUE(PumpUntil([&] { return done == 1; }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(32));
    EXPECT_EQ(Received().size(), 2u);
}

TEST_F(MidiOutputTest, DestroyingThePortDropsWhatIsNotSentYet) {
    // A bank on its way at wire speed (about 100 ms a dump) when the program quits.
    FDriver.SetWireSpeed(true);
    ASSERT_TRUE(FPort->Open());
    for (uint8_t i = 0; i < 10; ++i) {
        FPort->PutLong(MakeSysex(300, i));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto start = std::chrono::steady_clock::now();
    FPort.reset();
    // Only the dump on the wire is finished, not the nine behind it.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(Received(), std::vector<Bytes>{MakeSysex(300, 0)});
}

TEST_F(MidiOutputTest, CloseSendsTheShortMessagesAlreadyAccepted) {
    // At wire speed the short messages are still on their way, one of them on the wire, when
    // the port is closed: a sound-off sent just before the program closes its port.
    FDriver.SetWireSpeed(true);
    ASSERT_TRUE(FPort->Open());
    std::vector<Bytes> expected;
    for (uint8_t channel = 0; channel < 16; ++channel) {
        FPort->PutShort(uint8_t(0xB0 + channel), 0x78, 0);
        expected.push_back({uint8_t(0xB0 + channel), 0x78, 0});
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_TRUE(FPort->Close());
    EXPECT_EQ(FPort->State(), TMidiOutputState::mosClosed);
    EXPECT_EQ(Received(), expected);
}

} // namespace
} // namespace velcora
