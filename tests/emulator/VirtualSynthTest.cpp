#include "VirtualSynth.h"

#include "EmuTestSupport.h"
#include "PresetFactory.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <set>

namespace velcora::emu {
namespace {

using test::Hex;
using test::ToHex;

constexpr uint16_t kAudity = 2;
constexpr uint16_t kProteus2000 = 3;
constexpr uint16_t kXl7 = 13;

TVirtualSynthOptions Options(uint16_t code, uint8_t deviceId = 0, uint8_t channel = 0) {
    TVirtualSynthOptions options;
    options.MemberCode = code;
    options.DeviceId = deviceId;
    options.Channel = channel;
    return options;
}

/// The bytes of the replies, in order.
std::vector<TBytes> Replies(TVirtualSynth& synth, const TBytes& message) {
    std::vector<TBytes> out;
    for (auto& reply : synth.Receive(message)) {
        out.push_back(std::move(reply.Bytes));
    }
    return out;
}

std::vector<TBytes> Replies(TVirtualSynth& synth, const char* hex) {
    return Replies(synth, Hex(hex));
}

std::vector<std::string> HexAll(const std::vector<TBytes>& messages) {
    std::vector<std::string> out;
    for (const auto& m : messages) {
        out.push_back(ToHex(m));
    }
    return out;
}

/// A request for preset (slot, bank) of the ROM (0: user memory).
TBytes Request(uint8_t device, uint8_t slot, uint8_t bank, uint16_t rom = 0, bool closed = false) {
    return BuildDumpRequest(device, {closed, uint16_t(slot | bank << 7), rom});
}

/// Checks one dump as a receiving librarian would, and answers its data bytes.
TBytes CheckDump(const std::vector<TBytes>& dump, const TSynthModel& model, uint16_t address,
                 uint16_t rom, bool closed, uint8_t device = 0) {
    TBytes data;
    EXPECT_EQ(dump.size(), 8u);
    if (dump.size() != 8) {
        return data;
    }
    const auto header = ParseDumpHeader(dump[0]);
    EXPECT_TRUE(header);
    if (!header) {
        return data;
    }
    EXPECT_EQ(dump[0][3], device);
    EXPECT_EQ(header->ClosedLoop, closed);
    EXPECT_EQ(header->Preset, address);
    EXPECT_EQ(header->RomId, rom);
    EXPECT_EQ(header->ByteCount, model.DataBytes());
    EXPECT_EQ(header->Counts, model.HeaderCounts);
    for (int k = 1; k <= 7; ++k) {
        const TBytes& message = dump[size_t(k)];
        const size_t expected = k < 7 ? model.PacketSize() : model.PacketDataBytes(7) + 11;
        EXPECT_EQ(message.size(), expected) << "packet " << k;
        const auto packet = ParseDumpPacket(message);
        EXPECT_TRUE(packet) << "packet " << k;
        if (!packet) {
            return data;
        }
        EXPECT_EQ(packet->Number, k);
        EXPECT_EQ(packet->ClosedLoop, closed);
        EXPECT_EQ(packet->Checksum, Checksum(packet->Data)) << "packet " << k;
        data.insert(data.end(), packet->Data.begin(), packet->Data.end());
    }
    return data;
}

std::string NameOf(const TBytes& data) {
    return std::string(data.begin(), data.begin() + 16);
}

TEST(VirtualSynth, AnswersEachModelsRequests) {
    struct TCase {
        const char* name;
        TVirtualSynthOptions options;
        const char* request;
        std::vector<std::string> replies;
    };
    const TCase cases[] = {
        {"Audity identity, broadcast",
         Options(kAudity),
         "F0 7E 7F 06 01 F7",
         {"F0 7E 00 06 02 18 04 04 02 00 31 2E 31 30 F7"}},
        {"Audity hardware configuration",
         Options(kAudity),
         "F0 18 0F 00 55 0A F7",
         {"F0 18 0F 00 55 09 02 00 04 01 06 03 00 2C 02 56 08 F7"}},
        {"Audity channel",
         Options(kAudity, 0, 0),
         "F0 18 0F 00 55 02 01 0B 01 F7",
         {"F0 18 0F 00 55 01 02 0B 01 00 00 F7"}},
        {"Proteus identity, own id",
         Options(kProteus2000, 5),
         "F0 7E 05 06 01 F7",
         {"F0 7E 05 06 02 18 04 04 03 00 31 2E 32 30 F7"}},
        {"Proteus identity, other id", Options(kProteus2000, 5), "F0 7E 06 06 01 F7", {}},
        {"Proteus hardware configuration",
         Options(kProteus2000, 5),
         "F0 18 0F 05 55 0A F7",
         {"F0 18 0F 05 55 09 02 00 04 02 06 04 00 00 04 00 08 05 00 00 05 24 04 F7"}},
        {"Proteus hw config, broadcast",
         Options(kProteus2000, 5),
         "F0 18 0F 7F 55 0A F7",
         {"F0 18 0F 05 55 09 02 00 04 02 06 04 00 00 04 00 08 05 00 00 05 24 04 F7"}},
        {"Proteus hw config, other id", Options(kProteus2000, 5), "F0 18 0F 04 55 0A F7", {}},
        {"Proteus channel",
         Options(kProteus2000, 5, 9),
         "F0 18 0F 05 55 02 01 0B 01 F7",
         {"F0 18 0F 05 55 01 02 0B 01 09 00 F7"}},
        {"Proteus initial parameter: no reply",
         Options(kProteus2000),
         "F0 18 0F 00 55 01 02 0A 01 00 00 F7",
         {}},
        {"two parameters: one reply each",
         Options(kProteus2000, 0, 3),
         "F0 18 0F 00 55 02 02 0B 01 0A 01 F7",
         {"F0 18 0F 00 55 01 02 0B 01 03 00 F7", "F0 18 0F 00 55 01 02 0A 01 00 00 F7"}},
        {"unknown parameter: error",
         Options(kProteus2000),
         "F0 18 0F 00 55 02 01 7F 7F F7",
         {"F0 18 0F 00 55 70 02 00 7F 7F F7"}},
        {"XL-7 identity",
         Options(kXl7, 0x10),
         "F0 7E 7F 06 01 F7",
         {"F0 7E 10 06 02 18 04 04 0D 00 32 2E 30 30 F7"}},
        {"XL-7 hardware configuration",
         Options(kXl7, 0x10),
         "F0 18 0F 10 55 0A F7",
         {"F0 18 0F 10 55 09 02 00 04 02 06 0E 00 00 08 76 09 0D 00 00 04 20 06 F7"}},
        {"XL-7 direct ROM bank 4: cancel",
         Options(kXl7, 0x10),
         "F0 18 0F 10 55 11 04 00 04 0E 00 F7",
         {"F0 18 0F 10 55 7D F7"}},
        {"XL-7 direct ROM bank 7: cancel",
         Options(kXl7, 0x10),
         "F0 18 0F 10 55 11 04 7F 07 0E 00 F7",
         {"F0 18 0F 10 55 7D F7"}},
        {"user bank 4 does not exist",
         Options(kXl7),
         "F0 18 0F 00 55 11 04 00 04 00 00 F7",
         {"F0 18 0F 00 55 70 11 00 04 00 F7"}},
        {"ROM not installed",
         Options(kProteus2000),
         "F0 18 0F 00 55 11 04 00 00 0E 00 F7",
         {"F0 18 0F 00 55 70 11 00 04 00 F7"}},
        {"past the ROM's last preset",
         Options(kAudity),
         "F0 18 0F 00 55 11 02 2C 02 03 00 F7",
         {"F0 18 0F 00 55 70 11 00 02 00 F7"}},
        {"randomize a stored preset: error",
         Options(kProteus2000),
         "F0 18 0F 00 55 71 00 00 00 00 F7",
         {"F0 18 0F 00 55 70 71 00 00 00 F7"}},
        {"stray ACK", Options(kProteus2000), "F0 18 0F 00 55 7F 00 00 F7", {}},
        {"stray data packet", Options(kProteus2000), "F0 18 0F 00 55 10 04 01 00 05 7A F7", {}},
        {"other maker", Options(kProteus2000), "F0 41 10 42 12 40 00 7F 00 41 F7", {}},
    };
    for (const auto& c : cases) {
        TVirtualSynth synth(c.options);
        EXPECT_EQ(HexAll(Replies(synth, c.request)), c.replies) << c.name;
    }
}

TEST(VirtualSynth, AVariantWithShorterPacketsKeepsItsLastPacketAndAnnouncesItsByteCount) {
    const struct {
        uint16_t Code;
        size_t Shorter;
        size_t Packet;
        size_t Last;
        uint32_t ByteCount;
    } cases[] = {
        {kProteus2000, 0, 255, 41, 1494},
        {kProteus2000, 4, 251, 41, 1470},
        {kAudity, 2, 253, 39, 1480},
        {kXl7, kMaxPacketShortening, 241, 61, 1430},
    };
    for (const auto& c : cases) {
        TVirtualSynthOptions options = Options(c.Code);
        options.ShorterPackets = c.Shorter;
        TVirtualSynth synth(options);
        SCOPED_TRACE(synth.Model().Name + " " + std::to_string(c.Shorter));
        const auto dump = Replies(synth, Request(0, 5, 1));
        const TBytes data = CheckDump(dump, synth.Model(), 5 + 128, 0, false);
        EXPECT_EQ(data, synth.UserPreset(1, 5).Data);
        ASSERT_EQ(dump.size(), 8u);
        EXPECT_EQ(dump[1].size(), c.Packet);
        EXPECT_EQ(dump[7].size(), c.Last);
        EXPECT_EQ(ParseDumpHeader(dump[0])->ByteCount, c.ByteCount);
        // A dump of its own shape is taken back.
        for (const auto& m : synth.DumpMessages(synth.UserPreset(1, 5), 7 + 128, 0, false)) {
            Replies(synth, m);
        }
        EXPECT_EQ(synth.UserPreset(1, 7).Data, data);
    }
    TVirtualSynthOptions tooShort = Options(kProteus2000);
    tooShort.ShorterPackets = kMaxPacketShortening + 1;
    EXPECT_THROW(TVirtualSynth{tooShort}, std::invalid_argument);
}

TEST(VirtualSynth, DumpsAWholeUserBankInOrder) {
    for (uint16_t code : {kAudity, kProteus2000, kXl7}) {
        TVirtualSynth synth(Options(code, 3));
        const TSynthModel& model = synth.Model();
        std::set<std::string> names;
        for (uint8_t slot = 0; slot < 128; ++slot) {
            const auto dump = Replies(synth, Request(3, slot, 1));
            SCOPED_TRACE(model.Name + " slot " + std::to_string(slot));
            const TBytes data = CheckDump(dump, model, uint16_t(slot + 128), 0, false, 3);
            ASSERT_EQ(data, synth.UserPreset(1, slot).Data);
            const std::string name = NameOf(data);
            EXPECT_EQ(name[3], ':') << name;
            names.insert(name);
        }
        EXPECT_GT(names.size(), 100u) << model.Name;
    }
}

TEST(VirtualSynth, AnswersEditBufferAndRomRequests) {
    TVirtualSynth xl7(Options(kXl7));
    const auto edit = Replies(xl7, Request(0, 0x7F, 0x7F));
    EXPECT_EQ(CheckDump(edit, xl7.Model(), kEditBufferPreset, 0, false), xl7.EditBuffer().Data);

    const auto rom = Replies(xl7, Request(0, 5, 3, 14));
    EXPECT_EQ(CheckDump(rom, xl7.Model(), 3 * 128 + 5, 14, false),
              xl7.RomPreset(14, 3 * 128 + 5)->Data);

    // The Audity's own dumps leave the ROM id at zero, as its real ROM dumps show.
    TVirtualSynth audity(Options(kAudity));
    const auto a = Replies(audity, Request(0, 9, 2, 3));
    EXPECT_EQ(CheckDump(a, audity.Model(), 2 * 128 + 9, 0, false), audity.RomPreset(3, 265)->Data);

    // A machine without the bank limit answers bank 4 of a large ROM directly.
    TVirtualSynth proteus(Options(kProteus2000));
    const auto p = Replies(proteus, Request(0, 127, 4, 5));
    EXPECT_EQ(CheckDump(p, proteus.Model(), 4 * 128 + 127, 5, false),
              proteus.RomPreset(5, 639)->Data);
}

TEST(VirtualSynth, CancelledRomBankComesThroughTheEditBuffer) {
    TVirtualSynth synth(Options(kXl7, 0, 6));
    ASSERT_EQ(HexAll(Replies(synth, Request(0, 5, 4, 14))),
              std::vector<std::string>{"F0 18 0F 00 55 7D F7"});
    const TPreset wanted = *synth.RomPreset(14, 4 * 128 + 5);

    // Another channel's bank select and program change leave the edit buffer alone.
    const TPreset before = synth.EditBuffer();
    for (const char* shortMessage : {"B5 00 0E", "B5 20 04", "C5 05"}) {
        EXPECT_TRUE(Replies(synth, shortMessage).empty());
    }
    EXPECT_EQ(synth.EditBuffer(), before);

    for (const char* shortMessage : {"B6 00 0E", "B6 20 04", "C6 05"}) {
        EXPECT_TRUE(Replies(synth, shortMessage).empty());
    }
    const auto dump = Replies(synth, Request(0, 0x7F, 0x7F));
    EXPECT_EQ(CheckDump(dump, synth.Model(), kEditBufferPreset, 0, false), wanted.Data);

    // Bank select 0 is user memory.
    for (const char* shortMessage : {"B6 00 00", "B6 20 02", "C6 11"}) {
        Replies(synth, shortMessage);
    }
    EXPECT_EQ(synth.EditBuffer(), synth.UserPreset(2, 17));
    // A preset past the ROM's end is not loaded.
    for (const char* shortMessage : {"B6 00 0D", "B6 20 04", "C6 00"}) {
        Replies(synth, shortMessage);
    }
    EXPECT_EQ(synth.EditBuffer(), synth.UserPreset(2, 17));
}

TEST(VirtualSynth, StoresADumpSentToAUserSlotAndGivesItBackIdentical) {
    for (uint16_t code : {kAudity, kProteus2000, kXl7}) {
        for (bool closed : {false, true}) {
            TVirtualSynth source(Options(code));
            TVirtualSynth synth(Options(code));
            SCOPED_TRACE(source.Model().Name + (closed ? " closed loop" : " open loop"));
            const auto sent = source.DumpMessages(*source.RomPreset(source.Model().Roms[0].Id, 77),
                                                  17 + 2 * 128, 0, closed);
            std::vector<std::string> acks;
            for (const auto& message : sent) {
                for (const auto& reply : Replies(synth, message)) {
                    acks.push_back(ToHex(reply));
                }
            }
            if (closed) {
                std::vector<std::string> expected;
                for (int k = 0; k <= 7; ++k) {
                    expected.push_back(ToHex(BuildHandshake(0, cmdAck, uint16_t(k))));
                }
                EXPECT_EQ(acks, expected);
            } else {
                EXPECT_TRUE(acks.empty());
            }
            EXPECT_TRUE(synth.UserBanksChanged());
            const auto back = Replies(synth, Request(0, 17, 2, 0, false));
            const auto again = source.DumpMessages(*source.RomPreset(source.Model().Roms[0].Id, 77),
                                                   17 + 2 * 128, 0, false);
            EXPECT_EQ(back, again);
        }
    }
}

TEST(VirtualSynth, DumpToTheEditBufferReplacesIt) {
    TVirtualSynth synth(Options(kProteus2000));
    const TPreset preset = *synth.RomPreset(4, 3);
    for (const auto& message : synth.DumpMessages(preset, kEditBufferPreset, 0, false)) {
        EXPECT_TRUE(Replies(synth, message).empty());
    }
    EXPECT_EQ(synth.EditBuffer(), preset);
    EXPECT_FALSE(synth.UserBanksChanged());
}

TEST(VirtualSynth, RefusesBadDumpsWithoutChangingMemory) {
    using TMessages = std::vector<TBytes>;
    struct TCase {
        const char* name;
        void (*spoil)(TMessages&);
    };
    const TCase cases[] = {
        {"addressed to a ROM", [](TMessages& m) { m[0][33] = 4; }},
        {"addressed past the user banks", [](TMessages& m) { m[0][8] = 4; }},
        {"wrong byte count", [](TMessages& m) { m[0][9] ^= 2; }},
        {"wrong checksum", [](TMessages& m) { m[3][m[3].size() - 2] ^= 1; }},
        {"packet missing", [](TMessages& m) { m.erase(m.begin() + 4); }},
        {"packets swapped", [](TMessages& m) { std::swap(m[2], m[3]); }},
        {"packet twice", [](TMessages& m) { m.insert(m.begin() + 2, m[1]); }},
        {"packet cut short",
         [](TMessages& m) {
             m[5].resize(100);
             m[5].push_back(0xF7);
         }},
        {"last packet one byte long", [](TMessages& m) { m[7].insert(m[7].end() - 2, 0); }},
        {"packet of another loop mode", [](TMessages& m) { m[6][6] = subDataClosed; }},
        {"header again midway", [](TMessages& m) { m.insert(m.begin() + 4, m[0]); }},
        {"status byte inside a packet", [](TMessages& m) { m[2][50] = 0x90; }},
        {"no header", [](TMessages& m) { m.erase(m.begin()); }},
    };
    for (const auto& c : cases) {
        TVirtualSynth synth(Options(kXl7));
        const TPreset before = synth.UserPreset(2, 17);
        const TPreset editBefore = synth.EditBuffer();
        TMessages messages = synth.DumpMessages(*synth.RomPreset(14, 1), 17 + 2 * 128, 0, false);
        c.spoil(messages);
        for (const auto& message : messages) {
            Replies(synth, message);
        }
        EXPECT_EQ(synth.UserPreset(2, 17), before) << c.name;
        EXPECT_EQ(synth.EditBuffer(), editBefore) << c.name;
        EXPECT_FALSE(synth.UserBanksChanged()) << c.name;
    }
}

TEST(VirtualSynth, ChecksumSevenFMeansDoNotCheck) {
    TVirtualSynth synth(Options(kProteus2000));
    const TPreset preset = *synth.RomPreset(4, 8);
    auto messages = synth.DumpMessages(preset, 3, 0, false);
    for (size_t k = 1; k < messages.size(); ++k) {
        messages[k][messages[k].size() - 2] = 0x7F;
    }
    for (const auto& message : messages) {
        Replies(synth, message);
    }
    EXPECT_EQ(synth.UserPreset(0, 3), preset);
}

TEST(VirtualSynth, ClosedLoopReceiveAsksAgainForABadPacketAndCancelsARomSlot) {
    TVirtualSynth synth(Options(kProteus2000));
    const TPreset preset = *synth.RomPreset(4, 9);
    auto messages = synth.DumpMessages(preset, 5, 0, true);
    EXPECT_EQ(HexAll(Replies(synth, messages[0])),
              std::vector<std::string>{ToHex(BuildHandshake(0, cmdAck, 0))});
    TBytes bad = messages[1];
    bad[20] ^= 1;
    EXPECT_EQ(HexAll(Replies(synth, bad)),
              std::vector<std::string>{ToHex(BuildHandshake(0, cmdNak, 1))});
    for (size_t k = 1; k < messages.size(); ++k) {
        EXPECT_EQ(HexAll(Replies(synth, messages[k])),
                  std::vector<std::string>{ToHex(BuildHandshake(0, cmdAck, uint16_t(k)))});
    }
    EXPECT_EQ(synth.UserPreset(0, 5), preset);
    EXPECT_TRUE(Replies(synth, BuildHandshake(0, cmdEof)).empty());

    auto rom = synth.DumpMessages(preset, 5, 4, true);
    EXPECT_EQ(HexAll(Replies(synth, rom[0])), std::vector<std::string>{"F0 18 0F 00 55 7D F7"});
    EXPECT_TRUE(Replies(synth, rom[1]).empty()) << "no dump in progress";
}

TEST(VirtualSynth, ClosedLoopDumpWaitsForEachAcknowledgement) {
    TVirtualSynth synth(Options(kXl7));
    const auto expected = synth.DumpMessages(synth.UserPreset(0, 9), 9, 0, true);
    std::vector<TBytes> got = Replies(synth, Request(0, 9, 0, 0, true));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], expected[0]);
    // WAIT and an acknowledgement of another packet change nothing.
    EXPECT_TRUE(Replies(synth, BuildHandshake(0, cmdWait)).empty());
    EXPECT_TRUE(Replies(synth, BuildHandshake(0, cmdAck, 3)).empty());
    for (uint16_t k = 0; k < 7; ++k) {
        auto next = Replies(synth, BuildHandshake(0, cmdAck, k));
        ASSERT_EQ(next.size(), 1u);
        EXPECT_EQ(next[0], expected[k + 1u]);
        if (k == 2) {
            // A NAK asks for the packet just sent again.
            auto again = Replies(synth, BuildHandshake(0, cmdNak, 3));
            ASSERT_EQ(again.size(), 1u);
            EXPECT_EQ(again[0], expected[3]);
        }
    }
    EXPECT_EQ(HexAll(Replies(synth, BuildHandshake(0, cmdAck, 7))),
              std::vector<std::string>{"F0 18 0F 00 55 7B F7"});
    EXPECT_TRUE(Replies(synth, BuildHandshake(0, cmdAck, 7)).empty());

