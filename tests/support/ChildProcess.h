#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velcora::test {

/// A child process, ended with SIGTERM when this object goes.
class TChild {
public:
    /// Runs args with standard output and error going to log (or nowhere).
    explicit TChild(std::vector<std::string> args, const std::string& log = "/dev/null");
    ~TChild();
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    bool Started() const { return FPid > 0 || FReaped; }
    /// Whether it has ended; reaps it then.
    bool Exited();
    /// Waits up to limit for the end; answers the exit code, or -1 when it did not end or
    /// was killed by a signal.
    int Wait(std::chrono::milliseconds limit);
    /// SIGTERM, then waits up to five seconds (then SIGKILL); answers the wait status.
    int Stop();

private:
    pid_t FPid = -1;
    bool FReaped = false;
    int FStatus = 0;
};

/// Polls done every 20 ms until it holds or the time is up; answers done().
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit);

} // namespace velcora::test
