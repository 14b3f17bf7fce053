#include "VirtualMidiInHandle.h"

#include "MidiResult.h"

#include <algorithm>

namespace velcora {

TVirtualMidiInHandle::TVirtualMidiInHandle(std::shared_ptr<TVirtualMidiDevice> device,
                                           TMidiCallback callback, uintptr_t instance)
    : FDevice(std::move(device)),
      FEngine(std::make_shared<TMidiInputEngine>(this, callback, instance)) {
    std::lock_guard guard(FDevice->InputsLock);
    FDevice->Inputs.push_back(FEngine);
}

TVirtualMidiInHandle::~TVirtualMidiInHandle() {
    Close();
}

uint32_t TVirtualMidiInHandle::Close() {
    if (!FClosed) {
        {
            std::lock_guard guard(FDevice->InputsLock);
            auto& inputs = FDevice->Inputs;
            inputs.erase(std::remove(inputs.begin(), inputs.end(), FEngine), inputs.end());
        }
        // A delivery that took the list before the removal ends before this returns.
        FEngine->Reset();
        FClosed = true;
    }
    return TMidiResult::NoError;
}

} // namespace velcora
