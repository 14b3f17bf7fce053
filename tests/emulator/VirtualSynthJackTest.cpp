// End to end: velcora-virtual-synth on a private JACK server, reached through the program's own
// ports over the RtMidi driver.

#include "ChildProcess.h"
#include "EmuMessages.h"
#include "EmuTestSupport.h"
#include "JackServer.h"
#include "Midiin.h"
#include "Midiout.h"
#include "PortExchange.h"
#include "RtMidiDriver.h"
#include "TempDir.h"
#include "TestApp.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <string>
#include <sys/wait.h>

namespace velcora::emu {
namespace {

using namespace std::chrono_literals;
using test::ToHex;

using test::EnsureApp;

/// Selects the synth's device on the port; seen collects the names looked at.
template <typename TPort>
bool SelectSynth(TPort& port, uint32_t count, IMidiDriver& driver, bool input, std::string& seen) {
    for (uint32_t id = 0; id < count; ++id) {
        std::string name;
        if (input) {
            TMidiInCaps caps;
            driver.InDeviceCaps(id, caps);
            name = caps.Name;
        } else {
            TMidiOutCaps caps;
            driver.OutDeviceCaps(id, caps);
            name = caps.Name;
        }
        seen += name + "; ";
        if (name.find("Velcora Virtual Synth") != std::string::npos) {
            port.SetDeviceID(id);
            return true;
        }
    }
    return false;
}

TEST(VirtualSynthJack, ProgramTalksToTheSynthOverJack) {
    EnsureApp();
    // A long client time-out: on a busy machine a slow cycle must not get a client thrown out
    // of the graph, which would silence it for the rest of the test.
    test::TJackServer server({.Period = 4096, .Sync = false, .ClientTimeoutMs = 20000});
    if (!server.Running()) {
        GTEST_SKIP() << server.Reason();
    }
    test::TTempDir dir;
    const std::string log = dir.File("synth.log");
    const std::string banks = dir.File("banks.syx");
    test::TChild synth({VELCORA_VIRTUAL_SYNTH, "--jack", "--model", "XL-7", "--device-id", "9",
                        "-v", "--banks", banks},
                       log);
    // On failure, what the synth saw and said.
    struct TShowLogs {
        std::vector<std::string> Paths;
        ~TShowLogs() {
            if (::testing::Test::HasFailure()) {
                for (const auto& path : Paths) {
                    const auto bytes = test::ReadBytes(path);
                    std::cerr << path << ":\n" << std::string(bytes.begin(), bytes.end()) << "\n";
                }
            }
        }
    } showLogs{{log}};
    ASSERT_TRUE(
        test::WaitFor([] { return test::JackMidiPorts("Velcora Virtual Synth").size() >= 2; }, 30s))
        << "the synth's ports never came";

    std::vector<TBytes> sent;
    {
        TRtMidiDriver driver(TRtMidiApi::Jack, "velcora-e2e");
        TMidiOutput out(driver);
        TMidiInput in(driver);
        std::string seen;
        ASSERT_TRUE(SelectSynth(out, out.DeviceCount(), driver, false, seen)) << seen;
        ASSERT_TRUE(SelectSynth(in, in.DeviceCount(), driver, true, seen)) << seen;
        ASSERT_TRUE(out.Open());
        in.OpenAndStart();

        auto exchange = [&](const TBytes& message, size_t count,
                            std::chrono::milliseconds limit = 20000ms) {
            return test::ExchangeSysex(out, in, message, count, limit);
        };

        // A new JACK connection may take a cycle or two to carry data; the program repeats its
        // inquiry the same way until a synth answers.
        std::vector<TBytes> identity;
        for (int attempt = 0; attempt < 60 && identity.empty(); ++attempt) {
            identity = exchange(BuildDeviceInquiry(), 1, 500ms);
        }
        ASSERT_EQ(identity.size(), 1u) << test::JackConnections();
        EXPECT_EQ(ToHex(identity[0]), "F0 7E 09 06 02 18 04 04 0D 00 32 2E 30 30 F7");

        const auto dump = exchange(BuildDumpRequest(9, {false, 3 + 1 * 128, 14}), 8);
        ASSERT_EQ(dump.size(), 8u);
        EXPECT_EQ(dump[0].size(), 36u);
        EXPECT_EQ(dump[0][33], 14) << "the ROM id in the header";
        for (size_t k = 1; k < 8; ++k) {
            EXPECT_EQ(dump[k].size(), k < 7 ? 253u : 61u);
            const auto packet = ParseDumpPacket(dump[k]);
            ASSERT_TRUE(packet);
            EXPECT_EQ(packet->Checksum, Checksum(packet->Data));
        }

        // That ROM preset, sent back to user bank 2 slot 17, comes back from there.
        sent = dump;
        sent[0][7] = 17;
        sent[0][8] = 2;
        sent[0][33] = 0;
        for (const auto& message : sent) {
            out.PutLong(message);
        }
        const auto back = exchange(BuildDumpRequest(9, {false, 17 + 2 * 128, 0}), 8);
        EXPECT_EQ(back, sent);

        in.StopAndClose();
        out.Close();
    }

    const int status = synth.Stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;

    // Stopped by SIGTERM, the synth kept its user banks: the stored dump is in the file at
    // bank 2 slot 17, as the hardware would send it closed loop with its device id.
    const TBytes file = test::ReadBytes(banks);
    ASSERT_EQ(file.size(), 512u * 1615u);
    ASSERT_EQ(sent.size(), 8u);
    size_t offset = (2 * 128 + 17) * 1615;
    for (TBytes message : sent) {
        message[6] = message[6] == subHeaderOpen ? subHeaderClosed : subDataClosed;
        EXPECT_EQ(TBytes(file.begin() + std::ptrdiff_t(offset),
                         file.begin() + std::ptrdiff_t(offset + message.size())),
                  message);
        offset += message.size();
    }
}

} // namespace
} // namespace velcora::emu
