#pragma once

#include "MidiDriver.h"
#include "VirtualMidiOutQueue.h"

#include <memory>

namespace velcora {

/// An output port's device of the virtual driver: what it sends waits in a queue that the
/// driver's thread works off in order.
class TVirtualMidiOutHandle : public IMidiOutHandle {
public:
    TVirtualMidiOutHandle(TVirtualMidiDriver& driver, std::shared_ptr<TVirtualMidiDevice> device,
                          TMidiCallback callback, uintptr_t instance);
    ~TVirtualMidiOutHandle() override;

    uint32_t ShortMsg(uint32_t packed) override;
    uint32_t PrepareHeader(TMidiHeader& header) override;
    uint32_t UnprepareHeader(TMidiHeader& header) override;
    uint32_t LongMsg(TMidiHeader& header) override;
    uint32_t Reset() override;
    uint32_t Close() override;

private:
    void Queue(TVirtualMidiOutQueue::TItem item);

    /// Shared with the driver's pending work, which may outlive the handle.
    std::shared_ptr<TVirtualMidiOutQueue> FState;
};

} // namespace velcora