    // CANCEL ends a dump midway.
    Replies(synth, Request(0, 9, 0, 0, true));
    Replies(synth, BuildHandshake(0, cmdAck, 0));
    EXPECT_TRUE(Replies(synth, BuildHandshake(0, cmdCancel)).empty());
    EXPECT_TRUE(Replies(synth, BuildHandshake(0, cmdAck, 1)).empty());
}

/// Plays a closed-loop sender against the synth: each packet goes when the last was
/// acknowledged, one NAKed or left unanswered goes again up to three times (then the sender
/// gives the dump up with CANCEL), and a CANCEL ends it.
/// Answers what the synth said, "A3" ACK 3, "N1" NAK 1, "C" CANCEL, "-" nothing.
std::string PlayClosedLoopSender(TVirtualSynth& synth, const std::vector<TBytes>& packets,
                                 std::chrono::milliseconds delay) {
    std::string said;
    size_t k = 0;
    int resends = 0;
    while (k < packets.size()) {
        const auto now = TVirtualSynth::TClock::now();
        const auto out = synth.Receive(packets[k], now);
        said += said.empty() ? "" : " ";
        if (out.empty()) {
            said += "-";
            if (resends++ < 3) {
                continue;
            }
            EXPECT_TRUE(synth.Receive(BuildHandshake(0, cmdCancel)).empty());
            return said + " gave up";
        }
        EXPECT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].At - now, delay) << "the answer waits for the check";
        const auto answer = ParseHandshake(out[0].Bytes);
        EXPECT_TRUE(answer);
        if (!answer) {
            return said + "?";
        }
        if (answer->Command == cmdCancel) {
            return said + "C";
        }
        said += (answer->Command == cmdAck ? "A" : "N") + std::to_string(answer->Packet);
        if (answer->Command == cmdNak && resends++ < 3) {
            continue;
        }
        if (answer->Command == cmdNak) {
            EXPECT_TRUE(synth.Receive(BuildHandshake(0, cmdCancel)).empty());
            return said + " gave up";
        }
        resends = 0;
        ++k;
    }
    EXPECT_TRUE(synth.Receive(BuildHandshake(0, cmdEof)).empty());
    return said;
}

