#include "Circbuf.h"

#include <new>

namespace velcora {

TCircularBuffer::TCircularBuffer(uint16_t capacity)
    : FStorage(std::make_unique<TMidiBufferItem[]>(capacity)), FCapacity(capacity) {}

bool TCircularBuffer::PutEvent(const TMidiBufferItem& item) noexcept {
    // Acquire pairs with the consumer's release in RemoveEvent: the slot about to be written
    // has been read completely.
    if (FEventCount.load(std::memory_order_acquire) >= FCapacity) {
        return false;
    }
    FStorage[FPut] = item;
    FPut = (FPut + 1 == FCapacity) ? 0 : FPut + 1;
    FEventCount.fetch_add(1, std::memory_order_release);
    return true;
}

bool TCircularBuffer::ReadEvent(TMidiBufferItem& item) const noexcept {
    if (FEventCount.load(std::memory_order_acquire) == 0) {
        return false;
    }
    item = FStorage[FGet];
    return true;
}

bool TCircularBuffer::RemoveEvent() noexcept {
    if (FEventCount.load(std::memory_order_acquire) == 0) {
        return false;
    }
    FGet = (FGet + 1 == FCapacity) ? 0 : FGet + 1;
    FEventCount.fetch_sub(1, std::memory_order_release);
    return true;
}

std::unique_ptr<TCircularBuffer> CircbufAlloc(uint16_t capacity) {
    try {
        return std::make_unique<TCircularBuffer>(capacity);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void CircbufFree(std::unique_ptr<TCircularBuffer>& ring) {
    ring.reset();
}

bool CircbufPutEvent(TCircularBuffer& ring, const TMidiBufferItem& item) noexcept {
    return ring.PutEvent(item);
}

bool CircbufReadEvent(const TCircularBuffer& ring, TMidiBufferItem& item) noexcept {
    return ring.ReadEvent(item);
}

bool CircbufRemoveEvent(TCircularBuffer& ring) noexcept {
    return ring.RemoveEvent();
}

} // namespace velcora
