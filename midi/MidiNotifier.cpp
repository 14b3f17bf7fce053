#include "MidiNotifier.h"

#include "MidiResult.h"

#include <QSocketNotifier>
#include <QtGlobal>
#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
#ifdef __linux__
#include <sys/eventfd.h>
#endif

namespace velcora {

TMidiNotifier::TMidiNotifier(THandler handler, QObject* parent)
    : QObject(parent), FHandler(std::move(handler)) {
#ifdef __linux__
    FReadFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    FWriteFd = FReadFd;
#else
    int fds[2];
    if (pipe(fds) == 0) {
        FReadFd = fds[0];
        FWriteFd = fds[1];
        fcntl(FReadFd, F_SETFL, O_NONBLOCK);
        fcntl(FWriteFd, F_SETFL, O_NONBLOCK);
    }
#endif
    if (FReadFd < 0) {
        throw std::runtime_error("No file descriptor left for a MIDI port's wake-up");
    }
    FSocketNotifier = new QSocketNotifier(FReadFd, QSocketNotifier::Read, this);
    connect(FSocketNotifier, &QSocketNotifier::activated, this, [this] { DeliverFromEventLoop(); });
}

TMidiNotifier::~TMidiNotifier() {
    delete FSocketNotifier; // before its descriptor goes
    FSocketNotifier = nullptr;
    if (FWriteFd != FReadFd && FWriteFd >= 0) {
        close(FWriteFd);
    }
    close(FReadFd);
}

void TMidiNotifier::Ring() noexcept {
    if (FRung.exchange(true, std::memory_order_seq_cst)) {
        return;
    }
#ifdef __linux__
    const uint64_t one = 1;
#else
    const uint8_t one = 1;
#endif
    // A full pipe or counter means a wake-up is pending anyway.
    [[maybe_unused]] ssize_t n = write(FWriteFd, &one, sizeof one);
}

void TMidiNotifier::Post(uint32_t code) noexcept {
    const uint32_t head = FCodeHead.load(std::memory_order_relaxed);
    if (head - FCodeTail.load(std::memory_order_acquire) < kRingSize) {
        FCodes[head % kRingSize] = uint16_t(code);
        FCodeHead.store(head + 1, std::memory_order_release);
    } else if (code == TMidiMessage::Overflow) {
        FLostOverflow.fetch_add(1, std::memory_order_release);
    } else {
        FLostQueued.fetch_add(1, std::memory_order_release);
    }
    Ring();
}

void TMidiNotifier::PostDone(TMidiHeader* header) noexcept {
    FDone.Push(header);
    Ring();
}

bool TMidiNotifier::PopCode(uint16_t& code) noexcept {
    const uint32_t tail = FCodeTail.load(std::memory_order_relaxed);
    if (tail == FCodeHead.load(std::memory_order_acquire)) {
        return false;
    }
    code = FCodes[tail % kRingSize];
    FCodeTail.store(tail + 1, std::memory_order_release);
    return true;
}

void TMidiNotifier::DeliverFromEventLoop() noexcept {
    // Qt's event loop must never see an exception. The program's handlers show their own
    // errors; one that still raises is noted here, and what was queued behind it comes on
    // the next pass, which Deliver has already arranged.
    try {
        Deliver();
    } catch (const std::exception& e) {
        qWarning("A MIDI notification handler failed: %s", e.what());
    } catch (...) {
        qWarning("A MIDI notification handler failed");
    }
}

void TMidiNotifier::Deliver() {
    uint64_t drain[16];
    while (read(FReadFd, drain, sizeof drain) > 0) {
    }
    // Cleared before looking, so a post that this pass misses rings again.
    FRung.store(false, std::memory_order_seq_cst);

    // Each item is taken before its handler runs: a handler that runs a nested event loop
    // re-enters here and simply continues with the next item.
    try {
        uint16_t code = 0;
        while (PopCode(code)) {
            FHandler(code, nullptr);
        }
        if (FLostQueued.exchange(0, std::memory_order_acquire) != 0) {
            FHandler(TMidiMessage::InData, nullptr);
        }
        if (FLostOverflow.exchange(0, std::memory_order_acquire) != 0) {
            FHandler(TMidiMessage::Overflow, nullptr);
        }
        while (TMidiHeader* header = FDone.Pop()) {
            FHandler(TMidiMessage::OutDone, header);
        }
    } catch (...) {
        // A handler's error goes on to the caller; what is still queued is handled on the
        // next pass instead of waiting for the next post.
        Ring();
        throw;
    }
}

} // namespace velcora
