#include "SynthCommandLine.h"

#include <gtest/gtest.h>

namespace velcora::emu {
namespace {

TEST(SynthCommandLine, TakesEveryOption) {
    const auto line = ParseSynthCommandLine({"--model",
                                             "xl7",
                                             "--device-id=16",
                                             "--channel",
                                             "10",
                                             "--reply-delay",
                                             "30",
                                             "--wire-speed",
                                             "--silent",
                                             "--drop",
                                             "5",
                                             "--cancel-next-dump",
                                             "--truncate-packet",
                                             "7",
                                             "--banks",
                                             "b.syx",
                                             "--jack",
                                             "-v",
                                             "--port-name",
                                             "Synth B",
                                             "--packet-delay",
                                             "9",
                                             "--nak",
                                             "4",
                                             "--lose-ack",
                                             "3",
                                             "--cancel-send",
                                             "12",
                                             "--lose-packet",
                                             "6",
                                             "--nak-rate",
                                             "5",
                                             "--lose-ack-rate",
                                             "0.5",
                                             "--lose-packet-rate=100",
                                             "--refuse-preset",
                                             "511",
                                             "--fault-seed",
                                             "4294967295"});
    ASSERT_EQ(line.Error, "");
    EXPECT_EQ(line.Synth.MemberCode, 13);
    EXPECT_EQ(line.Synth.DeviceId, 16);
    EXPECT_EQ(line.Synth.Channel, 9);
    EXPECT_EQ(line.Synth.ReplyDelay, std::chrono::milliseconds(30));
    EXPECT_TRUE(line.Synth.WireSpeed);
    EXPECT_TRUE(line.Synth.Faults.Silent);
    EXPECT_EQ(line.Synth.Faults.DropNth, 5u);
    EXPECT_TRUE(line.Synth.Faults.CancelNextDump);
    EXPECT_EQ(line.Synth.Faults.TruncatePacket, 7);
    EXPECT_EQ(line.BanksFile, "b.syx");
    EXPECT_TRUE(line.Jack);
    EXPECT_TRUE(line.Verbose);
    EXPECT_EQ(line.PortName, "Synth B");
    EXPECT_EQ(line.Synth.PacketDelay, std::chrono::milliseconds(9));
    EXPECT_EQ(line.Synth.Faults.NakPackets, 4u);
    EXPECT_EQ(line.Synth.Faults.LoseAck, 3u);
    EXPECT_EQ(line.Synth.Faults.CancelAtPacket, 12u);
    EXPECT_EQ(line.Synth.Faults.LosePacket, 6u);
    EXPECT_DOUBLE_EQ(line.Synth.Faults.NakRate, 0.05);
    EXPECT_DOUBLE_EQ(line.Synth.Faults.LoseAckRate, 0.005);
    EXPECT_DOUBLE_EQ(line.Synth.Faults.LosePacketRate, 1.0);
    EXPECT_EQ(line.Synth.Faults.FaultSeed, 4294967295u);
    EXPECT_EQ(line.Synth.Faults.RefusePreset, 511);
    EXPECT_EQ(ParseSynthCommandLine({"--nak-once"}).Synth.Faults.NakPackets, 1u);

    const auto defaults = ParseSynthCommandLine({});
    EXPECT_EQ(defaults.Error, "");
    EXPECT_EQ(defaults.Synth.MemberCode, 3);
    EXPECT_EQ(defaults.PortName, "Velcora Virtual Synth");
    EXPECT_FALSE(defaults.Jack);
    EXPECT_EQ(defaults.Synth.PacketDelay, std::chrono::milliseconds(4));
    EXPECT_EQ(defaults.Synth.Faults.NakPackets, 0u);
    EXPECT_EQ(defaults.Synth.Faults.RefusePreset, -1);
    EXPECT_EQ(ParseSynthCommandLine({"--model", "2"}).Synth.MemberCode, 2);
    EXPECT_EQ(ParseSynthCommandLine({"--model=Audity 2000"}).Synth.MemberCode, 2);
}

TEST(SynthCommandLine, RefusesBadArguments) {
    const std::vector<std::vector<std::string>> bad{
        {"--model", "DX7"},
        {"--model"},
        {"--device-id", "127"},
        {"--device-id", "-1"},
        {"--channel", "0"},
        {"--channel", "17"},
        {"--channel", "1x"},
        {"--drop", "0"},
        {"--truncate-packet", "8"},
        {"--nak", "0"},
        {"--lose-ack", "0"},
        {"--cancel-send", "x"},
        {"--lose-packet", "0"},
        {"--refuse-preset", "512"},
        {"--nak-rate", "100.5"},
        {"--lose-ack-rate", "-1"},
        {"--lose-packet-rate", "5%"},
        {"--fault-seed", "4294967296"},
        {"--packet-delay", "-1"},
        {"--reply-delay", ""},
        {"--frobnicate"},
        {"--jack=yes"},
        {"--banks", ""},
        {"-x"},
        {"stray"},
        {"--version=2"},
    };
    for (const auto& args : bad) {
        EXPECT_NE(ParseSynthCommandLine(args).Error, "") << args.front();
    }
}

TEST(SynthCommandLine, HelpAndVersion) {
    struct Case {
        std::vector<std::string> Args;
        bool Help;
        bool Version;
        bool Verbose;
    } cases[] = {
        {{"-h"}, true, false, false},
        {{"--help"}, true, false, false},
        {{"--version"}, false, true, false},
        // -v stays the short name of --verbose.
        {{"-v"}, false, false, true},
        {{"-vh"}, true, false, true},
    };
    for (const auto& c : cases) {
        const auto line = ParseSynthCommandLine(c.Args);
        EXPECT_EQ(line.Error, "") << c.Args[0];
        EXPECT_EQ(line.Help, c.Help) << c.Args[0];
        EXPECT_EQ(line.Version, c.Version) << c.Args[0];
        EXPECT_EQ(line.Verbose, c.Verbose) << c.Args[0];
    }
}

} // namespace
} // namespace velcora::emu
