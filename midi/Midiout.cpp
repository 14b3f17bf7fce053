#include "Midiout.h"

#include "MidiDriver.h"
#include "MidiNotifier.h"
#include "MidiResult.h"

#include <cstring>

namespace velcora {

namespace {
constexpr size_t kErrorTextMax = 127;

const char* ContextText(uint32_t code, TMIDIErrorContext context) {
    switch (context) {
    case TMIDIErrorContext::ecPutShort:
        switch (code) {
        case TMidiResult::InvalHandle:
            return "(Short Msg) The specified device handle is invalid.";
        case TMidiResult::NotReady:
            return "(Short Msg) The hardware is busy with other data.";
        case TMidiResult::BadOpenMode:
            return "(Short Msg) The application sent a message without a status byte to a "
                   "stream handle.";
        }
        break;
    case TMIDIErrorContext::ecPutLong:
        switch (code) {
        case TMidiResult::InvalHandle:
            return "(Long Msg) The specified device handle is invalid.";
        case TMidiResult::InvalParam:
            return "(Long Msg) The specified pointer or structure is invalid.";
        case TMidiResult::Unprepared:
            return "(Long Msg) The buffer pointed to by lpMidiOutHdr has not been prepared.";
        case TMidiResult::NotReady:
            return "(Long Msg) The hardware is busy with other data.";
        }
        break;
    case TMIDIErrorContext::ecOutPrepareHeader:
        switch (code) {
        case TMidiResult::InvalHandle:
            return "(Prep Header) The specified device handle is invalid.";
        case TMidiResult::NoMem:
            return "(Prep Header) The system is unable to allocate or lock memory.";
        case TMidiResult::InvalParam:
            return "(Prep Header) The specified address is invalid or the given stream buffer is "
                   "greater than 64K.";
        }
        break;
    case TMIDIErrorContext::ecGeneric:
        break;
    }
    return nullptr;
}
} // namespace

TMidiOutput::TMidiOutput(IMidiDriver& driver, QObject* owner) : TMidiIO(driver, owner) {
    FDeviceCount = DeviceCount();
    FNotifier = new TMidiNotifier(
        [this](uint32_t code, TMidiHeader* header) { MidiOutput(code, header); }, this);
}

TMidiOutput::~TMidiOutput() {
    if (FState == TMidiOutputState::mosOpen && FHandle) {
        // A device that still holds buffers refuses to close; a destructor cannot raise, so
        // the buffers are taken back first and then freed with the port.
        if (FHandle->Close() != TMidiResult::NoError) {
            FHandle->Reset();
            FHandle->Close();
        }
    }
    FHandle.reset();
}

uint32_t TMidiOutput::DeviceCount() {
    FDeviceCount = FDriver.OutDeviceCount();
    return FDeviceCount;
}

std::string TMidiOutput::MidiOutErrorString(uint32_t code, TMIDIErrorContext context) const {
    if (const char* text = ContextText(code, context)) {
        return text;
    }
    std::string text;
    if (!FDriver.ErrorText(code, text)) {
        return "Specified error number is out of range";
    }
    if (text.size() > kErrorTextMax) {
        text.resize(kErrorTextMax);
    }
    return text;
}

void TMidiOutput::Raise(uint32_t code, TMIDIErrorContext context) {
    FError = code;
    throw EMidiOutputError(MidiOutErrorString(code, context));
}

void TMidiOutput::SetDeviceID(uint32_t id) {
    if (FState == TMidiOutputState::mosOpen) {
        throw EMidiOutputError("Change to DeviceID while device was open");
    }
    if (id >= DeviceCount() && id != IMidiDriver::kMapperId) {
        throw EMidiOutputError("Invalid device ID");
    }
    FDeviceID = id;
    TMidiOutCaps caps;
    if (const uint32_t code = FDriver.OutDeviceCaps(id, caps); code != TMidiResult::NoError) {
        Raise(code, TMIDIErrorContext::ecGeneric);
    }
    FCaps = caps;
    FProductName = caps.Name;
    if (OnDeviceChanged) {
        OnDeviceChanged(this);
    }
}

void TMidiOutput::SetProductName(const std::string& name) {
    if (FState == TMidiOutputState::mosOpen) {
        throw EMidiOutputError("Change to ProductName while device was open");
    }
    const uint32_t count = DeviceCount();
    // The mapper first, then the devices in order; a device that cannot be read is passed by.
    for (uint32_t i = 0; i <= count; ++i) {
        const uint32_t id = i == 0 ? IMidiDriver::kMapperId : i - 1;
        TMidiOutCaps caps;
        if (FDriver.OutDeviceCaps(id, caps) == TMidiResult::NoError && caps.Name == name) {
            FProductName = name;
            SetDeviceID(id);
            return;
        }
    }
    throw EMidiOutputError("MIDI output Device " + name + " not installed");
}

bool TMidiOutput::Open() {
    if (FState == TMidiOutputState::mosOpen) {
        return true; // a second device handle would leak the first
    }
    if (!FCallbackBlock) {
        FCallbackBlock = std::make_unique<TPortCallbackBlock>();
    }
    FCallbackBlock->Target.store(FNotifier, std::memory_order_release);
    const uint32_t code = FDriver.OutOpen(FHandle, FDeviceID, midiHandler,
                                          reinterpret_cast<uintptr_t>(FCallbackBlock.get()));
    if (code != TMidiResult::NoError) {
        FError = code;
        FHandle.reset();
        FCallbackBlock.reset();
        return false;
    }
    FState = TMidiOutputState::mosOpen;
    return true;
}

bool TMidiOutput::Close() {
    if (FState != TMidiOutputState::mosOpen || !FHandle) {
        FHandle.reset();
        FState = TMidiOutputState::mosClosed;
        return false;
    }
    if (const uint32_t code = FHandle->Close(); code != TMidiResult::NoError) {
        Raise(code, TMIDIErrorContext::ecGeneric);
    }
    FHandle.reset();
    FState = TMidiOutputState::mosClosed;
    return true;
}

bool TMidiOutput::ChangeDevice(uint32_t id, bool open) {
    if (FState == TMidiOutputState::mosOpen) {
        Close();
    }
    if (FState == TMidiOutputState::mosClosed) {
        SetDeviceID(id);
        if (open) {
            return Open();
        }
    }
    return false;
}

void TMidiOutput::PutShort(uint8_t status, uint8_t data1, uint8_t data2) {
    if (FState != TMidiOutputState::mosOpen) {
        throw EMidiOutputError("(Short Msg) Device not opened.");
    }
    const uint32_t code = FHandle->ShortMsg(PackShortMsg(status, data1, data2));
    if (code != TMidiResult::NoError) {
        Raise(code, TMIDIErrorContext::ecPutShort);
    }
}

void TMidiOutput::PutLong(std::span<const uint8_t> bytes) {
    if (FState != TMidiOutputState::mosOpen) {
        throw EMidiOutputError("(Long Msg) Device not opened.");
    }
    if (bytes.empty() || bytes.size() > 0xFFFF) {
        Raise(TMidiResult::InvalParam, TMIDIErrorContext::ecPutLong);
    }
    auto buffer = std::make_unique<TMyMidiHdr>(uint16_t(bytes.size()));
    std::memcpy(buffer->Data(), bytes.data(), bytes.size());
    TMidiHeader& header = buffer->Header();
    if (const uint32_t code = FHandle->PrepareHeader(header); code != TMidiResult::NoError) {
        Raise(code, TMIDIErrorContext::ecOutPrepareHeader);
    }
    if (const uint32_t code = FHandle->LongMsg(header); code != TMidiResult::NoError) {
        FHandle->UnprepareHeader(header);
        Raise(code, TMIDIErrorContext::ecPutLong);
    }
    FPending.emplace(&header, std::move(buffer));
}

void TMidiOutput::PutMidiEvent(const TMyMidiEvent& event) {
    if (FState != TMidiOutputState::mosOpen) {
        throw EMidiOutputError("MIDI Output device not open");
    }
    if (event.SysexBytes) {
        PutLong(std::span<const uint8_t>(event.SysexBytes.get(), event.SysexByteCount));
    } else {
        PutShort(event.StatusByte, event.DataByte1, event.DataByte2);
    }
}

void TMidiOutput::ProgramChange(uint8_t channel, uint8_t program) {
    PutShort(uint8_t(0xC0 + (channel & 0x0F)), program, 0);
}

void TMidiOutput::MidiOutput(uint32_t code, TMidiHeader* header) {
    if (code != TMidiMessage::OutDone) {
        return;
    }
    auto it = FPending.find(header);
    if (it == FPending.end()) {
        return; // not one of ours, or already released
    }
    if (FHandle) {
        FHandle->UnprepareHeader(*header);
    }
    FPending.erase(it);
    if (OnMidiOutput) {
        OnMidiOutput(this);
    }
}

} // namespace velcora
