#include "VirtualMidiDevice.h"

namespace velcora {

void TVirtualMidiDevice::DeliverToInputs(std::span<const uint8_t> message) {
    std::vector<std::shared_ptr<TMidiInputEngine>> inputs;
    {
        std::lock_guard guard(InputsLock);
        inputs = Inputs;
    }
    for (auto& input : inputs) {
        input->Deliver(message);
    }
}

} // namespace velcora
