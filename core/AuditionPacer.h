#pragma once

#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <vector>

namespace velcora {

/// Sends the messages of one audition one by one on the event loop, a pause apart, so that
/// the window stays responsive while the synth takes them. A newer audition drops what is
/// left of the older one: only the patch the person stopped on is heard last.
class TAuditionPacer {
public:
    /// send: puts one message on its way, false when it could not leave; ready: whether a
    /// message may leave now (not while a received message is being dispatched); guard: runs
    /// the timer's step so that an error it raises never reaches the event loop.
    TAuditionPacer(std::function<bool(std::span<const uint8_t>)> send, std::function<bool()> ready,
                   std::function<void(const std::function<void()>&)> guard);
    TAuditionPacer(const TAuditionPacer&) = delete;
    TAuditionPacer& operator=(const TAuditionPacer&) = delete;

    /// Drops whatever is still to go and queues messages, each followed by pauseMs. The first
    /// leaves at once, unless the pause after a message already sent is still running.
    void Start(std::vector<std::vector<uint8_t>> messages, int pauseMs);
    /// Sends what is still queued at once, waiting between the messages with pause (which
    /// blocks, as every other message to the synth does): what follows an audition must find
    /// it complete. Nothing when nothing is queued or pausing.
    void Flush(const std::function<void(int milliseconds)>& pause);
    /// Forgets what is still queued.
    void Stop();
    /// Messages queued and not sent yet.
    size_t Pending() const { return FQueue.size(); }
    /// True while the pacer itself hands a message to send (the send path must let it pass).
    bool Sending() const { return FSending; }

private:
    void SendNext();
    bool SendOne();

    std::function<bool(std::span<const uint8_t>)> FSend;
    std::function<bool()> FReady;
    std::function<void(const std::function<void()>&)> FGuard;
    std::deque<std::vector<uint8_t>> FQueue;
    int FPause = 0;
    bool FSending = false;
    /// Runs out when the pause after the last message sent is over.
    QTimer FTimer;
};

} // namespace velcora
