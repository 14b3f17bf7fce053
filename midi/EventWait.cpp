#include "EventWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace velcora {

bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
                    std::chrono::milliseconds lookEvery) {
    if (done()) {
        return true;
    }
    // Blocking in the event loop rather than asking it for pending events in a loop: that
    // returns at once when nothing is pending, and a long transfer would keep a core busy.
    const auto end = std::chrono::steady_clock::now() + limit;
    bool timeUp = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, [&timeUp] { timeUp = true; });
    deadline.start(limit);
    QTimer look;
    if (lookEvery > std::chrono::milliseconds(0)) {
        look.setTimerType(Qt::PreciseTimer);
        look.start(lookEvery);
    }
    // The clock as well: a thread without an event loop has no timer to wake it.
    while (!done() && !timeUp && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return done();
}

} // namespace velcora
