// The input port over the in-process driver.

#include "MidiResult.h"
#include "MidiTestSupport.h"
#include "Midiin.h"
#include "VirtualMidiDriver.h"

#include <gtest/gtest.h>
#include <thread>

namespace velcora {
namespace {

using test::MakeSysex;
using test::PumpUntil;
using Bytes = std::vector<uint8_t>;

class MidiInputTest : public ::testing::Test {
protected:
    MidiInputTest() {
        test::EnsureApp();
        FSource = FDriver.AddDevice("Source");
        FBusy = FDriver.AddDevice("Busy device", {}, {.FailOpen = true});
        FPort = std::make_unique<TMidiInput>(FDriver);
    }
    ~MidiInputTest() override { FPort.reset(); }

    void Emit(const Bytes& message) { FDriver.Emit(FSource, message); }
    /// Emits the messages and waits until the driver has handed all of them to the port.
    void EmitAll(const std::vector<Bytes>& messages) {
        for (const auto& m : messages) {
            Emit(m);
        }
        FDriver.Sync();
    }
    /// Takes every waiting event.
    std::vector<std::unique_ptr<TMyMidiEvent>> Take() {
        std::vector<std::unique_ptr<TMyMidiEvent>> events;
        while (auto e = FPort->GetMidiEvent()) {
            events.push_back(std::move(e));
        }
        return events;
    }

    TVirtualMidiDriver FDriver;
    int FSource = 0;
    int FBusy = 0;
    std::unique_ptr<TMidiInput> FPort;
};

TEST_F(MidiInputTest, CreationSelectsDeviceZeroWithTheDefaults) {
    EXPECT_EQ(FPort->State(), TMidiInputState::misClosed);
    EXPECT_EQ(FPort->DeviceID(), 0u);
    EXPECT_EQ(FPort->ProductName(), "Source");
    EXPECT_EQ(FPort->Capacity(), 1024);
    EXPECT_EQ(FPort->SysexBufferSize(), 4096);
    EXPECT_EQ(FPort->SysexBufferCount(), 16);
    EXPECT_FALSE(FPort->SysexOnly());
    EXPECT_EQ(FPort->FilteredMessages(),
              (TMidiMsgFilter{TMidiMsg::msgActiveSensing, TMidiMsg::msgMidiTimeCode}));
    EXPECT_EQ(FPort->DeviceCount(), 2u);

    TVirtualMidiDriver empty;
    TMidiInput none(empty);
    EXPECT_EQ(none.ProductName(), "");
    EXPECT_EQ(none.DeviceCount(), 0u);
}

TEST_F(MidiInputTest, ShortAndSysexEventsCarryTheirFields) {
    FPort->OpenAndStart();
    EmitAll({{0x90, 0x3C, 0x40}, MakeSysex(10, 1), {0xC3, 0x05}});
    auto events = Take();
    ASSERT_EQ(events.size(), 3u);

    EXPECT_EQ(events[0]->StatusByte, 0x90);
    EXPECT_EQ(events[0]->DataByte1, 0x3C);
    EXPECT_EQ(events[0]->DataByte2, 0x40);
    EXPECT_EQ(events[0]->SysexByteCount, 0);
    EXPECT_EQ(events[0]->SysexBytes, nullptr);

    EXPECT_EQ(events[1]->StatusByte, 0xF0);
    EXPECT_EQ(events[1]->DataByte1, 0);
    EXPECT_EQ(events[1]->DataByte2, 0);
    ASSERT_EQ(events[1]->SysexByteCount, 10);
    EXPECT_EQ(Bytes(events[1]->SysexBytes.get(), events[1]->SysexBytes.get() + 10),
              MakeSysex(10, 1));

    EXPECT_EQ(events[2]->StatusByte, 0xC3);
    EXPECT_EQ(events[2]->DataByte1, 0x05);
    EXPECT_EQ(events[2]->DataByte2, 0);
}

struct TPortFilterCase {
    bool SysexOnly;
    TMidiMsgFilter Filter;
    Bytes Message;
    bool Queued;
};

class MidiInputFilter : public MidiInputTest,
                        public ::testing::WithParamInterface<TPortFilterCase> {};

TEST_P(MidiInputFilter, QueuesOnlyWhatTheFiltersLetThrough) {
    const auto& c = GetParam();
    FPort->SetSysexOnly(c.SysexOnly);
    FPort->SetMsgFilter(c.Filter);
    FPort->OpenAndStart();
    EmitAll({c.Message});
    auto events = Take();
    ASSERT_EQ(events.size(), c.Queued ? 1u : 0u);
    if (c.Queued) {
        EXPECT_EQ(events[0]->StatusByte, c.Message[0]);
    }
}

const TMidiMsgFilter kBoth{TMidiMsg::msgActiveSensing, TMidiMsg::msgMidiTimeCode};

INSTANTIATE_TEST_SUITE_P(Cases, MidiInputFilter,
                         ::testing::Values(TPortFilterCase{false, kBoth, {0xFE}, false},
                                           TPortFilterCase{false, kBoth, {0xF8}, false},
                                           TPortFilterCase{false, kBoth, {0xF1, 0x23}, true},
                                           TPortFilterCase{false, kBoth, {0xFA}, true},
                                           TPortFilterCase{false, kBoth, {0xB0, 0x07, 0x64}, true},
                                           TPortFilterCase{false, {}, {0xFE}, true},
                                           TPortFilterCase{false, {}, {0xF8}, true},
                                           TPortFilterCase{
                                               false, {TMidiMsg::msgMidiTimeCode}, {0xFE}, true},
                                           TPortFilterCase{true, {}, {0x90, 0x3C, 0x40}, false},
                                           TPortFilterCase{true, {}, {0xFE}, false}));

TEST_F(MidiInputTest, SysexOnlyQueuesNoShortMessageAndCausesNoOverflow) {
    int overflows = 0;
    FPort->OnOverflow = [&](TMidiInput*) { ++overflows; };
    FPort->SetCapacity(2);
    FPort->SetSysexOnly(true);
    FPort->OpenAndStart();
    std::vector<Bytes> shorts(50, Bytes{0x90, 0x3C, 0x40});
    shorts.push_back(MakeSysex(20));
    EmitAll(shorts);
    test::PumpFor(std::chrono::milliseconds(50));
    EXPECT_EQ(overflows, 0);
    auto events = Take();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0]->SysexByteCount, 20);
}

