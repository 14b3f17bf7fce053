#include "RtMidiDriver.h"

#include "MidiErrorText.h"
#include "MidiResult.h"
#include "RtMidiErrorTable.h"
#include "RtMidiInHandle.h"
#include "RtMidiOutHandle.h"

#include <RtMidi.h>
#include <cstdlib>
#include <unistd.h>

namespace velcora {

namespace {

#ifdef __linux__
bool JackServerRunning() {
    // Looking for the server's socket avoids a connection attempt, which prints complaints
    // when no server runs.
    const char* server = std::getenv("JACK_DEFAULT_SERVER");
    const std::string name = (server && *server) ? server : "default";
    const std::string socket = "jack_" + name + "_" + std::to_string(getuid()) + "_0";
    for (const char* dir : {"/dev/shm/", "/tmp/"}) {
        if (access((dir + socket).c_str(), F_OK) == 0) {
            return true;
        }
    }
    return false;
}

bool AlsaSequencerPresent() {
    return access("/dev/snd/seq", R_OK | W_OK) == 0;
}
#endif

TRtMidiApi Resolve(TRtMidiApi api) {
    if (api != TRtMidiApi::Auto) {
        return api;
    }
    if (const char* forced = std::getenv("VELCORA_MIDI_API")) {
        const std::string value = forced;
        if (value == "alsa") {
            return TRtMidiApi::Alsa;
        }
        if (value == "jack") {
            return TRtMidiApi::Jack;
        }
    }
#ifdef __linux__
    if (JackServerRunning()) {
        return TRtMidiApi::Jack;
    }
    if (AlsaSequencerPresent()) {
        return TRtMidiApi::Alsa;
    }
    return TRtMidiApi::None;
#else
    return TRtMidiApi::Auto;
#endif
}

RtMidi::Api ToRtMidi(TRtMidiApi api) {
    switch (api) {
    case TRtMidiApi::Alsa:
        return RtMidi::LINUX_ALSA;
    case TRtMidiApi::Jack:
        return RtMidi::UNIX_JACK;
    default:
        return RtMidi::UNSPECIFIED;
    }
}

void IgnoreError(RtMidiError::Type, const std::string&, void*) {}

} // namespace

TRtMidiDriver::TRtMidiDriver(TRtMidiApi api, std::string clientName)
    : FApi(Resolve(api)), FClientName(std::move(clientName)),
      FErrors(std::make_shared<TRtMidiErrorTable>()) {
    if (FApi == TRtMidiApi::None) {
        return;
    }
    // A MIDI system that cannot be reached leaves the driver without devices; the program
    // still starts.
    try {
        FInList = std::make_unique<RtMidiIn>(ToRtMidi(FApi), FClientName);
        FInList->setErrorCallback(&IgnoreError, nullptr);
    } catch (const RtMidiError&) {
        FInList.reset();
    }
    try {
        FOutList = std::make_unique<RtMidiOut>(ToRtMidi(FApi), FClientName);
        FOutList->setErrorCallback(&IgnoreError, nullptr);
    } catch (const RtMidiError&) {
        FOutList.reset();
    }
}

TRtMidiDriver::~TRtMidiDriver() = default;

std::optional<unsigned int> TRtMidiDriver::PortNumber(RtMidi& client, const std::string& device) {
    const unsigned int count = client.getPortCount();
    for (unsigned int port = 0; port < count; ++port) {
        if (client.getPortName(port) == device) {
            return port;
        }
    }
    return std::nullopt;
}

bool TRtMidiDriver::IsOwnPort(const std::string& device, const std::string& clientName) {
    if (clientName.empty() || device.compare(0, clientName.size(), clientName) != 0) {
        return false;
    }
    size_t at = clientName.size();
    if (at < device.size() && device[at] == '-') {
        const size_t digits = device.find_first_not_of("0123456789", at + 1);
        if (digits == at + 1 || digits == std::string::npos) {
            return false;
        }
        at = digits;
    }
    if (at >= device.size() || device[at] != ':') {
        return false;
    }
    const std::string port = device.substr(at + 1);
    for (const std::string& own : {clientName + " in", clientName + " out"}) {
        if (port.compare(0, own.size(), own) == 0 &&
            (port.size() == own.size() || port[own.size()] == ' ')) {
            return true;
        }
    }
    return false;
}

std::vector<unsigned int> TRtMidiDriver::DevicePorts(bool input) const {
    std::vector<unsigned int> ports;
    RtMidi* list = input ? static_cast<RtMidi*>(FInList.get()) : FOutList.get();
    if (list == nullptr) {
        return ports;
    }
    const unsigned int count = list->getPortCount();
    for (unsigned int port = 0; port < count; ++port) {
        if (!IsOwnPort(list->getPortName(port), FClientName)) {
            ports.push_back(port);
        }
    }
    return ports;
}

uint32_t TRtMidiDriver::InDeviceCount() {
    return static_cast<uint32_t>(DevicePorts(true).size());
}

uint32_t TRtMidiDriver::OutDeviceCount() {
    return static_cast<uint32_t>(DevicePorts(false).size());
}

uint32_t TRtMidiDriver::InDeviceCaps(uint32_t id, TMidiInCaps& caps) {
    const std::vector<unsigned int> ports = DevicePorts(true);
    if (id >= ports.size()) {
        return TMidiResult::BadDeviceId;
    }
    caps = TMidiInCaps{};
    caps.Name = FInList->getPortName(ports[id]);
    return TMidiResult::NoError;
}

uint32_t TRtMidiDriver::OutDeviceCaps(uint32_t id, TMidiOutCaps& caps) {
    const std::vector<unsigned int> ports = DevicePorts(false);
    if (id >= ports.size()) {
        return TMidiResult::BadDeviceId;
    }
    caps = TMidiOutCaps{};
    caps.Name = FOutList->getPortName(ports[id]);
    return TMidiResult::NoError;
}

uint32_t TRtMidiDriver::InOpen(std::unique_ptr<IMidiInHandle>& handle, uint32_t id,
                               TMidiCallback callback, uintptr_t instance) {
    TMidiInCaps caps;
    if (InDeviceCaps(id, caps) != TMidiResult::NoError) {
        return TMidiResult::BadDeviceId;
    }
    auto opened = std::make_unique<TRtMidiInHandle>(FErrors, callback, instance);
    if (const uint32_t code = opened->Open(ToRtMidi(FApi), FClientName, caps.Name);
        code != TMidiResult::NoError) {
        return code;
    }
    handle = std::move(opened);
    return TMidiResult::NoError;
}

uint32_t TRtMidiDriver::OutOpen(std::unique_ptr<IMidiOutHandle>& handle, uint32_t id,
                                TMidiCallback callback, uintptr_t instance) {
    TMidiOutCaps caps;
    if (OutDeviceCaps(id, caps) != TMidiResult::NoError) {
        return TMidiResult::BadDeviceId;
    }
    auto opened = std::make_unique<TRtMidiOutHandle>(FErrors, callback, instance);
    if (const uint32_t code = opened->Open(ToRtMidi(FApi), FClientName, caps.Name);
        code != TMidiResult::NoError) {
        return code;
    }
    handle = std::move(opened);
    return TMidiResult::NoError;
}

bool TRtMidiDriver::ErrorText(uint32_t code, std::string& text) {
    return FErrors->Text(code, text) || StandardMidiErrorText(code, text);
}

} // namespace velcora
