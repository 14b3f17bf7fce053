#pragma once

#include <jack/jack.h>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velcora::test {

class TChild;

/// How a test's JACK server runs.
struct TJackServerOptions {
    /// Frames per cycle at 48 kHz: small periods keep a cable's delay low.
    int Period = 256;
    /// In synchronous mode the server waits for late clients instead of dropping that cycle's
    /// MIDI; it suits clients of the test program itself.
    bool Sync = true;
    /// Milliseconds a client may take before the server throws it out of the graph; 0 keeps
    /// jackd's own default.
    int ClientTimeoutMs = 0;
};

/// A private JACK server with the dummy back end (no sound card needed), started for one test
/// program and stopped with this object. While it runs, JACK_DEFAULT_SERVER names it, so
/// every JACK client of the process, and every child process started meanwhile, talks to it.
class TJackServer {
public:
    explicit TJackServer(const TJackServerOptions& options = {});
    ~TJackServer();
    TJackServer(const TJackServer&) = delete;
    TJackServer& operator=(const TJackServer&) = delete;

    bool Running() const { return FServer != nullptr; }
    /// Why the server is not running.
    const std::string& Reason() const { return FReason; }
    const std::string& Name() const { return FName; }
    /// What jackd printed (the file goes with this object).
    const std::string& LogPath() const { return FLog; }

private:
    void Stop();

    std::unique_ptr<TChild> FServer;
    std::string FName;
    std::string FReason;
    std::string FLog;
};

/// The full names of the server's MIDI ports whose names contain pattern.
std::vector<std::string> JackMidiPorts(const std::string& pattern);

/// Every MIDI port with its connections, for failure messages.
std::string JackConnections();

/// A JACK client that passes every MIDI event from its port "in" to its port "out" in the
/// same cycle: the cable between an output device and an input device.
class TJackThrough {
public:
    explicit TJackThrough(const std::string& clientName);
    ~TJackThrough();
    TJackThrough(const TJackThrough&) = delete;
    TJackThrough& operator=(const TJackThrough&) = delete;

    bool Ok() const { return FClient != nullptr; }
    std::string InPort() const { return FName + ":in"; }
    std::string OutPort() const { return FName + ":out"; }

private:
    static int Process(jack_nframes_t frames, void* self);

    std::string FName;
    jack_client_t* FClient = nullptr;
    jack_port_t* FIn = nullptr;
    jack_port_t* FOut = nullptr;
};

} // namespace velcora::test
