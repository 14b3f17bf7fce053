// The messages of the synth dialogue, byte by byte, and the model and ROM tables.
#include "SysexMessages.h"

#include "DumpMaker.h"
#include "Simid.h"

#include <gtest/gtest.h>

using namespace velcora;
using namespace velcora::sysex;

namespace {

TBytes Hex(std::initializer_list<int> bytes) {
    TBytes out;
    for (int b : bytes) {
        out.push_back(static_cast<uint8_t>(b));
    }
    return out;
}

/// A preset dump message of that length: F0 18 0F 00 55 10, bytes 6 and 7, zeros, F7.
TBytes DumpMessage(uint8_t byte6, uint8_t byte7, size_t length) {
    TBytes m(length, 0x00);
    const TBytes start{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x10, byte6, byte7};
    std::copy(start.begin(), start.end(), m.begin());
    m.back() = 0xF7;
    return m;
}

TBytes With(TBytes m, size_t at, uint8_t value) {
    m.at(at) = value;
    return m;
}

} // namespace

TEST(SysexMessages, BuiltMessages) {
    struct Case {
        const char* What;
        TBytes Built;
        TBytes Expected;
    };
    const Case cases[] = {
        {"device inquiry", DeviceInquiry(), Hex({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7})},
        {"hardware configuration request", HardwareConfigRequest(0x10),
         Hex({0xF0, 0x18, 0x0F, 0x10, 0x55, 0x0A, 0xF7})},
        {"initial parameter", InitialParameter(0),
         Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x02, 0x0A, 0x01, 0x00, 0x00, 0xF7})},
        {"channel request", ChannelRequest(3),
         Hex({0xF0, 0x18, 0x0F, 0x03, 0x55, 0x02, 0x01, 0x0B, 0x01, 0xF7})},
        {"preset dump request", PresetDumpRequest(0, 17, 2),
         Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x11, 0x04, 0x11, 0x02, 0x00, 0x00, 0xF7})},
        {"direct ROM request", PresetDumpRequest(0, 5, 4, 0x0F, 0x00),
         Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x11, 0x04, 0x05, 0x04, 0x0F, 0x00, 0xF7})},
        {"edit buffer request", EditBufferRequest(0x7F),
         Hex({0xF0, 0x18, 0x0F, 0x7F, 0x55, 0x11, 0x04, 0x7F, 0x7F, 0x00, 0x00, 0xF7})},
        {"randomize", Randomize(1),
         Hex({0xF0, 0x18, 0x0F, 0x01, 0x55, 0x71, 0x7F, 0x7F, 0x00, 0x00, 0xF7})},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.Built, c.Expected) << c.What;
    }
}

TEST(SysexMessages, NameEditSetsSixteenParameters) {
    const TBytes m = PresetNameEdit(0, "Pad:Warm");
    ASSERT_EQ(m.size(), 72u);
    EXPECT_EQ(TBytes(m.begin(), m.begin() + 7), Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x01, 0x20}));
    // Parameter 899 (03 07) takes 'P'; parameter 914 (12 07) the last padding space.
    EXPECT_EQ(TBytes(m.begin() + 7, m.begin() + 11), Hex({0x03, 0x07, 'P', 0x00}));
    EXPECT_EQ(TBytes(m.begin() + 67, m.end()), Hex({0x12, 0x07, ' ', 0x00, 0xF7}));
}

TEST(SysexMessages, ShortMessages) {
    EXPECT_EQ(ProgramChange(0x1F, 5), (std::array<uint8_t, 2>{0xCF, 0x05}));
    const auto bank = BankSelect(2, 0x0F, 4);
    EXPECT_EQ(bank[0], (std::array<uint8_t, 3>{0xB2, 0x00, 0x0F}));
    EXPECT_EQ(bank[1], (std::array<uint8_t, 3>{0xB2, 0x20, 0x04}));
    EXPECT_EQ(AllSoundOff(15), (std::array<uint8_t, 3>{0xBF, 0x78, 0x00}));
}

