#include "VirtualMidiOutHandle.h"

#include "MidiHeaderFlags.h"
#include "MidiResult.h"
#include "Miditype.h"
#include "VirtualMidiDriver.h"

#include <algorithm>

namespace velcora {

TVirtualMidiOutHandle::TVirtualMidiOutHandle(TVirtualMidiDriver& driver,
                                             std::shared_ptr<TVirtualMidiDevice> device,
                                             TMidiCallback callback, uintptr_t instance)
    : FState(std::make_shared<TVirtualMidiOutQueue>()) {
    FState->Driver = &driver;
    FState->Device = std::move(device);
    FState->Handle = this;
    FState->Callback = callback;
    FState->Instance = instance;
}

TVirtualMidiOutHandle::~TVirtualMidiOutHandle() {
    Reset();
    std::lock_guard guard(FState->Lock);
    FState->Closed = true;
}

uint32_t TVirtualMidiOutHandle::ShortMsg(uint32_t packed) {
    if (ShortMsgLength(uint8_t(packed)) == 0) {
        return TMidiResult::InvalParam;
    }
    Queue({nullptr, packed});
    return TMidiResult::NoError;
}

uint32_t TVirtualMidiOutHandle::PrepareHeader(TMidiHeader& header) {
    return PrepareMidiHeader(header);
}

uint32_t TVirtualMidiOutHandle::UnprepareHeader(TMidiHeader& header) {
    return UnprepareMidiHeader(header);
}

uint32_t TVirtualMidiOutHandle::LongMsg(TMidiHeader& header) {
    if (const uint32_t code = QueueMidiHeader(header); code != TMidiResult::NoError) {
        return code;
    }
    Queue({&header, 0});
    return TMidiResult::NoError;
}

uint32_t TVirtualMidiOutHandle::Reset() {
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

uint32_t TVirtualMidiOutHandle::Close() {
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

void TVirtualMidiOutHandle::Queue(TVirtualMidiOutQueue::TItem item) {
    {
        std::lock_guard guard(FState->Lock);
        FState->Queue.push_back(item);
    }
    FState->Driver->Post([state = FState] { state->SendOne(); });
}

} // namespace velcora
