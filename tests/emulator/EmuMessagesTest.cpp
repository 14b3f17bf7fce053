#include "EmuMessages.h"

#include "EmuTestSupport.h"

#include <gtest/gtest.h>

namespace velcora::emu {
namespace {

using test::Hex;
using test::ToHex;

TEST(EmuMessages, BuildersWriteTheFamilyLayouts) {
    const std::vector<TRomInfo> roms{{4, 512, 1024}, {0x81, 640, 3}};
    const std::vector<uint16_t> ids{139, 899};
    const std::vector<TParamValue> edits{{139, 5}, {899, 'P'}};
    struct TCase {
        const char* name;
        TBytes built;
        const char* expected;
    };
    const TCase cases[] = {
        {"inquiry", BuildDeviceInquiry(), "F0 7E 7F 06 01 F7"},
        {"identity", BuildIdentityReply(0x10, 13, {'2', '.', '0', '0'}),
         "F0 7E 10 06 02 18 04 04 0D 00 32 2E 30 30 F7"},
        {"identity, 14-bit member code", BuildIdentityReply(0, 200, {'1', '0', '0', '0'}),
         "F0 7E 00 06 02 18 04 04 48 01 31 30 30 30 F7"},
        {"hw config request", BuildHwConfigRequest(3), "F0 18 0F 03 55 0A F7"},
        {"hw config", BuildHwConfig(0, 512, roms),
         "F0 18 0F 00 55 09 02 00 04 02 06 04 00 00 04 00 08 01 01 00 05 03 00 F7"},
        {"hw config, no ROM", BuildHwConfig(0, 512, {}), "F0 18 0F 00 55 09 02 00 04 00 06 F7"},
        {"param request", BuildParamRequest(0, ids), "F0 18 0F 00 55 02 02 0B 01 03 07 F7"},
        {"param edit", BuildParamEdit(1, edits), "F0 18 0F 01 55 01 04 0B 01 05 00 03 07 50 00 F7"},
        {"dump request, open", BuildDumpRequest(0, {false, 17 + 2 * 128, 0}),
         "F0 18 0F 00 55 11 04 11 02 00 00 F7"},
        {"dump request, closed, ROM", BuildDumpRequest(0, {true, 5 * 128 + 3, 14}),
         "F0 18 0F 00 55 11 02 03 05 0E 00 F7"},
        {"ack", BuildHandshake(0, cmdAck, 7), "F0 18 0F 00 55 7F 07 00 F7"},
        {"nak", BuildHandshake(0, cmdNak, 130), "F0 18 0F 00 55 7E 02 01 F7"},
        {"cancel", BuildHandshake(0, cmdCancel), "F0 18 0F 00 55 7D F7"},
        {"eof", BuildHandshake(0, cmdEof), "F0 18 0F 00 55 7B F7"},
        {"randomize", BuildRandomize(0, {kEditBufferPreset, 0}),
         "F0 18 0F 00 55 71 7F 7F 00 00 F7"},
        {"error", BuildErrorMessage(0, cmdPresetDumpRequest, 4),
         "F0 18 0F 00 55 70 11 00 04 00 F7"},
        {"device id keeps 7 bits", BuildHwConfigRequest(0x85), "F0 18 0F 05 55 0A F7"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToHex(c.built), c.expected) << c.name;
    }
}

TEST(EmuMessages, HeaderAndPacketRoundTrip) {
    TDumpHeader header;
    header.ClosedLoop = false;
    header.Preset = 17 + 2 * 128;
    header.ByteCount = 1502;
    for (size_t i = 0; i < header.Counts.size(); ++i) {
        header.Counts[i] = uint8_t(i * 5);
    }
    header.RomId = 0x0F;
    const TBytes bytes = BuildDumpHeader(0x22, header);
    ASSERT_EQ(bytes.size(), kHeaderSize);
    EXPECT_EQ(ToHex({bytes.begin(), bytes.begin() + 13}), "F0 18 0F 22 55 10 03 11 02 5E 0B 00 00");
    EXPECT_EQ(ToHex({bytes.end() - 3, bytes.end()}), "0F 00 F7");
    const auto parsed = ParseDumpHeader(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_FALSE(parsed->ClosedLoop);
    EXPECT_EQ(parsed->Preset, header.Preset);
    EXPECT_EQ(parsed->ByteCount, 1502u);
    EXPECT_EQ(parsed->Counts, header.Counts);
    EXPECT_EQ(parsed->RomId, 0x0F);

    const TBytes data{1, 2, 3, 0x7F};
    const TBytes packet = BuildDumpPacket(0, true, 7, data);
    // 1 + 2 + 3 + 127 = 133 = 0x85; its complement's low 7 bits are 0x7A.
    EXPECT_EQ(ToHex(packet), "F0 18 0F 00 55 10 02 07 00 01 02 03 7F 7A F7");
    const auto p = ParseDumpPacket(packet);
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->ClosedLoop);
    EXPECT_EQ(p->Number, 7);
    EXPECT_EQ(TBytes(p->Data.begin(), p->Data.end()), data);
    EXPECT_TRUE(ChecksumAccepted(*p));
}

TEST(EmuMessages, ChecksumIsTheComplementOfTheSumAndSevenFIsAccepted) {
    struct TCase {
        TBytes data;
        uint8_t sum;
    };
    const TCase cases[] = {{{}, 0x7F},     {{0}, 0x7F},
                           {{0x7F}, 0x00}, {{0x40, 0x40}, 0x7F},
                           {{0x01}, 0x7E}, {TBytes(244, 0x7F), uint8_t(~(244u * 0x7F) & 0x7F)}};
    for (const auto& c : cases) {
        EXPECT_EQ(Checksum(c.data), c.sum) << ToHex(c.data);
    }
    TBytes packet = Hex("F0 18 0F 00 55 10 04 01 00 05 06 00 F7");
    EXPECT_FALSE(ChecksumAccepted(*ParseDumpPacket(packet)));
    packet[11] = Checksum(Hex("05 06"));
    EXPECT_TRUE(ChecksumAccepted(*ParseDumpPacket(packet)));
    packet[11] = 0x7F;
    EXPECT_TRUE(ChecksumAccepted(*ParseDumpPacket(packet)));
}

TEST(EmuMessages, ParsersTakeWellFormedMessages) {
    EXPECT_EQ(ParseDeviceInquiry(Hex("F0 7E 7F 06 01 F7")), 0x7F);
    EXPECT_EQ(ParseDeviceInquiry(Hex("F0 7E 05 06 01 F7")), 0x05);

    const auto ids = ParseParamRequest(Hex("F0 18 0F 00 55 02 01 0B 01 F7"));
    ASSERT_TRUE(ids);
    EXPECT_EQ(*ids, std::vector<uint16_t>{139});

    const auto edits = ParseParamEdit(Hex("F0 18 0F 00 55 01 02 0A 01 00 00 F7"));
    ASSERT_TRUE(edits);
    EXPECT_EQ(*edits, (std::vector<TParamValue>{{138, 0}}));

    const auto request = ParseDumpRequest(Hex("F0 18 0F 00 55 11 04 7F 7F 00 00 F7"));
    ASSERT_TRUE(request);
    EXPECT_FALSE(request->ClosedLoop);
    EXPECT_EQ(request->Preset, kEditBufferPreset);
    EXPECT_EQ(request->RomId, 0);

    const auto ack = ParseHandshake(Hex("F0 18 0F 00 55 7F 03 00 F7"));
    ASSERT_TRUE(ack);
    EXPECT_EQ(ack->Command, cmdAck);
    EXPECT_EQ(ack->Packet, 3);

    const auto randomize = ParseRandomize(Hex("F0 18 0F 00 55 71 7F 7F 00 00 F7"));
    ASSERT_TRUE(randomize);
    EXPECT_EQ(randomize->Preset, kEditBufferPreset);
}

TEST(EmuMessages, ParsersRefuseMalformedMessages) {
    struct TCase {
        const char* name;
        const char* bytes;
    };
    const TCase inquiries[] = {
        {"no F7", "F0 7E 7F 06 01"},
        {"reply, not request", "F0 7E 7F 06 02 F7"},
        {"real-time universal", "F0 7F 7F 06 01 F7"},
        {"extra byte", "F0 7E 7F 06 01 00 F7"},
        {"status byte inside", "F0 7E 90 06 01 F7"},
    };
    for (const auto& c : inquiries) {
        EXPECT_FALSE(ParseDeviceInquiry(Hex(c.bytes))) << c.name;
    }
    const TCase emu[] = {
        {"empty", ""},
        {"only F0", "F0"},
        {"other maker", "F0 41 0F 00 55 0A F7"},
        {"other family", "F0 18 04 00 55 0A F7"},
        {"no editor byte", "F0 18 0F 00 54 0A F7"},
        {"status byte inside", "F0 18 0F 00 55 8A F7"},
        {"cut off", "F0 18 0F 00 55 F7"},
        {"no F7", "F0 18 0F 00 55 0A 00"},
    };
    for (const auto& c : emu) {
        EXPECT_FALSE(ParseEmuMessage(Hex(c.bytes))) << c.name;
    }
    const TCase params[] = {
        {"count zero", "F0 18 0F 00 55 02 00 F7"},
        {"count says two, one given", "F0 18 0F 00 55 02 02 0B 01 F7"},
        {"count says one, two given", "F0 18 0F 00 55 02 01 0B 01 0C 01 F7"},
        {"odd byte", "F0 18 0F 00 55 02 01 0B F7"},
    };
    for (const auto& c : params) {
        EXPECT_FALSE(ParseParamRequest(Hex(c.bytes))) << c.name;
    }
    const TCase edits[] = {
        {"odd pair count", "F0 18 0F 00 55 01 01 0B 01 F7"},
        {"value missing", "F0 18 0F 00 55 01 02 0B 01 F7"},
        {"count too small", "F0 18 0F 00 55 01 02 0B 01 05 00 0C 01 05 00 F7"},
    };
    for (const auto& c : edits) {
        EXPECT_FALSE(ParseParamEdit(Hex(c.bytes))) << c.name;
    }
    const TCase requests[] = {
        {"no ROM id", "F0 18 0F 00 55 11 04 00 00 F7"},
        {"unknown sub-command", "F0 18 0F 00 55 11 10 00 00 00 00 F7"},
        {"reserved sub-command", "F0 18 0F 00 55 11 00 00 00 00 00 F7"},
        {"trailing byte", "F0 18 0F 00 55 11 04 00 00 00 00 00 F7"},
    };
    for (const auto& c : requests) {
        EXPECT_FALSE(ParseDumpRequest(Hex(c.bytes))) << c.name;
    }
    EXPECT_FALSE(ParseDumpHeader(Hex("F0 18 0F 00 55 10 03 00 00 54 0B 00 00 F7"))) << "short";
    TBytes header = BuildDumpHeader(0, {});
    header[6] = subDataOpen;
    EXPECT_FALSE(ParseDumpHeader(header)) << "data sub-command";
    EXPECT_FALSE(ParseDumpPacket(Hex("F0 18 0F 00 55 10 04 01 00 F7"))) << "no checksum";
    EXPECT_FALSE(ParseDumpPacket(Hex("F0 18 0F 00 55 10 03 01 00 05 7A F7"))) << "header sub";
    EXPECT_FALSE(ParseHandshake(Hex("F0 18 0F 00 55 7F 03 F7"))) << "ack without high byte";
    EXPECT_FALSE(ParseHandshake(Hex("F0 18 0F 00 55 7D 00 F7"))) << "cancel with a byte";
    EXPECT_FALSE(ParseRandomize(Hex("F0 18 0F 00 55 71 7F 7F 00 F7"))) << "short randomize";
}

} // namespace
} // namespace velcora::emu
