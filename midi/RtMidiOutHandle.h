#pragma once

#include "MidiDriver.h"
#include "MidiOutEngineHandle.h"

#include <RtMidi.h>
#include <memory>
#include <span>

namespace velcora {

class TRtMidiErrorTable;

/// An output device opened through RtMidi. The output engine, made once the device is open,
/// queues the messages and sends them in order from a thread of its own; each SysEx buffer is
/// reported done from that thread once RtMidi has taken its bytes.
class TRtMidiOutHandle : public TMidiOutEngineHandle {
public:
    TRtMidiOutHandle(std::shared_ptr<TRtMidiErrorTable> errors, TMidiCallback callback,
                     uintptr_t instance);
    ~TRtMidiOutHandle() override;

    /// Opens the device of that name on the given system; a result code.
    uint32_t Open(RtMidi::Api api, const std::string& clientName, const std::string& device);

    uint32_t Close() override;

private:
    static void OnError(RtMidiError::Type, const std::string&, void*) {}
    /// The engine's sending thread: hands one message to RtMidi.
    bool Send(std::span<const uint8_t> message);
    /// Closes the device, then frees the RtMidi client once a process cycle still under way
    /// has had time to end.
    void Release() noexcept;

    std::shared_ptr<TRtMidiErrorTable> FErrors;
    TMidiCallback FCallback;
    uintptr_t FInstance;
    std::unique_ptr<RtMidiOut> FOut;
};

} // namespace velcora
