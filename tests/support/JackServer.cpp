#include "JackServer.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <sys/prctl.h>
#include <sys/wait.h>
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

    // Everything the child needs is made before the fork: this process may have threads, and
    // the child may only make async-signal-safe calls before exec.
    const std::string period = std::to_string(options.Period);
    const std::string timeout = std::to_string(options.ClientTimeoutMs);
    std::vector<const char*> argv = {"jackd", "--no-realtime"};
    if (options.Sync) {
        argv.push_back("--sync");
    }
    if (options.ClientTimeoutMs > 0) {
        argv.insert(argv.end(), {"-t", timeout.c_str()});
    }
    argv.insert(argv.end(),
                {"-n", FName.c_str(), "-d", "dummy", "-r", "48000", "-p", period.c_str(), nullptr});

    const pid_t pid = fork();
    if (pid < 0) {
        FReason = "cannot fork to start jackd";
        return;
    }
    if (pid == 0) {
        const int log = open(FLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
        }
        // The server goes with the test program, even when that one crashes.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        // The dummy back end needs no hardware, and no audio device is to be reserved.
        setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
        execvp("jackd", const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    FPid = pid;

    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < limit) {
        int status = 0;
        if (waitpid(FPid, &status, WNOHANG) == FPid) {
            FPid = -1;
            FReason = WIFEXITED(status) && WEXITSTATUS(status) == 127
                          ? "jackd is not installed (package jackd2)"
                          : "jackd exited at start (log: " + FLog + ")";
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
    if (FPid <= 0) {
        return;
    }
    kill(FPid, SIGTERM);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int status = 0;
    while (waitpid(FPid, &status, WNOHANG) != FPid) {
        if (std::chrono::steady_clock::now() > limit) {
            kill(FPid, SIGKILL);
            waitpid(FPid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    FPid = -1;
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