// The values that choose a bank, 7 bits each as they cross the wire.
TEST(SysexMessages, BankSelectValues) {
    EXPECT_EQ(UserBankSelect(0), (TBankSelectValues{0, 0}));
    EXPECT_EQ(UserBankSelect(3), (TBankSelectValues{0, 3}));
    EXPECT_EQ(RomBankSelect(4, 2), (TBankSelectValues{4, 2}));
    EXPECT_EQ(RomBankSelect(0x8F, 5), (TBankSelectValues{0x0F, 5})) << "a two-byte ROM id";
}

TEST(SysexMessages, LengthAndAcceptance) {
    EXPECT_EQ(SysexLength(Hex({0xF0, 1, 0xF7, 2})), 3u);
    EXPECT_EQ(SysexLength(Hex({0xF0, 1, 2})), std::nullopt);
    const TBytes from5 = Hex({0xF0, 0x18, 0x0F, 0x05, 0x55, 0x7D, 0xF7});
    EXPECT_TRUE(AcceptedFrom(from5, 5));
    EXPECT_FALSE(AcceptedFrom(from5, 6));
    EXPECT_TRUE(AcceptedFrom(from5, 0x7F));
    EXPECT_FALSE(AcceptedFrom(Hex({0xF0, 0x18, 0x0E, 0x05, 0xF7}), 5));
    EXPECT_FALSE(AcceptedFrom(Hex({0xF0, 0x18}), 0x7F));
    EXPECT_TRUE(IsCancel(from5));
}

TEST(SysexMessages, IdentityReply) {
    const TBytes reply =
        Hex({0xF0, 0x7E, 0x10, 0x06, 0x02, 0x18, 0x04, 0x04, 0x03, 0x01, '1', '.', '0', '4', 0xF7});
    const auto id = ParseIdentityReply(reply);
    ASSERT_TRUE(id);
    EXPECT_EQ(id->DeviceId, 0x10);
    EXPECT_EQ(id->MemberCode, 3);
    EXPECT_EQ(id->Version, "1.04");
    for (size_t fixed : {1, 3, 4, 5, 6, 7}) {
        TBytes other = reply;
        other[fixed] ^= 0x01;
        EXPECT_FALSE(ParseIdentityReply(other)) << "byte " << fixed;
    }
    EXPECT_FALSE(ParseIdentityReply(TBytes(reply.begin(), reply.begin() + 12)));
}

TEST(SysexMessages, HardwareConfiguration) {
    // Two ROMs: Composer with 512 presets and an unknown id 12 with 300.
    const TBytes config =
        Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x09, 0x02, 0x00, 0x04, 0x02, 0x06, 0x04,
             0x00, 0x00, 0x04, 0x10, 0x05, 0x0C, 0x00, 0x2C, 0x02, 0x00, 0x01, 0xF7});
    const auto hw = ParseHardwareConfig(config);
    ASSERT_TRUE(hw);
    ASSERT_EQ(hw->Roms.size(), 2u);
    EXPECT_EQ(hw->Roms[0].Id, 4);
    EXPECT_EQ(hw->Roms[0].PresetCount, 512);
    EXPECT_EQ(hw->Roms[0].InstrumentCount, 0x290);
    EXPECT_EQ(hw->Roms[0].BankCount(), 4);
    EXPECT_EQ(hw->Roms[1].PresetCount, 300);
    EXPECT_EQ(hw->Roms[1].BankCount(), 2);
    // A count larger than the message holds takes only the whole entries.
    TBytes lying = config;
    lying[9] = 0x7F;
    EXPECT_EQ(ParseHardwareConfig(lying)->Roms.size(), 2u);
    TBytes none = Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x09, 0x02, 0x00, 0x04, 0x00, 0x06, 0xF7});
    EXPECT_TRUE(ParseHardwareConfig(none)->Roms.empty());
    EXPECT_FALSE(ParseHardwareConfig(Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x0A, 0xF7})));
}