TEST_F(MidiInputTest, LongSysexArrivesInBufferSizedEventsInOrder) {
    FPort->SetSysexBufferSize(1024);
    FPort->OpenAndStart();
    const Bytes message = MakeSysex(3000, 5);
    EmitAll({message});
    auto events = Take();
    ASSERT_EQ(events.size(), 3u);
    const uint16_t sizes[] = {1024, 1024, 952};
    Bytes joined;
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(events[i]->StatusByte, 0xF0);
        ASSERT_EQ(events[i]->SysexByteCount, sizes[i]);
        joined.insert(joined.end(), events[i]->SysexBytes.get(),
                      events[i]->SysexBytes.get() + sizes[i]);
    }
    EXPECT_EQ(joined, message);
    EXPECT_EQ(events[0]->SysexBytes[0], 0xF0);
    EXPECT_EQ(events[2]->SysexBytes[951], 0xF7);
}

TEST_F(MidiInputTest, WithNoFreeBufferFurtherSysexIsDroppedUntilOneComesBack) {
    FPort->SetSysexBufferCount(2);
    FPort->SetSysexBufferSize(16);
    FPort->OpenAndStart();
    EmitAll({MakeSysex(10, 1), MakeSysex(10, 2), MakeSysex(10, 3)});
    EXPECT_EQ(FPort->GetEventCount(), 2);
    auto first = Take();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[1]->SysexBytes[1], MakeSysex(10, 2)[1]);

    EmitAll({MakeSysex(10, 4)});
    auto second = Take();
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(Bytes(second[0]->SysexBytes.get(), second[0]->SysexBytes.get() + 10),
              MakeSysex(10, 4));
}

