// Feeds an input port arbitrary driver behaviour: messages of any code, length and content
// (short, SysEx longer than the buffers, stray bytes), buffers returned with and without data,
// driver calls that fail, filter changes, reconfiguration and reopening, and the GUI thread
// taking events and notifications in any interleaving. The port must not crash, leak, or read
// past a buffer, and every SysEx event must fit the buffers it came from.

#include "MidiDriver.h"
#include "MidiInputEngine.h"
#include "MidiNotifier.h"
#include "MidiResult.h"
#include "Midicallback.h"
#include "Midiin.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace velcora {
namespace {

/// Which driver call fails next (once), to walk the ports' error paths.
enum class TFail { None, Open, Prepare, Add, Start, Reset };

/// One input device whose callbacks the fuzzer makes, on the calling thread.
class TFuzzDriver : public IMidiDriver {
public:
    class THandle : public IMidiInHandle {
    public:
        THandle(TFuzzDriver& driver, TMidiCallback callback, uintptr_t instance)
            : FDriver(driver), FEngine(this, callback, instance) {}
        ~THandle() override {
            if (FDriver.FOpen == this) {
                FDriver.FOpen = nullptr;
            }
        }
        uint32_t PrepareHeader(TMidiHeader& h) override {
            return FDriver.Failing(TFail::Prepare) ? TMidiResult::NoMem : FEngine.PrepareHeader(h);
        }
        uint32_t UnprepareHeader(TMidiHeader& h) override { return FEngine.UnprepareHeader(h); }
        uint32_t AddBuffer(TMidiHeader& h) override {
            return FDriver.Failing(TFail::Add) ? TMidiResult::NotReady : FEngine.AddBuffer(h);
        }
        uint32_t Start() override {
            return FDriver.Failing(TFail::Start) ? TMidiResult::Error : FEngine.Start();
        }
        uint32_t Stop() override { return FEngine.Stop(); }
        uint32_t Reset() override {
            FEngine.Reset();
            return FDriver.Failing(TFail::Reset) ? TMidiResult::Error : TMidiResult::NoError;
        }
        uint32_t Close() override { return FEngine.Stop(); }
        TMidiInputEngine& Engine() { return FEngine; }

    private:
        TFuzzDriver& FDriver;
        TMidiInputEngine FEngine;
    };

    uint32_t InDeviceCount() override { return 1; }
    uint32_t InDeviceCaps(uint32_t id, TMidiInCaps& caps) override {
        if (id != 0) {
            return TMidiResult::BadDeviceId;
        }
        caps.Name = "Fuzz";
        return TMidiResult::NoError;
    }
    uint32_t InOpen(std::unique_ptr<IMidiInHandle>& handle, uint32_t id, TMidiCallback callback,
                    uintptr_t instance) override {
        if (id != 0) {
            return TMidiResult::BadDeviceId;
        }
        if (Failing(TFail::Open)) {
            return TMidiResult::Allocated;
        }
        auto opened = std::make_unique<THandle>(*this, callback, instance);
        FOpen = opened.get();
        FCallback = callback;
        FInstance = instance;
        handle = std::move(opened);
        return TMidiResult::NoError;
    }
    uint32_t OutDeviceCount() override { return 0; }
    uint32_t OutDeviceCaps(uint32_t, TMidiOutCaps&) override { return TMidiResult::BadDeviceId; }
    uint32_t OutOpen(std::unique_ptr<IMidiOutHandle>&, uint32_t, TMidiCallback,
                     uintptr_t) override {
        return TMidiResult::BadDeviceId;
    }
    bool ErrorText(uint32_t code, std::string& text) override {
        if (code == TMidiResult::Error) {
            return false; // the port's fallback text
        }
        text = std::string(200, 'x'); // longer than the platform's 128 characters
        return true;
    }

    bool Failing(TFail what) {
        if (FFail != what) {
            return false;
        }
        FFail = TFail::None;
        return true;
    }

