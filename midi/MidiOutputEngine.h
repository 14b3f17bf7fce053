#pragma once

#include "MidiDriver.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace velcora {

/// The driver side of one open output device, shared by the drivers: short and SysEx
/// messages queued in order (a SysEx buffer must be prepared), the sending thread, the
/// buffers handed back through the port callback, reset and close. A driver gives only how the
/// bytes of one message reach its device. Everything but the sending runs on the GUI thread.
class TMidiOutputEngine : public std::enable_shared_from_this<TMidiOutputEngine> {
    struct TKey;

public:
    /// Sending thread: puts one complete message (a short message as its one to three bytes,
    /// or one SysEx message) on the device, waiting while the device cannot take it yet.
    /// Answers false when the device keeps a SysEx buffer for ever instead of finishing it.
    using TSend = std::function<bool(std::span<const uint8_t> message)>;
    /// Runs a task on the driver's own thread, after the tasks posted before it.
    using TPost = std::function<void(std::function<void()> task)>;

    struct TOptions {
        /// Where the sending runs: the driver's thread when given, else a thread of the
        /// engine's own.
        TPost Post;
        /// Largest SysEx message the device takes in one piece; 0: no limit.
        size_t MaxMessage = 0;
    };

    /// The callback runs as callback(device, OutDone, instance, header, 0) on the sending
    /// thread, once for each SysEx buffer handed back.
    static std::shared_ptr<TMidiOutputEngine> Create(const void* device, TMidiCallback callback,
                                                     uintptr_t instance, TSend send,
                                                     TOptions options);
    ~TMidiOutputEngine();
    /// Through Create only, which alone can make the key.
    TMidiOutputEngine(TKey, const void* device, TMidiCallback callback, uintptr_t instance,
                      TSend send, TOptions options);
    TMidiOutputEngine(const TMidiOutputEngine&) = delete;
    TMidiOutputEngine& operator=(const TMidiOutputEngine&) = delete;

    uint32_t ShortMsg(uint32_t packed);
    /// Refused (InvalParam) when the message is longer than the device takes in one piece.
    uint32_t LongMsg(TMidiHeader& header);
    /// Waits for the message being sent, drops the rest and hands back every buffer still
    /// queued or kept by the device before it returns.
    uint32_t Reset();
    /// Refused (StillPlaying) while a SysEx buffer is queued, being sent or kept by the device.
    /// Otherwise sends the short messages still queued, then stops: nothing is sent and no
    /// callback runs after it returns, and every later message is refused (InvalHandle).
    uint32_t Close();
    /// What destroying a handle does: Reset, then stop as Close does.
    void Shutdown();

private:
    struct TKey {
        explicit TKey() = default;
    };
    struct TItem {
        TMidiHeader* Header = nullptr; // SysEx, or null for a short message
        uint32_t Packed = 0;
    };

    uint32_t Queue(TItem item);
    /// Sending thread: sends the oldest queued message, if any.
    void SendOne();
    /// The engine's own sending thread, when the driver has none.
    void Run();
    void Complete(TMidiHeader* header);
    void Stop();

    const void* FDevice;
    TMidiCallback FCallback;
    uintptr_t FInstance;
    TSend FSend;
    TPost FPost;
    size_t FMaxMessage;

    std::mutex FLock;
    std::condition_variable FWake;
    std::condition_variable FIdle;
    std::deque<TItem> FQueue;
    bool FSending = false;
    TMidiHeader* FSendingHeader = nullptr;
    std::vector<TMidiHeader*> FKept; // kept for ever by a device that never finishes them
    bool FClosed = false;
    std::thread FSender;
};

} // namespace velcora