TEST(VirtualSynth, ClosedLoopReceiveAnswersEachPacketWithItsFaults) {
    struct TCase {
        const char* name;
        TVirtualSynthFaults faults;
        // Damaged: one bit of packet 1's data flipped, each time it is sent; SevenF: every
        // data packet's checksum set to 7F.
        enum { AsMade, Damaged, SevenF } packets;
        const char* said;
        bool stored;
    };
    TVirtualSynthFaults nakOnce;
    nakOnce.NakPackets = 1;
    TVirtualSynthFaults nakFour;
    nakFour.NakPackets = 4;
    TVirtualSynthFaults loseThird;
    loseThird.LoseAck = 3;
    TVirtualSynthFaults cancelThird;
    cancelThird.CancelAtPacket = 3;
    TVirtualSynthFaults loseLastAck;
    loseLastAck.LoseAck = 8;
    TVirtualSynthFaults loseHeader;
    loseHeader.LosePacket = 1;
    TVirtualSynthFaults loseSecond;
    loseSecond.LosePacket = 3;
    TVirtualSynthFaults refuseTarget;
    refuseTarget.RefusePreset = 128 + 20;
    TVirtualSynthFaults refuseOther;
    refuseOther.RefusePreset = 20;
    TVirtualSynthFaults nakAll;
    nakAll.NakRate = 1;
    TVirtualSynthFaults loseAllAcks;
    loseAllAcks.LoseAckRate = 1;
    TVirtualSynthFaults loseAllPackets;
    loseAllPackets.LosePacketRate = 1;
    const std::vector<TCase> cases{
        {"all right", {}, TCase::AsMade, "A0 A1 A2 A3 A4 A5 A6 A7", true},
        {"NAK once: the packet sent again is taken", nakOnce, TCase::AsMade,
         "A0 N1 A1 A2 A3 A4 A5 A6 A7", true},
        {"NAK four times: the sender gives up", nakFour, TCase::AsMade, "A0 N1 N1 N1 N1 gave up",
         false},
        {"the third ACK lost: the copy sent again is acknowledged, not taken twice", loseThird,
         TCase::AsMade, "A0 A1 - A2 A3 A4 A5 A6 A7", true},
        {"the last ACK lost: the copy of the last packet is acknowledged", loseLastAck,
         TCase::AsMade, "A0 A1 A2 A3 A4 A5 A6 - A7", true},
        {"the header never arrives: sent again, the dump starts", loseHeader, TCase::AsMade,
         "- A0 A1 A2 A3 A4 A5 A6 A7", true},
        {"packet 2 never arrives: sent again, taken", loseSecond, TCase::AsMade,
         "A0 A1 - A2 A3 A4 A5 A6 A7", true},
        {"the preset's place fails its check: refused until the sender gives up", refuseTarget,
         TCase::AsMade, "A0 N1 N1 N1 N1 gave up", false},
        {"another place fails its check", refuseOther, TCase::AsMade, "A0 A1 A2 A3 A4 A5 A6 A7",
         true},
        {"at random, every data packet refused the first time", nakAll, TCase::AsMade,
         "A0 N1 A1 N2 A2 N3 A3 N4 A4 N5 A5 N6 A6 N7 A7", true},
        {"at random, every acknowledgement lost the first time", loseAllAcks, TCase::AsMade,
         "- A0 - A1 - A2 - A3 - A4 - A5 - A6 - A7", true},
        {"at random, every packet lost the first time", loseAllPackets, TCase::AsMade,
         "- A0 - A1 - A2 - A3 - A4 - A5 - A6 - A7", true},
        {"CANCEL at the third packet", cancelThird, TCase::AsMade, "A0 A1 C", false},
        {"a wrong sum: asked for again until the sender gives up",
         {},
         TCase::Damaged,
         "A0 N1 N1 N1 N1 gave up",
         false},
        {"7F: not checked in closed loop either",
         {},
         TCase::SevenF,
         "A0 A1 A2 A3 A4 A5 A6 A7",
         true},
    };
    for (const TCase& c : cases) {
        TVirtualSynthOptions options = Options(kProteus2000);
        options.PacketDelay = std::chrono::milliseconds(7);
        options.Faults = c.faults;
        TVirtualSynth synth(options);
        const TPreset before = synth.UserPreset(1, 20);
        const TPreset preset = *synth.RomPreset(4, 11);
        auto packets = synth.DumpMessages(preset, 128 + 20, 0, true);
        if (c.packets == TCase::Damaged) {
            packets[1][20] ^= 1;
        }
        if (c.packets == TCase::SevenF) {
            for (size_t k = 1; k < packets.size(); ++k) {
                packets[k][packets[k].size() - 2] = 0x7F;
            }
        }
        EXPECT_EQ(PlayClosedLoopSender(synth, packets, options.PacketDelay), c.said) << c.name;
        EXPECT_EQ(synth.UserPreset(1, 20), c.stored ? preset : before) << c.name;
        EXPECT_EQ(synth.UserBanksChanged(), c.stored) << c.name;
        // A packet after the end belongs to no dump.
        EXPECT_TRUE(synth.Receive(packets[1]).empty()) << c.name;
    }
}

