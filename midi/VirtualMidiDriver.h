#pragma once

#include "MidiDriver.h"
#include "VirtualDeviceOptions.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace velcora {

struct TVirtualMidiDevice;

/// A MIDI driver whose devices live in the program. It has the threading of a real driver:
/// received messages, returned buffers and output completions reach the ports on a thread
/// of the driver's own. Devices are registered by name; each can take what the program sends
/// (a receiver, called on the driver's thread) and emit messages into the program.
class TVirtualMidiDriver : public IMidiDriver {
public:
    /// Called on the driver's thread with each message the program sends to a device: a short
    /// message as its one to three bytes, or one complete SysEx message.
    using TReceiver = std::function<void(std::span<const uint8_t> message)>;

    using TDeviceOptions = TVirtualDeviceOptions;

    TVirtualMidiDriver();
    ~TVirtualMidiDriver() override;
    TVirtualMidiDriver(const TVirtualMidiDriver&) = delete;
    TVirtualMidiDriver& operator=(const TVirtualMidiDriver&) = delete;

    /// Registers a device and answers its number for Emit.
    int AddDevice(const std::string& name, TReceiver receiver = {}, TDeviceOptions options = {});
    /// A device that emits every message it receives: the program's output port on it talks
    /// to the program's input port on it.
    int AddLoopback(const std::string& name, TDeviceOptions options = {});
    /// Any thread: the device emits one complete message into the input ports open on it.
    /// From a receiver it is delivered after the message being received.
    void Emit(int device, std::span<const uint8_t> message);
    /// Paces both directions at MIDI wire speed (320 microseconds a byte) while on.
    void SetWireSpeed(bool on) { FWireSpeed.store(on); }
    /// Waits until the driver's thread has done everything queued before the call.
    void Sync();

    uint32_t InDeviceCount() override;
    uint32_t InDeviceCaps(uint32_t id, TMidiInCaps& caps) override;
    uint32_t InOpen(std::unique_ptr<IMidiInHandle>& handle, uint32_t id, TMidiCallback callback,
                    uintptr_t instance) override;
    uint32_t OutDeviceCount() override;
    uint32_t OutDeviceCaps(uint32_t id, TMidiOutCaps& caps) override;
    uint32_t OutOpen(std::unique_ptr<IMidiOutHandle>& handle, uint32_t id, TMidiCallback callback,
                     uintptr_t instance) override;
    bool ErrorText(uint32_t code, std::string& text) override;

    /// Driver thread: waits until the wire has carried count bytes after the previous ones.
    void Pace(std::chrono::steady_clock::time_point& lineFree, size_t count);
    /// Queues work for the driver's thread.
    void Post(std::function<void()> task);

private:
    std::shared_ptr<TVirtualMidiDevice> FindDevice(uint32_t id, bool input);
    void Run();

    std::mutex FLock;
    std::condition_variable FWake;
    std::deque<std::function<void()>> FTasks;
    bool FQuit = false;
    std::vector<std::shared_ptr<TVirtualMidiDevice>> FDevices;
    std::atomic<bool> FWireSpeed{false};
    std::thread FThread;
};

} // namespace velcora
