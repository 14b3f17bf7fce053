#pragma once

#include "MidiHeader.h"
#include "MidiResult.h"

namespace velcora {

// The bookkeeping every driver does on a header the same way.

/// Marks a buffer usable by the driver; preparing twice succeeds.
inline uint32_t PrepareMidiHeader(TMidiHeader& header) {
    if (header.Data == nullptr || header.BufferLength == 0) {
        return TMidiResult::InvalParam;
    }
    header.Flags.fetch_or(TMidiHeader::Prepared, std::memory_order_acq_rel);
    return TMidiResult::NoError;
}

/// Releases a buffer; refused while the driver holds it.
inline uint32_t UnprepareMidiHeader(TMidiHeader& header) {
    if (header.Flags.load(std::memory_order_acquire) & TMidiHeader::InQueue) {
        return TMidiResult::StillPlaying;
    }
    header.Flags.fetch_and(~TMidiHeader::Prepared, std::memory_order_acq_rel);
    return TMidiResult::NoError;
}

/// Hands a buffer to the driver: it must be prepared and not held already.
inline uint32_t QueueMidiHeader(TMidiHeader& header) {
    const uint32_t flags = header.Flags.load(std::memory_order_acquire);
    if (!(flags & TMidiHeader::Prepared)) {
        return TMidiResult::Unprepared;
    }
    if (flags & TMidiHeader::InQueue) {
        return TMidiResult::StillPlaying;
    }
    header.Flags.store((flags | TMidiHeader::InQueue) & ~TMidiHeader::Done,
                       std::memory_order_release);
    return TMidiResult::NoError;
}

/// The driver gives a buffer back.
inline void MarkMidiHeaderDone(TMidiHeader& header) {
    const uint32_t flags = header.Flags.load(std::memory_order_relaxed);
    header.Flags.store((flags & ~TMidiHeader::InQueue) | TMidiHeader::Done,
                       std::memory_order_release);
}

} // namespace velcora