TEST(SysexMessages, ChannelReplyAndDumpByteCount) {
    EXPECT_EQ(ParseChannelReply(
                  Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x03, 0x01, 0x0B, 0x01, 0x1F, 0x00, 0xF7})),
              0x0F);
    EXPECT_FALSE(ParseChannelReply(
        Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x03, 0x01, 0x0A, 0x01, 0x1F, 0x00, 0xF7})));
    // 1494 = 0x5D6: D6 & 7F = 56, then 0B.
    const TBytes header =
        Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x10, 0x01, 0x00, 0x00, 0x56, 0x0B, 0x00, 0x00, 0xF7});
    EXPECT_EQ(DumpHeaderByteCount(header), 1494u);
}

TEST(SysexMessages, PresetDumpPackets) {
    struct Case {
        const char* What;
        TBytes Message;
        bool Dump;
        std::optional<int> Slot;
        bool Whole;
    };
    const Case cases[] = {
        {"header", DumpMessage(0x03, 0x05, 36), true, 0, true},
        {"short header", DumpMessage(0x03, 0x05, 14), true, 0, true},
        // Read by its byte 7 as a data packet, whose number 0 names none.
        {"header longer than its slot", DumpMessage(0x03, 0x00, 37), true, std::nullopt, true},
        {"first data packet, whole slot", DumpMessage(0x01, 1, 255), true, 1, true},
        {"sixth data packet", DumpMessage(0x01, 6, 253), true, 6, true},
        {"last data packet, whole slot", DumpMessage(0x01, 7, 61), true, 7, true},
        {"data packet too long", DumpMessage(0x01, 1, 256), true, std::nullopt, true},
        {"last packet too long", DumpMessage(0x01, 7, 62), true, std::nullopt, true},
        {"packet number 0", DumpMessage(0x01, 0, 100), true, std::nullopt, true},
        {"packet number 8", DumpMessage(0x01, 8, 100), true, std::nullopt, true},
        {"cut: no F7 at its end", With(DumpMessage(0x01, 2, 255), 254, 0x20), true, 2, false},
        {"an F7 inside", With(DumpMessage(0x01, 3, 255), 100, 0xF7), true, 3, false},
        {"a byte that is not 7-bit", With(DumpMessage(0x01, 3, 255), 50, 0x80), true, 3, false},
        {"a status byte inside", With(DumpMessage(0x01, 4, 255), 50, 0xF0), true, 4, false},
        {"too short for a dump", Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x10, 0x03, 0xF7}), false,
         std::nullopt, true},
        {"cancel", Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x7D, 0x00, 0x00, 0x00, 0xF7}), false,
         std::nullopt, true},
        {"parameter edit", With(DumpMessage(0x03, 0x05, 36), 5, 0x01), false, std::nullopt, true},
        {"dump command without 55", With(DumpMessage(0x03, 0x05, 36), 4, 0x54), false, std::nullopt,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(IsPresetDump(c.Message), c.Dump);
        EXPECT_EQ(DumpPacketNumber(c.Message), c.Slot);
        EXPECT_EQ(DumpPacketWhole(c.Message), c.Whole);
    }
}

TEST(SysexMessages, GatheredDumpSizes) {
    using TLengths = std::array<int, TDumpSizes::PacketCount>;
    const auto lengths = [](const TDumpSizes& sizes) {
        TLengths l{};
        for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
            l[static_cast<size_t>(p)] = sizes.PacketSize(p);
        }
        return l;
    };
    const auto header = [](const TDumpSizes& sizes) {
        const TBytes dump = velcora::test::MakeDump(sizes);
        return TBytes(dump.begin(), dump.begin() + sizes.HeadSize());
    };
    const TDumpSizes proteus = TDumpSizes::ForModelClass(TModelClass::Proteus);
    const TDumpSizes station = TDumpSizes::ForModelClass(TModelClass::CommandStation);
    const auto changed = [](TLengths l, int packet, int length) {
        l[static_cast<size_t>(packet)] = length;
        return l;
    };
    // 1492 data bytes: the Audity's count, not the one these packets carry.
    const TBytes otherCount = With(With(header(proteus), 9, 0x54), 10, 0x0B);

    struct Case {
        const char* What;
        TBytes Header;
        TLengths Lengths;
        std::optional<TDumpSizes> Sizes;
    };
    const Case cases[] = {
        {"whole dump", header(proteus), lengths(proteus), proteus},
        {"whole dump of another shape", header(station), lengths(station), station},
        {"a packet cut short", header(proteus), changed(lengths(proteus), 3, 254), std::nullopt},
        {"the last packet cut short", header(proteus), changed(lengths(proteus), 7, 40),
         std::nullopt},
        {"a packet too long for its slot", header(proteus), changed(lengths(proteus), 1, 256),
         std::nullopt},
        {"a first packet too short for the name", header(proteus), changed(lengths(proteus), 1, 26),
         std::nullopt},
        {"a header announcing another count", otherCount, lengths(proteus), std::nullopt},
        {"a header too short for its count", header(proteus), changed(lengths(proteus), 0, 12),
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(GatheredDumpSizes(c.Header, c.Lengths), c.Sizes);
    }
}

