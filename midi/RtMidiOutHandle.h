#pragma once

#include "MidiDriver.h"
#include "MidiOutHandle.h"

#include <RtMidi.h>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace velcora {

class TRtMidiErrorTable;

/// An output device opened through RtMidi, with a sending thread of its own: messages go out
/// in the order they were queued, and each SysEx buffer is reported done from that thread
/// once RtMidi has taken its bytes.
class TRtMidiOutHandle : public IMidiOutHandle {
public:
    TRtMidiOutHandle(std::shared_ptr<TRtMidiErrorTable> errors, TMidiCallback callback,
                     uintptr_t instance);
    ~TRtMidiOutHandle() override;

    /// Opens device id of the given system; a result code.
    uint32_t Open(RtMidi::Api api, const std::string& clientName, uint32_t id);

    uint32_t ShortMsg(uint32_t packed) override;
    uint32_t PrepareHeader(TMidiHeader& header) override;
    uint32_t UnprepareHeader(TMidiHeader& header) override;
    uint32_t LongMsg(TMidiHeader& header) override;
    uint32_t Reset() override;
    uint32_t Close() override;

private:
    struct TItem {
        TMidiHeader* Header = nullptr; // SysEx, or null for a short message
        uint32_t Packed = 0;
    };

    static void OnError(RtMidiError::Type, const std::string&, void*) {}
    void Queue(TItem item);
    void Run();
    void Complete(TMidiHeader* header);
    void StopSender();
    /// Closes the device, then frees the RtMidi client once a process cycle still under way
    /// has had time to end.
    void Release() noexcept;

    std::shared_ptr<TRtMidiErrorTable> FErrors;
    TMidiCallback FCallback;
    uintptr_t FInstance;
    std::unique_ptr<RtMidiOut> FOut;
    /// Largest message the system takes in one piece (RtMidi's JACK queue); 0: no limit.
    size_t FMaxMessage = 0;

    std::mutex FLock;
    std::condition_variable FWake;
    std::condition_variable FIdle;
    std::deque<TItem> FQueue;
    bool FSending = false;
    bool FQuit = false;
    std::thread FSender;
};

} // namespace velcora