TEST(VirtualSynth, RandomFaultsRepeatWithTheirSeed) {
    // What a bank's worth of closed-loop packets hears, faults at a third each.
    const auto play = [](uint32_t seed) {
        TVirtualSynthOptions options = Options(kProteus2000);
        options.Faults.NakRate = 0.3;
        options.Faults.LoseAckRate = 0.3;
        options.Faults.LosePacketRate = 0.3;
        options.Faults.FaultSeed = seed;
        options.PacketDelay = std::chrono::milliseconds(0);
        TVirtualSynth synth(options);
        std::string said;
        for (int slot = 0; slot < 8; ++slot) {
            const TPreset preset = synth.UserPreset(1, slot);
            said += PlayClosedLoopSender(synth,
                                         synth.DumpMessages(preset, 128 + uint16_t(slot), 0, true),
                                         options.PacketDelay) +
                    "\n";
            EXPECT_EQ(synth.UserPreset(1, slot), preset);
        }
        return said;
    };
    const std::string first = play(7);
    EXPECT_EQ(play(7), first);
    EXPECT_NE(play(8), first);
    EXPECT_NE(first.find('N'), std::string::npos) << first;
    EXPECT_NE(first.find('-'), std::string::npos) << first;
}

TEST(VirtualSynth, RandomizeFillsTheEditBuffer) {
    TVirtualSynth synth(Options(kProteus2000));
    const TPreset before = synth.EditBuffer();
    EXPECT_TRUE(Replies(synth, "F0 18 0F 00 55 71 7F 7F 00 00 F7").empty());
    const TPreset first = synth.EditBuffer();
    EXPECT_NE(first, before);
    EXPECT_EQ(first.Name().substr(3, 8), ":Random ");
    const auto dump = Replies(synth, Request(0, 0x7F, 0x7F));
    EXPECT_EQ(CheckDump(dump, synth.Model(), kEditBufferPreset, 0, false), first.Data);
    Replies(synth, "F0 18 0F 00 55 71 7F 7F 00 00 F7");
    EXPECT_NE(synth.EditBuffer(), first);
    EXPECT_EQ(synth.UserPreset(0, 0), before) << "stored presets stay";
}

