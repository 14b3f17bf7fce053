#pragma once

#include "MidiCaps.h"
#include "MidiIO.h"
#include "MidiOutHandle.h"
#include "MidiOutputError.h"
#include "Midicallback.h"
#include "Miditype.h"
#include "MyMidiHdr.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>

namespace velcora {

class TMidiNotifier;

enum class TMidiOutputState { mosOpen, mosClosed };

/// Which operation failed, so that the error text can name it.
enum class TMIDIErrorContext { ecGeneric, ecPutShort, ecPutLong, ecOutPrepareHeader };

/// The program's MIDI output port: one output device of the driver. SysEx is copied into a
/// buffer of its own and queued without waiting; the buffer is freed on the GUI thread when
/// the driver reports it sent. Every operation runs on the GUI thread; failures raise
/// EMidiOutputError, except Open, which answers false.
class TMidiOutput : public TMidiIO {
public:
    using TNotify = std::function<void(TMidiOutput* sender)>;

    /// Selects no device: DeviceID 0 and ProductName empty until one is chosen.
    explicit TMidiOutput(IMidiDriver& driver, QObject* owner = nullptr);
    ~TMidiOutput() override;

    uint32_t DeviceCount() override;

    const std::string& ProductName() const { return FProductName; }
    /// Selects the first device of exactly that name (the mapper first); refused while open.
    void SetProductName(const std::string& name);
    uint32_t DeviceID() const { return FDeviceID; }
    /// Selects device id (0..count-1, or the mapper id); refused while open.
    void SetDeviceID(uint32_t id);
    TMidiOutputState State() const { return FState; }
    /// Result code of the last failed driver call.
    uint32_t Error() const { return FError; }

    /// A SysEx buffer was sent and released.
    TNotify OnMidiOutput;
    /// A device was selected.
    TNotify OnDeviceChanged;

    /// Opens the selected device; false (nothing raised) when it cannot be opened.
    virtual bool Open();
    /// True when a device was closed; raises when the device refuses (buffers still queued),
    /// and the port then stays open.
    virtual bool Close();
    /// Closes when open; then selects id and, when open is true, answers Open's result.
    virtual bool ChangeDevice(uint32_t id, bool open);
    virtual void PutMidiEvent(const TMyMidiEvent& event);
    virtual void PutShort(uint8_t status, uint8_t data1, uint8_t data2);
    /// Queues one SysEx message of 1 to 65535 bytes and returns without waiting.
    virtual void PutLong(std::span<const uint8_t> bytes);
    void PutLong(const uint8_t* bytes, uint16_t length) { PutLong({bytes, length}); }
    /// Program Change on the channel's low four bits.
    void ProgramChange(uint8_t channel, uint8_t program);

    std::string MidiOutErrorString(uint32_t code, TMIDIErrorContext context) const;

    /// Handles a notification posted by the callback (GUI thread).
    void MidiOutput(uint32_t code, TMidiHeader* header);

    /// Number of SysEx buffers sent but not yet released.
    size_t PendingBuffers() const { return FPending.size(); }
    /// The notification target, for callers that drive delivery themselves.
    TMidiNotifier& Notifier() { return *FNotifier; }

private:
    [[noreturn]] void Raise(uint32_t code, TMIDIErrorContext context);

    TMidiOutputState FState = TMidiOutputState::mosClosed;
    std::unique_ptr<IMidiOutHandle> FHandle;
    uint32_t FError = 0;
    uint32_t FDeviceCount = 0;
    uint32_t FDeviceID = 0;
    std::string FProductName;
    TMidiOutCaps FCaps;
    TMidiNotifier* FNotifier = nullptr; // child of this object
    std::unique_ptr<TPortCallbackBlock> FCallbackBlock;
    /// Every buffer from PutLong until its completion is handled, by its header.
    std::map<const TMidiHeader*, std::unique_ptr<TMyMidiHdr>> FPending;
};

} // namespace velcora
