#include "VirtualSynthDevice.h"

namespace velcora::emu {

TVirtualSynthDevice::TVirtualSynthDevice(TVirtualMidiDriver& driver,
                                         const TVirtualSynthOptions& options,
                                         const std::string& name)
    : FState(std::make_shared<TState>(options)) {
    // The driver keeps the receiver for its own lifetime, which may be longer than ours: it
    // holds the state, not this object, and finds the sender gone once we are destroyed.
    FDevice = driver.AddDevice(name, [state = FState](std::span<const uint8_t> message) {
        std::lock_guard lock(state->Lock);
        if (state->Sender) {
            state->Sender->Post(state->Synth.Receive(message));
        }
    });
    FState->Sender = std::make_unique<TReplySender>(
        [&driver, device = FDevice](std::span<const uint8_t> message) {
            driver.Emit(device, message);
        });
}

TVirtualSynthDevice::~TVirtualSynthDevice() {
    std::unique_ptr<TReplySender> sender;
    {
        std::lock_guard lock(FState->Lock);
        sender = std::move(FState->Sender);
    }
    // Joined outside the lock: a reply being sent must not wait for a receiver that waits
    // for us.
    sender.reset();
}

void TVirtualSynthDevice::Drain() {
    TReplySender* sender = nullptr;
    {
        std::lock_guard lock(FState->Lock);
        sender = FState->Sender.get();
    }
    if (sender) {
        sender->Drain();
    }
}

} // namespace velcora::emu
