#include "VirtualMidiOutHandle.h"

#include "VirtualMidiDriver.h"

namespace velcora {

TVirtualMidiOutHandle::TVirtualMidiOutHandle(TVirtualMidiDriver& driver,
                                             std::shared_ptr<TVirtualMidiDevice> device,
                                             TMidiCallback callback, uintptr_t instance) {
    auto send = [&driver, device = std::move(device)](std::span<const uint8_t> message) {
        driver.Pace(device->ReceiveLineFree, message.size());
        if (device->Receiver) {
            device->Receiver(message);
        }
        return !device->Options.NeverComplete;
    };
    TMidiOutputEngine::TOptions options;
    options.Post = [&driver](std::function<void()> task) { driver.Post(std::move(task)); };
    FEngine =
        TMidiOutputEngine::Create(this, callback, instance, std::move(send), std::move(options));
}

} // namespace velcora
