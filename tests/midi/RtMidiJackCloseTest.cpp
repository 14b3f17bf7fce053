// Closing an output port on JACK while its client's process cycle runs late. RtMidi's JACK
// output reads its message ring in every process cycle; this program stretches those reads, as
// a busy machine does when it preempts the process thread, so that a cycle is still under way
// whenever the port is closed.
#include "JackServer.h"
#include "MidiTestSupport.h"
#include "Midiout.h"
#include "RtMidiDriver.h"

#include <atomic>
#include <chrono>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <jack/ringbuffer.h>
#include <thread>

namespace {

std::atomic<bool> gSlowCycles{false};
constexpr auto kSlowCycle = std::chrono::milliseconds(15);

} // namespace

// Takes the place of libjack's own for RtMidi's calls from this program; forwards to it.
extern "C" size_t jack_ringbuffer_peek(jack_ringbuffer_t* rb, char* dest, size_t cnt) {
    using TPeek = size_t (*)(jack_ringbuffer_t*, char*, size_t);
    static const auto real = reinterpret_cast<TPeek>(dlsym(RTLD_NEXT, "jack_ringbuffer_peek"));
    if (gSlowCycles.load()) {
        std::this_thread::sleep_for(kSlowCycle);
        // Read here too, where AddressSanitizer sees it, so that a ring freed meanwhile is
        // named rather than left to crash or not inside libjack.
        [[maybe_unused]] volatile size_t size = rb->size;
    }
    return real(rb, dest, cnt);
}

namespace velcora {
namespace {

TEST(RtMidiJackOutput, ClosingWhileAProcessCycleRunsLateFreesNothingInUse) {
    test::EnsureApp();
    test::TJackServer server;
    if (!server.Running()) {
        GTEST_SKIP() << "jackd cannot start: " << server.Reason();
    }
    test::TJackThrough cable("velcora_cable");
    ASSERT_TRUE(cable.Ok()) << "the pass-through JACK client did not start";
    TRtMidiDriver driver(TRtMidiApi::Jack, "velcora_test");
    TMidiOutput out(driver);
    out.SetProductName(cable.InPort());
    // A few rounds: each close meets a late cycle, and one must not be enough by luck.
    for (int round = 0; round < 8; ++round) {
        ASSERT_TRUE(out.Open());
        out.PutLong(test::MakeSysex(100, uint8_t(round)));
        ASSERT_TRUE(test::PumpUntil([&] { return out.PendingBuffers() == 0; }));
        gSlowCycles = true;
        EXPECT_TRUE(out.Close());
        gSlowCycles = false;
    }
}

} // namespace
} // namespace velcora
