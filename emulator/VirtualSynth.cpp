#include "VirtualSynth.h"

#include "MidiWire.h"
#include "PresetFactory.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace velcora::emu {

using namespace std::chrono_literals;

namespace {

constexpr uint16_t kParamRomId = 138;
constexpr uint16_t kParamBasicChannel = 139;
constexpr uint16_t kParamFxChannel = 140;
constexpr uint16_t kParamTempoChannel = 141;
constexpr uint16_t kParamPresetSelect = 897;
constexpr uint16_t kParamLayerSelect = 898;
constexpr uint16_t kParamNameFirst = 899;
constexpr uint16_t kParamNameLast = 914;
constexpr uint16_t kMinus1 = 0x3FFF; // -1 in 14-bit two's complement

constexpr int kDataPackets = 7;

bool IsUserAddress(uint16_t address) {
    return address < kUserPresets;
}

const TSynthModel& FindModel(uint16_t memberCode) {
    for (const TSynthModel& model : SynthModels()) {
        if (model.MemberCode == memberCode) {
            return model;
        }
    }
    return DefaultSynthModel();
}

TSynthModel ModelOf(const TVirtualSynthOptions& options) {
    const TSynthModel& model = FindModel(options.MemberCode);
    return options.ShorterPackets == 0 ? model : model.WithShorterPackets(options.ShorterPackets);
}

} // namespace

TVirtualSynth::TVirtualSynth(const TVirtualSynthOptions& options)
    : FModel(ModelOf(options)), FDeviceId(options.DeviceId & 0x7F),
      FChannel(options.Channel & 0x0F), FReplyDelay(options.ReplyDelay),
      FPacketDelay(options.PacketDelay), FWireSpeed(options.WireSpeed), FFaults(options.Faults),
      FRandom(options.Faults.FaultSeed) {
    FUserBanks.reserve(kUserPresets);
    for (int bank = 0; bank < kUserBanks; ++bank) {
        for (int slot = 0; slot < kBankSlots; ++slot) {
            FUserBanks.push_back(MakeUserPreset(FModel, bank, slot));
        }
    }
    FEditBuffer = FUserBanks.front();
    // The program switches 138 off at start; the others hold the usual factory settings.
    FParams = {{kParamRomId, 0},
               {kParamFxChannel, kMinus1},
               {kParamTempoChannel, 0},
               {kParamPresetSelect, kMinus1},
               {kParamLayerSelect, kMinus1}};
}

std::vector<TVirtualSynth::TOutgoing> TVirtualSynth::Receive(TView message,
                                                             TClock::time_point now) {
    FReplies.clear();
    FAnswering = false;
    FRepeat = false;
    if (!message.empty()) {
        if (message.front() == kSysex) {
            HandleSysex(message);
        } else if (message.front() >= 0x80 && message.front() < 0xF0) {
            HandleShort(message);
        }
    }
    std::vector<TOutgoing> out;
    const TClock::time_point start = now + FReplyDelay + (FAnswering ? FPacketDelay : 0ms);
    for (TBytes& bytes : FReplies) {
        const TClock::time_point at = std::max(start, FLineFree);
        FLineFree = FWireSpeed ? at + MidiWireByteTime * int64_t(bytes.size()) : at;
        out.push_back({at, std::move(bytes)});
    }
    FReplies.clear();
    return out;
}

void TVirtualSynth::Send(TBytes bytes) {
    ++FProduced;
    if (FFaults.Silent || (FFaults.DropNth != 0 && FProduced == FFaults.DropNth)) {
        return;
    }
    FReplies.push_back(std::move(bytes));
}

