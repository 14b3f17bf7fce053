#pragma once

#include "MidiCaps.h"
#include "MidiInHandle.h"
#include "MidiOutHandle.h"

#include <cstdint>
#include <memory>
#include <string>

namespace velcora {

/// The port callback a driver calls on its own thread: the device, the message (TMidiMessage),
/// the instance value given at open, and two parameters whose meaning the message gives.
using TMidiCallback = void (*)(const void* device, uint32_t message, uintptr_t instance,
                               uintptr_t param1, uintptr_t param2) noexcept;

/// The platform's MIDI services as the ports use them. Implementations: TRtMidiDriver (real
/// devices) and TVirtualMidiDriver (in-process devices). All operations run on the GUI thread
/// and answer a TMidiResult code where they can fail.
class IMidiDriver {
public:
    /// The mapper's device id, which a port accepts besides 0..count-1.
    static constexpr uint32_t kMapperId = 0xFFFFFFFF;

    virtual ~IMidiDriver() = default;

    virtual uint32_t InDeviceCount() = 0;
    virtual uint32_t InDeviceCaps(uint32_t id, TMidiInCaps& caps) = 0;
    /// Opens input device id; from then on callback(device, ..., instance, ...) may run on the
    /// driver's thread.
    virtual uint32_t InOpen(std::unique_ptr<IMidiInHandle>& handle, uint32_t id,
                            TMidiCallback callback, uintptr_t instance) = 0;

    virtual uint32_t OutDeviceCount() = 0;
    virtual uint32_t OutDeviceCaps(uint32_t id, TMidiOutCaps& caps) = 0;
    virtual uint32_t OutOpen(std::unique_ptr<IMidiOutHandle>& handle, uint32_t id,
                             TMidiCallback callback, uintptr_t instance) = 0;

    /// The text of a result code; false when the driver has none for it.
    virtual bool ErrorText(uint32_t code, std::string& text) = 0;
};

} // namespace velcora