TEST_F(MidiInputTest, WithoutBuffersNoSysexIsReceived) {
    FPort->SetSysexBufferCount(0);
    FPort->OpenAndStart();
    EmitAll({MakeSysex(10), {0x90, 1, 2}});
    auto events = Take();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0]->StatusByte, 0x90);
}

TEST_F(MidiInputTest, FullRingLosesTheItemAndCallsOnOverflow) {
    int overflows = 0;
    FPort->OnOverflow = [&](TMidiInput*) { ++overflows; };
    FPort->SetCapacity(2);
    FPort->OpenAndStart();
    EmitAll({{0x90, 1, 1}, {0x90, 2, 2}, {0x90, 3, 3}});
    EXPECT_TRUE(PumpUntil([&] { return overflows == 1; }));
    auto events = Take();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1]->DataByte1, 2);
}

TEST_F(MidiInputTest, OnMidiInputRunsOncePerNotificationAndNotForAnEmptyRing) {
    int calls = 0;
    size_t taken = 0;
    FPort->OnMidiInput = [&](TMidiInput* sender) {
        ++calls;
        while (auto e = sender->GetMidiEvent()) {
            ++taken;
        }
    };
    FPort->OpenAndStart();
    EmitAll({{0x90, 1, 1}, {0x90, 2, 2}, {0x90, 3, 3}});
    EXPECT_TRUE(PumpUntil([&] { return taken == 3; }));
    test::PumpFor(std::chrono::milliseconds(30));
    // The first notification drains all three; the other two find the ring empty.
    EXPECT_EQ(calls, 1);
}

TEST_F(MidiInputTest, ClosedPortHasNoEventsAndLateNotificationsCallNobody) {
    EXPECT_EQ(FPort->GetEventCount(), 0);
    EXPECT_EQ(FPort->GetMidiEvent(), nullptr);

    int calls = 0;
    FPort->OnMidiInput = [&](TMidiInput*) { ++calls; };
    FPort->OnOverflow = [&](TMidiInput*) { ++calls; };
    FPort->SetCapacity(1);
    FPort->OpenAndStart();
    EmitAll({{0x90, 1, 1}, {0x90, 2, 2}});
    FPort->Close(); // before the notifications are handled
    test::PumpFor(std::chrono::milliseconds(30));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(FPort->GetEventCount(), 0);
    EXPECT_EQ(FPort->GetMidiEvent(), nullptr);
}

TEST_F(MidiInputTest, ReopenedPortStartsWithAnEmptyRing) {
    FPort->OpenAndStart();
    EmitAll({{0x90, 1, 1}, MakeSysex(8), {0x90, 2, 2}});
    EXPECT_EQ(FPort->GetEventCount(), 3);
    FPort->StopAndClose();
    FPort->OpenAndStart();
    EXPECT_EQ(FPort->GetEventCount(), 0);
    EmitAll({MakeSysex(8, 9)});
    auto events = Take();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0]->SysexByteCount, 8);
}

TEST_F(MidiInputTest, NothingArrivesBeforeStartOrAfterStop) {
    FPort->Open();
    EmitAll({{0x90, 1, 1}});
    EXPECT_EQ(FPort->GetEventCount(), 0);
    FPort->Start();
    EmitAll({{0x90, 2, 2}});
    FPort->Stop();
    EmitAll({{0x90, 3, 3}});
    auto events = Take();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0]->DataByte1, 2);
}

TEST_F(MidiInputTest, TimestampsCountMillisecondsFromStart) {
    FPort->OpenAndStart();
    EmitAll({{0x90, 1, 1}});
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    EmitAll({{0x90, 2, 2}});
    auto events = Take();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_LT(events[0]->TimeStamp, 1000u);
    EXPECT_GE(events[1]->TimeStamp - events[0]->TimeStamp, 35u);
}

