#pragma once

#include "MidiDriver.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class RtMidi;
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

    /// Whether a port, by the name the MIDI system lists it under, is one of those the
    /// driver's clients named clientName open ("clientName in" and "clientName out"; JACK
    /// numbers a client whose name is taken, "clientName-03"; ALSA adds the port's numbers).
    static bool IsOwnPort(const std::string& device, const std::string& clientName);
    /// The number a client lists a device under now, looked up just before a port opens: the
    /// numbers move whenever a port comes or goes. None when the device is gone.
    static std::optional<unsigned int> PortNumber(RtMidi& client, const std::string& device);

private:
    /// RtMidi's numbers of the ports that are devices: the program's own ports left out, so
    /// that they are never offered or opened as a synth or a keyboard.
    std::vector<unsigned int> DevicePorts(bool input) const;

    TRtMidiApi FApi;
    std::string FClientName;
    std::shared_ptr<TRtMidiErrorTable> FErrors;
    // Clients that only list the devices.
    std::unique_ptr<RtMidiIn> FInList;
    std::unique_ptr<RtMidiOut> FOutList;
};

} // namespace velcora
