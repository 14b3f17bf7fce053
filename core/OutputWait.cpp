#include "OutputWait.h"

#include "EventWait.h"
#include "Workspace.h"

namespace velcora {

bool WaitForOutput(const TWorkspace& ws, std::chrono::milliseconds stallLimit,
                   const std::function<bool()>& stopped) {
    const auto stop = [&] { return stopped && stopped(); };
    for (;;) {
        const size_t pending = ws.Status().OutputPending;
        if (pending == 0) {
            return true;
        }
        // The limit counts from the last message sent: a long queue that moves is waited for.
        if (!RunEventsUntil([&] { return ws.Status().OutputPending < pending || stop(); },
                            stallLimit) ||
            stop()) {
            return false;
        }
    }
}

} // namespace velcora
