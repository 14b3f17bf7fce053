#include "VirtualMidiDriver.h"

#include "MidiErrorText.h"
#include "MidiHeaderFlags.h"
#include "MidiInputEngine.h"
#include "MidiResult.h"
#include "Miditype.h"

#include <algorithm>
#include <future>

namespace velcora {

struct TVirtualMidiDriver::TDevice {
    std::string Name;
    TReceiver Receiver;
    TDeviceOptions Options;
    std::mutex InputsLock;
    std::vector<std::shared_ptr<TMidiInputEngine>> Inputs;
    // Driver thread only.
    std::chrono::steady_clock::time_point EmitLineFree{};
    std::chrono::steady_clock::time_point ReceiveLineFree{};

    /// Driver thread: hands a message to every input port open on the device.
    void DeliverToInputs(std::span<const uint8_t> message) {
        std::vector<std::shared_ptr<TMidiInputEngine>> inputs;
        {
            std::lock_guard guard(InputsLock);
            inputs = Inputs;
        }
        for (auto& input : inputs) {
            input->Deliver(message);
        }
    }
};

namespace {

using TDevice = TVirtualMidiDriver::TDevice;

class TVirtualInHandle : public IMidiInHandle {
public:
    TVirtualInHandle(std::shared_ptr<TDevice> device, TMidiCallback callback, uintptr_t instance)
        : FDevice(std::move(device)),
          FEngine(std::make_shared<TMidiInputEngine>(this, callback, instance)) {
        std::lock_guard guard(FDevice->InputsLock);
        FDevice->Inputs.push_back(FEngine);
    }
    ~TVirtualInHandle() override { Close(); }

    uint32_t PrepareHeader(TMidiHeader& header) override { return FEngine->PrepareHeader(header); }
    uint32_t UnprepareHeader(TMidiHeader& header) override {
        return FEngine->UnprepareHeader(header);
    }
    uint32_t AddBuffer(TMidiHeader& header) override { return FEngine->AddBuffer(header); }
    uint32_t Start() override { return FEngine->Start(); }
    uint32_t Stop() override { return FEngine->Stop(); }
    uint32_t Reset() override { return FEngine->Reset(); }
    uint32_t Close() override {
        if (!FClosed) {
            {
                std::lock_guard guard(FDevice->InputsLock);
                auto& inputs = FDevice->Inputs;
                inputs.erase(std::remove(inputs.begin(), inputs.end(), FEngine), inputs.end());
            }
            // A delivery that took the list before the removal ends before this returns.
            FEngine->Reset();
            FClosed = true;
        }
        return TMidiResult::NoError;
    }

private:
    std::shared_ptr<TDevice> FDevice;
    std::shared_ptr<TMidiInputEngine> FEngine;
    bool FClosed = false;
};

/// What the program sends through one open output device, in order.
struct TOutState {
    struct TItem {
        TMidiHeader* Header = nullptr; // SysEx, or null for a short message
        uint32_t Packed = 0;
    };

    TVirtualMidiDriver* Driver = nullptr;
    std::shared_ptr<TDevice> Device;
    const void* Handle = nullptr;
    TMidiCallback Callback = nullptr;
    uintptr_t Instance = 0;

    std::mutex Lock;
    std::condition_variable Idle;
    std::deque<TItem> Queue;
    bool Sending = false;
    std::vector<TMidiHeader*> Stuck; // held for ever by a device that never completes
    bool Closed = false;

    void Complete(TMidiHeader* header) {
        MarkMidiHeaderDone(*header);
        Callback(Handle, TMidiMessage::OutDone, Instance, reinterpret_cast<uintptr_t>(header), 0);
    }

