#include "VirtualMidiOutQueue.h"

#include "MidiHeaderFlags.h"
#include "MidiResult.h"
#include "Miditype.h"
#include "VirtualMidiDriver.h"

namespace velcora {

void TVirtualMidiOutQueue::Complete(TMidiHeader* header) {
    MarkMidiHeaderDone(*header);
    Callback(Handle, TMidiMessage::OutDone, Instance, reinterpret_cast<uintptr_t>(header), 0);
}

void TVirtualMidiOutQueue::SendOne() {
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
        item.Header ? std::span<const uint8_t>(item.Header->Data, item.Header->BufferLength)
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

} // namespace velcora
