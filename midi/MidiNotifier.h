#pragma once

#include "MidiHeader.h"
#include "MidiHeaderQueue.h"

#include <QObject>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

class QSocketNotifier;

namespace velcora {

/// A port's notification target: the driver thread posts, the GUI thread (the thread that
/// created it) handles, in posting order. Posting never allocates, locks or waits: codes go
/// into a fixed ring, finished output headers into a queue linked through the headers
/// themselves, and the GUI thread is woken by a write to an eventfd (a pipe where there is
/// none) that a QSocketNotifier watches.
class TMidiNotifier : public QObject {
public:
    /// Called on the GUI thread with the code and, for output completion, the header.
    using THandler = std::function<void(uint32_t code, TMidiHeader* header)>;

    explicit TMidiNotifier(THandler handler, QObject* parent = nullptr);
    ~TMidiNotifier() override;

    /// Any one thread at a time: posts a code without a parameter (item queued, item lost).
    void Post(uint32_t code) noexcept;
    /// Any thread: posts the completion of an output buffer.
    void PostDone(TMidiHeader* header) noexcept;

    /// GUI thread: handles everything posted so far; a handler's error goes on to the caller.
    /// A caller without an event loop may call it directly.
    void Deliver();

private:
    static constexpr uint32_t kRingSize = 4096;

    /// What the socket notifier runs: Deliver, with nothing raised into the event loop.
    void DeliverFromEventLoop() noexcept;
    void Ring() noexcept;
    bool PopCode(uint16_t& code) noexcept;

    THandler FHandler;
    int FReadFd = -1;
    int FWriteFd = -1;
    QSocketNotifier* FSocketNotifier = nullptr; // child of this object

    std::array<uint16_t, kRingSize> FCodes{};
    std::atomic<uint32_t> FCodeHead{0}; // written by the poster
    std::atomic<uint32_t> FCodeTail{0}; // written by the GUI thread
    /// Codes that found the ring full: handled once each after the ring, so a flood is
    /// coalesced rather than lost.
    std::atomic<uint32_t> FLostQueued{0};
    std::atomic<uint32_t> FLostOverflow{0};
    TMidiHeaderQueue FDone;
    /// Set by the first post after the GUI thread last looked: later posts skip the wake-up.
    std::atomic<bool> FRung{false};
};

} // namespace velcora
