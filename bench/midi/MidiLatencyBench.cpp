// How long a received SysEx buffer takes from the driver callback (on JACK's thread) to the
// GUI-thread event that hands it to the program, for 1607-byte dumps arriving back to back.
// Beside it, in the same run over the same JACK server: the bare RtMidi callback latency
// (send to callback), which is what the cable itself costs.
//
// Figures are microseconds; *_p50 is the median, *_p99 the 99th percentile over all runs.

#include "EventWait.h"
#include "JackServer.h"
#include "MidiResult.h"
#include "MidiTestSupport.h"
#include "Midicallback.h"
#include "Midiin.h"
#include "RtMidiDriver.h"

#include <RtMidi.h>
#include <algorithm>
#include <array>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

namespace velcora {
namespace {

using Clock = std::chrono::steady_clock;
using test::MakeSysex;

constexpr int kDumps = 128;
constexpr size_t kDumpSize = 1607;

double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

/// p in 0..100 of the sorted samples.
double Percentile(std::vector<double> samples, double p) {
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    const size_t rank = size_t(std::ceil(p / 100.0 * double(samples.size())));
    return samples[std::clamp<size_t>(rank, 1, samples.size()) - 1];
}

/// The driver, with the moment of every input callback written down before the port's own
/// callback runs (into fixed storage: the driver thread must not allocate).
class TTimingDriver : public IMidiDriver {
public:
    static constexpr size_t kMaxStamps = 1 << 16;

    explicit TTimingDriver(IMidiDriver& inner) : FInner(inner) {}

    uint32_t InDeviceCount() override { return FInner.InDeviceCount(); }
    uint32_t InDeviceCaps(uint32_t id, TMidiInCaps& caps) override {
        return FInner.InDeviceCaps(id, caps);
    }
    uint32_t InOpen(std::unique_ptr<IMidiInHandle>& handle, uint32_t id, TMidiCallback callback,
                    uintptr_t instance) override {
        FCallback = callback;
        FInstance = instance;
        return FInner.InOpen(handle, id, &TTimingDriver::Stamp, reinterpret_cast<uintptr_t>(this));
    }
    uint32_t OutDeviceCount() override { return FInner.OutDeviceCount(); }
    uint32_t OutDeviceCaps(uint32_t id, TMidiOutCaps& caps) override {
        return FInner.OutDeviceCaps(id, caps);
    }
    uint32_t OutOpen(std::unique_ptr<IMidiOutHandle>& handle, uint32_t id, TMidiCallback callback,
                     uintptr_t instance) override {
        return FInner.OutOpen(handle, id, callback, instance);
    }
    bool ErrorText(uint32_t code, std::string& text) override {
        return FInner.ErrorText(code, text);
    }

    void Clear() { FCount.store(0); }
    size_t Count() const { return FCount.load(std::memory_order_acquire); }
    Clock::time_point At(size_t i) const { return FStamps[i]; }

private:
    static void Stamp(const void* device, uint32_t message, uintptr_t instance, uintptr_t param1,
                      uintptr_t param2) noexcept {
        auto* self = reinterpret_cast<TTimingDriver*>(instance);
        if (message == TMidiMessage::InLongData) {
            const size_t n = self->FCount.load(std::memory_order_relaxed);
            if (n < kMaxStamps) {
                self->FStamps[n] = Clock::now();
                self->FCount.store(n + 1, std::memory_order_release);
            }
        }
        self->FCallback(device, message, self->FInstance, param1, param2);
    }

    IMidiDriver& FInner;
    TMidiCallback FCallback = nullptr;
    uintptr_t FInstance = 0;
    std::array<Clock::time_point, kMaxStamps> FStamps{};
    std::atomic<size_t> FCount{0};
};

/// The private JACK server and its cable, shared by the benchmarks of one run.
struct TJackRig {
    test::TJackServer Server;
    std::unique_ptr<test::TJackThrough> Through;

    TJackRig() {
        if (Server.Running()) {
            Through = std::make_unique<test::TJackThrough>("velcora_loop");
        }
    }
    bool Ok() const { return Through && Through->Ok(); }

