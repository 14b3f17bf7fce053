#include "SysexMessages.h"

#include "PresetNumber.h"
#include "PresetScan.h"

#include <algorithm>

namespace velcora::sysex {

namespace {

constexpr uint8_t Emu = 0x18;
constexpr uint8_t Proteus = 0x0F;
constexpr uint8_t Command = 0x55;

TBytes EmuMessage(uint8_t deviceId, std::initializer_list<uint8_t> body) {
    TBytes m{0xF0, Emu, Proteus, static_cast<uint8_t>(deviceId & 0x7F), Command};
    m.insert(m.end(), body);
    m.push_back(0xF7);
    return m;
}

uint8_t Low7(int v) {
    return static_cast<uint8_t>(v & 0x7F);
}
uint8_t High7(int v) {
    return static_cast<uint8_t>((v >> 7) & 0x7F);
}

} // namespace

TBytes DeviceInquiry() {
    return {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
}

TBytes HardwareConfigRequest(uint8_t deviceId) {
    return EmuMessage(deviceId, {0x0A});
}

TBytes InitialParameter(uint8_t deviceId) {
    return EmuMessage(deviceId, {0x01, 0x02, Low7(138), High7(138), 0x00, 0x00});
}

TBytes ChannelRequest(uint8_t deviceId) {
    return EmuMessage(deviceId, {0x02, 0x01, Low7(139), High7(139)});
}

TBytes PresetDumpRequest(uint8_t deviceId, uint8_t pl, uint8_t pm, uint8_t rl, uint8_t rm) {
    return EmuMessage(deviceId, {0x11, 0x04, Low7(pl), Low7(pm), Low7(rl), Low7(rm)});
}

TBytes EditBufferRequest(uint8_t deviceId) {
    return PresetDumpRequest(deviceId, EditBufferNumber, EditBufferNumber);
}

TBytes PresetNameEdit(uint8_t deviceId, const std::string& name) {
    std::string padded = name;
    padded.resize(16, ' ');
    TBytes m{0xF0, Emu, Proteus, static_cast<uint8_t>(deviceId & 0x7F), Command, 0x01, 0x20};
    for (int i = 0; i < 16; ++i) {
        const int parameter = 899 + i;
        const auto c = static_cast<uint8_t>(padded[static_cast<size_t>(i)]);
        // A character above 7F cannot cross as one data byte; the synth's names are ASCII.
        m.insert(m.end(), {Low7(parameter), High7(parameter), Low7(c), High7(c)});
    }
    m.push_back(0xF7);
    return m;
}

TBytes Randomize(uint8_t deviceId) {
    return EmuMessage(deviceId, {0x71, EditBufferNumber, EditBufferNumber, 0x00, 0x00});
}

std::array<uint8_t, 2> ProgramChange(uint8_t channel, uint8_t program) {
    return {static_cast<uint8_t>(0xC0 | (channel & 0x0F)), Low7(program)};
}

std::array<std::array<uint8_t, 3>, 2> BankSelect(uint8_t channel, uint8_t msb, uint8_t lsb) {
    const auto status = static_cast<uint8_t>(0xB0 | (channel & 0x0F));
    return {{{status, 0x00, Low7(msb)}, {status, 0x20, Low7(lsb)}}};
}

TBankSelectValues UserBankSelect(int userBank) {
    return {0, Low7(userBank)};
}

TBankSelectValues RomBankSelect(int romId, int romBankNo) {
    return {Low7(romId), Low7(romBankNo)};
}

std::array<uint8_t, 3> AllSoundOff(uint8_t channel) {
    return {static_cast<uint8_t>(0xB0 | (channel & 0x0F)), 0x78, 0x00};
}

std::optional<size_t> SysexLength(std::span<const uint8_t> message) {
    for (size_t i = 0; i < message.size(); ++i) {
        if (message[i] == 0xF7) {
            return i + 1;
        }
    }
    return std::nullopt;
}

bool IsEmuMessage(std::span<const uint8_t> message) {
    return message.size() >= 4 && message[0] == 0xF0 && message[1] == Emu && message[2] == Proteus;
}

bool AcceptedFrom(std::span<const uint8_t> message, uint8_t deviceId) {
    return IsEmuMessage(message) && (message[3] == deviceId || deviceId == 0x7F);
}

std::optional<TIdentity> ParseIdentityReply(std::span<const uint8_t> message) {
    if (message.size() < 15 || message[0] != 0xF0 || message[1] != 0x7E || message[3] != 0x06 ||
        message[4] != 0x02 || message[5] != Emu || message[6] != 0x04 || message[7] != 0x04) {
        return std::nullopt;
    }
    TIdentity id;
    id.DeviceId = message[2];
    id.MemberCode = message[8];
    id.Version.assign(reinterpret_cast<const char*>(message.data() + 10), 4);
    return id;
}

std::optional<THardwareConfig> ParseHardwareConfig(std::span<const uint8_t> message) {
    if (!IsEmuMessage(message) || message.size() < 11 || message[4] != Command ||
        message[5] != 0x09) {
        return std::nullopt;
    }
    THardwareConfig config;
    config.RomCount = message[9];
    const size_t stride = message[10];
    for (int i = 0; i < config.RomCount; ++i) {
        const size_t at = 11 + static_cast<size_t>(i) * stride;
        // Each entry needs six bytes, and the message's F7 must come after them.
        if (stride < 6 || at + 6 >= message.size()) {
            break;
        }
        TRomEntry e;
        e.Id = message[at] | message[at + 1] << 7;
        e.PresetCount = message[at + 2] | message[at + 3] << 7;
        e.InstrumentCount = message[at + 4] | message[at + 5] << 7;
        config.Roms.push_back(e);
    }
    return config;
}

std::optional<uint8_t> ParseChannelReply(std::span<const uint8_t> message) {
    if (!IsEmuMessage(message) || message.size() < 10 || message[7] != 0x0B || message[8] != 0x01) {
        return std::nullopt;
    }
    return static_cast<uint8_t>(message[9] & 0x0F);
}

std::optional<uint32_t> DumpHeaderByteCount(std::span<const uint8_t> header) {
    if (header.size() < 13) {
        return std::nullopt;
    }
    uint32_t count = 0;
    for (int i = 3; i >= 0; --i) {
        count = count << 7 | (header[static_cast<size_t>(9 + i)] & 0x7F);
    }
    return count;
}

bool IsPresetDump(std::span<const uint8_t> message) {
    return message.size() >= 9 && message[4] == Command && message[5] == 0x10;
}

std::optional<int> DumpPacketNumber(std::span<const uint8_t> message) {
    if (!IsPresetDump(message)) {
        return std::nullopt;
    }
    if (message[6] == 0x03 && message.size() <= static_cast<size_t>(TDumpSizes::HeaderSlot)) {
        return 0;
    }
    const int packet = message[7];
    const int slot = packet == 7 ? TDumpSizes::LastSlot : TDumpSizes::DataSlot;
    if (packet < 1 || packet > 7 || message.size() > static_cast<size_t>(slot)) {
        return std::nullopt;
    }
    return packet;
}

bool DumpPacketWhole(std::span<const uint8_t> packet) {
    return packet.size() >= 2 && packet.back() == 0xF7 &&
           std::all_of(packet.begin() + 1, packet.end() - 1, [](uint8_t b) { return b < 0x80; });
}

std::optional<TDumpSizes>
GatheredDumpSizes(std::span<const uint8_t> header,
                  const std::array<int, TDumpSizes::PacketCount>& lengths) {
    const auto& l = lengths;
    const auto sizes = TDumpSizes::Make(l[0], {l[1], l[2], l[3], l[4], l[5], l[6], l[7]});
    if (!sizes) {
        return std::nullopt;
    }
    const auto announced =
        DumpHeaderByteCount(header.first(std::min(header.size(), static_cast<size_t>(l[0]))));
    if (!announced || *announced != static_cast<uint32_t>(sizes->DataByteCount())) {
        return std::nullopt;
    }
    return sizes;
}

bool IsCancel(std::span<const uint8_t> message) {
    return IsEmuMessage(message) && message.size() >= 6 && message[4] == Command &&
           message[5] == 0x7D;
}

} // namespace velcora::sysex

namespace velcora::sysex {

namespace {

constexpr uint8_t HeaderClosed = 0x01;
constexpr uint8_t DataClosed = 0x02;
constexpr uint8_t HeaderOpen = 0x03;
constexpr uint8_t DataOpen = 0x04;
// F0 18 0F dd 55 10 sub pp pp <data> cs F7
constexpr size_t PacketOverhead = 11;

} // namespace

std::optional<THandshake> ParseHandshake(std::span<const uint8_t> message, uint8_t deviceId) {
    if (!IsEmuMessage(message) || message.size() < 7) {
        return std::nullopt;
    }
    // The device id may stand before or after the 55.
    uint8_t device = 0;
    if (message[4] == 0x55) {
        device = message[3];
    } else if (message[3] == 0x55) {
        device = message[4];
    } else {
        return std::nullopt;
    }
    if (device != deviceId && deviceId != 0x7F) {
        return std::nullopt;
    }
    const uint8_t command = message[5];
    switch (command) {
    case 0x7F:
    case 0x7E:
        if (message.size() != 9 || message[8] != 0xF7 || message[6] > 0x7F || message[7] > 0x7F) {
            return std::nullopt;
        }
        return THandshake{static_cast<THandshakeKind>(command), message[6] | message[7] << 7};
    case 0x7D:
    case 0x7C:
    case 0x7B:
        if (message.size() != 7 || message[6] != 0xF7) {
            return std::nullopt;
        }
        return THandshake{static_cast<THandshakeKind>(command), 0};
    default:
        return std::nullopt;
    }
}

TBytes Handshake(uint8_t deviceId, THandshakeKind kind) {
    return EmuMessage(deviceId, {static_cast<uint8_t>(kind)});
}

std::optional<TBytes> ClosedLoopPacket(std::span<const uint8_t> message) {
    const auto length = SysexLength(message);
    if (!length || *length < 9 || message[0] != 0xF0 || !IsPresetDump(message.first(*length))) {
        return std::nullopt;
    }
    TBytes packet(message.begin(), message.begin() + static_cast<std::ptrdiff_t>(*length));
    // Stored dumps come from either kind of dump; the synth is told which one this is.
    if (packet[6] == HeaderOpen || packet[6] == HeaderClosed) {
        packet[6] = HeaderClosed;
        return packet;
    }
    if ((packet[6] != DataOpen && packet[6] != DataClosed) || packet.size() < PacketOverhead) {
        return std::nullopt;
    }
    packet[6] = DataClosed;
    packet[packet.size() - 2] = PacketChecksum(packet);
    return packet;
}

int ClosedLoopPacketNumber(std::span<const uint8_t> packet) {
    if (packet.size() < 9 || packet[6] != DataClosed) {
        return 0;
    }
    return packet[7] | packet[8] << 7;
}

} // namespace velcora::sysex