void TVirtualSynth::HandleSysex(TView message) {
    if (const auto target = ParseDeviceInquiry(message)) {
        if (AddressedTo(*target, FDeviceId)) {
            Send(BuildIdentityReply(FDeviceId, FModel.MemberCode, FModel.Version));
        }
        return;
    }
    const auto address = ParseEmuMessage(message);
    if (!address || !AddressedTo(address->DeviceId, FDeviceId)) {
        return;
    }
    switch (address->Command) {
    case cmdHwConfigRequest:
        if (message.size() == 7) {
            Send(BuildHwConfig(FDeviceId, kUserPresets, FModel.Roms));
        }
        break;
    case cmdParamRequest:
        HandleParamRequest(message);
        break;
    case cmdParamEdit:
        HandleParamEdit(message);
        break;
    case cmdPresetDumpRequest:
        HandleDumpRequest(message);
        break;
    case cmdPresetDump:
        if (const auto header = ParseDumpHeader(message)) {
            if (!header->ClosedLoop || !NeverArrives(message)) {
                HandleDumpHeader(*header);
            }
        } else if (const auto packet = ParseDumpPacket(message)) {
            if (!packet->ClosedLoop || !NeverArrives(message)) {
                HandleDumpPacket(*packet);
            }
        } else if (FIncoming && !FIncoming->Stored) {
            // A dump message we cannot read breaks the dump in progress.
            RefuseIncoming(FIncoming->Header.ClosedLoop);
        }
        break;
    case cmdRandomize:
        HandleRandomize(message);
        break;
    default:
        if (const auto handshake = ParseHandshake(message)) {
            HandleHandshake(*handshake);
        }
        break;
    }
}

void TVirtualSynth::HandleShort(TView message) {
    const uint8_t status = message[0];
    if ((status & 0x0F) != FChannel) {
        return;
    }
    const uint8_t kind = status & 0xF0;
    if (kind == 0xB0 && message.size() == 3 && message[1] < 0x80 && message[2] < 0x80) {
        if (message[1] == 0x00) {
            FBankMsb = message[2];
        } else if (message[1] == 0x20) {
            FBankLsb = message[2];
        }
    } else if (kind == 0xC0 && message.size() == 2 && message[1] < 0x80) {
        // Bank Select MSB names the ROM (0: user memory), LSB its bank.
        const uint16_t index = uint16_t(FBankLsb * kBankSlots + message[1]);
        if (FBankMsb == 0) {
            if (IsUserAddress(index)) {
                FEditBuffer = FUserBanks[index];
            }
        } else if (auto preset = RomPreset(FBankMsb, index)) {
            FEditBuffer = std::move(*preset);
        }
    }
}

