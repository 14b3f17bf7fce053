#pragma once

#include "MidiHeaderFlags.h"
#include "MidiOutHandle.h"
#include "MidiOutputEngine.h"

#include <memory>

namespace velcora {

/// An output handle whose queue, sending and buffers are an output engine's; a driver's handle
/// makes the engine with its way to the device, and adds what opening and closing the device
/// take.
class TMidiOutEngineHandle : public IMidiOutHandle {
public:
    ~TMidiOutEngineHandle() override {
        if (FEngine) {
            FEngine->Shutdown();
        }
    }

    uint32_t ShortMsg(uint32_t packed) override { return FEngine->ShortMsg(packed); }
    uint32_t PrepareHeader(TMidiHeader& header) override { return PrepareMidiHeader(header); }
    uint32_t UnprepareHeader(TMidiHeader& header) override { return UnprepareMidiHeader(header); }
    uint32_t LongMsg(TMidiHeader& header) override { return FEngine->LongMsg(header); }
    uint32_t Reset() override { return FEngine->Reset(); }
    uint32_t Close() override { return FEngine->Close(); }

protected:
    /// Shared with the sending still under way, which may outlive the handle.
    std::shared_ptr<TMidiOutputEngine> FEngine;
};

} // namespace velcora