TEST(Simid, ModelTable) {
    struct Case {
        int Code;
        const char* Name;
        int Class;
    } cases[] = {{2, "Audity 2000", 1}, {3, "Proteus 2000", 2},  {7, "Mo'Phatt", 2},
                 {13, "XL-7", 3},       {15, "Proteus 2500", 3}, {21, "Proteus 1000", 2},
                 {24, "PX-7", 3},       {0, "UNKNOWN", 0},       {1, "UNKNOWN", 0},
                 {25, "UNKNOWN", 0},    {255, "UNKNOWN", 0}};
    for (const auto& c : cases) {
        const TModel m = ModelFromCode(c.Code);
        EXPECT_EQ(m.ModelName, c.Name) << c.Code;
        EXPECT_EQ(static_cast<int>(m.ModelClass), c.Class) << c.Code;
    }
}

TEST(Simid, RomTable) {
    EXPECT_EQ(RomName(0), "User");
    EXPECT_EQ(RomName(4), "Composer");
    EXPECT_EQ(RomName(9), "World Exp.");
    EXPECT_EQ(RomName(67), "Beat");
    EXPECT_EQ(RomName(12), "Id # 12");
    EXPECT_EQ(RomName(1000), "Id # 1000");
}

TEST(SysexMessages, HandshakesReadInEitherOrderOfDeviceIdAnd55) {
    struct Case {
        const char* What;
        TBytes Message;
        uint8_t DeviceId;
        std::optional<std::pair<THandshakeKind, int>> Read;
    };
    const std::vector<Case> cases{
        {"ACK of packet 130", Hex({0xF0, 0x18, 0x0F, 0x05, 0x55, 0x7F, 0x02, 0x01, 0xF7}), 5,
         std::pair{THandshakeKind::Ack, 130}},
        {"ACK as printed, 55 first", Hex({0xF0, 0x18, 0x0F, 0x55, 0x05, 0x7F, 0x03, 0x00, 0xF7}), 5,
         std::pair{THandshakeKind::Ack, 3}},
        {"NAK", Hex({0xF0, 0x18, 0x0F, 0x05, 0x55, 0x7E, 0x01, 0x00, 0xF7}), 5,
         std::pair{THandshakeKind::Nak, 1}},
        {"CANCEL", Hex({0xF0, 0x18, 0x0F, 0x05, 0x55, 0x7D, 0xF7}), 5,
         std::pair{THandshakeKind::Cancel, 0}},
        {"WAIT", Hex({0xF0, 0x18, 0x0F, 0x05, 0x55, 0x7C, 0xF7}), 5,
         std::pair{THandshakeKind::Wait, 0}},
        {"EOF", Hex({0xF0, 0x18, 0x0F, 0x05, 0x55, 0x7B, 0xF7}), 5,
         std::pair{THandshakeKind::Eof, 0}},
        {"any device for 7F", Hex({0xF0, 0x18, 0x0F, 0x09, 0x55, 0x7D, 0xF7}), 0x7F,
         std::pair{THandshakeKind::Cancel, 0}},
        {"another device", Hex({0xF0, 0x18, 0x0F, 0x06, 0x55, 0x7F, 0x01, 0x00, 0xF7}), 5, {}},
        {"another device, 55 first", Hex({0xF0, 0x18, 0x0F, 0x55, 0x06, 0x7D, 0xF7}), 5, {}},
        {"no 55", Hex({0xF0, 0x18, 0x0F, 0x05, 0x54, 0x7F, 0x01, 0x00, 0xF7}), 5, {}},
        {"ACK without its packet", Hex({0xF0, 0x18, 0x0F, 0x05, 0x55, 0x7F, 0xF7}), 5, {}},
        {"CANCEL with a byte too many",
         Hex({0xF0, 0x18, 0x0F, 0x05, 0x55, 0x7D, 0x00, 0xF7}),
         5,
         {}},
        {"a status byte as packet",
         Hex({0xF0, 0x18, 0x0F, 0x05, 0x55, 0x7F, 0x80, 0x00, 0xF7}),
         5,
         {}},
        {"another command", Hex({0xF0, 0x18, 0x0F, 0x05, 0x55, 0x10, 0x01, 0x00, 0xF7}), 5, {}},
        {"cut short", Hex({0xF0, 0x18, 0x0F, 0x05, 0x55}), 5, {}},
    };
    for (const Case& c : cases) {
        const auto read = ParseHandshake(c.Message, c.DeviceId);
        ASSERT_EQ(read.has_value(), c.Read.has_value()) << c.What;
        if (read) {
            EXPECT_EQ(read->Kind, c.Read->first) << c.What;
            EXPECT_EQ(read->Packet, c.Read->second) << c.What;
        }
    }
    EXPECT_EQ(Handshake(3, THandshakeKind::Eof), Hex({0xF0, 0x18, 0x0F, 0x03, 0x55, 0x7B, 0xF7}));
    EXPECT_EQ(Handshake(3, THandshakeKind::Cancel),
              Hex({0xF0, 0x18, 0x0F, 0x03, 0x55, 0x7D, 0xF7}));
}