TEST(VirtualSynth, NameEditAndChannelEdit) {
    TVirtualSynth synth(Options(kProteus2000));
    // The program's rename: sixteen edits of parameters 899..914.
    const std::string name = "Pad:Warm Strings";
    TBytes edit = Hex("F0 18 0F 00 55 01 20");
    for (size_t i = 0; i < 16; ++i) {
        for (uint8_t b : {uint8_t(0x03 + i), uint8_t(0x07), uint8_t(name[i]), uint8_t(0)}) {
            edit.push_back(b);
        }
    }
    edit.push_back(0xF7);
    ASSERT_EQ(edit.size(), 72u);
    EXPECT_TRUE(Replies(synth, edit).empty());
    EXPECT_EQ(synth.EditBuffer().Name(), name);
    EXPECT_EQ(HexAll(Replies(synth, "F0 18 0F 00 55 02 01 03 07 F7")),
              std::vector<std::string>{"F0 18 0F 00 55 01 02 03 07 50 00 F7"});

    // A character below blank is refused on its own; the others are taken.
    EXPECT_EQ(HexAll(Replies(synth, "F0 18 0F 00 55 01 04 03 07 1F 00 04 07 41 00 F7")),
              std::vector<std::string>{"F0 18 0F 00 55 70 01 00 03 07 F7"});
    EXPECT_EQ(synth.EditBuffer().Name(), "PAd:Warm Strings");

    EXPECT_TRUE(Replies(synth, "F0 18 0F 00 55 01 02 0B 01 0C 00 F7").empty());
    EXPECT_EQ(synth.Channel(), 12);
    EXPECT_EQ(HexAll(Replies(synth, "F0 18 0F 00 55 01 02 0B 01 10 00 F7")),
              std::vector<std::string>{"F0 18 0F 00 55 70 01 00 0B 01 F7"});
    EXPECT_EQ(synth.Channel(), 12);
}

