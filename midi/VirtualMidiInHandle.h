#pragma once

#include "MidiDriver.h"
#include "MidiInputEngine.h"
#include "VirtualMidiDevice.h"

#include <memory>

namespace velcora {

/// An input port's device of the virtual driver: registered with the device, whose messages
/// the driver's thread hands to it.
class TVirtualMidiInHandle : public IMidiInHandle {
public:
    TVirtualMidiInHandle(std::shared_ptr<TVirtualMidiDevice> device, TMidiCallback callback,
                         uintptr_t instance);
    ~TVirtualMidiInHandle() override;

    uint32_t PrepareHeader(TMidiHeader& header) override { return FEngine->PrepareHeader(header); }
    uint32_t UnprepareHeader(TMidiHeader& header) override {
        return FEngine->UnprepareHeader(header);
    }
    uint32_t AddBuffer(TMidiHeader& header) override { return FEngine->AddBuffer(header); }
    uint32_t Start() override { return FEngine->Start(); }
    uint32_t Stop() override { return FEngine->Stop(); }
    uint32_t Reset() override { return FEngine->Reset(); }
    uint32_t Close() override;

private:
    std::shared_ptr<TVirtualMidiDevice> FDevice;
    /// Shared with deliveries in progress on the driver's thread.
    std::shared_ptr<TMidiInputEngine> FEngine;
    bool FClosed = false;
};

} // namespace velcora
