#include "Midiin.h"

#include "MidiDriver.h"
#include "MidiNotifier.h"
#include "MidiResult.h"

#include <algorithm>
#include <cstring>

namespace velcora {

namespace {
// The platform hands its texts over in a buffer of 128 characters.
constexpr size_t kErrorTextMax = 127;
} // namespace

TMidiInput::TMidiInput(IMidiDriver& driver, QObject* owner) : TMidiIO(driver, owner) {
    FDeviceCount = DeviceCount();
    if (FDeviceCount > 0) {
        SetDeviceID(0);
    }
    FNotifier = new TMidiNotifier([this](uint32_t code, TMidiHeader*) { MidiInput(code); }, this);
    FState = TMidiInputState::misClosed;
}

TMidiInput::~TMidiInput() {
    if (FHandle) {
        try {
            Close();
        } catch (...) {
            // A destructor cannot report; the handle's own destructor still closes the device.
        }
    }
    // The device goes before the buffers, the ring and the block it may still call back with.
    FHandle.reset();
}

uint32_t TMidiInput::DeviceCount() {
    FDeviceCount = FDriver.InDeviceCount();
    return FDeviceCount;
}

std::string TMidiInput::MidiInErrorString(uint32_t code) const {
    std::string text;
    if (!FDriver.ErrorText(code, text)) {
        return "Specified error number is out of range";
    }
    if (text.size() > kErrorTextMax) {
        text.resize(kErrorTextMax);
    }
    return text;
}

void TMidiInput::RaiseCode(uint32_t code) {
    FError = uint16_t(code);
    throw EMidiInputError(MidiInErrorString(code));
}

void TMidiInput::CheckCode(uint32_t code) {
    if (code != TMidiResult::NoError) {
        RaiseCode(code);
    }
}

void TMidiInput::SetDeviceID(uint32_t id) {
    if (FState == TMidiInputState::misOpen) {
        throw EMidiInputError("Change to DeviceID while device was open");
    }
    if (id >= DeviceCount() && id != IMidiDriver::kMapperId) {
        throw EMidiInputError("Invalid device ID");
    }
    FDeviceID = id;
    TMidiInCaps caps;
    CheckCode(FDriver.InDeviceCaps(id, caps));
    FProductName = caps.Name;
    FDriverVersion = caps.DriverVersion;
    FMid = caps.Mid;
    FPid = caps.Pid;
    if (OnDeviceChanged) {
        OnDeviceChanged(this);
    }
}

void TMidiInput::SetProductName(const std::string& name) {
    if (FState == TMidiInputState::misOpen) {
        throw EMidiInputError("Change to ProductName while device was open");
    }
    const uint32_t count = DeviceCount();
    for (uint32_t id = 0; id < count; ++id) {
        TMidiInCaps caps;
        CheckCode(FDriver.InDeviceCaps(id, caps));
        if (caps.Name == name) {
            FProductName = name;
            SetDeviceID(id);
            return;
        }
    }
    // Also when the current name happens to equal the one asked for: that device is gone.
    throw EMidiInputError("MIDI Input Device " + name + " not installed ");
}

void TMidiInput::SetSysexBufferSize(uint16_t size) {
    if (FState == TMidiInputState::misOpen) {
        throw EMidiInputError("Change to SysexBufferSize while device was open");
    }
    FSysexBufferSize = size;
}

void TMidiInput::SetSysexBufferCount(uint16_t count) {
    if (FState == TMidiInputState::misOpen) {
        throw EMidiInputError("Change to SysexBufferCount while device was open");
    }
    FSysexBufferCount = count;
}

void TMidiInput::SetSysexOnly(bool sysexOnly) {
    FSysexOnly = sysexOnly;
    if (FCallbackBlock) {
        FCallbackBlock->SysexOnly.store(sysexOnly, std::memory_order_relaxed);
    }
}

void TMidiInput::SetMsgFilter(TMidiMsgFilter filter) {
    FFilteredMessages = filter;
    if (FCallbackBlock) {
        FCallbackBlock->DropF8.store(filter.Contains(TMidiMsg::msgMidiTimeCode),
                                     std::memory_order_relaxed);
        FCallbackBlock->DropFE.store(filter.Contains(TMidiMsg::msgActiveSensing),
                                     std::memory_order_relaxed);
    }
}

void TMidiInput::Open() {
    if (FState == TMidiInputState::misOpen) {
        return; // a second device handle would leak the first
    }
    try {
        if (!FRing) {
            FRing = CircbufAlloc(FCapacity);
            if (!FRing) {
                RaiseCode(TMidiResult::NoMem);
            }
        }
        if (!FCallbackBlock) {
            FCallbackBlock = std::make_unique<TPortCallbackBlock>();
        }
        FCallbackBlock->Target.store(FNotifier, std::memory_order_release);
        SetSysexOnly(FSysexOnly);
        SetMsgFilter(FFilteredMessages);
        FCallbackBlock->Ring.store(FRing.get(), std::memory_order_release);

        CheckCode(FDriver.InOpen(FHandle, FDeviceID, midiHandler,
                                 reinterpret_cast<uintptr_t>(FCallbackBlock.get())));
        Prepareheaders();
        AddBuffers();
        FState = TMidiInputState::misOpen;
    } catch (...) {
        ReleaseAfterFailedOpen();
        throw;
    }
}

void TMidiInput::ReleaseAfterFailedOpen() noexcept {
    // The device is closed before the ring and the block go, since it may still call back
    // with them; buffers it holds are taken back first so that none is freed under it.
    if (FHandle) {
        FHandle->Reset();
        for (auto& buffer : FSysexBuffers) {
            FHandle->UnprepareHeader(buffer->Header());
        }
        FError = uint16_t(FHandle->Close());
        FHandle.reset();
    }
    FSysexBuffers.clear();
    FRing.reset();
    FCallbackBlock.reset();
}

void TMidiInput::Prepareheaders() {
    if (FSysexBufferCount == 0 || FSysexBufferSize == 0 || !FHandle) {
        return;
    }
    FSysexBuffers.clear();
    FSysexBuffers.reserve(FSysexBufferCount);
    for (uint16_t i = 0; i < FSysexBufferCount; ++i) {
        auto buffer = std::make_unique<TMyMidiHdr>(FSysexBufferSize);
        CheckCode(FHandle->PrepareHeader(buffer->Header()));
        FSysexBuffers.push_back(std::move(buffer));
    }
}

void TMidiInput::AddBuffers() {
    for (auto& buffer : FSysexBuffers) {
        CheckCode(FHandle->AddBuffer(buffer->Header()));
    }
}

void TMidiInput::Start() {
    if (FState == TMidiInputState::misOpen) {
        CheckCode(FHandle->Start());
    }
}

void TMidiInput::OpenAndStart() {
    Open();
    Start();
}

void TMidiInput::Stop() {
    if (FState == TMidiInputState::misOpen) {
        CheckCode(FHandle->Stop());
    }
}

void TMidiInput::Close() {
    if (FState == TMidiInputState::misClosed) {
        return;
    }
    // First, so that the notifications for the buffers the reset returns are ignored.
    FState = TMidiInputState::misClosed;
    // Every step runs even when one fails, and the first failure is raised at the end: a
    // port left half closed would keep a ring whose items name freed buffers.
    uint32_t first = TMidiResult::NoError;
    auto note = [&first](uint32_t code) {
        if (first == TMidiResult::NoError) {
            first = code;
        }
    };
    if (FHandle) {
        note(FHandle->Reset());
        for (auto& buffer : FSysexBuffers) {
            note(FHandle->UnprepareHeader(buffer->Header()));
        }
        note(FHandle->Close());
        FHandle.reset();
    }
    // Only now that the device is closed can no callback still be using the buffers or the
    // ring.
    FSysexBuffers.clear();
    if (FCallbackBlock) {
        FCallbackBlock->Ring.store(nullptr, std::memory_order_release);
    }
    CircbufFree(FRing);
    if (first != TMidiResult::NoError) {
        RaiseCode(first);
    }
}

void TMidiInput::StopAndClose() {
    Stop();
    Close();
}

uint16_t TMidiInput::GetEventCount() const {
    if (FState != TMidiInputState::misOpen || !FRing) {
        return 0;
    }
    return FRing->EventCount();
}

TMyMidiHdr* TMidiInput::OwnBuffer(const TMidiHeader* header) const {
    auto it = std::find_if(FSysexBuffers.begin(), FSysexBuffers.end(),
                           [header](const auto& b) { return &b->Header() == header; });
    return it == FSysexBuffers.end() ? nullptr : it->get();
}

std::unique_ptr<TMyMidiEvent> TMidiInput::GetMidiEvent() {
    TMidiBufferItem item;
    if (FState != TMidiInputState::misOpen || !FRing || !FRing->ReadEvent(item)) {
        return nullptr;
    }
    auto event = std::make_unique<TMyMidiEvent>();
    event->TimeStamp = item.ItemTime;
    if (TMidiHeader* header = item.ItemSysexHdr) {
        event->StatusByte = 0xF0;
        // A header that is not one of this port's buffers gives an empty event and is not
        // handed to the driver; a count beyond the buffer is never read past its end.
        if (OwnBuffer(header) != nullptr) {
            const uint32_t recorded = std::min(header->BytesRecorded, header->BufferLength);
            event->SysexByteCount = uint16_t(recorded);
            if (recorded > 0) {
                event->SysexBytes = std::make_unique<uint8_t[]>(recorded);
                std::memcpy(event->SysexBytes.get(), header->Data, recorded);
            }
            CheckCode(FHandle->PrepareHeader(*header));
            const uint32_t kept = header->BytesRecorded;
            header->BytesRecorded = 0;
            if (const uint32_t code = FHandle->AddBuffer(*header); code != TMidiResult::NoError) {
                // The item stays queued with its bytes, so the next call can still deliver it.
                header->BytesRecorded = kept;
                RaiseCode(code);
            }
        }
    } else {
        event->StatusByte = uint8_t(item.ItemShortMsg);
        event->DataByte1 = uint8_t(item.ItemShortMsg >> 8);
        event->DataByte2 = uint8_t(item.ItemShortMsg >> 16);
    }
    FRing->RemoveEvent();
    return event;
}

void TMidiInput::FlushQueue() {
    while (GetMidiEvent()) {
    }
}

void TMidiInput::ChangeDevice(uint32_t id, bool open) {
    if (id == FDeviceID) {
        return;
    }
    Stop();
    Close();
    SetDeviceID(id);
    if (open) {
        Open();
        Start();
    }
}

void TMidiInput::MidiInput(uint32_t code) {
    switch (code) {
    case TMidiMessage::InData:
        if (OnMidiInput && FState == TMidiInputState::misOpen && GetEventCount() > 0) {
            OnMidiInput(this);
        }
        break;
    case TMidiMessage::Overflow:
        if (OnOverflow && FState == TMidiInputState::misOpen) {
            OnOverflow(this);
        }
        break;
    default:
        break;
    }
}

} // namespace velcora