TEST(VirtualSynth, Faults) {
    {
        TVirtualSynthOptions options = Options(kProteus2000);
        options.Faults.Silent = true;
        TVirtualSynth synth(options);
        EXPECT_TRUE(Replies(synth, "F0 7E 7F 06 01 F7").empty());
        // Silent, not deaf: a dump still lands.
        const TPreset preset = *synth.RomPreset(4, 1);
        for (const auto& m : synth.DumpMessages(preset, 2, 0, false)) {
            Replies(synth, m);
        }
        EXPECT_EQ(synth.UserPreset(0, 2), preset);
    }
    {
        TVirtualSynthOptions options = Options(kProteus2000);
        options.Faults.DropNth = 4; // identity, configuration, dump header, then packet 1
        TVirtualSynth synth(options);
        EXPECT_EQ(Replies(synth, "F0 7E 7F 06 01 F7").size(), 1u);
        EXPECT_EQ(Replies(synth, "F0 18 0F 00 55 0A F7").size(), 1u);
        const auto dump = Replies(synth, Request(0, 0, 0));
        ASSERT_EQ(dump.size(), 7u);
        EXPECT_TRUE(ParseDumpHeader(dump[0]));
        EXPECT_EQ(ParseDumpPacket(dump[1])->Number, 2);
        EXPECT_EQ(Replies(synth, Request(0, 0, 0)).size(), 8u) << "only once";
    }
    {
        TVirtualSynthOptions options = Options(kProteus2000);
        options.Faults.CancelNextDump = true;
        TVirtualSynth synth(options);
        EXPECT_EQ(HexAll(Replies(synth, Request(0, 0, 0))),
                  std::vector<std::string>{"F0 18 0F 00 55 7D F7"});
        EXPECT_EQ(Replies(synth, Request(0, 0, 0)).size(), 8u);
        synth.Faults().CancelNextDump = true;
        EXPECT_EQ(Replies(synth, Request(0, 0x7F, 0x7F)).size(), 1u);
    }
    {
        TVirtualSynthOptions options = Options(kXl7);
        options.Faults.TruncatePacket = 4;
        TVirtualSynth synth(options);
        const auto dump = Replies(synth, Request(0, 0, 0));
        ASSERT_EQ(dump.size(), 8u);
        EXPECT_EQ(dump[4].size(), 253u / 2 + 1);
        EXPECT_EQ(dump[4].back(), 0xF7);
        EXPECT_EQ(dump[3].size(), 253u);
        EXPECT_EQ(Replies(synth, Request(0, 0, 0))[4].size(), 253u) << "only once";
    }
}