    TFail FFail = TFail::None;
    THandle* FOpen = nullptr;
    TMidiCallback FCallback = nullptr;
    uintptr_t FInstance = 0;
};

class TReader {
public:
    TReader(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
    bool More() const { return FPos < FSize; }
    uint8_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }
    uint16_t Word() { return uint16_t(Byte() | (Byte() << 8)); }
    uint32_t Long() { return uint32_t(Word()) | (uint32_t(Word()) << 16); }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
};

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

/// Takes one event and checks it against the port's buffers.
bool TakeOne(TMidiInput& port) {
    auto event = port.GetMidiEvent();
    if (!event) {
        return false;
    }
    if (event->StatusByte == 0xF0 && event->DataByte1 == 0 && event->SysexBytes) {
        Check(event->SysexByteCount <= port.SysexBufferSize());
        volatile uint8_t sink = 0;
        for (uint16_t i = 0; i < event->SysexByteCount; ++i) {
            sink = sink + event->SysexBytes[i]; // every byte is readable
        }
    } else {
        Check(event->SysexBytes == nullptr || event->StatusByte == 0xF0);
    }
    return true;
}

void Run(const uint8_t* data, size_t size) {
    TReader in(data, size);
    TFuzzDriver driver;
    TMidiInput port(driver);
    int inputs = 0;
    int overflows = 0;
    int takePerNotification = 0;
    port.OnMidiInput = [&](TMidiInput* sender) {
        ++inputs;
        for (int i = 0; i < takePerNotification && TakeOne(*sender); ++i) {
        }
    };
    port.OnOverflow = [&](TMidiInput*) { ++overflows; };
    port.SetCapacity(uint16_t(in.Byte() % 40));
    port.SetSysexBufferSize(uint16_t(in.Byte() % 200));
    port.SetSysexBufferCount(uint16_t(in.Byte() % 8));

    std::vector<uint8_t> message;
    int steps = 0;
    while (in.More() && ++steps < 2000) {
        try {
            switch (in.Byte() % 12) {
            case 0: // a message of any length and content from the device
            case 1: {
                message.resize(in.Byte() % 4 == 0 ? in.Word() % 3000 : in.Byte() % 8);
                for (auto& b : message) {
                    b = in.Byte();
                }
                if (!message.empty() && in.Byte() % 2 == 0) {
                    message[0] = 0xF0;
                }
                if (driver.FOpen) {
                    driver.FOpen->Engine().Deliver(message);
                }
                break;
            }
            case 2: { // any callback code with a parameter that is not an address
                const uint32_t code = in.Byte() % 3 == 0 ? in.Long() : 0x3C0 + in.Byte() % 0x10;
                const uint32_t param1 = in.Long() & 0xFFFFFF;
                if (driver.FOpen && code != TMidiMessage::InLongData &&
                    code != TMidiMessage::InLongError && code != TMidiMessage::OutDone) {
                    driver.FCallback(driver.FOpen, code, driver.FInstance, param1, in.Long());
                }
                break;
            }
            case 3:
                TakeOne(port);
                break;
            case 4:
                takePerNotification = in.Byte() % 4;
                port.Notifier().Deliver();
                break;
            case 5:
                port.SetSysexOnly(in.Byte() & 1);
                break;
            case 6: {
                const uint8_t bits = in.Byte();
                TMidiMsgFilter filter;
                if (bits & 1) {
                    filter = (bits & 2) ? TMidiMsgFilter{TMidiMsg::msgActiveSensing,
                                                         TMidiMsg::msgMidiTimeCode}
                                        : TMidiMsgFilter{TMidiMsg::msgActiveSensing};
                } else if (bits & 2) {
                    filter = TMidiMsgFilter{TMidiMsg::msgMidiTimeCode};
                }
                port.SetMsgFilter(filter);
                break;
            }
            case 7:
                if (in.Byte() & 1) {
                    port.Stop();
                } else {
                    port.Start();
                }
                break;
            case 8:
                port.Close();
                port.SetCapacity(uint16_t(in.Byte() % 40));
                port.SetSysexBufferSize(uint16_t(in.Byte() % 200));
                port.SetSysexBufferCount(uint16_t(in.Byte() % 8));
                break;
            case 9:
                if (port.State() != TMidiInputState::misOpen) {
                    port.OpenAndStart();
                }
                break;
            case 10:
                driver.FFail = TFail(in.Byte() % 6);
                break;
            case 11:
                port.FlushQueue();
                break;
            }
        } catch (const EMidiInputError& e) {
            Check(std::string(e.what()).size() <= 127);
        }
        Check(port.GetEventCount() <= port.Capacity());
    }
    try {
        port.Notifier().Deliver();
    } catch (const EMidiInputError&) {
    }
}

} // namespace
} // namespace velcora

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    velcora::Run(data, size);
    return 0;
}
