#include "MidiHeaderQueue.h"

namespace velcora {

TMidiHeaderQueue::TMidiHeaderQueue() : FHead(&FStub), FTail(&FStub) {}

void TMidiHeaderQueue::Push(TMidiHeader* header) noexcept {
    header->Next.store(nullptr, std::memory_order_relaxed);
    TMidiHeader* prev = FHead.exchange(header, std::memory_order_acq_rel);
    prev->Next.store(header, std::memory_order_release);
}

TMidiHeader* TMidiHeaderQueue::Pop() noexcept {
    TMidiHeader* tail = FTail;
    TMidiHeader* next = tail->Next.load(std::memory_order_acquire);
    if (tail == &FStub) {
        if (next == nullptr) {
            return nullptr;
        }
        FTail = next;
        tail = next;
        next = next->Next.load(std::memory_order_acquire);
    }
    if (next != nullptr) {
        FTail = next;
        return tail;
    }
    if (tail != FHead.load(std::memory_order_acquire)) {
        // A push is between its exchange and its link: the header is not reachable yet.
        return nullptr;
    }
    // tail is the last header: put the stub behind it so that tail can be handed out.
    Push(&FStub);
    next = tail->Next.load(std::memory_order_acquire);
    if (next != nullptr) {
        FTail = next;
        return tail;
    }
    return nullptr;
}

} // namespace velcora
