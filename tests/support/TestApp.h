#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
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

/// Runs the event loop until done() holds or the time is up; answers done(). The thread
/// sleeps between events; a millisecond tick wakes it to look again at what another thread
/// changes without an event (a recorder filled on the driver's thread).
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    if (done()) {
        return true;
    }
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.start(1);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace velcora::test
