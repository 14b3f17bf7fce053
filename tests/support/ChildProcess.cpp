#include "ChildProcess.h"

#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace velcora::test {

using namespace std::chrono_literals;

TChild::TChild(std::vector<std::string> args, const std::string& log) {
    // Everything the child needs is made before the fork: this process has threads, and the
    // child may only make async-signal-safe calls before exec.
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    FPid = fork();
    if (FPid == 0) {
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0) {
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
        }
        // The child goes with the test program, even when that one crashes.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        execvp(argv[0], argv.data());
        _exit(127);
    }
}

TChild::~TChild() {
    Stop();
}

bool TChild::Exited() {
    if (FPid <= 0) {
        return true;
    }
    if (waitpid(FPid, &FStatus, WNOHANG) == FPid) {
        FPid = -1;
        FReaped = true;
        return true;
    }
    return false;
}

int TChild::Wait(std::chrono::milliseconds limit) {
    if (!WaitFor([this] { return Exited(); }, limit)) {
        return -1;
    }
    return FReaped && WIFEXITED(FStatus) ? WEXITSTATUS(FStatus) : -1;
}

int TChild::Stop() {
    if (FPid > 0) {
        kill(FPid, SIGTERM);
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (!Exited() && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(10ms);
        }
        if (FPid > 0) {
            kill(FPid, SIGKILL);
            waitpid(FPid, &FStatus, 0);
            FPid = -1;
            FReaped = true;
        }
    }
    return FStatus;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

} // namespace velcora::test
