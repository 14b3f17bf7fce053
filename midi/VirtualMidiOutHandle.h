#pragma once

#include "MidiDriver.h"
#include "MidiOutEngineHandle.h"
#include "VirtualMidiDevice.h"

#include <memory>

namespace velcora {

class TVirtualMidiDriver;

/// An output port's device of the virtual driver: the output engine sends its messages on the
/// driver's thread, in order, to what receives them for the device.
class TVirtualMidiOutHandle : public TMidiOutEngineHandle {
public:
    TVirtualMidiOutHandle(TVirtualMidiDriver& driver, std::shared_ptr<TVirtualMidiDevice> device,
                          TMidiCallback callback, uintptr_t instance);
};

} // namespace velcora