    /// Driver thread: sends the oldest queued item.
    void SendOne() {
        TItem item;
        {
            std::lock_guard guard(Lock);
            if (Queue.empty() || Closed) {
                return; // taken back by a reset
            }
            item = Queue.front();
            Queue.pop_front();
            Sending = true;
        }
        uint8_t shortBytes[3] = {uint8_t(item.Packed), uint8_t(item.Packed >> 8),
                                 uint8_t(item.Packed >> 16)};
        std::span<const uint8_t> bytes =
            item.Header ? std::span<const uint8_t>(item.Header->lpData, item.Header->dwBufferLength)
                        : std::span<const uint8_t>(shortBytes, ShortMsgLength(shortBytes[0]));
        Driver->Pace(Device->ReceiveLineFree, bytes.size());
        if (Device->Receiver) {
            Device->Receiver(bytes);
        }
        std::lock_guard guard(Lock);
        Sending = false;
        if (item.Header) {
            if (Device->Options.NeverComplete) {
                Stuck.push_back(item.Header);
            } else {
                Complete(item.Header);
            }
        }
        Idle.notify_all();
    }
};

class TVirtualOutHandle : public IMidiOutHandle {
public:
    TVirtualOutHandle(TVirtualMidiDriver& driver, std::shared_ptr<TDevice> device,
                      TMidiCallback callback, uintptr_t instance)
        : FState(std::make_shared<TOutState>()) {
        FState->Driver = &driver;
        FState->Device = std::move(device);
        FState->Handle = this;
        FState->Callback = callback;
        FState->Instance = instance;
    }
    ~TVirtualOutHandle() override {
        Reset();
        std::lock_guard guard(FState->Lock);
        FState->Closed = true;
    }

    uint32_t ShortMsg(uint32_t packed) override {
        if (ShortMsgLength(uint8_t(packed)) == 0) {
            return TMidiResult::InvalParam;
        }
        Queue({nullptr, packed});
        return TMidiResult::NoError;
    }
    uint32_t PrepareHeader(TMidiHeader& header) override { return PrepareMidiHeader(header); }
    uint32_t UnprepareHeader(TMidiHeader& header) override { return UnprepareMidiHeader(header); }
    uint32_t LongMsg(TMidiHeader& header) override {
        if (const uint32_t code = QueueMidiHeader(header); code != TMidiResult::NoError) {
            return code;
        }
        Queue({&header, 0});
        return TMidiResult::NoError;
    }
    uint32_t Reset() override {
        std::unique_lock lock(FState->Lock);
        // The message on the wire is finished first: its bytes are still being read.
        FState->Idle.wait(lock, [this] { return !FState->Sending; });
        for (TMidiHeader* header : FState->Stuck) {
            FState->Complete(header);
        }
        FState->Stuck.clear();
        for (const auto& item : FState->Queue) {
            if (item.Header) {
                FState->Complete(item.Header);
            }
        }
        FState->Queue.clear();
        return TMidiResult::NoError;
    }
    uint32_t Close() override {
        std::lock_guard guard(FState->Lock);
        const bool held = FState->Sending || !FState->Stuck.empty() ||
                          std::any_of(FState->Queue.begin(), FState->Queue.end(),
                                      [](const auto& item) { return item.Header != nullptr; });
        if (held) {
            return TMidiResult::StillPlaying;
        }
        FState->Closed = true;
        return TMidiResult::NoError;
    }

private:
    void Queue(TOutState::TItem item) {
        {
            std::lock_guard guard(FState->Lock);
            FState->Queue.push_back(item);
        }
        FState->Driver->Post([state = FState] { state->SendOne(); });
    }

    std::shared_ptr<TOutState> FState;
};

} // namespace

TVirtualMidiDriver::TVirtualMidiDriver() : FThread([this] { Run(); }) {}

TVirtualMidiDriver::~TVirtualMidiDriver() {
    {
        std::lock_guard guard(FLock);
        FQuit = true;
    }
    FWake.notify_all();
    FThread.join();
}

void TVirtualMidiDriver::Run() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(FLock);
            FWake.wait(lock, [this] { return FQuit || !FTasks.empty(); });
            if (FQuit) {
                return;
            }
            task = std::move(FTasks.front());
            FTasks.pop_front();
        }
        task();
    }
}

void TVirtualMidiDriver::Post(std::function<void()> task) {
    {
        std::lock_guard guard(FLock);
        FTasks.push_back(std::move(task));
    }
    FWake.notify_one();
}

void TVirtualMidiDriver::Sync() {
    std::promise<void> done;
    auto future = done.get_future();
    Post([&done] { done.set_value(); });
    future.wait();
}

void TVirtualMidiDriver::Pace(std::chrono::steady_clock::time_point& lineFree, size_t count) {
    if (!FWireSpeed.load()) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    lineFree = std::max(now, lineFree) + kWireByteTime * count;
    std::this_thread::sleep_until(lineFree);
}

