#include "Midicallback.h"

#include "MidiNotifier.h"
#include "MidiResult.h"

namespace velcora {

void midiHandler(const void*, uint32_t message, uintptr_t instance, uintptr_t param1,
                 uintptr_t param2) noexcept {
    auto* block = reinterpret_cast<TPortCallbackBlock*>(instance);
    switch (message) {
    case TMidiMessage::InData:
    case TMidiMessage::InLongData:
    case TMidiMessage::InLongError: {
        if (block == nullptr) {
            return;
        }
        // Only the one-byte real-time messages have these values; for the buffer messages
        // param1 is a header address.
        if ((param1 == 0xF8 && block->DropF8.load(std::memory_order_relaxed)) ||
            (param1 == 0xFE && block->DropFE.load(std::memory_order_relaxed))) {
            return;
        }
        if (message == TMidiMessage::InData && block->SysexOnly.load(std::memory_order_relaxed)) {
            return;
        }
        TCircularBuffer* ring = block->Ring.load(std::memory_order_acquire);
        if (ring == nullptr) {
            return;
        }
        TMidiBufferItem item;
        item.ItemTime = uint32_t(param2);
        if (message == TMidiMessage::InData) {
            item.ItemShortMsg = uint32_t(param1);
        } else {
            item.ItemSysexHdr = reinterpret_cast<TMidiHeader*>(param1);
        }
        const bool stored = ring->PutEvent(item);
        if (TMidiNotifier* target = block->Target.load(std::memory_order_acquire)) {
            target->Post(stored ? TMidiMessage::InData : TMidiMessage::Overflow);
        }
        return;
    }
    case TMidiMessage::OutDone:
        if (block == nullptr) {
            return;
        }
        if (TMidiNotifier* target = block->Target.load(std::memory_order_acquire)) {
            target->PostDone(reinterpret_cast<TMidiHeader*>(param1));
        }
        return;
    default:
        return; // InError included: a malformed short message is ignored
    }
}

} // namespace velcora
