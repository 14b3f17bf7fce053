#pragma once

#include <chrono>
#include <functional>

namespace velcora {

/// Runs the calling thread's event loop until done() holds or limit has passed, and answers
/// done(). The thread sleeps while nothing happens: done() is looked at again after each batch
/// of events (timers, the ports' notifications, posted events). Where done() looks at what
/// another thread changes without posting an event, lookEvery (above zero) wakes the loop that
/// often to look again; otherwise done() must change only in event handlers of this thread.
bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
                    std::chrono::milliseconds lookEvery = std::chrono::milliseconds(0));

} // namespace velcora
