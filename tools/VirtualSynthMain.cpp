// velcora-virtual-synth: the virtual synth on real MIDI ports (ALSA or JACK virtual ports), so
// that the librarian, or any other program, can be tried without the hardware.

#include "BlankPresets.h"
#include "ReplySender.h"
#include "SynthCommandLine.h"
#include "SynthModel.h"
#include "VirtualSynth.h"

#include <RtMidi.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace {

using namespace velcora::emu;

/// The signals that stop the synth, blocked in every thread and taken by the main thread.
sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

/// Everything the input callback and the receiving thread touch, shared with the main thread
/// under Lock.
struct TContext {
    std::mutex Lock;
    // Messages as they arrive, for the receiving thread. RtMidi calls the input callback on
    // JACK's process thread, which must not wait for logging or answering: a client that
    // overruns its cycle misses the next cycle's input.
    std::mutex InLock;
    std::condition_variable Arrived;
    std::deque<std::vector<unsigned char>> Incoming;
    bool Quit = false;
    TVirtualSynth* Synth = nullptr;
    TReplySender* Sender = nullptr;
    bool Verbose = false;
    std::chrono::steady_clock::time_point Start = std::chrono::steady_clock::now();
    std::mutex LogLock;

    void Log(const char* direction, std::span<const uint8_t> bytes) {
        if (!Verbose) {
            return;
        }
        static const char digits[] = "0123456789ABCDEF";
        std::string line;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - Start)
                            .count();
        line = std::to_string(ms) + " ms " + direction + " (" + std::to_string(bytes.size()) + ")";
        for (uint8_t b : bytes) {
            line.push_back(' ');
            line.push_back(digits[b >> 4]);
            line.push_back(digits[b & 15]);
        }
        line.push_back('\n');
        std::lock_guard lock(LogLock);
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
    }
};

void OnInput(double, std::vector<unsigned char>* message, void* user) {
    auto* context = static_cast<TContext*>(user);
    if (!message || message->empty()) {
        return;
    }
    {
        std::lock_guard lock(context->InLock);
        context->Incoming.push_back(std::move(*message));
    }
    context->Arrived.notify_one();
}

/// Answers the messages in the order they came, until Quit.
void ReceiveLoop(TContext& context) {
    for (;;) {
        std::vector<unsigned char> message;
        {
            std::unique_lock lock(context.InLock);
            context.Arrived.wait(lock, [&] { return context.Quit || !context.Incoming.empty(); });
            if (context.Incoming.empty()) {
                return;
            }
            message = std::move(context.Incoming.front());
            context.Incoming.pop_front();
        }
        context.Log("in ", message);
        std::lock_guard lock(context.Lock);
        if (context.Sender) {
            context.Sender->Post(context.Synth->Receive(message));
        }
    }
}

/// The receiving thread, stopped (after the messages already in) when this goes.
class TReceiver {
public:
    explicit TReceiver(TContext& context)
        : FContext(context), FThread([&context] { ReceiveLoop(context); }) {}
    ~TReceiver() { Stop(); }
    TReceiver(const TReceiver&) = delete;
    TReceiver& operator=(const TReceiver&) = delete;

    void Stop() {
        {
            std::lock_guard lock(FContext.InLock);
            FContext.Quit = true;
        }
        FContext.Arrived.notify_one();
        if (FThread.joinable()) {
            FThread.join();
        }
    }

private:
    TContext& FContext;
    std::thread FThread;
};

int WriteBlankPresets(const std::string& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    for (const TBlankPresetFile& file : BlankPresetFiles()) {
        const std::filesystem::path path = std::filesystem::path(dir) / file.Name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.Bytes.data()),
                  std::streamsize(file.Bytes.size()));
        if (!out) {
            std::cerr << "velcora-virtual-synth: cannot write " << path << "\n";
            return 1;
        }
        std::cout << path.string() << " (" << file.Bytes.size() << " bytes)\n";
    }
    return 0;
}

