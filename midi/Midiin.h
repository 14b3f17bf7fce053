#pragma once

#include "Circbuf.h"
#include "MidiIO.h"
#include "MidiInHandle.h"
#include "MidiInputError.h"
#include "MidiMsgFilter.h"
#include "Midicallback.h"
#include "Miditype.h"
#include "MyMidiHdr.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velcora {

class TMidiNotifier;

enum class TMidiInputState { misCreating, misClosed, misOpen };

/// The program's MIDI input port: one input device of the driver, whose short messages and
/// SysEx buffers wait in a ring until the GUI thread takes them as TMyMidiEvents. Every
/// operation runs on the GUI thread; failures raise EMidiInputError.
class TMidiInput : public TMidiIO {
public:
    using TNotify = std::function<void(TMidiInput* sender)>;

    /// Selects device 0 when the driver has one.
    explicit TMidiInput(IMidiDriver& driver, QObject* owner = nullptr);
    ~TMidiInput() override;

    uint32_t DeviceCount() override;

    const std::string& ProductName() const { return FProductName; }
    /// Selects the first device of exactly that name; refused while open.
    void SetProductName(const std::string& name);
    uint32_t DeviceID() const { return FDeviceID; }
    /// Selects device id (0..count-1, or the mapper id); refused while open.
    void SetDeviceID(uint32_t id);
    uint16_t Capacity() const { return FCapacity; }
    /// Size of the ring the next Open makes.
    void SetCapacity(uint16_t capacity) { FCapacity = capacity; }
    /// Result code of the last failed driver call.
    uint16_t Error() const { return FError; }
    uint16_t SysexBufferSize() const { return FSysexBufferSize; }
    void SetSysexBufferSize(uint16_t size);
    uint16_t SysexBufferCount() const { return FSysexBufferCount; }
    void SetSysexBufferCount(uint16_t count);
    bool SysexOnly() const { return FSysexOnly; }
    /// Takes effect on an open port from the next message on.
    void SetSysexOnly(bool sysexOnly);
    TMidiMsgFilter FilteredMessages() const { return FFilteredMessages; }
    /// Takes effect on an open port from the next message on.
    void SetMsgFilter(TMidiMsgFilter filter);
    TMidiInputState State() const { return FState; }

    /// Items are waiting in the ring.
    TNotify OnMidiInput;
    /// An item was lost because the ring was full.
    TNotify OnOverflow;
    /// A device was selected.
    TNotify OnDeviceChanged;

    /// Opens the selected device, its ring and its SysEx buffers; input flows after Start.
    /// On failure the port stays closed, with no ring and no callback block.
    void Open();
    void Start();
    void OpenAndStart();
    void Stop();
    /// Discards the queued items; the next Open makes a new, empty ring.
    void Close();
    void StopAndClose();

    /// Number of waiting items; 0 when not open.
    uint16_t GetEventCount() const;
    /// The oldest item as an event (the caller owns it), or null when not open or empty.
    std::unique_ptr<TMyMidiEvent> GetMidiEvent();
    void FlushQueue();
    /// When id differs from the current device: closes, selects id and, when open is true,
    /// opens and starts again.
    void ChangeDevice(uint32_t id, bool open);

    /// The driver's text for a result code, or "Specified error number is out of range".
    std::string MidiInErrorString(uint32_t code) const;

    /// Handles a notification posted by the callback (GUI thread).
    void MidiInput(uint32_t code);

    /// The notification target, for callers that drive delivery themselves.
    TMidiNotifier& Notifier() { return *FNotifier; }

private:
    [[noreturn]] void RaiseCode(uint32_t code);
    void CheckCode(uint32_t code);
    void Prepareheaders();
    void AddBuffers();
    void ReleaseAfterFailedOpen() noexcept;
    TMyMidiHdr* OwnBuffer(const TMidiHeader* header) const;

    TMidiInputState FState = TMidiInputState::misCreating;
    std::unique_ptr<IMidiInHandle> FHandle;
    uint32_t FDeviceCount = 0;
    uint32_t FDeviceID = 0;
    std::string FProductName;
    uint32_t FDriverVersion = 0;
    uint16_t FMid = 0;
    uint16_t FPid = 0;
    uint16_t FCapacity = 1024;
    uint16_t FError = 0;
    uint16_t FSysexBufferSize = 4096;
    uint16_t FSysexBufferCount = 16;
    bool FSysexOnly = false;
    TMidiMsgFilter FFilteredMessages{TMidiMsg::msgActiveSensing, TMidiMsg::msgMidiTimeCode};
    TMidiNotifier* FNotifier = nullptr; // child of this object
    std::unique_ptr<TCircularBuffer> FRing;
    std::unique_ptr<TPortCallbackBlock> FCallbackBlock;
    std::vector<std::unique_ptr<TMyMidiHdr>> FSysexBuffers;
};

} // namespace velcora