TEST(VirtualSynth, ReplyDelayAndWirePacing) {
    const auto now = TVirtualSynth::TClock::now();
    TVirtualSynthOptions options = Options(kProteus2000);
    options.ReplyDelay = std::chrono::milliseconds(25);
    {
        TVirtualSynth synth(options);
        const auto out = synth.Receive(Request(0, 0, 0), now);
        ASSERT_EQ(out.size(), 8u);
        for (const auto& o : out) {
            EXPECT_EQ(o.At, now + std::chrono::milliseconds(25));
        }
    }
    options.WireSpeed = true;
    TVirtualSynth synth(options);
    const auto out = synth.Receive(Request(0, 0, 0), now);
    ASSERT_EQ(out.size(), 8u);
    auto expected = now + std::chrono::milliseconds(25);
    for (const auto& o : out) {
        EXPECT_EQ(o.At, expected);
        expected += std::chrono::microseconds(320) * int64_t(o.Bytes.size());
    }
    // A request arriving while the cable is still busy waits for it.
    const auto next = synth.Receive(BuildDeviceInquiry(), now + std::chrono::milliseconds(26));
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(next[0].At, expected);
}

TEST(VirtualSynth, PresetContentsAreVariedSevenBitAndDeterministic) {
    for (const TSynthModel& model : SynthModels()) {
        SCOPED_TRACE(model.Name);
        EXPECT_EQ(model.DataBytes(), model.Class == 1 ? 1492u : model.Class == 2 ? 1494u : 1502u);
        const TRomInfo& rom = model.Roms.front();
        std::set<std::string> names;
        int twins = 0;
        for (uint16_t i = 0; i < rom.Presets; ++i) {
            const TPreset p = MakeRomPreset(model, rom.Id, i);
            ASSERT_EQ(p.Data.size(), model.DataBytes());
            ASSERT_TRUE(
                std::all_of(p.Data.begin(), p.Data.end(), [](uint8_t b) { return b < 0x80; }));
            names.insert(p.Name());
            if (i > 0) {
                const TPreset prev = MakeRomPreset(model, rom.Id, uint16_t(i - 1));
                if (std::equal(p.Data.begin() + 16, p.Data.end(), prev.Data.begin() + 16)) {
                    ++twins;
                    EXPECT_NE(p.Name(), prev.Name());
                }
            }
        }
        EXPECT_GE(twins, 2);
        EXPECT_GT(names.size(), size_t(rom.Presets) / 2);
        EXPECT_EQ(MakeRomPreset(model, rom.Id, 42), MakeRomPreset(model, rom.Id, 42));
        EXPECT_EQ(MakeInitPreset(model).Name(), "ini:Blank Preset");
    }
}

TEST(VirtualSynth, MalformedInputNeverHurts) {
    const char* junk[] = {"",
                          "F7",
                          "F0",
                          "F0 F7",
                          "90",
                          "C0",
                          "B0 00",
                          "C0 80",
                          "B0 00 80",
                          "FF",
                          "F0 18 0F 00 55",
                          "F0 18 0F 00 55 10 F7",
                          "F0 18 0F 00 55 11 F7",
                          "F0 18 0F 00 55 01 7F F7",
                          "F0 18 0F 00 55 02 7F 00 F7"};
    TVirtualSynth synth(Options(kXl7));
    for (const char* j : junk) {
        EXPECT_TRUE(Replies(synth, j).empty()) << j;
    }
    uint64_t state = 12345;
    auto next = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return uint8_t(state >> 56);
    };
    for (int i = 0; i < 20000; ++i) {
        TBytes message(size_t(next() % 64));
        for (auto& b : message) {
            b = next();
        }
        if (!message.empty() && i % 2 == 0) {
            // Mostly well framed, so that the parsers get past the first checks.
            const TBytes frame = Hex("F0 18 0F 00 55");
            std::copy(frame.begin(), frame.begin() + std::min(frame.size(), message.size()),
                      message.begin());
            message.back() = 0xF7;
        }
        synth.Receive(message);
    }
    EXPECT_EQ(Replies(synth, "F0 7E 7F 06 01 F7").size(), 1u);
}

