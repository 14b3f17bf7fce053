#pragma once

#include "MidiHeader.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace velcora {

/// One item of an input port's ring.
struct TMidiBufferItem {
    uint32_t ItemTime = 0;
    /// Packed short message; 0 for SysEx.
    uint32_t ItemShortMsg = 0;
    /// Header of a SysEx buffer the driver returned; null for a short message.
    TMidiHeader* ItemSysexHdr = nullptr;
};

/// The ring in which received items wait for the GUI thread. One producer (the driver
/// callback) and one consumer (the GUI thread); the event count is the only field both change,
/// always by one atomic read-modify-write, so no lock is needed. The storage is allocated once.
class TCircularBuffer {
public:
    /// Throws std::bad_alloc when the storage cannot be had.
    explicit TCircularBuffer(uint16_t capacity);
    TCircularBuffer(const TCircularBuffer&) = delete;
    TCircularBuffer& operator=(const TCircularBuffer&) = delete;

    /// Producer: appends a copy of the item; false when full.
    bool PutEvent(const TMidiBufferItem& item) noexcept;
    /// Consumer: copies the oldest item without removing it; false when empty.
    bool ReadEvent(TMidiBufferItem& item) const noexcept;
    /// Consumer: removes the oldest item; false when empty.
    bool RemoveEvent() noexcept;

    uint16_t EventCount() const noexcept { return FEventCount.load(std::memory_order_acquire); }
    uint16_t Capacity() const noexcept { return FCapacity; }

private:
    std::unique_ptr<TMidiBufferItem[]> FStorage;
    uint32_t FPut = 0; // producer's
    uint32_t FGet = 0; // consumer's
    const uint16_t FCapacity;
    std::atomic<uint16_t> FEventCount{0};
};

/// A new empty ring, or null when memory is short.
std::unique_ptr<TCircularBuffer> CircbufAlloc(uint16_t capacity);
/// Frees the ring (a null ring is ignored).
void CircbufFree(std::unique_ptr<TCircularBuffer>& ring);
bool CircbufPutEvent(TCircularBuffer& ring, const TMidiBufferItem& item) noexcept;
bool CircbufReadEvent(const TCircularBuffer& ring, TMidiBufferItem& item) noexcept;
bool CircbufRemoveEvent(TCircularBuffer& ring) noexcept;

} // namespace velcora
