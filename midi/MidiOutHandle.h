#pragma once

#include "MidiHeader.h"

#include <cstdint>

namespace velcora {

/// An open output device of a driver. Every operation runs on the GUI thread and answers a
/// TMidiResult code. Destroying the handle returns the buffers it still holds (through the
/// callback) and closes the device; no callback runs after the destructor returns.
class IMidiOutHandle {
public:
    virtual ~IMidiOutHandle() = default;

    /// Sends a packed short message, in order with the SysEx messages queued before it.
    virtual uint32_t ShortMsg(uint32_t packed) = 0;
    virtual uint32_t PrepareHeader(TMidiHeader& header) = 0;
    /// Refused (StillPlaying) while the driver holds the buffer.
    virtual uint32_t UnprepareHeader(TMidiHeader& header) = 0;
    /// Queues the buffer's bytes and returns at once; when they are sent, the driver's own
    /// thread reports the buffer through the callback (OutDone), in queuing order.
    virtual uint32_t LongMsg(TMidiHeader& header) = 0;
    /// Drops what is not sent yet and reports every buffer still held as done before it
    /// returns.
    virtual uint32_t Reset() = 0;
    /// Closes the device; refused (StillPlaying) while buffers are still queued.
    virtual uint32_t Close() = 0;
};

} // namespace velcora