std::optional<uint16_t> TVirtualSynth::ParamValue(uint16_t id) const {
    if (id == kParamBasicChannel) {
        return FChannel;
    }
    if (id >= kParamNameFirst && id <= kParamNameLast) {
        return FEditBuffer.Data[id - kParamNameFirst];
    }
    const auto it = FParams.find(id);
    if (it == FParams.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool TVirtualSynth::SetParam(uint16_t id, uint16_t value) {
    if (id == kParamBasicChannel) {
        if (value > 15) {
            return false;
        }
        FChannel = uint8_t(value);
        return true;
    }
    if (id >= kParamNameFirst && id <= kParamNameLast) {
        if (value < 32 || value > 127) {
            return false;
        }
        FEditBuffer.Data[id - kParamNameFirst] = uint8_t(value);
        return true;
    }
    const auto it = FParams.find(id);
    if (it == FParams.end()) {
        return false;
    }
    it->second = value;
    return true;
}

void TVirtualSynth::HandleParamRequest(TView message) {
    const auto ids = ParseParamRequest(message);
    if (!ids) {
        return;
    }
    // Every parameter is answered in its own edit message, as the synth sends its state back
    // in the form that would set it.
    for (uint16_t id : *ids) {
        if (const auto value = ParamValue(id)) {
            const TParamValue pair{id, *value};
            Send(BuildParamEdit(FDeviceId, std::span(&pair, 1)));
        } else {
            Send(BuildErrorMessage(FDeviceId, cmdParamRequest, id));
        }
    }
}

void TVirtualSynth::HandleParamEdit(TView message) {
    const auto values = ParseParamEdit(message);
    if (!values) {
        return;
    }
    for (const auto& [id, value] : *values) {
        if (!SetParam(id, value)) {
            Send(BuildErrorMessage(FDeviceId, cmdParamEdit, id));
        }
    }
}

void TVirtualSynth::HandleDumpRequest(TView message) {
    const auto request = ParseDumpRequest(message);
    if (!request) {
        return;
    }
    const uint16_t sub = request->ClosedLoop ? subRequestClosed : subRequestOpen;
    if (FFaults.CancelNextDump) {
        FFaults.CancelNextDump = false;
        FOutgoing.reset();
        Send(BuildHandshake(FDeviceId, cmdCancel));
        return;
    }
    if (request->RomId == 0) {
        if (request->Preset == kEditBufferPreset) {
            StartDump(FEditBuffer, kEditBufferPreset, 0, request->ClosedLoop);
        } else if (IsUserAddress(request->Preset)) {
            StartDump(FUserBanks[request->Preset], request->Preset, 0, request->ClosedLoop);
        } else {
            Send(BuildErrorMessage(FDeviceId, cmdPresetDumpRequest, sub));
        }
        return;
    }
    const uint16_t bank = request->Preset / kBankSlots;
    // These machines refuse direct requests for the upper ROM banks; a librarian has to
    // load such presets into the edit buffer and fetch them from there.
    if (FModel.FirstCancelledRomBank() != 0 && FModel.FindRom(request->RomId) &&
        bank >= FModel.FirstCancelledRomBank()) {
        FOutgoing.reset();
        Send(BuildHandshake(FDeviceId, cmdCancel));
        return;
    }
    if (auto preset = RomPreset(request->RomId, request->Preset)) {
        StartDump(*preset, request->Preset, FModel.HeaderCarriesRomId ? request->RomId : 0,
                  request->ClosedLoop);
    } else {
        Send(BuildErrorMessage(FDeviceId, cmdPresetDumpRequest, sub));
    }
}

std::vector<TBytes> TVirtualSynth::DumpMessages(const TPreset& preset, uint16_t address,
                                                uint16_t romId, bool closedLoop) const {
    std::vector<TBytes> messages;
    TDumpHeader header;
    header.ClosedLoop = closedLoop;
    header.Preset = address;
    header.ByteCount = uint32_t(preset.Data.size());
    header.Counts = preset.Counts;
    header.RomId = romId;
    messages.push_back(BuildDumpHeader(FDeviceId, header));
    // Six full packets and the rest in the seventh; the presets held are always of this
    // model's size, but a short one must still not be read past its end.
    const TView data(preset.Data);
    size_t offset = 0;
    for (int k = 1; k <= kDataPackets; ++k) {
        const size_t left = data.size() - offset;
        const size_t take = k < kDataPackets ? std::min(FModel.PacketDataBytes(k), left) : left;
        messages.push_back(
            BuildDumpPacket(FDeviceId, closedLoop, uint16_t(k), data.subspan(offset, take)));
        offset += take;
    }
    return messages;
}

void TVirtualSynth::StartDump(const TPreset& preset, uint16_t address, uint16_t romId,
                              bool closedLoop) {
    TOutgoingDump dump{DumpMessages(preset, address, romId, closedLoop), 0};
    if (FFaults.TruncatePacket >= 1 && FFaults.TruncatePacket <= kDataPackets) {
        TBytes& packet = dump.Messages[size_t(FFaults.TruncatePacket)];
        packet.resize(packet.size() / 2);
        packet.push_back(kEox);
        FFaults.TruncatePacket = 0;
    }
    if (!closedLoop) {
        FOutgoing.reset();
        for (TBytes& message : dump.Messages) {
            Send(std::move(message));
        }
        return;
    }
    // Closed loop: the header now, each further packet when the previous one is acknowledged.
    Send(dump.Messages[0]);
    dump.Sent = 1;
    FOutgoing = std::move(dump);
}

void TVirtualSynth::HandleHandshake(const THandshake& handshake) {
    if (handshake.Command == cmdCancel && FIncoming) {
        FIncoming.reset(); // the sender gave the dump up
        return;
    }
    if (!FOutgoing) {
        return; // the end-of-file of a dump we received, or a stray reply
    }
    TOutgoingDump& dump = *FOutgoing;
    const uint16_t last = uint16_t(dump.Sent - 1);
    switch (handshake.Command) {
    case cmdAck:
        if (handshake.Packet != last) {
            return;
        }
        if (dump.Sent == dump.Messages.size()) {
            FOutgoing.reset();
            Send(BuildHandshake(FDeviceId, cmdEof));
            return;
        }
        Send(dump.Messages[dump.Sent]);
        ++dump.Sent;
        break;
    case cmdNak:
        if (handshake.Packet == last) {
            Send(dump.Messages[last]);
        }
        break;
    case cmdCancel:
        FOutgoing.reset();
        break;
    default: // WAIT: the next packet waits for an ACK anyway
        break;
    }
}

void TVirtualSynth::RefuseIncoming(bool closedLoop) {
    FIncoming.reset();
    if (closedLoop) {
        Answer(cmdCancel);
    }
}

bool TVirtualSynth::CancelHere() {
    return FFaults.CancelAtPacket > 0 && --FFaults.CancelAtPacket == 0;
}

bool TVirtualSynth::Strikes(double rate) {
    if (rate <= 0) {
        return false;
    }
    // 24 bits of the generator's word: the same sequence from the same seed everywhere.
    return double(FRandom() >> 8) / double(1u << 24) < rate;
}

bool TVirtualSynth::NeverArrives(TView message) {
    FRepeat =
        std::equal(message.begin(), message.end(), FLastClosedLoop.begin(), FLastClosedLoop.end());
    FLastClosedLoop.assign(message.begin(), message.end());
    if (FFaults.LosePacket > 0 && --FFaults.LosePacket == 0) {
        return true;
    }
    return !FRepeat && Strikes(FFaults.LosePacketRate);
}

void TVirtualSynth::Answer(uint8_t command, uint16_t packet) {
    FAnswering = true;
    const bool lost = command == cmdAck && ((FFaults.LoseAck > 0 && --FFaults.LoseAck == 0) ||
                                            (!FRepeat && Strikes(FFaults.LoseAckRate)));
    if (lost) {
        ++FProduced;
        return;
    }
    Send(BuildHandshake(FDeviceId, command, packet));
}

void TVirtualSynth::HandleDumpHeader(const TDumpHeader& header) {
    FIncoming.reset();
    if (header.ClosedLoop && CancelHere()) {
        RefuseIncoming(true);
        return;
    }
    const bool toEditBuffer = header.Preset == kEditBufferPreset && header.RomId == 0;
    const bool toUser = IsUserAddress(header.Preset) && header.RomId == 0;
    if ((!toEditBuffer && !toUser) || header.ByteCount != FModel.DataBytes()) {
        RefuseIncoming(header.ClosedLoop);
        return;
    }
    FIncoming = TIncomingDump{header, 1, {}, false};
    if (header.ClosedLoop) {
        Answer(cmdAck, 0);
    }
}

void TVirtualSynth::HandleDumpPacket(const TDumpPacket& packet) {
    if (!FIncoming) {
        return;
    }
    TIncomingDump& dump = *FIncoming;
    const bool closed = dump.Header.ClosedLoop;
    if (closed && packet.ClosedLoop && CancelHere()) {
        RefuseIncoming(true);
        return;
    }
    if (closed && packet.ClosedLoop && packet.Number >= 1 && packet.Number + 1 == dump.NextPacket) {
        // The packet just taken, sent again because its acknowledgement never came.
        Answer(cmdAck, packet.Number);
        return;
    }
    if (dump.Stored) {
        FIncoming.reset(); // a packet after the end belongs to no dump
        return;
    }
    if (packet.ClosedLoop != closed || packet.Number != dump.NextPacket ||
        packet.Data.size() != FModel.PacketDataBytes(packet.Number)) {
        RefuseIncoming(closed);
        return;
    }
    // 7F means "not checked" in both kinds of dump: a librarian that edits a stored dump
    // marks its checksums so, and sends it as it was stored.
    const bool sumRight = ChecksumAccepted(packet);
    const bool refused = closed && sumRight &&
                         (dump.Header.Preset == FFaults.RefusePreset ||
                          (FFaults.NakPackets > 0 ? (--FFaults.NakPackets, true)
                                                  : !FRepeat && Strikes(FFaults.NakRate)));
    if (!sumRight || refused) {
        if (closed) {
            Answer(cmdNak, packet.Number);
        } else {
            FIncoming.reset();
        }
        return;
    }
    dump.Data.insert(dump.Data.end(), packet.Data.begin(), packet.Data.end());
    ++dump.NextPacket;
    if (closed) {
        Answer(cmdAck, packet.Number);
    }
    if (packet.Number < kDataPackets) {
        return;
    }
    TPreset preset;
    preset.Counts = dump.Header.Counts;
    preset.Data = std::move(dump.Data);
    if (dump.Header.Preset == kEditBufferPreset) {
        FEditBuffer = std::move(preset);
    } else {
        FUserBanks[dump.Header.Preset] = std::move(preset);
        FUserBanksChanged = true;
    }
    if (closed) {
        dump.Stored = true;
    } else {
        FIncoming.reset();
    }
}

void TVirtualSynth::HandleRandomize(TView message) {
    const auto randomize = ParseRandomize(message);
    if (!randomize) {
        return;
    }
    // Only the edit buffer is randomized: a stored preset changes only when it is saved.
    if (randomize->Preset != kEditBufferPreset || randomize->RomId != 0) {
        Send(BuildErrorMessage(FDeviceId, cmdRandomize, 0));
        return;
    }
    ++FRandomCount;
    FEditBuffer = MakeRandomPreset(FModel, FRandomCount * 7919 + FDeviceId);
}

const TPreset& TVirtualSynth::UserPreset(int bank, int slot) const {
    return FUserBanks.at(size_t(bank * kBankSlots + slot));
}

void TVirtualSynth::SetUserPreset(int bank, int slot, const TPreset& preset) {
    if (preset.Data.size() != FModel.DataBytes()) {
        throw std::invalid_argument("preset of another model");
    }
    FUserBanks.at(size_t(bank * kBankSlots + slot)) = preset;
    FUserBanksChanged = true;
}

std::optional<TPreset> TVirtualSynth::RomPreset(uint16_t romId, uint16_t index) const {
    const TRomInfo* rom = FModel.FindRom(romId);
    if (!rom || index >= rom->Presets) {
        return std::nullopt;
    }
    return MakeRomPreset(FModel, romId, index);
}

std::optional<TPreset> TVirtualSynth::ParseWholeDump(std::span<const TBytes> messages) const {
    if (messages.size() != 1 + kDataPackets) {
        return std::nullopt;
    }
    const auto header = ParseDumpHeader(messages[0]);
    if (!header || header->ByteCount != FModel.DataBytes()) {
        return std::nullopt;
    }
    TPreset preset;
    preset.Counts = header->Counts;
    for (int k = 1; k <= kDataPackets; ++k) {
        const auto packet = ParseDumpPacket(messages[size_t(k)]);
        if (!packet || packet->Number != k || packet->Data.size() != FModel.PacketDataBytes(k) ||
            !ChecksumAccepted(*packet)) {
            return std::nullopt;
        }
        preset.Data.insert(preset.Data.end(), packet->Data.begin(), packet->Data.end());
    }
    return preset;
}

std::string TVirtualSynth::SaveUserBanks(const std::string& path) const {
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            return "cannot create " + temp;
        }
        for (size_t i = 0; i < FUserBanks.size(); ++i) {
            for (const TBytes& message : DumpMessages(FUserBanks[i], uint16_t(i), 0, true)) {
                out.write(reinterpret_cast<const char*>(message.data()),
                          std::streamsize(message.size()));
            }
        }
        out.flush();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            return "cannot write " + temp;
        }
    }
    std::error_code error;
    std::filesystem::rename(temp, path, error);
    if (error) {
        std::filesystem::remove(temp, error);
        return "cannot replace " + path;
    }
    return {};
}

std::string TVirtualSynth::LoadUserBanks(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return "cannot open " + path;
    }
    const TBytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const size_t dumpSize = FModel.DumpSize();
    if (bytes.size() != dumpSize * kUserPresets) {
        return path + " is not an all-banks file of a " + FModel.Name;
    }
    std::vector<TPreset> banks;
    banks.reserve(kUserPresets);
    for (size_t i = 0; i < kUserPresets; ++i) {
        std::vector<TBytes> messages;
        size_t offset = i * dumpSize;
        for (int k = 0; k <= kDataPackets; ++k) {
            const size_t size = k == 0 ? kHeaderSize : FModel.PacketDataBytes(k) + kPacketOverhead;
            messages.emplace_back(bytes.begin() + std::ptrdiff_t(offset),
                                  bytes.begin() + std::ptrdiff_t(offset + size));
            offset += size;
        }
        auto preset = ParseWholeDump(messages);
        if (!preset) {
            return path + ": dump " + std::to_string(i) + " is damaged";
        }
        banks.push_back(std::move(*preset));
    }
    FUserBanks = std::move(banks);
    FUserBanksChanged = false;
    return {};
}

} // namespace velcora::emu
