// The virtual synth fed with arbitrary MIDI: raw bytes, E-mu frames with any body, and real
// dumps and requests with fields and bytes chosen by the fuzzer, so that the deeper paths
// (dump reception, closed-loop handshakes) are reached as well as the parsers' first checks.
// Every reply must be a whole SysEx message or a short message, and memory must keep its
// shape.

#include "EmuMessages.h"
#include "SynthModel.h"
#include "VirtualSynth.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

using namespace velcora::emu;

/// Reads the fuzzer's input front to back; past the end it gives zeros.
class TReader {
public:
    TReader(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
    bool More() const { return FPos < FSize; }
    uint8_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }
    uint16_t Word() { return uint16_t(Byte() | Byte() << 8); }
    TBytes Bytes(size_t n) {
        TBytes out;
        while (n-- > 0 && FPos < FSize) {
            out.push_back(FData[FPos++]);
        }
        return out;
    }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
};

/// Fresh synths of every model, made once and copied for each input.
const std::vector<TVirtualSynth>& Pristine() {
    static const std::vector<TVirtualSynth> synths = [] {
        std::vector<TVirtualSynth> all;
        for (const TSynthModel& model : SynthModels()) {
            TVirtualSynthOptions options;
            options.MemberCode = model.MemberCode;
            all.emplace_back(options);
        }
        return all;
    }();
    return synths;
}

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void Feed(TVirtualSynth& synth, const TBytes& message) {
    for (const auto& reply : synth.Receive(message)) {
        Check(IsSysex(reply.Bytes));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TReader in(data, size);
    const auto& pristine = Pristine();
    TVirtualSynth synth = pristine[in.Byte() % pristine.size()];
    const uint8_t faults = in.Byte();
    synth.Faults().Silent = faults & 1;
    synth.Faults().CancelNextDump = faults & 2;
    synth.Faults().TruncatePacket = (faults >> 2) & 7;
    synth.Faults().DropNth = faults >> 5;
    const uint8_t device = synth.DeviceId();

    for (int steps = 0; in.More() && steps < 64; ++steps) {
        switch (in.Byte() % 8) {
        case 0: // raw bytes
            Feed(synth, in.Bytes(in.Byte()));
            break;
        case 1: { // an editor frame around any body
            TBytes m{0xF0, 0x18, 0x0F, uint8_t(in.Byte() & 1 ? 0x7F : device), 0x55};
            const TBytes body = in.Bytes(in.Byte());
            m.insert(m.end(), body.begin(), body.end());
            m.push_back(0xF7);
            Feed(synth, m);
            break;
        }
        case 2: { // a real dump, addressed anywhere, with one byte changed and maybe cut
            const bool closed = in.Byte() & 1;
            const uint16_t address = in.Word() & 0x3FFF;
            const uint16_t rom = in.Byte() & 3 ? 0 : in.Word() & 0x3FFF;
            const size_t which = in.Byte() % 8;
            const size_t where = in.Word();
            const uint8_t value = in.Byte();
            const size_t stop = 1 + in.Byte() % 8;
            auto messages = synth.DumpMessages(synth.EditBuffer(), address, rom, closed);
            TBytes& target = messages[which];
            if (value != 0) {
                target[where % target.size()] = value;
            }
            for (size_t k = 0; k < stop; ++k) {
                Feed(synth, messages[k]);
            }
            break;
        }
        case 3: { // a dump request
            const uint8_t sub = in.Byte();
            Feed(synth, BuildDumpRequest(device, {bool(sub & 1), uint16_t(in.Word() & 0x3FFF),
                                                  uint16_t(in.Word() & 0x3FFF)}));
            break;
        }
        case 4: { // a handshake
            static const uint8_t commands[] = {cmdAck, cmdNak, cmdCancel, cmdWait, cmdEof};
            const uint8_t command = commands[in.Byte() % 5];
            Feed(synth, BuildHandshake(device, command, uint16_t(in.Byte() % 10)));
            break;
        }
        case 5: // a short message
            Feed(synth, in.Bytes(1 + in.Byte() % 3));
            break;
        case 6: { // parameter edits or requests
            std::vector<TParamValue> values;
            std::vector<uint16_t> ids;
            for (int n = 1 + in.Byte() % 4; n > 0; --n) {
                const uint16_t id = uint16_t(in.Byte() & 1 ? 899 + in.Byte() % 20 : in.Word());
                values.emplace_back(uint16_t(id & 0x3FFF), uint16_t(in.Word() & 0x3FFF));
                ids.push_back(uint16_t(id & 0x3FFF));
            }
            Feed(synth,
                 in.Byte() & 1 ? BuildParamEdit(device, values) : BuildParamRequest(device, ids));
            break;
        }
        default: { // the rest of the dialogue
            const uint8_t pick = in.Byte() % 3;
            Feed(synth, pick == 0   ? BuildDeviceInquiry()
                        : pick == 1 ? BuildHwConfigRequest(device)
                                    : BuildRandomize(device, {uint16_t(in.Word() & 0x3FFF), 0}));
            break;
        }
        }
    }

    const size_t dataBytes = synth.Model().DataBytes();
    Check(synth.EditBuffer().Data.size() == dataBytes);
    for (int bank = 0; bank < kUserBanks; ++bank) {
        for (int slot = 0; slot < kBankSlots; ++slot) {
            Check(synth.UserPreset(bank, slot).Data.size() == dataBytes);
        }
    }
    return 0;
}
