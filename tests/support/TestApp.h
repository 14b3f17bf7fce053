#pragma once

#include <QCoreApplication>

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

} // namespace velcora::test
