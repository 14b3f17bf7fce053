#include "EmuMessages.h"

#include <algorithm>

namespace velcora::emu {

namespace {

constexpr uint8_t kUniversalNonRealTime = 0x7E;
constexpr uint8_t kGeneralInformation = 0x06;
constexpr uint8_t kIdentityRequest = 0x01;
constexpr uint8_t kIdentityReply = 0x02;
// Device family 04 04, as every member of the family reports it.
constexpr uint8_t kFamilyLow = 0x04;
constexpr uint8_t kFamilyHigh = 0x04;
// The general-information block of the hardware configuration holds one 14-bit number: the
// count of user presets.
constexpr uint8_t kGeneralInfoBytes = 2;
constexpr uint8_t kRomEntryBytes = 6;

TBytes Frame(uint8_t deviceId, uint8_t command) {
    return TBytes{kSysex, kEmuId, kProteusId, uint8_t(deviceId & 0x7F), kEditorByte, command};
}

void Put14(TBytes& bytes, uint16_t value) {
    bytes.push_back(Lo7(value));
    bytes.push_back(Hi7(value));
}

/// The E-mu editor message with this command and exactly this size, or nothing.
bool IsCommand(TView message, uint8_t command, size_t size) {
    const auto address = ParseEmuMessage(message);
    return address && address->Command == command && message.size() == size;
}

} // namespace

bool IsSysex(TView message) {
    if (message.size() < 2 || message.front() != kSysex || message.back() != kEox) {
        return false;
    }
    return std::all_of(message.begin() + 1, message.end() - 1,
                       [](uint8_t byte) { return byte < 0x80; });
}

std::optional<TEmuAddress> ParseEmuMessage(TView message) {
    if (message.size() < 7 || !IsSysex(message) || message[1] != kEmuId ||
        message[2] != kProteusId || message[4] != kEditorByte) {
        return std::nullopt;
    }
    return TEmuAddress{message[3], message[5]};
}

std::optional<uint8_t> ParseDeviceInquiry(TView message) {
    if (message.size() != 6 || !IsSysex(message) || message[1] != kUniversalNonRealTime ||
        message[3] != kGeneralInformation || message[4] != kIdentityRequest) {
        return std::nullopt;
    }
    return message[2];
}

TBytes BuildDeviceInquiry(uint8_t deviceId) {
    return {kSysex,
            kUniversalNonRealTime,
            uint8_t(deviceId & 0x7F),
            kGeneralInformation,
            kIdentityRequest,
            kEox};
}

TBytes BuildIdentityReply(uint8_t deviceId, uint16_t memberCode,
                          const std::array<char, 4>& version) {
    TBytes bytes{kSysex,
                 kUniversalNonRealTime,
                 uint8_t(deviceId & 0x7F),
                 kGeneralInformation,
                 kIdentityReply,
                 kEmuId,
                 kFamilyLow,
                 kFamilyHigh};
    Put14(bytes, memberCode);
    for (char c : version) {
        bytes.push_back(uint8_t(c) & 0x7F);
    }
    bytes.push_back(kEox);
    return bytes;
}

TBytes BuildHwConfigRequest(uint8_t deviceId) {
    TBytes bytes = Frame(deviceId, cmdHwConfigRequest);
    bytes.push_back(kEox);
    return bytes;
}

TBytes BuildHwConfig(uint8_t deviceId, uint16_t userPresets, std::span<const TRomInfo> roms) {
    TBytes bytes = Frame(deviceId, cmdHwConfig);
    bytes.push_back(kGeneralInfoBytes);
    Put14(bytes, userPresets);
    bytes.push_back(uint8_t(std::min<size_t>(roms.size(), 0x7F)));
    bytes.push_back(kRomEntryBytes);
    for (size_t i = 0; i < roms.size() && i < 0x7F; ++i) {
        Put14(bytes, roms[i].Id);
        Put14(bytes, roms[i].Presets);
        Put14(bytes, roms[i].Instruments);
    }
    bytes.push_back(kEox);
    return bytes;
}

std::optional<std::vector<uint16_t>> ParseParamRequest(TView message) {
    const auto address = ParseEmuMessage(message);
    if (!address || address->Command != cmdParamRequest || message.size() < 8) {
        return std::nullopt;
    }
    // The count byte gives the number of 7-bit byte pairs, one pair per parameter id.
    const size_t pairs = message[6];
    if (pairs == 0 || message.size() != 8 + 2 * pairs) {
        return std::nullopt;
    }
    std::vector<uint16_t> ids;
    for (size_t i = 0; i < pairs; ++i) {
        ids.push_back(Join14(message[7 + 2 * i], message[8 + 2 * i]));
    }
    return ids;
}

TBytes BuildParamRequest(uint8_t deviceId, std::span<const uint16_t> ids) {
    TBytes bytes = Frame(deviceId, cmdParamRequest);
    bytes.push_back(uint8_t(ids.size() & 0x7F));
    for (uint16_t id : ids) {
        Put14(bytes, id);
    }
    bytes.push_back(kEox);
    return bytes;
}

std::optional<std::vector<TParamValue>> ParseParamEdit(TView message) {
    const auto address = ParseEmuMessage(message);
    if (!address || address->Command != cmdParamEdit || message.size() < 8) {
        return std::nullopt;
    }
    // Two pairs per edit: the parameter id, then its value.
    const size_t pairs = message[6];
    if (pairs == 0 || pairs % 2 != 0 || message.size() != 8 + 2 * pairs) {
        return std::nullopt;
    }
    std::vector<TParamValue> values;
    for (size_t i = 0; i < pairs; i += 2) {
        values.emplace_back(Join14(message[7 + 2 * i], message[8 + 2 * i]),
                            Join14(message[9 + 2 * i], message[10 + 2 * i]));
    }
    return values;
}

TBytes BuildParamEdit(uint8_t deviceId, std::span<const TParamValue> values) {
    TBytes bytes = Frame(deviceId, cmdParamEdit);
    bytes.push_back(uint8_t((values.size() * 2) & 0x7F));
    for (const auto& [id, value] : values) {
        Put14(bytes, id);
        Put14(bytes, value);
    }
    bytes.push_back(kEox);
    return bytes;
}

std::optional<TDumpRequest> ParseDumpRequest(TView message) {
    if (!IsCommand(message, cmdPresetDumpRequest, 12) ||
        (message[6] != subRequestClosed && message[6] != subRequestOpen)) {
        return std::nullopt;
    }
    return TDumpRequest{message[6] == subRequestClosed, Join14(message[7], message[8]),
                        Join14(message[9], message[10])};
}

TBytes BuildDumpRequest(uint8_t deviceId, const TDumpRequest& request) {
    TBytes bytes = Frame(deviceId, cmdPresetDumpRequest);
    bytes.push_back(request.ClosedLoop ? subRequestClosed : subRequestOpen);
    Put14(bytes, request.Preset);
    Put14(bytes, request.RomId);
    bytes.push_back(kEox);
    return bytes;
}

std::optional<TDumpHeader> ParseDumpHeader(TView message) {
    if (!IsCommand(message, cmdPresetDump, kHeaderSize) ||
        (message[6] != subHeaderClosed && message[6] != subHeaderOpen)) {
        return std::nullopt;
    }
    TDumpHeader header;
    header.ClosedLoop = message[6] == subHeaderClosed;
    header.Preset = Join14(message[7], message[8]);
    header.ByteCount = uint32_t(message[9]) | uint32_t(message[10]) << 7 |
                       uint32_t(message[11]) << 14 | uint32_t(message[12]) << 21;
    std::copy_n(message.begin() + 13, kHeaderCountsSize, header.Counts.begin());
    header.RomId = Join14(message[33], message[34]);
    return header;
}

TBytes BuildDumpHeader(uint8_t deviceId, const TDumpHeader& header) {
    TBytes bytes = Frame(deviceId, cmdPresetDump);
    bytes.push_back(header.ClosedLoop ? subHeaderClosed : subHeaderOpen);
    Put14(bytes, header.Preset);
    for (int shift = 0; shift < 28; shift += 7) {
        bytes.push_back(uint8_t((header.ByteCount >> shift) & 0x7F));
    }
    for (uint8_t count : header.Counts) {
        bytes.push_back(count & 0x7F);
    }
    Put14(bytes, header.RomId);
    bytes.push_back(kEox);
    return bytes;
}

std::optional<TDumpPacket> ParseDumpPacket(TView message) {
    const auto address = ParseEmuMessage(message);
    if (!address || address->Command != cmdPresetDump || message.size() < kPacketOverhead + 1 ||
        (message[6] != subDataClosed && message[6] != subDataOpen)) {
        return std::nullopt;
    }
    TDumpPacket packet;
    packet.ClosedLoop = message[6] == subDataClosed;
    packet.Number = Join14(message[7], message[8]);
    packet.Data = message.subspan(9, message.size() - kPacketOverhead);
    packet.Checksum = message[message.size() - 2];
    return packet;
}

TBytes BuildDumpPacket(uint8_t deviceId, bool closedLoop, uint16_t number, TView data) {
    TBytes bytes = Frame(deviceId, cmdPresetDump);
    bytes.push_back(closedLoop ? subDataClosed : subDataOpen);
    Put14(bytes, number);
    for (uint8_t byte : data) {
        bytes.push_back(byte & 0x7F);
    }
    bytes.push_back(Checksum(data));
    bytes.push_back(kEox);
    return bytes;
}

uint8_t Checksum(TView data) {
    uint32_t sum = 0;
    for (uint8_t byte : data) {
        sum += byte & 0x7F;
    }
    return uint8_t(~sum & 0x7F);
}

bool ChecksumAccepted(const TDumpPacket& packet) {
    return packet.Checksum == 0x7F || packet.Checksum == Checksum(packet.Data);
}

std::optional<THandshake> ParseHandshake(TView message) {
    const auto address = ParseEmuMessage(message);
    if (!address) {
        return std::nullopt;
    }
    switch (address->Command) {
    case cmdAck:
    case cmdNak:
        if (message.size() != 9) {
            return std::nullopt;
        }
        return THandshake{address->Command, Join14(message[6], message[7])};
    case cmdCancel:
    case cmdWait:
    case cmdEof:
        if (message.size() != 7) {
            return std::nullopt;
        }
        return THandshake{address->Command, 0};
    default:
        return std::nullopt;
    }
}

TBytes BuildHandshake(uint8_t deviceId, uint8_t command, uint16_t packet) {
    TBytes bytes = Frame(deviceId, command);
    if (command == cmdAck || command == cmdNak) {
        Put14(bytes, packet);
    }
    bytes.push_back(kEox);
    return bytes;
}

std::optional<TRandomize> ParseRandomize(TView message) {
    if (!IsCommand(message, cmdRandomize, 11)) {
        return std::nullopt;
    }
    return TRandomize{Join14(message[6], message[7]), Join14(message[8], message[9])};
}

TBytes BuildRandomize(uint8_t deviceId, const TRandomize& randomize) {
    TBytes bytes = Frame(deviceId, cmdRandomize);
    Put14(bytes, randomize.Preset);
    Put14(bytes, randomize.RomId);
    bytes.push_back(kEox);
    return bytes;
}

TBytes BuildErrorMessage(uint8_t deviceId, uint16_t command, uint16_t detail) {
    TBytes bytes = Frame(deviceId, cmdError);
    Put14(bytes, command);
    Put14(bytes, detail);
    bytes.push_back(kEox);
    return bytes;
}

} // namespace velcora::emu
