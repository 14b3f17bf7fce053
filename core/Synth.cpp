#include "Synth.h"

#include "IniFile.h"
#include "Patchrec.h"
#include "PresetNumber.h"
#include "Simid.h"

namespace velcora {

namespace {

// The send path looks no further for the end of a message.
constexpr size_t MaxSearch = 1000;

} // namespace

void TSynth::RequestIdentity() {
    FLink->Await(ISynthLink::TReply::Identity);
    SendSysex(sysex::DeviceInquiry());
}

void TSynth::RequestHwConfig(uint8_t deviceId) {
    FLink->Await(ISynthLink::TReply::HwConfig);
    SendSysex(sysex::HardwareConfigRequest(deviceId));
}

void TSynth::SendInitParam(uint8_t deviceId) {
    SendSysex(sysex::InitialParameter(deviceId));
}

void TSynth::RequestChannel(uint8_t deviceId) {
    CountRequest(ChannelRequestCount);
    FLink->Await(ISynthLink::TReply::Channel);
    SendSysex(sysex::ChannelRequest(deviceId));
}

void TSynth::RequestPreset(uint8_t deviceId, uint8_t pl, uint8_t pm,
                           std::optional<TRomSource> rom) {
    FLink->Await(ISynthLink::TReply::Dump);
    SendPresetRequest(deviceId, pl, pm, rom);
}

void TSynth::SendPresetRequest(uint8_t deviceId, uint8_t pl, uint8_t pm,
                               std::optional<TRomSource> rom) {
    uint8_t rl = 0;
    uint8_t rm = 0;
    if (rom && rom->RomIndex >= 0 && rom->RomIndex < RomCount && rom->RomIndex < MaxRoms) {
        const int id = Roms[static_cast<size_t>(rom->RomIndex)].Id;
        pm = static_cast<uint8_t>(rom->Bank & 0x7F);
        rl = static_cast<uint8_t>(id & 0x7F);
        rm = static_cast<uint8_t>((id >> 7) & 0x7F);
    }
    SendSysex(sysex::PresetDumpRequest(deviceId, pl, pm, rl, rm));
}

void TSynth::RequestEditBuffer(uint8_t deviceId) {
    CountRequest(EditRequestCount);
    FLink->Await(ISynthLink::TReply::EditBufferDump);
    SizesMeasured = false;
    SendPresetRequest(deviceId, EditBufferNumber, EditBufferNumber, std::nullopt);
}

void TSynth::RequestViaProgramChange(uint8_t deviceId, uint8_t channel, uint8_t program) {
    const auto pc = sysex::ProgramChange(channel, program);
    FLink->SendShort(pc[0], pc[1], 0);
    if (Pause) {
        Pause(10);
    }
    RequestEditBuffer(deviceId);
}

bool TSynth::SendSysex(std::span<const uint8_t> message) {
    const auto length = sysex::SysexLength(message.first(std::min(message.size(), MaxSearch)));
    if (!FLink->SendLong(message.first(length.value_or(0)))) {
        return false;
    }
    if (Pause) {
        Pause(TimeBetweenSysex);
    }
    return true;
}

bool TSynth::SendUnpaused(std::span<const uint8_t> message) {
    const auto length = sysex::SysexLength(message.first(std::min(message.size(), MaxSearch)));
    return FLink->SendLong(message.first(length.value_or(0)));
}

void TSynth::Send(TPatchRec& patch, uint8_t deviceId, const TDumpSizes& sizes) {
    patch.SetDeviceId(deviceId, sizes);
    for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
        // Each stored message goes up to its own F7 within its slot, whatever the sizes say.
        SendSysex(patch.Dump().Slot(p));
    }
}

void TSynth::SendToSlot(TPatchRec& patch, uint8_t low, uint8_t high, uint8_t deviceId,
                        const TDumpSizes& sizes) {
    patch.SetPresetNumber(low, high);
    Send(patch, deviceId, sizes);
}

void TSynth::Audition(TPatchRec& patch, uint8_t deviceId, const TDumpSizes& sizes) {
    AllSoundOff();
    SendToSlot(patch, EditBufferNumber, EditBufferNumber, deviceId, sizes);
}

void TSynth::AllSoundOff() {
    for (uint8_t channel = 0; channel < 16; ++channel) {
        const auto m = sysex::AllSoundOff(channel);
        FLink->SendShort(m[0], m[1], m[2]);
    }
}

void TSynth::CountRequest(int& counter) {
    const int taken = counter++;
    if (taken > 128) {
        FLink->ReopenSynthInput();
        counter = 0;
    }
}

std::optional<TSynthIdentity> TSynth::ReadIdentity(std::span<const uint8_t> message) {
    const auto reply = sysex::ParseIdentityReply(message);
    if (!reply) {
        return std::nullopt;
    }
    const TModel model = ModelFromCode(reply->MemberCode);
    return TSynthIdentity{reply->DeviceId, model.ModelName, model.ModelClass, reply->Version};
}

void TSynth::TakeIdentity(const TSynthIdentity& identity) {
    SizesMeasured = false;
    Version = identity.Version;
    ModelName = identity.ModelName;
    ModelClass = identity.ModelClass;
    Section = identity.Section();
}

void TSynth::TakeRoms(const sysex::THardwareConfig& config) {
    // Room for four ROMs; the entries are taken only as far as the message holds them.
    RomCount = std::min<int>({config.RomCount, MaxRoms, static_cast<int>(config.Roms.size())});
    for (int i = 0; i < RomCount; ++i) {
        const sysex::TRomEntry& e = config.Roms[static_cast<size_t>(i)];
        TRomRec& rom = Roms[static_cast<size_t>(i)];
        rom.Id = e.Id;
        rom.BankCount = e.BankCount();
        rom.InstrumentCount = e.InstrumentCount;
        rom.Name = RomName(e.Id);
    }
}

std::vector<std::string> TSynth::RomBankEntries(int index) const {
    std::vector<std::string> banks;
    if (index >= 0 && index < RomCount) {
        for (int k = 0; k < Roms[static_cast<size_t>(index)].BankCount; ++k) {
            banks.push_back("Bank " + std::to_string(k));
        }
    }
    return banks;
}

void TSynth::ApplyHeaderByteCount(std::span<const uint8_t> header, TDumpSizes& sizes) {
    const auto count = sysex::DumpHeaderByteCount(header);
    if (!count) {
        return;
    }
    TotalParam = static_cast<int>(*count / 2);
    sizes = sizes.WithByteCount(*count);
}

void TSynth::MeasureSizes(const TPatchRec& editPatch, TDumpSizes& sizes, TIniFile& ini) {
    if (SizesMeasured) {
        return;
    }
    SizesMeasured = true;
    // A dump whose packets do not give usable lengths keeps the sizes the program has: they
    // size every file it reads and writes.
    if (const auto measured = TDumpSizes::Measure(editPatch.Dump())) {
        sizes = *measured;
    }
    SaveSizes(ini, sizes);
}

void TSynth::SaveSizes(TIniFile& ini, const TDumpSizes& sizes) const {
    ini.WriteInteger(Section, "HeadSize", sizes.HeadSize());
    for (int k = 1; k <= 7; ++k) {
        ini.WriteInteger(Section, "Block" + std::to_string(k) + "Size", sizes.BlockSize(k));
    }
    ini.WriteInteger(Section, "TotalSize", sizes.TotalSize());
    ini.WriteInteger(Section, "TotalParam", TotalParam);
}

} // namespace velcora
