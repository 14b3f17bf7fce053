// velcora-cli against velcora-virtual-synth: two processes on a private JACK server, so the
// program's own operations run over the real MIDI stack end to end.
#include "ChildProcess.h"
#include "DumpBuilder.h"
#include "IniFile.h"
#include "JackServer.h"
#include "TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <sstream>
#include <sys/wait.h>

namespace velcora::test {
namespace {

using namespace std::chrono_literals;

const std::string SynthPorts = "Velcora Virtual Synth";

std::string ReadText(const std::string& path) {
    const auto bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

/// The preset number bytes (low, high) of dump i of a run of dumps of the given size.
std::pair<int, int> PresetNumber(const std::vector<uint8_t>& dumps, size_t size, size_t i) {
    return {dumps.at(i * size + 7), dumps.at(i * size + 8)};
}

class CliOverJack : public ::testing::Test {
protected:
    void SetUp() override {
        // Periods of about 21 ms keep a bank's 128 request-and-answer rounds short. On a busy
        // machine the server waits for a late client (synchronous mode, long time-out) rather
        // than letting it miss a cycle's MIDI, which a send could not even notice. A server
        // of its own for each test: one that a test leaves broken stays with it.
        Server = std::make_unique<TJackServer>(
            TJackServerOptions{.Period = 1024, .Sync = true, .ClientTimeoutMs = 20000});
        if (!Server->Running()) {
            GTEST_SKIP() << Server->Reason();
        }
        // The per-model folders go under this test's own documents folder.
        setenv("HOME", Dir.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", Dir.File("config").c_str(), 1);
    }

    void TearDown() override {
        if (HasFailure()) {
            const auto tail = [](const std::string& text) {
                return text.substr(text.size() > 4000 ? text.size() - 4000 : 0);
            };
            std::cerr << "synth log (end):\n"
                      << tail(ReadText(Dir.File("synth.log"))) << "\njackd log (end):\n"
                      << tail(ReadText(Server->LogPath())) << "\n"
                      << JackConnections();
        }
    }

    /// Starts the synth as the given model with its extra options, and finds the names its
    /// ports have in velcora-cli's device list.
    void StartSynth(const std::string& model, std::vector<std::string> extra = {}) {
        Synth.reset();
        // The ports of an earlier synth go with its JACK client, a moment after it ends.
        ASSERT_TRUE(WaitFor([] { return JackMidiPorts(SynthPorts).empty(); }, 10s));
        std::vector<std::string> args = {VELCORA_VIRTUAL_SYNTH, "--jack", "--model", model, "-v"};
        args.insert(args.end(), extra.begin(), extra.end());
        Synth = std::make_unique<TChild>(args, Dir.File("synth.log"));
        ASSERT_TRUE(WaitFor([] { return JackMidiPorts(SynthPorts).size() >= 2; }, 30s))
            << "the synth's ports never came";

        // No pauses worth waiting for.
        TIniFile ini(Dir.File("Velcora.INI"));
        const std::string section = model + "_0";
        ini.WriteInteger(section, "TimeBetweenSysex", 1);
        ini.WriteInteger(section, "TimeBetweenPatches", 2);

        In.clear();
        Out.clear();
        ASSERT_EQ(Cli({"devices"}, false), 0) << Err;
        std::istringstream lines(Output);
        for (std::string line; std::getline(lines, line);) {
            if (line.find(SynthPorts) == std::string::npos) {
                continue;
            }
            if (line.rfind("input  ", 0) == 0) {
                In = line.substr(7);
            } else if (line.rfind("output ", 0) == 0) {
                Out = line.substr(7);
            }
        }
        ASSERT_FALSE(In.empty() || Out.empty()) << Output;
    }

    /// Runs velcora-cli on the synth's ports; answers its exit code. Output and Err hold what
    /// it printed.
    int Cli(std::vector<std::string> args, bool onSynth = true) {
        std::vector<std::string> argv = {
            "/bin/sh",   "-c",         "exec \"$0\" \"$@\" 2>\"" + Dir.File("cli.err") + "\"",
            VELCORA_CLI, "--settings", Dir.File("Velcora.INI")};
        if (onSynth) {
            argv.insert(argv.end(), {"--in", In, "--out", Out});
        }
        argv.insert(argv.end(), args.begin(), args.end());
        TChild cli(argv, Dir.File("cli.out"));
        const int code = cli.Wait(3min);
        Output = ReadText(Dir.File("cli.out"));
        Err = ReadText(Dir.File("cli.err"));
        return code;
    }

    TTempDir Dir;
    std::unique_ptr<TJackServer> Server;
    std::unique_ptr<TChild> Synth;
    std::string In;
    std::string Out;
    std::string Output;
    std::string Err;
};

TEST_F(CliOverJack, EveryModelKeepsABankThroughFetchSendAndFetchAgain) {
    const struct {
        const char* Model;
        TModelClass ModelClass;
    } cases[] = {{"Proteus 2000", TModelClass::Proteus},
                 {"Audity 2000", TModelClass::Audity},
                 {"XL-7", TModelClass::CommandStation}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Model);
        StartSynth(c.Model);
        if (HasFatalFailure()) {
            return;
        }
        ASSERT_EQ(Cli({"identify"}), 0) << Err;
        EXPECT_EQ(Output.rfind(std::string(c.Model) + " (Ver: ", 0), 0u) << Output;

        // The synth's user banks start different from each other, so bank 1 fetched back
        // equal to bank 0 shows that the send arrived.
        const std::string bank0 = Dir.File(std::string(c.Model) + "-0.syx");
        const std::string bank1 = Dir.File(std::string(c.Model) + "-1.syx");
        ASSERT_EQ(Cli({"get-bank", "0", bank0}), 0) << Err;
        ASSERT_EQ(Cli({"send-bank", "1", bank0}), 0) << Err;
        ASSERT_EQ(Cli({"get-bank", "1", bank1}), 0) << Err;

        const TDumpSizes sizes = TDumpSizes::ForModelClass(c.ModelClass);
        const size_t size = static_cast<size_t>(sizes.TotalSize());
        const auto sent = ReadBytes(bank0);
        const auto back = ReadBytes(bank1);
        ASSERT_EQ(sent.size(), 128 * size);
        ExpectSameExceptStamped(sent, back, sizes);
        for (size_t slot : {size_t{0}, size_t{77}, size_t{127}}) {
            EXPECT_EQ(PresetNumber(sent, size, slot), std::make_pair(int(slot), 0));
            EXPECT_EQ(PresetNumber(back, size, slot), std::make_pair(int(slot), 1));
        }
    }
}

TEST_F(CliOverJack, RealAudityBankComesBackAsSent) {
    const std::string fixture = RealFixture("audity2000-user-bank0.syx");
    if (fixture.empty()) {
        GTEST_SKIP() << "real dump audity2000-user-bank0.syx not found beside the project";
    }
    StartSynth("Audity 2000");
    if (HasFatalFailure()) {
        return;
    }
    const std::string back = Dir.File("back.syx");
    ASSERT_EQ(Cli({"send-bank", "2", fixture}), 0) << Err;
    ASSERT_EQ(Cli({"get-bank", "2", back}), 0) << Err;

    // The file holds the closed-loop dumps the hardware wrote; the synth answers the
    // program's requests in open-loop form.
    const TDumpSizes sizes = TDumpSizes::ForModelClass(TModelClass::Audity);
    const auto raw = ReadBytes(fixture);
    const auto got = ReadBytes(back);
    ExpectSameExceptStamped(raw, got, sizes, true);
    EXPECT_EQ(PresetNumber(got, 1605, 5), std::make_pair(5, 2));
}

TEST_F(CliOverJack, EditBufferTakesAPatchAndGivesItBack) {
    StartSynth("XL-7");
    if (HasFatalFailure()) {
        return;
    }
    // Slot 5 of user bank 0, not what the synth's edit buffer starts with (slot 0).
    const std::string bank = Dir.File("bank.syx");
    ASSERT_EQ(Cli({"get-bank", "0", bank}), 0) << Err;
    const TDumpSizes sizes = TDumpSizes::ForModelClass(TModelClass::CommandStation);
    const size_t size = static_cast<size_t>(sizes.TotalSize());
    const auto bytes = ReadBytes(bank);
    ASSERT_EQ(bytes.size(), 128 * size);
    const std::vector<uint8_t> one(bytes.begin() + static_cast<std::ptrdiff_t>(5 * size),
                                   bytes.begin() + static_cast<std::ptrdiff_t>(6 * size));
    WriteBytes(Dir.File("one.syx"), one);

    ASSERT_EQ(Cli({"send-edit", Dir.File("one.syx")}), 0) << Err;
    ASSERT_EQ(Cli({"get-edit", Dir.File("back.syx")}), 0) << Err;
    ExpectSameExceptStamped(one, ReadBytes(Dir.File("back.syx")), sizes);
}

TEST_F(CliOverJack, ACheckedSendRidesOutANakAndArrivesWhole) {
    // The synth refuses the first packet it is sent once, as though its checksum were wrong;
    // slot 1's third data packet never reaches it, and its 30th acknowledgement (slot 3's
    // fifth data packet's) is lost on the way back.
    StartSynth("Proteus 2000", {"--nak-once", "--lose-packet", "13", "--lose-ack", "30"});
    if (HasFatalFailure()) {
        return;
    }
    TIniFile(Dir.File("Velcora.INI")).WriteInteger("Proteus 2000_0", "CheckedSends", 1);
    const std::string bank0 = Dir.File("bank0.syx");
    const std::string bank1 = Dir.File("bank1.syx");
    ASSERT_EQ(Cli({"get-bank", "0", bank0}), 0) << Err;
    // No warning: every preset was acknowledged in the end.
    ASSERT_EQ(Cli({"send-bank", "1", bank0}), 0) << Err;
    EXPECT_EQ(Err.find("not acknowledged"), std::string::npos) << Err;
    EXPECT_NE(Output.find("Confirmed 128 of 128 presets."), std::string::npos) << Output;
    ASSERT_EQ(Cli({"get-bank", "1", bank1}), 0) << Err;

    const TDumpSizes sizes = TDumpSizes::ForModelClass(TModelClass::Proteus);
    const auto sent = ReadBytes(bank0);
    const auto back = ReadBytes(bank1);
    ASSERT_EQ(sent.size(), 128 * static_cast<size_t>(sizes.TotalSize()));
    ExpectSameExceptStamped(sent, back, sizes);
    // The synth's log: the NAK of slot 0's first data packet, then that packet acknowledged.
    const std::string log = ReadText(Dir.File("synth.log"));
    const size_t nak = log.find("out (9) F0 18 0F 00 55 7E 01 00 F7");
    ASSERT_NE(nak, std::string::npos) << "the synth never refused a packet";
    EXPECT_NE(log.find("out (9) F0 18 0F 00 55 7F 01 00 F7", nak), std::string::npos);
    // Slot 1's header acknowledged, and then its third packet acknowledged: it came again.
    const size_t slot1 = log.find("in  (36) F0 18 0F 00 55 10 01 01 01");
    ASSERT_NE(slot1, std::string::npos) << log.substr(0, 2000);
    EXPECT_NE(log.find("out (9) F0 18 0F 00 55 7F 03 00 F7", slot1), std::string::npos);
}

TEST_F(CliOverJack, ASynthThatFailsEndsTheRunWithItsMessage) {
    const std::string never = Dir.File("never.syx");
    const struct {
        std::vector<std::string> SynthOptions;
        std::vector<std::string> Command;
        std::string Message;
    } cases[] = {
        {{"--silent"}, {"identify"}, "No synth answered the Device Inquiry."},
        {{"--cancel-next-dump"}, {"get-bank", "0", never}, "The synth cancelled the dump."},
        {{"--truncate-packet", "3"}, {"get-bank", "0", never}, "Timed out : didn't receive data"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Message);
        StartSynth("Proteus 2000", c.SynthOptions);
        if (HasFatalFailure()) {
            return;
        }
        EXPECT_EQ(Cli(c.Command), 1) << Err;
        EXPECT_NE(Err.find(c.Message), std::string::npos) << Err;
        EXPECT_FALSE(std::filesystem::exists(never));
    }
}

TEST_F(CliOverJack, EndingWhileTheSynthIsStillAnsweringEndsCleanly) {
    // The answer comes after the program's first wait, so the inquiry goes out again; the
    // second answer, and the requests it sets off, are still on their way when the run ends.
    StartSynth("Proteus 2000", {"--reply-delay", "700"});
    if (HasFatalFailure()) {
        return;
    }
    for (int run = 0; run < 3; ++run) {
        ASSERT_EQ(Cli({"identify"}), 0) << Err;
        EXPECT_EQ(Output.rfind("Proteus 2000 (Ver: ", 0), 0u) << Output;
    }
}

TEST_F(CliOverJack, AStopSignalEndsAFetchInOrderWhileTheSynthIsSending) {
    StartSynth("Proteus 2000", {"--wire-speed"});
    if (HasFatalFailure()) {
        return;
    }
    const std::string never = Dir.File("never.syx");
    TChild cli({VELCORA_CLI, "--settings", Dir.File("Velcora.INI"), "--in", In, "--out", Out,
                "get-bank", "0", never},
               Dir.File("cli.err"));
    // A few dumps in, with the next one on the wire (half a second each at MIDI speed).
    ASSERT_TRUE(WaitFor(
        [&] { return ReadText(Dir.File("cli.err")).find("3/128") != std::string::npos; }, 60s))
        << ReadText(Dir.File("cli.err"));
    const int status = cli.Stop();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 130) << ReadText(Dir.File("cli.err"));
    EXPECT_NE(ReadText(Dir.File("cli.err")).find("Stopped."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(never));
}

} // namespace
} // namespace velcora::test