TEST(SysexMessages, ClosedLoopPacketsCarryTheirRealChecksum) {
    // A data packet as stored: open loop, packet 2, data 05 06 7F, checksum 7F ("not checked").
    const TBytes stored = Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x10, 0x04, 0x02, 0x00, 0x05, 0x06,
                               0x7F, 0x7F, 0xF7, 0x00, 0x00});
    const auto packet = ClosedLoopPacket(stored);
    ASSERT_TRUE(packet);
    // 05 + 06 + 7F = 0x8A; its complement's low seven bits: 0x75. The padding after F7 stays.
    EXPECT_EQ(*packet, Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x10, 0x02, 0x02, 0x00, 0x05, 0x06, 0x7F,
                            0x75, 0xF7}));
    EXPECT_EQ(ClosedLoopPacketNumber(*packet), 2);
    // A sum whose low bits are zero has the checksum 7F, which is then right.
    const auto zero = ClosedLoopPacket(
        Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x10, 0x04, 0x01, 0x00, 0x40, 0x40, 0x11, 0xF7}));
    ASSERT_TRUE(zero);
    EXPECT_EQ(zero->at(11), 0x7F);

    const auto header = ClosedLoopPacket(DumpMessage(0x03, 0x05, 37));
    ASSERT_TRUE(header);
    EXPECT_EQ(*header, With(DumpMessage(0x03, 0x05, 37), 6, 0x01));
    EXPECT_EQ(ClosedLoopPacketNumber(*header), 0);

    EXPECT_EQ(ClosedLoopPacket(With(DumpMessage(0x01, 0x05, 37), 6, 0x01)), header)
        << "stored from a closed-loop dump";
    EXPECT_EQ(ClosedLoopPacket(With(stored, 6, 0x02)), packet);
    EXPECT_FALSE(ClosedLoopPacket(DumpMessage(0x10, 0x01, 37))) << "another sub-command";
    EXPECT_FALSE(ClosedLoopPacket(With(DumpMessage(0x04, 0x01, 40), 39, 0x00))) << "no F7";
    EXPECT_FALSE(ClosedLoopPacket(TBytes(300, 0x00))) << "an empty slot";
    EXPECT_FALSE(ClosedLoopPacket(Hex({0xF0, 0x18, 0x0F, 0x00, 0x55, 0x10, 0x04, 0x01, 0xF7})))
        << "no room for a checksum";
}