    static TJackRig& Get() {
        static TJackRig rig;
        return rig;
    }
};

unsigned FindPort(RtMidi& rt, const std::string& name) {
    for (unsigned i = 0; i < rt.getPortCount(); ++i) {
        if (rt.getPortName(i) == name) {
            return i;
        }
    }
    return ~0u;
}

/// Sends the dumps back to back from a thread of its own, as a synth would.
std::thread SendDumps(RtMidiOut& out, std::vector<Clock::time_point>* sendTimes) {
    return std::thread([&out, sendTimes] {
        for (int i = 0; i < kDumps; ++i) {
            const auto dump = MakeSysex(kDumpSize, uint8_t(i));
            if (sendTimes) {
                (*sendTimes)[size_t(i)] = Clock::now();
            }
            out.sendMessage(&dump);
        }
    });
}

/// Opens a sender on the cable's sending end; waits until JACK carries its messages.
std::unique_ptr<RtMidiOut> OpenSender(TJackRig& rig) {
    auto out = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, "bench_sender");
    out->openPort(FindPort(*out, rig.Through->InPort()), "out");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return out;
}

void BM_BareRtMidiCallback(benchmark::State& state) {
    auto& rig = TJackRig::Get();
    if (!rig.Ok()) {
        state.SkipWithError(("jackd cannot start: " + rig.Server.Reason()).c_str());
        return;
    }
    struct TRecord {
        std::atomic<int> Count{0};
        std::vector<Clock::time_point> Times = std::vector<Clock::time_point>(kDumps);
    } record;
    RtMidiIn in(RtMidi::UNIX_JACK, "bench_bare");
    in.ignoreTypes(false, false, false);
    in.setCallback(
        [](double, std::vector<unsigned char>*, void* user) {
            auto* r = static_cast<TRecord*>(user);
            const int n = r->Count.load(std::memory_order_relaxed);
            if (n < kDumps) {
                r->Times[size_t(n)] = Clock::now();
            }
            r->Count.store(n + 1, std::memory_order_release);
        },
        &record);
    in.openPort(FindPort(in, rig.Through->OutPort()), "in");
    auto out = OpenSender(rig);

    std::vector<double> samples;
    std::vector<Clock::time_point> sent(kDumps);
    for (auto _ : state) {
        record.Count.store(0);
        std::thread sender = SendDumps(*out, &sent);
        while (record.Count.load(std::memory_order_acquire) < kDumps) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        sender.join();
        for (int i = 0; i < kDumps; ++i) {
            samples.push_back(Micros(record.Times[size_t(i)] - sent[size_t(i)]));
        }
    }
    state.counters["send_to_callback_p50_us"] = Percentile(samples, 50);
    state.counters["send_to_callback_p99_us"] = Percentile(samples, 99);
}

void BM_PortLayerCallbackToGuiEvent(benchmark::State& state) {
    auto& rig = TJackRig::Get();
    if (!rig.Ok()) {
        state.SkipWithError(("jackd cannot start: " + rig.Server.Reason()).c_str());
        return;
    }
    test::EnsureApp();
    TRtMidiDriver rtmidi(TRtMidiApi::Jack, "bench_port");
    TTimingDriver driver(rtmidi);
    TMidiInput port(driver);
    // The synth port's configuration, with short messages let through.
    port.SetCapacity(64000);
    port.SetSysexBufferSize(1024);
    port.SetSysexBufferCount(64);
    port.SetProductName(rig.Through->OutPort());

    std::vector<Clock::time_point> taken;
    taken.reserve(TTimingDriver::kMaxStamps);
    size_t sysexBytes = 0;
    port.OnMidiInput = [&](TMidiInput* sender) {
        while (auto event = sender->GetMidiEvent()) {
            taken.push_back(Clock::now());
            sysexBytes += event->SysexByteCount;
        }
    };
    port.OpenAndStart();
    auto out = OpenSender(rig);

    std::vector<double> samples;
    size_t lost = 0;
    for (auto _ : state) {
        taken.clear();
        sysexBytes = 0;
        driver.Clear();
        std::thread sender = SendDumps(*out, nullptr);
        RunEventsUntil([&] { return sysexBytes >= kDumps * kDumpSize; }, std::chrono::seconds(10));
        sender.join();
        RunEventsUntil([] { return false; }, std::chrono::milliseconds(20));
        const size_t n = std::min(taken.size(), driver.Count());
        lost += kDumps * kDumpSize - sysexBytes;
        for (size_t i = 0; i < n; ++i) {
            samples.push_back(Micros(taken[i] - driver.At(i)));
        }
    }
    state.counters["callback_to_gui_p50_us"] = Percentile(samples, 50);
    state.counters["callback_to_gui_p99_us"] = Percentile(samples, 99);
    state.counters["callback_to_gui_max_us"] = Percentile(samples, 100);
    state.counters["bytes_lost"] = double(lost);
    port.Close();
}

BENCHMARK(BM_BareRtMidiCallback)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PortLayerCallbackToGuiEvent)->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velcora

BENCHMARK_MAIN();
