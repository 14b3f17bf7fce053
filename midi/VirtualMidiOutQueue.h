#pragma once

#include "MidiDriver.h"
#include "VirtualMidiDevice.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace velcora {

class TVirtualMidiDriver;

/// What the program sends through one open output device of the virtual driver, in order.
struct TVirtualMidiOutQueue {
    struct TItem {
        TMidiHeader* Header = nullptr; // SysEx, or null for a short message
        uint32_t Packed = 0;
    };

    TVirtualMidiDriver* Driver = nullptr;
    std::shared_ptr<TVirtualMidiDevice> Device;
    const void* Handle = nullptr;
    TMidiCallback Callback = nullptr;
    uintptr_t Instance = 0;

    std::mutex Lock;
    std::condition_variable Idle;
    std::deque<TItem> Queue;
    bool Sending = false;
    std::vector<TMidiHeader*> Stuck; // held for ever by a device that never completes
    bool Closed = false;

    /// Marks the buffer done and reports it to the port.
    void Complete(TMidiHeader* header);
    /// Driver thread: sends the oldest queued item.
    void SendOne();
};

} // namespace velcora
