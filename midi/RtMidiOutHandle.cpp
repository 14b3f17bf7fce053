#include "RtMidiOutHandle.h"

#include "MidiHeaderFlags.h"
#include "MidiResult.h"
#include "Miditype.h"
#include "RtMidiErrorTable.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace velcora {

namespace {
// RtMidi's JACK output passes messages through a queue of 16384 bytes, each with a 4-byte
// length; a longer message would be dropped without a word.
constexpr size_t kJackQueueBytes = 16384;
constexpr size_t kJackLengthBytes = 4;
// A process cycle takes microseconds; this covers one whose thread the system set aside for a
// while on a busy machine.
constexpr auto kJackCycleGrace = std::chrono::milliseconds(100);
} // namespace

TRtMidiOutHandle::TRtMidiOutHandle(std::shared_ptr<TRtMidiErrorTable> errors,
                                   TMidiCallback callback, uintptr_t instance)
    : FErrors(std::move(errors)), FCallback(callback), FInstance(instance) {}

TRtMidiOutHandle::~TRtMidiOutHandle() {
    Reset();
    StopSender();
    Release();
}

uint32_t TRtMidiOutHandle::Open(RtMidi::Api api, const std::string& clientName, uint32_t id) {
    try {
        FOut = std::make_unique<RtMidiOut>(api, clientName);
        FOut->openPort(id, clientName + " out");
    } catch (const RtMidiError& e) {
        FOut.reset();
        return FErrors->CodeFor(e.getMessage());
    }
    if (!FOut->isPortOpen()) {
        FOut.reset();
        return FErrors->CodeFor("The MIDI output device could not be opened.");
    }
    FOut->setErrorCallback(&TRtMidiOutHandle::OnError, nullptr);
    if (FOut->getCurrentApi() == RtMidi::UNIX_JACK) {
        FMaxMessage = kJackQueueBytes - kJackLengthBytes - 1;
    }
    FSender = std::thread([this] { Run(); });
    return TMidiResult::NoError;
}

void TRtMidiOutHandle::Queue(TItem item) {
    {
        std::lock_guard guard(FLock);
        FQueue.push_back(item);
    }
    FWake.notify_one();
}

uint32_t TRtMidiOutHandle::ShortMsg(uint32_t packed) {
    if (ShortMsgLength(uint8_t(packed)) == 0) {
        return TMidiResult::InvalParam;
    }
    Queue({nullptr, packed});
    return TMidiResult::NoError;
}

uint32_t TRtMidiOutHandle::PrepareHeader(TMidiHeader& header) {
    return PrepareMidiHeader(header);
}

uint32_t TRtMidiOutHandle::UnprepareHeader(TMidiHeader& header) {
    return UnprepareMidiHeader(header);
}

uint32_t TRtMidiOutHandle::LongMsg(TMidiHeader& header) {
    if (FMaxMessage != 0 && header.BufferLength > FMaxMessage) {
        return TMidiResult::InvalParam;
    }
    if (const uint32_t code = QueueMidiHeader(header); code != TMidiResult::NoError) {
        return code;
    }
    Queue({&header, 0});
    return TMidiResult::NoError;
}

void TRtMidiOutHandle::Complete(TMidiHeader* header) {
    MarkMidiHeaderDone(*header);
    FCallback(this, TMidiMessage::OutDone, FInstance, reinterpret_cast<uintptr_t>(header), 0);
}

void TRtMidiOutHandle::Run() {
    std::unique_lock lock(FLock);
    for (;;) {
        FWake.wait(lock, [this] { return FQuit || !FQueue.empty(); });
        if (FQueue.empty()) {
            return; // quitting, with every queued message sent
        }
        const TItem item = FQueue.front();
        FQueue.pop_front();
        FSending = true;
        lock.unlock();

        const uint8_t shortBytes[3] = {uint8_t(item.Packed), uint8_t(item.Packed >> 8),
                                       uint8_t(item.Packed >> 16)};
        const uint8_t* bytes = item.Header ? item.Header->Data : shortBytes;
        const size_t size =
            item.Header ? item.Header->BufferLength : size_t(ShortMsgLength(shortBytes[0]));
        try {
            // Waits while the system's queue is full, so nothing is dropped on the way.
            FOut->sendMessage(bytes, size);
        } catch (const RtMidiError&) {
            // The buffer is still given back; what the device missed cannot be reported.
        }

        lock.lock();
        FSending = false;
        if (item.Header) {
            Complete(item.Header);
        }
        FIdle.notify_all();
    }
}

uint32_t TRtMidiOutHandle::Reset() {
    std::unique_lock lock(FLock);
    // The message being sent is finished first: RtMidi is still reading its bytes.
    FIdle.wait(lock, [this] { return !FSending; });
    for (const TItem& item : FQueue) {
        if (item.Header) {
            Complete(item.Header);
        }
    }
    FQueue.clear();
    return TMidiResult::NoError;
}

uint32_t TRtMidiOutHandle::Close() {
    {
        std::lock_guard guard(FLock);
        const bool held = FSending || std::any_of(FQueue.begin(), FQueue.end(), [](const TItem& i) {
                              return i.Header != nullptr;
                          });
        if (held) {
            return TMidiResult::StillPlaying;
        }
    }
    StopSender();
    Release();
    return TMidiResult::NoError;
}

void TRtMidiOutHandle::Release() noexcept {
    if (!FOut) {
        return;
    }
    // RtMidi's JACK output frees its message queue before it closes its JACK client, while a
    // process cycle that began with the port still open may be reading that queue: a crash
    // at the end of a run, now and then. Closed first, the port turns every later cycle away
    // from the queue, and the one already under way gets time to finish before the queue goes.
    if (FOut->getCurrentApi() == RtMidi::UNIX_JACK && FOut->isPortOpen()) {
        // What RtMidi took last still waits in its queue for the next process cycles: closed
        // at once, the port would drop the end of a bank send, its last preset.
        std::this_thread::sleep_for(kJackCycleGrace);
        FOut->closePort();
        std::this_thread::sleep_for(kJackCycleGrace);
    }
    FOut.reset();
}

void TRtMidiOutHandle::StopSender() {
    {
        std::lock_guard guard(FLock);
        FQuit = true;
    }
    FWake.notify_all();
    if (FSender.joinable()) {
        FSender.join();
    }
}

} // namespace velcora
