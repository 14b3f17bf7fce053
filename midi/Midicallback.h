#pragma once

#include "Circbuf.h"

#include <atomic>
#include <cstdint>

namespace velcora {

class TMidiNotifier;

/// The block a port shares with the driver callback; its address is the callback's instance
/// value. Written by the GUI thread (at Open and when a filter changes), read by the callback.
struct TPortCallbackBlock {
    /// The input port's ring; null for an output port and while the port is closed.
    std::atomic<TCircularBuffer*> Ring{nullptr};
    std::atomic<TMidiNotifier*> Target{nullptr};
    std::atomic<bool> SysexOnly{false};
    std::atomic<bool> DropF8{false};
    std::atomic<bool> DropFE{false};
};

/// The driver callback of every port. On the driver's thread it only filters, queues one
/// item in the ring and posts a notification; it never allocates, locks or waits.
void midiHandler(const void* device, uint32_t message, uintptr_t instance, uintptr_t param1,
                 uintptr_t param2) noexcept;

} // namespace velcora
