#pragma once

#include <atomic>
#include <cstdint>

namespace velcora {

/// The buffer header a port hands to a driver for SysEx bytes, in the role of the Windows
/// MIDIHDR record: data pointer, buffer length, bytes recorded, user value and flags.
struct TMidiHeader {
    static constexpr uint32_t Done = 1;
    static constexpr uint32_t Prepared = 2;
    static constexpr uint32_t InQueue = 4;

    uint8_t* Data = nullptr;
    uint32_t BufferLength = 0;
    /// Written by the driver before it returns the buffer; read after the hand-back.
    uint32_t BytesRecorded = 0;
    uintptr_t User = 0;
    /// Changed by the GUI thread (prepare, add) and by the driver thread (done), hence atomic.
    std::atomic<uint32_t> Flags{0};
    /// Link of the lock-free queues a header passes through; owned by whichever queue holds it.
    std::atomic<TMidiHeader*> Next{nullptr};
};

} // namespace velcora
