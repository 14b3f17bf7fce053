#pragma once

#include "MidiHeader.h"

namespace velcora {

/// A queue of buffer headers linked through their Next field, so that neither pushing nor
/// popping allocates, locks or waits. Any thread may push; one thread at a time pops.
///
/// While a push is half done, a pop may answer null although that header is on its way; the
/// pusher always follows with a wake-up of its own (or the popper treats the moment as "no
/// buffer free"), so nothing is lost.
class TMidiHeaderQueue {
public:
    TMidiHeaderQueue();
    TMidiHeaderQueue(const TMidiHeaderQueue&) = delete;
    TMidiHeaderQueue& operator=(const TMidiHeaderQueue&) = delete;

    void Push(TMidiHeader* header) noexcept;
    /// The oldest header, or null when none is (completely) queued.
    TMidiHeader* Pop() noexcept;

private:
    TMidiHeader FStub;
    std::atomic<TMidiHeader*> FHead;
    TMidiHeader* FTail;
};

} // namespace velcora
