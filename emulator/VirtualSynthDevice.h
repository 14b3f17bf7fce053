#pragma once

#include "ReplySender.h"
#include "VirtualMidiDriver.h"
#include "VirtualSynth.h"

#include <memory>
#include <mutex>
#include <string>

namespace velcora::emu {

/// A virtual synth on the in-process MIDI driver: one device, listed as an input and an
/// output, that takes what the program sends and answers through the driver like a synth on
/// a cable. Destroy it before the driver.
class TVirtualSynthDevice {
public:
    static constexpr const char* kDefaultName = "Velcora Virtual Synth";

    TVirtualSynthDevice(TVirtualMidiDriver& driver, const TVirtualSynthOptions& options = {},
                        const std::string& name = kDefaultName);
    ~TVirtualSynthDevice();
    TVirtualSynthDevice(const TVirtualSynthDevice&) = delete;
    TVirtualSynthDevice& operator=(const TVirtualSynthDevice&) = delete;

    /// The device's number on the driver.
    int Device() const { return FDevice; }

    /// Runs action on the synth while no message is being handled: to read its memory or
    /// change its faults from a test.
    template <typename TAction> auto With(TAction&& action) {
        std::lock_guard lock(FState->Lock);
        return action(FState->Synth);
    }
    /// Waits until every reply due so far has been handed to the driver.
    void Drain();

private:
    struct TState {
        explicit TState(const TVirtualSynthOptions& options) : Synth(options) {}
        std::mutex Lock;
        TVirtualSynth Synth;
        std::unique_ptr<TReplySender> Sender;
    };

    std::shared_ptr<TState> FState;
    int FDevice = -1;
};

} // namespace velcora::emu
