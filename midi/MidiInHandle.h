#pragma once

#include "MidiHeader.h"

#include <cstdint>

namespace velcora {

/// An open input device of a driver. Every operation runs on the GUI thread and answers a
/// TMidiResult code. Destroying the handle stops input and closes the device; no callback
/// runs after the destructor returns.
class IMidiInHandle {
public:
    virtual ~IMidiInHandle() = default;

    /// Makes a buffer usable by the driver; preparing a prepared buffer succeeds.
    virtual uint32_t PrepareHeader(TMidiHeader& header) = 0;
    /// Releases a buffer; refused (StillPlaying) while the driver holds it.
    virtual uint32_t UnprepareHeader(TMidiHeader& header) = 0;
    /// Hands a prepared buffer to the driver, which fills it with SysEx bytes and returns it
    /// through the callback (InLongData); a message longer than the buffer continues in the
    /// next one, and with no buffer free the rest of the message is dropped.
    virtual uint32_t AddBuffer(TMidiHeader& header) = 0;
    /// Input flows from Start until Stop; timestamps count in milliseconds from Start.
    virtual uint32_t Start() = 0;
    virtual uint32_t Stop() = 0;
    /// Stops input and returns every buffer the driver still holds through the callback,
    /// with no bytes, before it returns.
    virtual uint32_t Reset() = 0;
    virtual uint32_t Close() = 0;
};

} // namespace velcora
