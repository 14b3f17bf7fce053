#include "ReplySender.h"

namespace velcora::emu {

TReplySender::TReplySender(TSink sink) : FSink(std::move(sink)), FThread([this] { Run(); }) {}

TReplySender::~TReplySender() {
    {
        std::lock_guard lock(FLock);
        FQuit = true;
    }
    FWake.notify_all();
    FThread.join();
}

void TReplySender::Post(std::vector<TVirtualSynth::TOutgoing> messages) {
    if (messages.empty()) {
        return;
    }
    {
        std::lock_guard lock(FLock);
        for (auto& message : messages) {
            FQueue.push_back(std::move(message));
        }
    }
    FWake.notify_all();
}

void TReplySender::Drain() {
    std::unique_lock lock(FLock);
    FIdle.wait(lock, [this] { return FQuit || (FQueue.empty() && !FBusy); });
}

void TReplySender::Run() {
    std::unique_lock lock(FLock);
    while (!FQuit) {
        if (FQueue.empty()) {
            FIdle.notify_all();
            FWake.wait(lock);
            continue;
        }
        // The synth hands out times in order, so the front is always the next one due.
        const auto at = FQueue.front().At;
        if (TVirtualSynth::TClock::now() < at) {
            FWake.wait_until(lock, at);
            continue;
        }
        TVirtualSynth::TOutgoing message = std::move(FQueue.front());
        FQueue.pop_front();
        FBusy = true;
        lock.unlock();
        FSink(message.Bytes);
        lock.lock();
        FBusy = false;
    }
    FIdle.notify_all();
}

} // namespace velcora::emu
