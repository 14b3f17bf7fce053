#pragma once

#include "MidiDriver.h"

#include <memory>
#include <string>

class RtMidiIn;
class RtMidiOut;

namespace velcora {

class TRtMidiErrorTable;

/// The MIDI systems the RtMidi driver can sit on.
enum class TRtMidiApi {
    Auto, ///< Linux: JACK while a JACK server runs, else ALSA; elsewhere RtMidi's own choice
    Alsa,
    Jack,
    None, ///< no MIDI system found: no devices
};

/// Real MIDI devices through RtMidi. Received messages reach the port callback on RtMidi's
/// thread, filling the buffers the port handed over; output goes out in order from a sending
/// thread of each open output device, which reports every SysEx buffer as done. A machine
/// without any MIDI system simply has no devices.
class TRtMidiDriver : public IMidiDriver {
public:
    /// The environment variable VELCORA_MIDI_API ("alsa" or "jack") overrides Auto.
    explicit TRtMidiDriver(TRtMidiApi api = TRtMidiApi::Auto, std::string clientName = "Velcora");
    ~TRtMidiDriver() override;

    /// The system in use after Auto was resolved.
    TRtMidiApi Api() const { return FApi; }

    uint32_t InDeviceCount() override;
    uint32_t InDeviceCaps(uint32_t id, TMidiInCaps& caps) override;
    uint32_t InOpen(std::unique_ptr<IMidiInHandle>& handle, uint32_t id, TMidiCallback callback,
                    uintptr_t instance) override;
    uint32_t OutDeviceCount() override;
    uint32_t OutDeviceCaps(uint32_t id, TMidiOutCaps& caps) override;
    uint32_t OutOpen(std::unique_ptr<IMidiOutHandle>& handle, uint32_t id, TMidiCallback callback,
                     uintptr_t instance) override;
    bool ErrorText(uint32_t code, std::string& text) override;

private:
    TRtMidiApi FApi;
    std::string FClientName;
    std::shared_ptr<TRtMidiErrorTable> FErrors;
    // Clients that only list the devices.
    std::unique_ptr<RtMidiIn> FInList;
    std::unique_ptr<RtMidiOut> FOutList;
};

} // namespace velcora
