#pragma once

#include "EventWait.h"

#include <QCoreApplication>
#include <chrono>
#include <functional>

namespace velcora::test {

/// The application object that timers, socket notifiers and the ports' notifications need;
/// made on first use, or the one a test program already has.
inline QCoreApplication& EnsureApp() {
    if (QCoreApplication* existing = QCoreApplication::instance()) {
        return *existing;
    }
    static int argc = 1;
    static char name[] = "velcora_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

/// Runs the event loop until done() holds or the time is up; answers done(). A millisecond
/// tick wakes the loop to look again at what another thread changes without an event (a
/// recorder filled on the driver's thread).
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    return RunEventsUntil(done, limit, std::chrono::milliseconds(1));
}

} // namespace velcora::test
