#include "RtMidiOutHandle.h"

#include "MidiResult.h"
#include "RtMidiDriver.h"
#include "RtMidiErrorTable.h"

#include <chrono>
#include <thread>

namespace velcora {

namespace {
// RtMidi's JACK output passes messages through a queue of 16384 bytes, each with a 4-byte
// length; a longer message would be dropped without a word.
constexpr size_t kJackQueueBytes = 16384;
constexpr size_t kJackLengthBytes = 4;
// A process cycle takes microseconds; this covers one whose thread the system set aside for a
// while on a busy machine.
constexpr auto kJackCycleGrace = std::chrono::milliseconds(100);
} // namespace

TRtMidiOutHandle::TRtMidiOutHandle(std::shared_ptr<TRtMidiErrorTable> errors,
                                   TMidiCallback callback, uintptr_t instance)
    : FErrors(std::move(errors)), FCallback(callback), FInstance(instance) {}

TRtMidiOutHandle::~TRtMidiOutHandle() {
    // The sending thread ends before the device goes.
    if (FEngine) {
        FEngine->Shutdown();
    }
    Release();
}

uint32_t TRtMidiOutHandle::Open(RtMidi::Api api, const std::string& clientName,
                                const std::string& device) {
    try {
        FOut = std::make_unique<RtMidiOut>(api, clientName);
        const std::optional<unsigned int> port = TRtMidiDriver::PortNumber(*FOut, device);
        if (!port) {
            FOut.reset();
            return TMidiResult::BadDeviceId;
        }
        FOut->openPort(*port, clientName + " out");
    } catch (const RtMidiError& e) {
        FOut.reset();
        return FErrors->CodeFor(e.getMessage());
    }
    if (!FOut->isPortOpen()) {
        FOut.reset();
        return FErrors->CodeFor("The MIDI output device could not be opened.");
    }
    FOut->setErrorCallback(&TRtMidiOutHandle::OnError, nullptr);
    TMidiOutputEngine::TOptions options;
    if (FOut->getCurrentApi() == RtMidi::UNIX_JACK) {
        options.MaxMessage = kJackQueueBytes - kJackLengthBytes - 1;
    }
    FEngine = TMidiOutputEngine::Create(
        this, FCallback, FInstance,
        [this](std::span<const uint8_t> message) { return Send(message); }, options);
    return TMidiResult::NoError;
}

bool TRtMidiOutHandle::Send(std::span<const uint8_t> message) {
    try {
        // Waits while the system's queue is full, so nothing is dropped on the way.
        FOut->sendMessage(message.data(), message.size());
    } catch (const RtMidiError&) {
        // The buffer is still given back; what the device missed cannot be reported.
    }
    return true;
}

uint32_t TRtMidiOutHandle::Close() {
    if (const uint32_t code = TMidiOutEngineHandle::Close(); code != TMidiResult::NoError) {
        return code;
    }
    Release();
    return TMidiResult::NoError;
}

void TRtMidiOutHandle::Release() noexcept {
    if (!FOut) {
        return;
    }
    // RtMidi's JACK output frees its message queue before it closes its JACK client, while a
    // process cycle that began with the port still open may be reading that queue: a crash
    // at the end of a run, now and then. Closed first, the port turns every later cycle away
    // from the queue, and the one already under way gets time to finish before the queue goes.
    if (FOut->getCurrentApi() == RtMidi::UNIX_JACK && FOut->isPortOpen()) {
        // What RtMidi took last still waits in its queue for the next process cycles: closed
        // at once, the port would drop the end of a bank send, its last preset.
        std::this_thread::sleep_for(kJackCycleGrace);
        FOut->closePort();
        std::this_thread::sleep_for(kJackCycleGrace);
    }
    FOut.reset();
}

} // namespace velcora
