#pragma once

#include "MidiDriver.h"
#include "MidiHeaderQueue.h"

#include <atomic>
#include <cstdint>
#include <span>

namespace velcora {

/// The driver side of one open input device, shared by the drivers: the buffers the port
/// handed over, start and stop, reset, and the delivery of a received message to the port
/// callback. Delivery runs on the driver's thread and neither allocates, locks nor waits;
/// everything else runs on the GUI thread.
class TMidiInputEngine {
public:
    TMidiInputEngine(const void* device, TMidiCallback callback, uintptr_t instance);
    TMidiInputEngine(const TMidiInputEngine&) = delete;
    TMidiInputEngine& operator=(const TMidiInputEngine&) = delete;

    uint32_t PrepareHeader(TMidiHeader& header);
    uint32_t UnprepareHeader(TMidiHeader& header);
    uint32_t AddBuffer(TMidiHeader& header);
    uint32_t Start();
    uint32_t Stop();
    /// Stops, waits until no delivery is running, then returns every buffer still held
    /// through the callback with no bytes.
    uint32_t Reset();

    /// Driver thread: one complete message as the device gave it. Short messages go to the
    /// callback packed; SysEx fills the free buffers in turn (a message longer than a buffer
    /// continues in the next one) and the rest is dropped when none is free; a message that
    /// is neither (a stray data byte, an over-long short message) is reported as malformed.
    void Deliver(std::span<const uint8_t> message) noexcept;

private:
    uint32_t Now() const noexcept;

    const void* FDevice;
    TMidiCallback FCallback;
    uintptr_t FInstance;
    TMidiHeaderQueue FFree;
    std::atomic<bool> FStarted{false};
    std::atomic<int> FBusy{0};
    std::atomic<int64_t> FStartNs{0};
};

} // namespace velcora
