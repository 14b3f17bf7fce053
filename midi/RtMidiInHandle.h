#pragma once

#include "MidiInHandle.h"
#include "MidiInputEngine.h"
#include "RtMidiDriver.h"

#include <RtMidi.h>
#include <memory>

namespace velcora {

/// An input device opened through RtMidi. RtMidi's thread delivers each complete message to
/// the input engine, which fills the port's buffers and calls the port callback.
class TRtMidiInHandle : public IMidiInHandle {
public:
    TRtMidiInHandle(std::shared_ptr<TRtMidiErrorTable> errors, TMidiCallback callback,
                    uintptr_t instance);
    ~TRtMidiInHandle() override;

    /// Opens the device of that name on the given system; a result code.
    uint32_t Open(RtMidi::Api api, const std::string& clientName, const std::string& device);

    uint32_t PrepareHeader(TMidiHeader& header) override { return FEngine.PrepareHeader(header); }
    uint32_t UnprepareHeader(TMidiHeader& header) override {
        return FEngine.UnprepareHeader(header);
    }
    uint32_t AddBuffer(TMidiHeader& header) override { return FEngine.AddBuffer(header); }
    uint32_t Start() override { return FEngine.Start(); }
    uint32_t Stop() override { return FEngine.Stop(); }
    uint32_t Reset() override { return FEngine.Reset(); }
    uint32_t Close() override;

private:
    static void OnMessage(double, std::vector<unsigned char>* message, void* self);
    static void OnError(RtMidiError::Type, const std::string&, void*) {}

    std::shared_ptr<TRtMidiErrorTable> FErrors;
    TMidiInputEngine FEngine;
    std::unique_ptr<RtMidiIn> FIn;
};

} // namespace velcora