int TVirtualMidiDriver::AddDevice(const std::string& name, TReceiver receiver,
                                  TDeviceOptions options) {
    auto device = std::make_shared<TDevice>();
    device->Name = name;
    device->Receiver = std::move(receiver);
    device->Options = options;
    std::lock_guard guard(FLock);
    FDevices.push_back(std::move(device));
    return int(FDevices.size()) - 1;
}

int TVirtualMidiDriver::AddLoopback(const std::string& name, TDeviceOptions options) {
    const int id = AddDevice(name, {}, options);
    std::lock_guard guard(FLock);
    // The cable is paced once, on the way out; what comes back arrives at once.
    std::weak_ptr<TDevice> weak = FDevices[size_t(id)];
    FDevices[size_t(id)]->Receiver = [weak](std::span<const uint8_t> message) {
        if (auto device = weak.lock()) {
            device->DeliverToInputs(message);
        }
    };
    return id;
}

void TVirtualMidiDriver::Emit(int device, std::span<const uint8_t> message) {
    std::shared_ptr<TDevice> target;
    {
        std::lock_guard guard(FLock);
        if (device < 0 || size_t(device) >= FDevices.size()) {
            return;
        }
        target = FDevices[size_t(device)];
    }
    Post([this, target, bytes = std::vector<uint8_t>(message.begin(), message.end())] {
        Pace(target->EmitLineFree, bytes.size());
        target->DeliverToInputs(bytes);
    });
}

std::shared_ptr<TVirtualMidiDriver::TDevice> TVirtualMidiDriver::FindDevice(uint32_t id,
                                                                            bool input) {
    std::lock_guard guard(FLock);
    uint32_t index = 0;
    for (auto& device : FDevices) {
        if (input ? device->Options.Input : device->Options.Output) {
            if (index == id) {
                return device;
            }
            ++index;
        }
    }
    return nullptr;
}

uint32_t TVirtualMidiDriver::InDeviceCount() {
    std::lock_guard guard(FLock);
    return uint32_t(std::count_if(FDevices.begin(), FDevices.end(),
                                  [](const auto& d) { return d->Options.Input; }));
}

uint32_t TVirtualMidiDriver::OutDeviceCount() {
    std::lock_guard guard(FLock);
    return uint32_t(std::count_if(FDevices.begin(), FDevices.end(),
                                  [](const auto& d) { return d->Options.Output; }));
}

uint32_t TVirtualMidiDriver::InDeviceCaps(uint32_t id, TMidiInCaps& caps) {
    auto device = FindDevice(id, true);
    if (!device) {
        return TMidiResult::BadDeviceId;
    }
    caps = TMidiInCaps{device->Name, 0x0100, 0, 0};
    return TMidiResult::NoError;
}

uint32_t TVirtualMidiDriver::OutDeviceCaps(uint32_t id, TMidiOutCaps& caps) {
    auto device = FindDevice(id, false);
    if (!device) {
        return TMidiResult::BadDeviceId;
    }
    caps = TMidiOutCaps{};
    caps.Name = device->Name;
    caps.DriverVersion = 0x0100;
    return TMidiResult::NoError;
}

uint32_t TVirtualMidiDriver::InOpen(std::unique_ptr<IMidiInHandle>& handle, uint32_t id,
                                    TMidiCallback callback, uintptr_t instance) {
    auto device = FindDevice(id, true);
    if (!device) {
        return TMidiResult::BadDeviceId;
    }
    if (device->Options.FailOpen) {
        return TMidiResult::Allocated;
    }
    handle = std::make_unique<TVirtualInHandle>(std::move(device), callback, instance);
    return TMidiResult::NoError;
}

uint32_t TVirtualMidiDriver::OutOpen(std::unique_ptr<IMidiOutHandle>& handle, uint32_t id,
                                     TMidiCallback callback, uintptr_t instance) {
    auto device = FindDevice(id, false);
    if (!device) {
        return TMidiResult::BadDeviceId;
    }
    if (device->Options.FailOpen) {
        return TMidiResult::Allocated;
    }
    handle = std::make_unique<TVirtualOutHandle>(*this, std::move(device), callback, instance);
    return TMidiResult::NoError;
}

bool TVirtualMidiDriver::ErrorText(uint32_t code, std::string& text) {
    return StandardMidiErrorText(code, text);
}

} // namespace velcora
