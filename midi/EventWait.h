#pragma once

#include <chrono>
#include <functional>

namespace velcora {

/// Runs the calling thread's event loop until done() holds or limit has passed, and answers
/// done(). The thread sleeps while nothing happens: done() is looked at again after each batch
/// of events (timers, the ports' notifications, posted events), so it must change only in
/// event handlers of this thread.
bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

} // namespace velcora
