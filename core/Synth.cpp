#include "Synth.h"

#include "Dialogs.h"
#include "Midiin.h"
#include "Midiout.h"
#include "Patchrec.h"
#include "PresetNumber.h"
#include "Workspace.h"

#include <chrono>
#include <thread>

namespace velcora {

namespace {

const std::string StillDispatching = "Can't transmit sysex.\nStill sorting out input data.";
// The send path looks no further for the end of a message.
constexpr size_t MaxSearch = 1000;

} // namespace

void TSynth::RequestIdentity() {
    Main->FExpectIdentity = true;
    SendSysex(sysex::DeviceInquiry());
}

void TSynth::RequestHwConfig() {
    Main->FExpectHwConfig = true;
    SendSysex(sysex::HardwareConfigRequest(Main->FCtx.DeviceId));
}

void TSynth::SendInitParam() {
    SendSysex(sysex::InitialParameter(Main->FCtx.DeviceId));
}

void TSynth::RequestChannel() {
    CountRequest(ChannelRequestCount);
    Main->FExpectChannel = true;
    SendSysex(sysex::ChannelRequest(Main->FCtx.DeviceId));
}

void TSynth::RequestPreset(uint8_t pl, uint8_t pm) {
    Main->FExpectDump = true;
    uint8_t rl = 0;
    uint8_t rm = 0;
    // A ROM bank fetched directly names the ROM and its bank instead of a user bank.
    if (Main->FRomXfer && !Main->FRomViaEditBuffer && Main->FRomIndex >= 0 &&
        Main->FRomIndex < RomCount && Main->FRomIndex < MaxRoms) {
        const int id = Roms[static_cast<size_t>(Main->FRomIndex)].Id;
        pm = static_cast<uint8_t>(Main->FRomBankNo & 0x7F);
        rl = static_cast<uint8_t>(id & 0x7F);
        rm = static_cast<uint8_t>((id >> 7) & 0x7F);
    }
    SendSysex(sysex::PresetDumpRequest(Main->FCtx.DeviceId, pl, pm, rl, rm));
}

void TSynth::RequestEditBuffer() {
    CountRequest(EditRequestCount);
    if (!Main->FRomViaEditBuffer) {
        Main->FRxMode = TWorkspace::TRxMode::Single;
        Main->FRxPatch = Main->FEditPatch.get();
    }
    SizesMeasured = false;
    RequestPreset(EditBufferNumber, EditBufferNumber);
}

void TSynth::RequestViaProgramChange() {
    const auto pc =
        sysex::ProgramChange(Main->FSynthChannel, static_cast<uint8_t>(Main->FCurPreset & 0x7F));
    Main->FMidiPCToSynth->PutShort(pc[0], pc[1], 0);
    if (Pause) {
        Pause(10);
    }
    RequestEditBuffer();
}

bool TSynth::SendSysex(std::span<const uint8_t> message) {
    if (Main->FBusy) {
        Main->FCtx.Dialogs.MessageBox(TMessageKind::Error, StillDispatching, TButtons::Ok);
        return false;
    }
    const auto length = sysex::SysexLength(message.first(std::min(message.size(), MaxSearch)));
    if (!length || Main->FSynthOutDev == -1 || !Main->FMidiPCToSynth) {
        return false;
    }
    Main->FMidiPCToSynth->PutLong(message.first(*length));
    if (Pause) {
        Pause(TimeBetweenSysex);
    }
    return true;
}

void TSynth::Send(TPatchRec& patch) {
    patch.SetDeviceId(Main->FCtx.DeviceId, Main->FCtx.Sizes);
    for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
        // Each stored message goes up to its own F7 within its slot, whatever the sizes say.
        SendSysex(patch.Dump().Slot(p));
    }
}

void TSynth::SendToSlot(TPatchRec& patch, uint8_t low, uint8_t high) {
    patch.SetPresetNumber(low, high);
    Send(patch);
}

void TSynth::Audition(TPatchRec& patch) {
    AllSoundOff();
    SendToSlot(patch, EditBufferNumber, EditBufferNumber);
}

void TSynth::AllSoundOff() {
    for (uint8_t channel = 0; channel < 16; ++channel) {
        const auto m = sysex::AllSoundOff(channel);
        Main->FMidiPCToSynth->PutShort(m[0], m[1], m[2]);
    }
}

void TSynth::CountRequest(int& counter) {
    const int taken = counter++;
    if (taken > 128) {
        Main->ReopenSynthInput();
        counter = 0;
    }
}

} // namespace velcora