TEST_F(MidiInputTest, FilterChangesOnAnOpenPortApplyFromTheNextMessage) {
    FPort->OpenAndStart();
    EmitAll({{0x90, 1, 1}, {0xFE}});
    FPort->SetSysexOnly(true);
    FPort->SetMsgFilter({});
    EmitAll({{0x90, 2, 2}, {0xFE}});
    FPort->SetSysexOnly(false);
    EmitAll({{0xFE}});
    auto events = Take();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0]->StatusByte, 0x90);
    EXPECT_EQ(events[1]->StatusByte, 0xFE);
}

TEST_F(MidiInputTest, SettingsRefusedWhileOpenKeepTheirValue) {
    FPort->OpenAndStart();
    struct TCase {
        std::function<void()> Set;
        const char* Text;
    };
    const TCase cases[] = {
        {[&] { FPort->SetDeviceID(1); }, "Change to DeviceID while device was open"},
        {[&] { FPort->SetProductName("Busy device"); },
         "Change to ProductName while device was open"},
        {[&] { FPort->SetSysexBufferSize(10); }, "Change to SysexBufferSize while device was open"},
        {[&] { FPort->SetSysexBufferCount(10); },
         "Change to SysexBufferCount while device was open"},
    };
    for (const auto& c : cases) {
        try {
            c.Set();
            ADD_FAILURE() << "no error for " << c.Text;
        } catch (const EMidiInputError& e) {
            EXPECT_STREQ(e.what(), c.Text);
        }
    }
    EXPECT_EQ(FPort->DeviceID(), 0u);
    EXPECT_EQ(FPort->ProductName(), "Source");
    EXPECT_EQ(FPort->SysexBufferSize(), 4096);
    EXPECT_EQ(FPort->SysexBufferCount(), 16);
}

TEST_F(MidiInputTest, DeviceSelection) {
    int changes = 0;
    FPort->OnDeviceChanged = [&](TMidiInput*) { ++changes; };
    FPort->SetProductName("Busy device");
    EXPECT_EQ(FPort->DeviceID(), 1u);
    FPort->SetDeviceID(0);
    EXPECT_EQ(FPort->ProductName(), "Source");
    EXPECT_EQ(changes, 2);

    try {
        FPort->SetDeviceID(2);
        ADD_FAILURE();
    } catch (const EMidiInputError& e) {
        EXPECT_STREQ(e.what(), "Invalid device ID");
    }
    for (const char* name : {"Nowhere", "source", "Source "}) {
        try {
            FPort->SetProductName(name);
            ADD_FAILURE() << name;
        } catch (const EMidiInputError& e) {
            EXPECT_EQ(e.what(), "MIDI Input Device " + std::string(name) + " not installed ");
        }
    }
    // The mapper id passes the range check; this driver has no mapper to describe.
    EXPECT_THROW(FPort->SetDeviceID(0xFFFFFFFF), EMidiInputError);
}

TEST_F(MidiInputTest, DeviceThatFailsToOpenLeavesThePortClosed) {
    FPort->SetDeviceID(1);
    try {
        FPort->Open();
        ADD_FAILURE();
    } catch (const EMidiInputError& e) {
        EXPECT_STREQ(e.what(), "The MIDI device is already in use by another program.");
    }
    EXPECT_EQ(FPort->State(), TMidiInputState::misClosed);
    EXPECT_EQ(FPort->Error(), 4);
    EXPECT_EQ(FPort->GetEventCount(), 0);
    FPort->SetDeviceID(0); // allowed again: the port is closed
    FPort->OpenAndStart();
    EmitAll({{0x90, 1, 1}});
    EXPECT_EQ(FPort->GetEventCount(), 1);
}

