#include "AuditionPacer.h"

#include <algorithm>
#include <utility>

namespace velcora {

namespace {

/// How soon a message held back by a dispatch in progress is tried again.
constexpr int RetryMs = 10;

} // namespace

TAuditionPacer::TAuditionPacer(std::function<bool(std::span<const uint8_t>)> send,
                               std::function<bool()> ready,
                               std::function<void(const std::function<void()>&)> guard)
    : FSend(std::move(send)), FReady(std::move(ready)), FGuard(std::move(guard)) {
    FTimer.setSingleShot(true);
    QObject::connect(&FTimer, &QTimer::timeout, &FTimer, [this] {
        if (FGuard) {
            FGuard([this] { SendNext(); });
        } else {
            SendNext();
        }
    });
}

void TAuditionPacer::Start(std::vector<std::vector<uint8_t>> messages, int pauseMs) {
    FQueue.assign(std::make_move_iterator(messages.begin()),
                  std::make_move_iterator(messages.end()));
    FPause = std::max(0, pauseMs);
    // A pause still running belongs to a message already sent: the synth gets it whole.
    if (!FTimer.isActive()) {
        SendNext();
    }
}

void TAuditionPacer::Flush(const std::function<void(int milliseconds)>& pause) {
    if (!FTimer.isActive() && FQueue.empty()) {
        return;
    }
    FTimer.stop();
    // The pause that was running, then each message with its own.
    if (pause) {
        pause(FPause);
    }
    while (!FQueue.empty()) {
        SendOne();
        if (pause) {
            pause(FPause);
        }
    }
}

void TAuditionPacer::Stop() {
    FQueue.clear();
}

void TAuditionPacer::SendNext() {
    if (FQueue.empty()) {
        return;
    }
    if (FReady && !FReady()) {
        FTimer.start(std::max(FPause, RetryMs));
        return;
    }
    SendOne();
    // The pause follows every message, the last included, as after any message to the synth.
    FTimer.start(FPause);
}

bool TAuditionPacer::SendOne() {
    const std::vector<uint8_t> message = std::move(FQueue.front());
    FQueue.pop_front();
    FSending = true;
    bool sent = false;
    try {
        sent = FSend(message);
    } catch (...) {
        FSending = false;
        // A port that failed takes the rest of the audition with it.
        FQueue.clear();
        throw;
    }
    FSending = false;
    return sent;
}

} // namespace velcora
