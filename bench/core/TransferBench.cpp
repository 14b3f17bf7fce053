// A whole user bank fetched from and sent to the in-process virtual synth: with MIDI wire-speed
// pacing and the default pauses, against the ideal (every byte's wire time plus every pause the
// program takes), and with no pacing and no pauses; and the processor time the whole process
// spends meanwhile, all threads together. Then a checked bank send at wire-speed pacing (each
// packet waits for the synth's acknowledgement), against the bank's bare wire time: once with a
// synth that answers every packet at once, and ten times, each with its own seed, with one that
// refuses 5 % of the packets once and loses 1 % of its answers and 1 % of the packets sent to
// it. Prints figures; passes or fails nothing.
#include "EventWait.h"
#include "MidiWire.h"
#include "QuietDialogs.h"
#include "SafeFile.h"
#include "VirtualSynthDevice.h"
#include "Workspace.h"
#include "WorkspaceView.h"

#include <QCoreApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sys/resource.h>
#include <thread>

using namespace velcora;
using namespace std::chrono_literals;

namespace {

constexpr double WireByteMs = std::chrono::duration<double, std::milli>(MidiWireByteTime).count();

struct TFigures {
    double FetchMs = 0;
    double SendMs = 0;
    double FetchIdealMs = 0;
    double SendIdealMs = 0;
    double FetchCpuMs = 0;
    double SendCpuMs = 0;
    /// Every byte of the bank's 128 dumps on the cable, nothing else.
    double SendWireMs = 0;
    /// A checked send: the presets the synth acknowledged, and those it holds equal to the
    /// bank's.
    int Confirmed = 0;
    int Equal = 0;
};

/// The synth's user bank 0 holds the bank's presets: the data bytes of every packet.
int EqualPresets(TWorkspace& ws, emu::TVirtualSynthDevice& synth) {
    int equal = 0;
    for (int slot = 0; slot < 128; ++slot) {
        const TPatchData& dump = ws.UserBank(0).Slot(slot).Dump();
        std::vector<uint8_t> data;
        for (int p = 1; p < TDumpSizes::PacketCount; ++p) {
            const auto packet = dump.Packet(p, ws.Context().Sizes);
            // Behind the nine bytes of the packet's head, before its checksum and F7.
            data.insert(data.end(), packet.begin() + 9, packet.end() - 2);
        }
        equal += synth.With(
            [&](emu::TVirtualSynth& s) { return s.UserPreset(0, slot).Data == data ? 1 : 0; });
    }
    return equal;
}

/// User plus system time of every thread of the process so far.
double ProcessCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

/// One run: identify, fetch user bank 0 (not for a checked send), send it back to bank 0.
TFigures Run(bool paced, int timeBetweenSysex, int timeBetweenPatches, bool checked = false,
             const emu::TVirtualSynthFaults& faults = {}) {
    const std::string dir =
        (std::filesystem::temp_directory_path() / "velcora-transfer-bench").string();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    TIniFile ini(dir + "/Velcora.INI");
    ini.WriteInteger("Proteus 2000_0", "TimeBetweenSysex", timeBetweenSysex);
    ini.WriteInteger("Proteus 2000_0", "TimeBetweenPatches", timeBetweenPatches);
    ini.WriteString("Proteus 2000_0", "BlankFile", "Default.syx");
    ini.WriteInteger("Proteus 2000_0", "CheckedSends", checked ? 1 : 0);

    TQuietDialogs dialogs;
    TSilentWorkspaceView view;
    TVirtualMidiDriver driver;
    driver.SetWireSpeed(paced);
    emu::TVirtualSynthOptions options;
    options.WireSpeed = paced;
    options.Faults = faults;
    emu::TVirtualSynthDevice synth(driver, options);
    TWorkspace ws(dialogs, view, dir + "/Velcora.INI", VELCORA_ASSETS_DIR, dir, &driver);
    // The synth chosen for both ports in the setup dialog: its search identifies the synth,
    // and the edit buffer it asks for half a second later measures the dump sizes.
    const std::string name = emu::TVirtualSynthDevice::kDefaultName;
    ws.lbMidiOutClick(TWorkspace::EntryIndex(ws.PortEntries(TPort::SynthOutput), name));
    ws.lbMidiInClick(TWorkspace::EntryIndex(ws.PortEntries(TPort::SynthInput), name));
    RunEventsUntil([&] { return ws.Status().SynthFound && ws.Synth().SizesMeasured; }, 30s);

    TFigures f;
    const int total = ws.Context().Sizes.TotalSize();
    const int request = static_cast<int>(sysex::PresetDumpRequest(0, 0, 0).size());
    f.SendWireMs = 128 * total * WireByteMs;
    const auto t0 = std::chrono::steady_clock::now();
    const double cpu0 = ProcessCpuMs();
    if (!checked) {
        ws.bbGetBankClick();
        RunEventsUntil([&] { return !ws.Status().TransferRunning; }, 30min);
    }
    const auto t1 = std::chrono::steady_clock::now();
    f.FetchCpuMs = ProcessCpuMs() - cpu0;
    // Per preset: the request and the dump on the wire, the pause after the request and
    // the 20 ms before the next request.
    f.FetchIdealMs = 128 * ((paced ? (request + total) * WireByteMs : 0) + timeBetweenSysex + 20);
    f.FetchMs = std::chrono::duration<double, std::milli>(t1 - t0).count();

    ws.SetTimeBetweenPatches(timeBetweenPatches);
    const auto t2 = std::chrono::steady_clock::now();
    const double cpu2 = ProcessCpuMs();
    ws.bbSendBankClick();
    RunEventsUntil([&] { return !ws.Status().TransferRunning; }, 30min);
    // The last patch has left when the driver has carried everything queued before now.
    driver.Sync();
    const auto t3 = std::chrono::steady_clock::now();
    f.SendCpuMs = ProcessCpuMs() - cpu2;
    // Per patch: eight messages on the wire and eight pauses after them, then the wait
    // before the next patch (1000 ms after every tenth, none after the last).
    double waits = 0;
    for (int pos = 0; pos < 127; ++pos) {
        waits += pos == 0 ? timeBetweenPatches : (pos % 10 == 1 ? 1000 : timeBetweenPatches);
    }
    f.SendIdealMs = 128 * ((paced ? total * WireByteMs : 0) + 8 * timeBetweenSysex) + waits;
    f.SendMs = std::chrono::duration<double, std::milli>(t3 - t2).count();
    if (checked) {
        synth.Drain();
        f.Confirmed = ws.LastCheckedSend().Confirmed;
        f.Equal = EqualPresets(ws, synth);
    }
    std::filesystem::remove_all(dir);
    return f;
}

void BM_BankAtWireSpeed(benchmark::State& state) {
    TFigures f;
    for (auto _ : state) {
        f = Run(true, 40, 400);
    }
    state.counters["fetch_ms"] = f.FetchMs;
    state.counters["fetch_ideal_ms"] = f.FetchIdealMs;
    state.counters["send_ms"] = f.SendMs;
    state.counters["send_ideal_ms"] = f.SendIdealMs;
    state.counters["fetch_cpu_ms"] = f.FetchCpuMs;
    state.counters["send_cpu_ms"] = f.SendCpuMs;
    std::printf("wire speed, default pauses: fetch %.0f ms / ideal %.0f ms = %.3f; "
                "send %.0f ms / ideal %.0f ms = %.3f  (target <= 1.05)\n",
                f.FetchMs, f.FetchIdealMs, f.FetchMs / f.FetchIdealMs, f.SendMs, f.SendIdealMs,
                f.SendMs / f.SendIdealMs);
    std::printf("wire speed, processor time (user + system, all threads): fetch %.0f ms, "
                "send %.0f ms  (target: fetch <= 2000 ms)\n",
                f.FetchCpuMs, f.SendCpuMs);
    std::printf("wire speed, timed send against the bank's wire time: %.0f ms / %.0f ms = %.3f\n",
                f.SendMs, f.SendWireMs, f.SendMs / f.SendWireMs);
}

void BM_CheckedBankAtWireSpeed(benchmark::State& state) {
    TFigures f;
    for (auto _ : state) {
        f = Run(true, 40, 400, true);
    }
    state.counters["send_ms"] = f.SendMs;
    state.counters["send_wire_ms"] = f.SendWireMs;
    state.counters["send_cpu_ms"] = f.SendCpuMs;
    std::printf("wire speed, checked send against the bank's wire time: %.0f ms / %.0f ms = %.3f"
                "  (target <= 1.15); processor time %.0f ms\n",
                f.SendMs, f.SendWireMs, f.SendMs / f.SendWireMs, f.SendCpuMs);
}

void BM_CheckedBankWithFaultsAtWireSpeed(benchmark::State& state) {
    constexpr int Runs = 10;
    double worst = 0;
    int whole = 0;
    for (auto _ : state) {
        for (uint32_t seed = 1; seed <= Runs; ++seed) {
            emu::TVirtualSynthFaults faults;
            faults.NakRate = 0.05;
            faults.LoseAckRate = 0.01;
            faults.LosePacketRate = 0.01;
            faults.FaultSeed = seed;
            const TFigures f = Run(true, 40, 400, true, faults);
            const double ratio = f.SendMs / f.SendWireMs;
            worst = std::max(worst, ratio);
            whole += f.Confirmed == 128 && f.Equal == 128 ? 1 : 0;
            std::printf("wire speed, checked send, faults seed %u: %d of 128 confirmed, %d of 128 "
                        "equal; %.0f ms / %.0f ms = %.3f\n",
                        seed, f.Confirmed, f.Equal, f.SendMs, f.SendWireMs, ratio);
        }
    }
    state.counters["worst_ratio"] = worst;
    state.counters["whole_runs"] = whole;
    std::printf("wire speed, checked send with 5 %% refused once, 1 %% answers lost, 1 %% packets "
                "lost: %d of %d runs whole; worst %.3f of the bank's wire time  (target: every "
                "run whole, <= 1.25)\n",
                whole, Runs, worst);
}

void BM_BankUnpaced(benchmark::State& state) {
    TFigures f;
    for (auto _ : state) {
        f = Run(false, 0, 0);
    }
    state.counters["fetch_ms"] = f.FetchMs;
    std::printf("no pacing, no pauses: 128 presets fetched in %.0f ms\n", f.FetchMs);
}

} // namespace

BENCHMARK(BM_BankUnpaced)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BankAtWireSpeed)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckedBankAtWireSpeed)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckedBankWithFaultsAtWireSpeed)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
