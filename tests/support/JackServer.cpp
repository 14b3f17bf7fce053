#include "JackServer.h"

#include "ChildProcess.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <thread>
#include <unistd.h>

namespace velcora::test {

namespace {
std::atomic<int> gServerCount{0};

bool SocketExists(const std::string& server) {
    const std::string socket = "jack_" + server + "_" + std::to_string(getuid()) + "_0";
    return access(("/dev/shm/" + socket).c_str(), F_OK) == 0 ||
           access(("/tmp/" + socket).c_str(), F_OK) == 0;
}
} // namespace

TJackServer::TJackServer(const TJackServerOptions& options) {
    FName = "velcora_test_" + std::to_string(getpid()) + "_" + std::to_string(gServerCount++);
    FLog = "/tmp/" + FName + ".log";

    std::vector<std::string> args = {"jackd", "--no-realtime"};
    if (options.Sync) {
        args.emplace_back("--sync");
    }
    if (options.ClientTimeoutMs > 0) {
        args.insert(args.end(), {"-t", std::to_string(options.ClientTimeoutMs)});
    }
    args.insert(args.end(),
                {"-n", FName, "-d", "dummy", "-r", "48000", "-p", std::to_string(options.Period)});
    // The dummy back end needs no hardware, and no audio device is to be reserved.
    setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    FServer = std::make_unique<TChild>(args, FLog);
    if (!FServer->Started()) {
        FServer.reset();
        FReason = "cannot fork to start jackd";
        return;
    }

    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < limit) {
        if (FServer->Exited()) {
            FReason = FServer->Wait(std::chrono::milliseconds(0)) == 127
                          ? "jackd is not installed (package jackd2)"
                          : "jackd exited at start (log: " + FLog + ")";
            FServer.reset();
            return;
        }
        if (SocketExists(FName)) {
            jack_status_t st;
            jack_client_t* probe = jack_client_open(
                "velcora_probe", jack_options_t(JackNoStartServer | JackServerName), &st,
                FName.c_str());
            if (probe != nullptr) {
                jack_client_close(probe);
                setenv("JACK_DEFAULT_SERVER", FName.c_str(), 1);
                return;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    FReason = "jackd did not answer within 15 s (log: " + FLog + ")";
    Stop();
}

TJackServer::~TJackServer() {
    Stop();
}

void TJackServer::Stop() {
    if (!FServer) {
        return;
    }
    FServer.reset();
    unsetenv("JACK_DEFAULT_SERVER");
    unlink(FLog.c_str());
}

TJackThrough::TJackThrough(const std::string& clientName) {
    jack_status_t status;
    FClient = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
    if (FClient == nullptr) {
        return;
    }
    FName = jack_get_client_name(FClient);
    FIn = jack_port_register(FClient, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    FOut = jack_port_register(FClient, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (FIn == nullptr || FOut == nullptr ||
        jack_set_process_callback(FClient, &TJackThrough::Process, this) != 0 ||
        jack_activate(FClient) != 0) {
        jack_client_close(FClient);
        FClient = nullptr;
    }
}

TJackThrough::~TJackThrough() {
    if (FClient != nullptr) {
        jack_deactivate(FClient);
        jack_client_close(FClient);
    }
}

int TJackThrough::Process(jack_nframes_t frames, void* self) {
    auto* through = static_cast<TJackThrough*>(self);
    void* in = jack_port_get_buffer(through->FIn, frames);
    void* out = jack_port_get_buffer(through->FOut, frames);
    jack_midi_clear_buffer(out);
    const uint32_t count = jack_midi_get_event_count(in);
    for (uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, in, i) == 0) {
            jack_midi_event_write(out, event.time, event.buffer, event.size);
        }
    }
    return 0;
}

std::vector<std::string> JackMidiPorts(const std::string& pattern) {
    std::vector<std::string> names;
    jack_status_t status{};
    jack_client_t* client = jack_client_open("velcora_probe", JackNoStartServer, &status);
    if (client == nullptr) {
        return names;
    }
    const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, 0);
    for (const char** p = ports; p && *p; ++p) {
        if (std::string(*p).find(pattern) != std::string::npos) {
            names.emplace_back(*p);
        }
    }
    jack_free(ports);
    jack_client_close(client);
    return names;
}

std::string JackConnections() {
    jack_status_t status{};
    jack_client_t* client = jack_client_open("velcora_probe", JackNoStartServer, &status);
    if (client == nullptr) {
        return "no server";
    }
    std::string text;
    const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, 0);
    for (const char** p = ports; p && *p; ++p) {
        text += std::string(*p) + " ->";
        const char** links = jack_port_get_all_connections(client, jack_port_by_name(client, *p));
        for (const char** l = links; l && *l; ++l) {
            text += " " + std::string(*l);
        }
        jack_free(links);
        text += "\n";
    }
    jack_free(ports);
    jack_client_close(client);
    return text;
}

} // namespace velcora::test
