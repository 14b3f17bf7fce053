#pragma once

#include <jack/jack.h>
#include <string>
#include <sys/types.h>

namespace velcora::test {

/// A private JACK server with the dummy back end (no sound card needed), started for one test
/// program and stopped with this object. While it runs, JACK_DEFAULT_SERVER names it, so
/// every JACK client of the process talks to it.
class TJackServer {
public:
    TJackServer();
    ~TJackServer();
    TJackServer(const TJackServer&) = delete;
    TJackServer& operator=(const TJackServer&) = delete;

    bool Running() const { return FPid > 0; }
    /// Why the server is not running.
    const std::string& Reason() const { return FReason; }
    const std::string& Name() const { return FName; }

private:
    void Stop();

    pid_t FPid = -1;
    std::string FName;
    std::string FReason;
    std::string FLog;
};

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
