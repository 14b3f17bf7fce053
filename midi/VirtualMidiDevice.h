#pragma once

#include "MidiInputEngine.h"
#include "VirtualDeviceOptions.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace velcora {

/// One device of the virtual driver: its name and behaviour, what receives the messages the
/// program sends to it, and the input ports open on it.
struct TVirtualMidiDevice {
    using TReceiver = std::function<void(std::span<const uint8_t> message)>;

    std::string Name;
    TReceiver Receiver;
    TVirtualDeviceOptions Options;
    std::mutex InputsLock;
    std::vector<std::shared_ptr<TMidiInputEngine>> Inputs;
    // Driver thread only.
    std::chrono::steady_clock::time_point EmitLineFree{};
    std::chrono::steady_clock::time_point ReceiveLineFree{};

    /// Driver thread: hands a message to every input port open on the device.
    void DeliverToInputs(std::span<const uint8_t> message);
};

} // namespace velcora
