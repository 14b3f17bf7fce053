#pragma once

#include "VirtualSynth.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace velcora::emu {

/// Sends a virtual synth's replies at their times from a thread of its own, so that a reply
/// delay or wire pacing never holds up the thread that delivers incoming messages.
class TReplySender {
public:
    using TSink = std::function<void(std::span<const uint8_t> message)>;

    /// sink is called on the sender's thread, one message at a time, in order.
    explicit TReplySender(TSink sink);
    /// Stops the thread; replies not yet due are dropped.
    ~TReplySender();
    TReplySender(const TReplySender&) = delete;
    TReplySender& operator=(const TReplySender&) = delete;

    void Post(std::vector<TVirtualSynth::TOutgoing> messages);
    /// Waits until every reply posted before the call has been handed to the sink.
    void Drain();

private:
    void Run();

    TSink FSink;
    std::mutex FLock;
    std::condition_variable FWake;
    std::condition_variable FIdle;
    std::deque<TVirtualSynth::TOutgoing> FQueue;
    bool FBusy = false;
    bool FQuit = false;
    std::thread FThread;
};

} // namespace velcora::emu