TEST(VirtualSynth, UserBanksSurviveARestartThroughAnAllBanksFile) {
    test::TTempDir dir;
    const std::string path = dir.File("banks.syx");
    TVirtualSynth synth(Options(kXl7));
    const TPreset preset = *synth.RomPreset(14, 900);
    synth.SetUserPreset(3, 127, preset);
    ASSERT_EQ(synth.SaveUserBanks(path), "");
    EXPECT_EQ(test::ReadBytes(path).size(), 512u * 1615u);

    TVirtualSynth restarted(Options(kXl7));
    ASSERT_EQ(restarted.LoadUserBanks(path), "");
    EXPECT_EQ(restarted.UserPreset(3, 127), preset);
    EXPECT_EQ(restarted.UserPreset(1, 5), synth.UserPreset(1, 5));

    // A damaged file or one of another model changes nothing.
    TBytes bytes = test::ReadBytes(path);
    bytes[1615 * 300 + 36 + 100] ^= 1;
    test::WriteBytes(path, bytes);
    TVirtualSynth other(Options(kXl7));
    const TPreset before = other.UserPreset(3, 127);
    EXPECT_NE(other.LoadUserBanks(path), "");
    EXPECT_EQ(other.UserPreset(3, 127), before);
    TVirtualSynth audity(Options(kAudity));
    EXPECT_NE(audity.LoadUserBanks(path), "");
    EXPECT_NE(audity.LoadUserBanks(dir.File("missing.syx")), "");
}

// The hardware's own dumps: the emulator must frame, count and checksum its dumps the same
// way, and store what a real synth sent.
TEST(VirtualSynthRealDumps, OwnDumpsMatchTheHardwareByteForByte) {
    const std::string bank = test::RealFixture("audity2000-user-bank0.syx");
    if (bank.empty()) {
        GTEST_SKIP() << "the real hardware dumps are not beside the project";
    }
    const TBytes bytes = test::ReadBytes(bank);
    TVirtualSynth synth(Options(kAudity));
    const size_t size = synth.Model().DumpSize();
    ASSERT_EQ(size, 1605u);
    ASSERT_EQ(bytes.size(), 128 * size);
    for (size_t slot = 0; slot < 128; ++slot) {
        const TBytes real(bytes.begin() + std::ptrdiff_t(slot * size),
                          bytes.begin() + std::ptrdiff_t((slot + 1) * size));
        // Sent to the synth as the hardware sent it (closed loop), acknowledged packet by
        // packet, stored, and dumped back identical.
        size_t offset = 0;
        for (int k = 0; k <= 7; ++k) {
            const size_t n = k == 0 ? 36 : synth.Model().PacketDataBytes(k) + 11;
            const TBytes message(real.begin() + std::ptrdiff_t(offset),
                                 real.begin() + std::ptrdiff_t(offset + n));
            offset += n;
            EXPECT_EQ(HexAll(Replies(synth, message)),
                      std::vector<std::string>{ToHex(BuildHandshake(0, cmdAck, uint16_t(k)))})
                << "slot " << slot << " packet " << k;
        }
        TBytes ours;
        for (const auto& m :
             synth.DumpMessages(synth.UserPreset(0, int(slot)), uint16_t(slot), 0, true)) {
            ours.insert(ours.end(), m.begin(), m.end());
        }
        ASSERT_EQ(ToHex(ours), ToHex(real)) << "slot " << slot;
    }
}

TEST(VirtualSynthRealDumps, GeneratedDumpsHaveTheHardwaresShape) {
    struct TCase {
        const char* file;
        uint16_t code;
        uint16_t address;
        uint16_t rom;
    };
    const TCase cases[] = {
        {"audity2000-rom-0000.syx", kAudity, 0, 3},
        {"cs-composer-0000.syx", 15, 0, 4},
        {"cs-mp7-0000.syx", 14, 0, 15},
        {"cs-p2500-0000.syx", 15, 0, 17},
        {"cs-composer-editbuffer.syx", kXl7, kEditBufferPreset, 0},
    };
    for (const auto& c : cases) {
        const std::string path = test::RealFixture(c.file);
        if (path.empty()) {
            GTEST_SKIP() << "the real hardware dumps are not beside the project";
        }
        const TBytes real = test::ReadBytes(path);
        TVirtualSynth synth(Options(c.code));
        const auto ours =
            c.address == kEditBufferPreset
                ? synth.DumpMessages(synth.EditBuffer(), c.address, 0, true)
                : synth.DumpMessages(*synth.RomPreset(c.rom, c.address), c.address,
                                     synth.Model().HeaderCarriesRomId ? c.rom : 0, true);
        size_t offset = 0;
        for (size_t k = 0; k < ours.size(); ++k) {
            ASSERT_LE(offset + ours[k].size(), real.size()) << c.file;
            const TBytes theirs(real.begin() + std::ptrdiff_t(offset),
                                real.begin() + std::ptrdiff_t(offset + ours[k].size()));
            EXPECT_EQ(theirs.back(), 0xF7) << c.file << " packet " << k;
            if (k == 0) {
                // Framing, address, byte count, section counts and ROM id all agree.
                EXPECT_EQ(ToHex(ours[0]), ToHex(theirs)) << c.file;
            } else {
                EXPECT_EQ(ToHex({ours[k].begin(), ours[k].begin() + 9}),
                          ToHex({theirs.begin(), theirs.begin() + 9}))
                    << c.file;
                const auto p = ParseDumpPacket(theirs);
                ASSERT_TRUE(p);
                EXPECT_TRUE(p->Checksum == Checksum(p->Data)) << c.file << " packet " << k;
            }
            offset += ours[k].size();
        }
        EXPECT_EQ(offset, real.size()) << c.file;
    }
}

} // namespace
} // namespace velcora::emu
