// The output engine both drivers share, over a device whose sending the test can hold on the
// wire, run with a sending thread of its own and on a driver's thread.

#include "MidiOutputEngine.h"

#include "MidiHeaderFlags.h"
#include "MidiResult.h"
#include "MidiTestSupport.h"
#include "Miditype.h"
#include "VirtualMidiDriver.h"

#include <chrono>
#include <condition_variable>
#include <future>
#include <gtest/gtest.h>
#include <list>
#include <mutex>
#include <set>
#include <thread>

namespace velcora {
namespace {

using test::MakeSysex;
using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

constexpr auto kPatience = 5s;

/// What the engine sends to, and what it hands back through the callback.
class TFakeDevice {
public:
    bool Send(std::span<const uint8_t> message) {
        std::unique_lock lock(FLock);
        FSent.emplace_back(message.begin(), message.end());
        const bool keep = FKeep;
        if (std::this_thread::get_id() == FTestThread) {
            FOnTestThread = true;
        }
        FChanged.notify_all();
        FChanged.wait(lock, [this] { return !FHold || FPasses > 0; });
        if (FHold) {
            --FPasses;
        }
        return !keep;
    }

    static void Callback(const void* device, uint32_t message, uintptr_t instance, uintptr_t param1,
                         uintptr_t param2) noexcept {
        auto* self = reinterpret_cast<TFakeDevice*>(instance);
        std::lock_guard guard(self->FLock);
        if (device != self || message != TMidiMessage::OutDone || param2 != 0) {
            self->FStrayCallbacks = true;
        }
        self->FDone.push_back(reinterpret_cast<TMidiHeader*>(param1));
        self->FChanged.notify_all();
    }

    /// Holds every message on the wire from the next one on, until released.
    void Hold(bool hold) {
        std::lock_guard guard(FLock);
        FHold = hold;
        FChanged.notify_all();
    }
    /// Lets the message held on the wire go; the next one is held again.
    void Pass() {
        std::lock_guard guard(FLock);
        ++FPasses;
        FChanged.notify_all();
    }
    /// The device keeps the SysEx buffers it takes from now on.
    void Keep(bool keep) {
        std::lock_guard guard(FLock);
        FKeep = keep;
    }
    bool WaitSent(size_t count) {
        std::unique_lock lock(FLock);
        return FChanged.wait_for(lock, kPatience, [&] { return FSent.size() >= count; });
    }
    bool WaitDone(size_t count) {
        std::unique_lock lock(FLock);
        return FChanged.wait_for(lock, kPatience, [&] { return FDone.size() >= count; });
    }
    std::vector<Bytes> Sent() {
        std::lock_guard guard(FLock);
        return FSent;
    }
    std::vector<TMidiHeader*> Done() {
        std::lock_guard guard(FLock);
        return FDone;
    }
    bool OnTestThread() {
        std::lock_guard guard(FLock);
        return FOnTestThread;
    }
    bool StrayCallbacks() {
        std::lock_guard guard(FLock);
        return FStrayCallbacks;
    }

private:
    std::mutex FLock;
    std::condition_variable FChanged;
    std::vector<Bytes> FSent;
    std::vector<TMidiHeader*> FDone;
    bool FHold = false;
    int FPasses = 0;
    bool FKeep = false;
    bool FOnTestThread = false;
    bool FStrayCallbacks = false;
    const std::thread::id FTestThread = std::this_thread::get_id();
};

/// A SysEx buffer as a port hands it over: its bytes and its prepared header.
struct TBuffer {
    explicit TBuffer(Bytes bytes) : Data(std::move(bytes)) {
        Header.Data = Data.data();
        Header.BufferLength = uint32_t(Data.size());
        PrepareMidiHeader(Header);
    }
    uint32_t Flags() const { return Header.Flags.load(); }
    bool Done() const { return Flags() == (TMidiHeader::Done | TMidiHeader::Prepared); }