/// The in-process driver, with one reset that fails after doing its work.
class TFailingResetDriver : public TVirtualMidiDriver {
public:
    class THandle : public IMidiInHandle {
    public:
        THandle(std::unique_ptr<IMidiInHandle> inner, bool& fail)
            : FInner(std::move(inner)), FFail(fail) {}
        uint32_t PrepareHeader(TMidiHeader& h) override { return FInner->PrepareHeader(h); }
        uint32_t UnprepareHeader(TMidiHeader& h) override { return FInner->UnprepareHeader(h); }
        uint32_t AddBuffer(TMidiHeader& h) override { return FInner->AddBuffer(h); }
        uint32_t Start() override { return FInner->Start(); }
        uint32_t Stop() override { return FInner->Stop(); }
        uint32_t Reset() override {
            const uint32_t code = FInner->Reset();
            return std::exchange(FFail, false) ? TMidiResult::NotReady : code;
        }
        uint32_t Close() override { return FInner->Close(); }

    private:
        std::unique_ptr<IMidiInHandle> FInner;
        bool& FFail;
    };

    uint32_t InOpen(std::unique_ptr<IMidiInHandle>& handle, uint32_t id, TMidiCallback callback,
                    uintptr_t instance) override {
        std::unique_ptr<IMidiInHandle> inner;
        const uint32_t code = TVirtualMidiDriver::InOpen(inner, id, callback, instance);
        if (code == TMidiResult::NoError) {
            handle = std::make_unique<THandle>(std::move(inner), FailReset);
        }
        return code;
    }

    bool FailReset = false;
};

TEST(MidiInputClose, FailingDriverStepStillLeavesThePortClosedAndEmpty) {
    test::EnsureApp();
    TFailingResetDriver driver;
    const int source = driver.AddDevice("Source");
    TMidiInput port(driver);
    port.OpenAndStart();
    driver.Emit(source, MakeSysex(10));
    driver.Emit(source, Bytes{0x90, 1, 1});
    driver.Sync();
    ASSERT_EQ(port.GetEventCount(), 2);

    driver.FailReset = true;
    try {
        port.Close();
        ADD_FAILURE();
    } catch (const EMidiInputError& e) {
        EXPECT_STREQ(e.what(), "The MIDI device is busy with other data.");
    }
    EXPECT_EQ(port.Error(), 67);
    EXPECT_EQ(port.State(), TMidiInputState::misClosed);
    EXPECT_EQ(port.GetMidiEvent(), nullptr);

    port.OpenAndStart();
    EXPECT_EQ(port.GetEventCount(), 0);
    driver.Emit(source, MakeSysex(12, 3));
    driver.Sync();
    auto event = port.GetMidiEvent();
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->SysexByteCount, 12);
}

TEST_F(MidiInputTest, ErrorTextForAnUnknownCode) {
    EXPECT_EQ(FPort->MidiInErrorString(4), "The MIDI device is already in use by another program.");
    EXPECT_EQ(FPort->MidiInErrorString(12345), "Specified error number is out of range");
}

TEST_F(MidiInputTest, SynthPortConfigurationReceivesDumpsOnly) {
    FPort->SetCapacity(64000);
    FPort->SetSysexBufferSize(1024);
    FPort->SetSysexBufferCount(64);
    FPort->SetSysexOnly(true);
    std::vector<Bytes> received;
    Bytes current;
    FPort->OnMidiInput = [&](TMidiInput* sender) {
        while (auto e = sender->GetMidiEvent()) {
            ASSERT_EQ(e->StatusByte, 0xF0);
            current.insert(current.end(), e->SysexBytes.get(),
                           e->SysexBytes.get() + e->SysexByteCount);
            if (!current.empty() && current.back() == 0xF7) {
                received.push_back(std::exchange(current, {}));
            }
        }
    };
    FPort->OpenAndStart();
    for (uint8_t i = 0; i < 40; ++i) {
        Emit(MakeSysex(1607, i));
        Emit({0x90, 0x3C, i});
        // At most 16 dumps (32 buffers) in flight, as a paced sender keeps it.
        ASSERT_TRUE(PumpUntil([&] { return received.size() + 16 > i; }));
    }
    ASSERT_TRUE(PumpUntil([&] { return received.size() == 40; }));
    for (uint8_t i = 0; i < 40; ++i) {
        EXPECT_EQ(received[i], MakeSysex(1607, i)) << int(i);
    }
}

} // namespace
} // namespace velcora
