#include "VirtualMidiDriver.h"

#include "MidiErrorText.h"
#include "MidiResult.h"
#include "MidiWire.h"
#include "VirtualMidiDevice.h"
#include "VirtualMidiInHandle.h"
#include "VirtualMidiOutHandle.h"

#include <algorithm>
#include <future>

namespace velcora {

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
    lineFree = std::max(now, lineFree) + MidiWireByteTime * count;
    std::this_thread::sleep_until(lineFree);
}

int TVirtualMidiDriver::AddDevice(const std::string& name, TReceiver receiver,
                                  TDeviceOptions options) {
    auto device = std::make_shared<TVirtualMidiDevice>();
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
    std::weak_ptr<TVirtualMidiDevice> weak = FDevices[size_t(id)];
    FDevices[size_t(id)]->Receiver = [weak](std::span<const uint8_t> message) {
        if (auto device = weak.lock()) {
            device->DeliverToInputs(message);
        }
    };
    return id;
}

void TVirtualMidiDriver::Emit(int device, std::span<const uint8_t> message) {
    std::shared_ptr<TVirtualMidiDevice> target;
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

std::shared_ptr<TVirtualMidiDevice> TVirtualMidiDriver::FindDevice(uint32_t id, bool input) {
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
    handle = std::make_unique<TVirtualMidiInHandle>(std::move(device), callback, instance);
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
    handle = std::make_unique<TVirtualMidiOutHandle>(*this, std::move(device), callback, instance);
    return TMidiResult::NoError;
}

bool TVirtualMidiDriver::ErrorText(uint32_t code, std::string& text) {
    return StandardMidiErrorText(code, text);
}

} // namespace velcora
