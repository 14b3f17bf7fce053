#include "MidiOutputEngine.h"

#include "MidiHeaderFlags.h"
#include "MidiResult.h"
#include "Miditype.h"

#include <algorithm>
#include <utility>

namespace velcora {

std::shared_ptr<TMidiOutputEngine> TMidiOutputEngine::Create(const void* device,
                                                             TMidiCallback callback,
                                                             uintptr_t instance, TSend send,
                                                             TOptions options) {
    return std::make_shared<TMidiOutputEngine>(TKey(), device, callback, instance, std::move(send),
                                               std::move(options));
}

TMidiOutputEngine::TMidiOutputEngine(TKey, const void* device, TMidiCallback callback,
                                     uintptr_t instance, TSend send, TOptions options)
    : FDevice(device), FCallback(callback), FInstance(instance), FSend(std::move(send)),
      FPost(std::move(options.Post)), FMaxMessage(options.MaxMessage) {
    if (!FPost) {
        FSender = std::thread([this] { Run(); });
    }
}

TMidiOutputEngine::~TMidiOutputEngine() {
    Stop();
}

uint32_t TMidiOutputEngine::ShortMsg(uint32_t packed) {
    if (ShortMsgLength(uint8_t(packed)) == 0) {
        return TMidiResult::InvalParam;
    }
    return Queue({nullptr, packed});
}

uint32_t TMidiOutputEngine::LongMsg(TMidiHeader& header) {
    if (FMaxMessage != 0 && header.BufferLength > FMaxMessage) {
        return TMidiResult::InvalParam;
    }
    return Queue({&header, 0});
}

uint32_t TMidiOutputEngine::Queue(TItem item) {
    {
        std::lock_guard guard(FLock);
        if (FClosed) {
            return TMidiResult::InvalHandle;
        }
        if (item.Header) {
            if (const uint32_t code = QueueMidiHeader(*item.Header); code != TMidiResult::NoError) {
                return code;
            }
        }
        FQueue.push_back(item);
    }
    if (FPost) {
        // One task for each message: a task whose message a reset took finds the queue empty.
        FPost([self = shared_from_this()] { self->SendOne(); });
    } else {
        FWake.notify_one();
    }
    return TMidiResult::NoError;
}

void TMidiOutputEngine::Complete(TMidiHeader* header) {
    MarkMidiHeaderDone(*header);
    FCallback(FDevice, TMidiMessage::OutDone, FInstance, reinterpret_cast<uintptr_t>(header), 0);
}

void TMidiOutputEngine::SendOne() {
    std::unique_lock lock(FLock);
    if (FQueue.empty() || FClosed) {
        return;
    }
    const TItem item = FQueue.front();
    FQueue.pop_front();
    FSending = true;
    FSendingHeader = item.Header;
    lock.unlock();

    const uint8_t shortBytes[3] = {uint8_t(item.Packed), uint8_t(item.Packed >> 8),
                                   uint8_t(item.Packed >> 16)};
    const std::span<const uint8_t> bytes =
        item.Header ? std::span<const uint8_t>(item.Header->Data, item.Header->BufferLength)
                    : std::span<const uint8_t>(shortBytes, size_t(ShortMsgLength(shortBytes[0])));
    const bool finished = FSend(bytes);

    lock.lock();
    FSending = false;
    FSendingHeader = nullptr;
    if (item.Header) {
        if (finished) {
            Complete(item.Header);
        } else {
            FKept.push_back(item.Header);
        }
    }
    FIdle.notify_all();
}

void TMidiOutputEngine::Run() {
    std::unique_lock lock(FLock);
    for (;;) {
        FWake.wait(lock, [this] { return FClosed || !FQueue.empty(); });
        if (FClosed) {
            return;
        }
        lock.unlock();
        SendOne();
        lock.lock();
    }
}

uint32_t TMidiOutputEngine::Reset() {
    std::unique_lock lock(FLock);
    // Taken out before the wait: the sending thread would otherwise start the next message
    // the moment the one on the wire is done, and go on through the whole queue.
    const std::deque<TItem> dropped = std::exchange(FQueue, {});
    // The message being sent is finished first: the device is still reading its bytes.
    FIdle.wait(lock, [this] { return !FSending; });
    for (TMidiHeader* header : FKept) {
        Complete(header);
    }
    FKept.clear();
    for (const TItem& item : dropped) {
        if (item.Header) {
            Complete(item.Header);
        }
    }
    return TMidiResult::NoError;
}

uint32_t TMidiOutputEngine::Close() {
    {
        std::unique_lock lock(FLock);
        const bool held = FSendingHeader != nullptr || !FKept.empty() ||
                          std::any_of(FQueue.begin(), FQueue.end(),
                                      [](const TItem& item) { return item.Header != nullptr; });
        if (held) {
            return TMidiResult::StillPlaying;
        }
        // A short message the device accepted is as good as sent: it goes out before the
        // device closes.
        FIdle.wait(lock, [this] { return FQueue.empty() && !FSending; });
    }
    Stop();
    return TMidiResult::NoError;
}

void TMidiOutputEngine::Shutdown() {
    Reset();
    Stop();
}

void TMidiOutputEngine::Stop() {
    {
        std::lock_guard guard(FLock);
        FClosed = true;
    }
    FWake.notify_all();
    if (FSender.joinable()) {
        FSender.join();
    }
}

} // namespace velcora