void SaveBanksIfChanged(TContext& context, const std::string& path) {
    if (path.empty()) {
        return;
    }
    std::lock_guard lock(context.Lock);
    if (!context.Synth->UserBanksChanged()) {
        return;
    }
    const std::string error = context.Synth->SaveUserBanks(path);
    if (error.empty()) {
        context.Synth->ClearUserBanksChanged();
    } else {
        std::cerr << "velcora-virtual-synth: " << error << "\n";
    }
}

int Run(const TSynthCommandLine& line) {
    TVirtualSynth synth(line.Synth);
    if (!line.BanksFile.empty() && std::filesystem::exists(line.BanksFile)) {
        // A file we cannot read is left alone rather than overwritten with the factory banks.
        const std::string error = synth.LoadUserBanks(line.BanksFile);
        if (!error.empty()) {
            std::cerr << "velcora-virtual-synth: " << error << "\n";
            return 1;
        }
    }

    TContext context;
    context.Synth = &synth;
    context.Verbose = line.Verbose;

    const RtMidi::Api api = line.Jack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA;
    RtMidiIn in(api, line.PortName, 1024);
    in.ignoreTypes(false, true, true); // SysEx in; timing clock and active sensing out
    in.setCallback(&OnInput, &context);
    RtMidiOut out(api, line.PortName);
    out.openVirtualPort(line.PortName);
    auto sender = std::make_unique<TReplySender>([&](std::span<const uint8_t> message) {
        context.Log("out", message);
        out.sendMessage(message.data(), message.size());
    });
    {
        std::lock_guard lock(context.Lock);
        context.Sender = sender.get();
    }
    TReceiver receiver(context);
    in.openVirtualPort(line.PortName);

    std::cerr << "velcora-virtual-synth: " << synth.Model().Name << ", device id "
              << int(synth.DeviceId()) << ", channel " << int(synth.Channel()) + 1 << ", on "
              << (line.Jack ? "JACK" : "ALSA") << " ports \"" << line.PortName << "\"\n";

    // Sleeps until a stop signal, woken every two seconds to keep the banks file up to date.
    const sigset_t stop = StopSignals();
    for (;;) {
        const timespec period{2, 0};
        const int signal = line.BanksFile.empty() ? sigwaitinfo(&stop, nullptr)
                                                  : sigtimedwait(&stop, nullptr, &period);
        if (signal == SIGINT || signal == SIGTERM) {
            break;
        }
        SaveBanksIfChanged(context, line.BanksFile);
    }

    in.cancelCallback();
    in.closePort();
    receiver.Stop();
    {
        std::lock_guard lock(context.Lock);
        context.Sender = nullptr;
    }
    sender.reset();
    out.closePort();
    // RtMidi frees the JACK output's queue before it closes the client: a process cycle that
    // began before the port closed gets time to finish first.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    SaveBanksIfChanged(context, line.BanksFile);
    std::cerr << "velcora-virtual-synth: stopped\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const TSynthCommandLine line =
        ParseSynthCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!line.Error.empty()) {
        std::cerr << "velcora-virtual-synth: " << line.Error
                  << "\nTry velcora-virtual-synth --help.\n";
        return 2;
    }
    if (line.Help) {
        std::cout << SynthUsage();
        return 0;
    }
    if (line.Version) {
        std::cout << "velcora-virtual-synth " << VELCORA_VERSION << "\n";
        return 0;
    }
    if (line.ListModels) {
        for (const TSynthModel& model : SynthModels()) {
            std::cout << model.MemberCode << "\t" << model.Name << "\tclass " << model.Class
                      << "\n";
        }
        return 0;
    }
    if (!line.BlankPresetsDir.empty()) {
        return WriteBlankPresets(line.BlankPresetsDir);
    }

    // Before any thread starts, so that every thread inherits the mask and the signals wait
    // for the main thread instead of ending the program unsaved.
    const sigset_t stop = StopSignals();
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    try {
        return Run(line);
    } catch (const RtMidiError& error) {
        std::cerr << "velcora-virtual-synth: " << error.getMessage() << "\n";
        return 1;
    }
}
