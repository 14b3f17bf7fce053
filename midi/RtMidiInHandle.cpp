#include "RtMidiInHandle.h"

#include "MidiResult.h"
#include "RtMidiDriver.h"
#include "RtMidiErrorTable.h"

namespace velcora {

TRtMidiInHandle::TRtMidiInHandle(std::shared_ptr<TRtMidiErrorTable> errors, TMidiCallback callback,
                                 uintptr_t instance)
    : FErrors(std::move(errors)), FEngine(this, callback, instance) {}

TRtMidiInHandle::~TRtMidiInHandle() {
    Close();
}

uint32_t TRtMidiInHandle::Open(RtMidi::Api api, const std::string& clientName,
                               const std::string& device) {
    try {
        FIn = std::make_unique<RtMidiIn>(api, clientName);
        // Everything is delivered; the port's own filters decide what to keep.
        FIn->ignoreTypes(false, false, false);
        FIn->setCallback(&TRtMidiInHandle::OnMessage, this);
        const std::optional<unsigned int> port = TRtMidiDriver::PortNumber(*FIn, device);
        if (!port) {
            FIn.reset();
            return TMidiResult::BadDeviceId;
        }
        FIn->openPort(*port, clientName + " in");
    } catch (const RtMidiError& e) {
        FIn.reset();
        return FErrors->CodeFor(e.getMessage());
    }
    if (!FIn->isPortOpen()) {
        FIn.reset();
        return FErrors->CodeFor("The MIDI input device could not be opened.");
    }
    // From now on RtMidi reports on its own thread, where nobody could take a text; a real
    // driver loses input silently as well.
    FIn->setErrorCallback(&TRtMidiInHandle::OnError, nullptr);
    return TMidiResult::NoError;
}

uint32_t TRtMidiInHandle::Close() {
    FEngine.Stop();
    // Destroying the client ends RtMidi's thread: no delivery runs after this.
    FIn.reset();
    return TMidiResult::NoError;
}

void TRtMidiInHandle::OnMessage(double, std::vector<unsigned char>* message, void* self) {
    static_cast<TRtMidiInHandle*>(self)->FEngine.Deliver(*message);
}

} // namespace velcora