    Bytes Data;
    TMidiHeader Header;
};

enum class TSendingThread { Own, Driver };

class MidiOutputEngineTest : public ::testing::TestWithParam<TSendingThread> {
protected:
    std::shared_ptr<TMidiOutputEngine> Make(size_t maxMessage = 0) {
        TMidiOutputEngine::TOptions options;
        options.MaxMessage = maxMessage;
        if (GetParam() == TSendingThread::Driver) {
            options.Post = [this](std::function<void()> task) { FDriver.Post(std::move(task)); };
        }
        return TMidiOutputEngine::Create(
            &FDevice, &TFakeDevice::Callback, reinterpret_cast<uintptr_t>(&FDevice),
            [this](std::span<const uint8_t> m) { return FDevice.Send(m); }, options);
    }
    TBuffer& Buffer(size_t length, uint8_t seed = 0) {
        return FBuffers.emplace_back(MakeSysex(length, seed));
    }
    /// Every message the engine had to send has been sent.
    void Settle() {
        if (GetParam() == TSendingThread::Driver) {
            FDriver.Sync();
        } else {
            std::this_thread::sleep_for(20ms);
        }
    }

    TVirtualMidiDriver FDriver;
    TFakeDevice FDevice;
    std::list<TBuffer> FBuffers;
};

TEST_P(MidiOutputEngineTest, SendsInQueuingOrderAndHandsEachBufferBackOnce) {
    auto engine = Make();
    TBuffer& first = Buffer(300, 1);
    TBuffer& second = Buffer(20, 2);
    FDevice.Hold(true);
    ASSERT_EQ(engine->ShortMsg(0x3C4090), TMidiResult::NoError);
    ASSERT_EQ(engine->LongMsg(first.Header), TMidiResult::NoError);
    ASSERT_EQ(engine->ShortMsg(0x05C3), TMidiResult::NoError);
    ASSERT_EQ(engine->ShortMsg(0xFE), TMidiResult::NoError);
    ASSERT_EQ(engine->LongMsg(second.Header), TMidiResult::NoError);
    EXPECT_EQ(UnprepareMidiHeader(second.Header), TMidiResult::StillPlaying);
    FDevice.Hold(false);

    ASSERT_TRUE(FDevice.WaitDone(2));
    const std::vector<Bytes> expected = {
        {0x90, 0x40, 0x3C}, first.Data, {0xC3, 0x05}, {0xFE}, second.Data};
    EXPECT_EQ(FDevice.Sent(), expected);
    Settle();
    EXPECT_EQ(FDevice.Done(), (std::vector<TMidiHeader*>{&first.Header, &second.Header}));
    EXPECT_TRUE(first.Done());
    EXPECT_TRUE(second.Done());
    EXPECT_FALSE(FDevice.OnTestThread());
    EXPECT_FALSE(FDevice.StrayCallbacks());
    EXPECT_EQ(UnprepareMidiHeader(second.Header), TMidiResult::NoError);
    EXPECT_EQ(engine->Close(), TMidiResult::NoError);
}

TEST_P(MidiOutputEngineTest, RefusesWhatItCannotSendAndSendsNothingOfIt) {
    auto engine = Make(64);
    TBuffer& onTheWire = Buffer(10);
    FDevice.Hold(true);
    ASSERT_EQ(engine->LongMsg(onTheWire.Header), TMidiResult::NoError);
    ASSERT_TRUE(FDevice.WaitSent(1));

    TBuffer& tooLong = Buffer(65);
    TBuffer& unprepared = Buffer(10);
    UnprepareMidiHeader(unprepared.Header);
    struct TCase {
        const char* What;
        std::function<uint32_t()> Send;
        uint32_t Code;
    };
    const TCase cases[] = {
        {"no status byte", [&] { return engine->ShortMsg(0x403C); }, TMidiResult::InvalParam},
        {"longer than the device takes", [&] { return engine->LongMsg(tooLong.Header); },
         TMidiResult::InvalParam},
        {"unprepared", [&] { return engine->LongMsg(unprepared.Header); }, TMidiResult::Unprepared},
        {"already held", [&] { return engine->LongMsg(onTheWire.Header); },
         TMidiResult::StillPlaying},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(c.Send(), c.Code) << c.What;
    }
    EXPECT_EQ(tooLong.Flags(), TMidiHeader::Prepared);
    EXPECT_EQ(unprepared.Flags(), 0u);

    // The longest message the device takes still goes.
    TBuffer& longest = Buffer(64);
    ASSERT_EQ(engine->LongMsg(longest.Header), TMidiResult::NoError);
    FDevice.Hold(false);
    ASSERT_TRUE(FDevice.WaitDone(2));
    Settle();
    EXPECT_EQ(FDevice.Sent(), (std::vector<Bytes>{onTheWire.Data, longest.Data}));
    EXPECT_EQ(FDevice.Done(), (std::vector<TMidiHeader*>{&onTheWire.Header, &longest.Header}));
}

TEST_P(MidiOutputEngineTest, ResetWaitsForTheMessageOnTheWireAndHandsBackTheRest) {
    auto engine = Make();
    TBuffer& onTheWire = Buffer(100, 1);
    TBuffer& queued = Buffer(100, 2);
    TBuffer& kept = Buffer(30, 3);
    FDevice.Keep(true);
    ASSERT_EQ(engine->LongMsg(kept.Header), TMidiResult::NoError);
    ASSERT_TRUE(FDevice.WaitSent(1));
    FDevice.Keep(false);
    FDevice.Hold(true);
    ASSERT_EQ(engine->LongMsg(onTheWire.Header), TMidiResult::NoError);
    ASSERT_TRUE(FDevice.WaitSent(2));
    ASSERT_EQ(engine->ShortMsg(0x90), TMidiResult::NoError);
    ASSERT_EQ(engine->LongMsg(queued.Header), TMidiResult::NoError);
    EXPECT_TRUE(FDevice.Done().empty());

    auto reset = std::async(std::launch::async, [&] { return engine->Reset(); });
    EXPECT_EQ(reset.wait_for(30ms), std::future_status::timeout)
        << "the device was still reading the bytes";
    FDevice.Hold(false);
    ASSERT_EQ(reset.get(), TMidiResult::NoError);
    // Every buffer is back when Reset returns, the one on the wire first.
    const auto done = FDevice.Done();
    ASSERT_EQ(done.size(), 3u);
    EXPECT_EQ(done[0], &onTheWire.Header);
    EXPECT_EQ(std::set<TMidiHeader*>(done.begin() + 1, done.end()),
              (std::set<TMidiHeader*>{&kept.Header, &queued.Header}));
    for (const TBuffer* b : {&onTheWire, &queued, &kept}) {
        EXPECT_TRUE(b->Done());
    }

    // What was dropped stays dropped, and the device still takes new messages.
    ASSERT_EQ(engine->ShortMsg(0xF6), TMidiResult::NoError);
    ASSERT_TRUE(FDevice.WaitSent(3));
    Settle();
    EXPECT_EQ(FDevice.Sent(), (std::vector<Bytes>{kept.Data, onTheWire.Data, {0xF6}}));
    EXPECT_EQ(engine->Close(), TMidiResult::NoError);
}

TEST_P(MidiOutputEngineTest, CloseIsRefusedWhileABufferIsQueuedOnTheWireOrKept) {
    auto engine = Make();
    TBuffer& buffer = Buffer(50);

    // Queued behind a short message on the wire.
    FDevice.Hold(true);
    ASSERT_EQ(engine->ShortMsg(0xF8), TMidiResult::NoError);
    ASSERT_TRUE(FDevice.WaitSent(1));
    ASSERT_EQ(engine->LongMsg(buffer.Header), TMidiResult::NoError);
    EXPECT_EQ(engine->Close(), TMidiResult::StillPlaying);
    // On the wire.
    FDevice.Keep(true);
    FDevice.Pass();
    ASSERT_TRUE(FDevice.WaitSent(2));
    EXPECT_EQ(engine->Close(), TMidiResult::StillPlaying);
    // Kept by the device.
    FDevice.Hold(false);
    Settle();
    EXPECT_EQ(engine->Close(), TMidiResult::StillPlaying);
    EXPECT_TRUE(FDevice.Done().empty());

    EXPECT_EQ(engine->Reset(), TMidiResult::NoError);
    EXPECT_EQ(FDevice.Done(), std::vector<TMidiHeader*>{&buffer.Header});
    EXPECT_EQ(engine->Close(), TMidiResult::NoError);
}

TEST_P(MidiOutputEngineTest, CloseSendsTheShortMessagesStillQueuedThenRefusesEverything) {
    auto engine = Make();
    FDevice.Hold(true);
    std::vector<Bytes> expected;
    for (uint8_t channel = 0; channel < 16; ++channel) {
        ASSERT_EQ(engine->ShortMsg(PackShortMsg(uint8_t(0xB0 + channel), 0x78, 0)),
                  TMidiResult::NoError);
        expected.push_back({uint8_t(0xB0 + channel), 0x78, 0});
    }
    ASSERT_TRUE(FDevice.WaitSent(1));

    // A short message on the wire does not refuse the close; the close waits for all of them.
    auto close = std::async(std::launch::async, [&] { return engine->Close(); });
    EXPECT_EQ(close.wait_for(30ms), std::future_status::timeout);
    FDevice.Hold(false);
    ASSERT_EQ(close.get(), TMidiResult::NoError);
    EXPECT_EQ(FDevice.Sent(), expected);

    TBuffer& late = Buffer(10);
    EXPECT_EQ(engine->ShortMsg(0x90), TMidiResult::InvalHandle);
    EXPECT_EQ(engine->LongMsg(late.Header), TMidiResult::InvalHandle);
    EXPECT_EQ(late.Flags(), TMidiHeader::Prepared);
    EXPECT_EQ(UnprepareMidiHeader(late.Header), TMidiResult::NoError);
    Settle();
    EXPECT_EQ(FDevice.Sent().size(), expected.size());
    EXPECT_TRUE(FDevice.Done().empty());
}

TEST_P(MidiOutputEngineTest, ShutdownHandsEveryBufferBackAndNothingRunsAfterIt) {
    auto engine = Make();
    FDevice.Hold(true);
    TBuffer& onTheWire = Buffer(40, 1);
    ASSERT_EQ(engine->LongMsg(onTheWire.Header), TMidiResult::NoError);
    ASSERT_TRUE(FDevice.WaitSent(1));
    for (uint8_t i = 2; i < 6; ++i) {
        ASSERT_EQ(engine->LongMsg(Buffer(40, i).Header), TMidiResult::NoError);
        ASSERT_EQ(engine->ShortMsg(0xF8), TMidiResult::NoError);
    }
    auto shutdown = std::async(std::launch::async, [&] { engine->Shutdown(); });
    std::this_thread::sleep_for(10ms);
    FDevice.Hold(false);
    shutdown.get();
    EXPECT_EQ(FDevice.Done().size(), FBuffers.size());
    for (const TBuffer& b : FBuffers) {
        EXPECT_TRUE(b.Done());
    }
    // The sending still posted (or the engine's thread) finds nothing more to do.
    engine.reset();
    Settle();
    EXPECT_EQ(FDevice.Sent(), std::vector<Bytes>{onTheWire.Data});
    EXPECT_EQ(FDevice.Done().size(), FBuffers.size());
}

INSTANTIATE_TEST_SUITE_P(SendingThread, MidiOutputEngineTest,
                         ::testing::Values(TSendingThread::Own, TSendingThread::Driver),
                         [](const auto& info) {
                             return info.param == TSendingThread::Own ? "Own" : "Driver";
                         });

} // namespace
} // namespace velcora
